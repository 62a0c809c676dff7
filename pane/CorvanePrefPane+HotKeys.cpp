// The show/hide hot key: recording it in the hot-key field through the key
// broadcaster, refusing reserved combinations and those the desktop holds, and
// storing it; in a Wayland session, how the launcher gets the key there.

#include "CorvanePrefPane.h"

#include "HotKeyPolicy.h"
#include "ServiceSettings.h"
#include "platform/desktop/DesktopShortcuts.h"
#include "platform/desktop/GlobalShortcutsPortal.h"
#include "platform/ui/AlertSheet.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include <memory>
#include <utility>

namespace {

constexpr quint16 kBackspaceKeyCode = 51; // Delete
constexpr quint16 kDeleteKeyCode = 117;   // Forward Delete

// What a desktop shortcut runs to bring up the launcher, under the name the
// desktop's shortcut settings show.
const platform::CommandShortcut ShowShortcut{QStringLiteral("com.velora.Corvane.Show"), QStringLiteral("Show Corvane"),
                                             {QStringLiteral("corvanectl"), QStringLiteral("show")}, {}};

// The form's row whose field is `widget` or a layout holding it; -1 for none.
int formRowOf(QFormLayout *form, QWidget *widget)
{
    for (int row = 0; row < form->rowCount(); ++row) {
        QLayoutItem *item = form->itemAt(row, QFormLayout::FieldRole);
        if (item && (item->widget() == widget || (item->layout() && item->layout()->indexOf(widget) >= 0)))
            return row;
    }
    return -1;
}

QLabel *noteLabel(const QString &name)
{
    auto *label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

} // namespace

void CorvanePrefPane::migrateHotKey(QVariantMap &preferences)
{
    ServiceSettings settings(std::move(preferences));
    settings.migrateHotKey();
    preferences = std::move(settings.values());
}

void CorvanePrefPane::_setKeyCombo(std::shared_ptr<const KeyCombo> keyCombo, QLineEdit *field)
{
    _keyCombo = std::move(keyCombo);
    _keyComboChanged(field, _keyCombo.get());
    // A shortcut needs keys the desktop can name.
    if (_addDesktopShortcutButton)
        _addDesktopShortcutButton->setEnabled(_keyCombo && _keyCombo->isValid() && _keyCombo->qtKeyCombination());
}

void CorvanePrefPane::_keyComboChanged(QLineEdit *field, const KeyCombo *keyCombo)
{
    if (!field)
        return;
    // A cleared hot key is an empty field (its placeholder shows), not "(None)".
    field->setText(keyCombo && keyCombo->isValid() ? keyCombo->userDisplayRep() : QString());
}

void CorvanePrefPane::clearShortcutForField(QLineEdit *field)
{
    _setKeyCombo(KeyCombo::clearKeyCombo(), field);
}

void CorvanePrefPane::clearHotKey(QObject *)
{
    clearShortcutForField(_hotKeyField);
}

void CorvanePrefPane::stopEditingHotKeys()
{
    if (!_hotKeyField)
        return;
    _hotKeyField->window()->setFocus(Qt::OtherFocusReason);
    // An inactive window moves its focus without telling the field: end the
    // editing here then.
    _hotKeyField->resignFirstResponder();
}

void CorvanePrefPane::didBecomeFirstResponder(HotKeyField *)
{
    if (_keybroadcaster)
        _keybroadcaster->setEnabled(true);
}

void CorvanePrefPane::controlTextDidChange(const platform::Notification &notification)
{
    auto *editor = qobject_cast<QLineEdit *>(notification.userInfo.value(QStringLiteral("NSFieldEditor")).value<QObject *>());
    HotKeyField *field = _hotKeyField;
    if (!editor || !field || notification.object != field)
        return;
    if (editor->text().isEmpty()) {
        clearShortcutForField(field);
        _keyComboChanged(field, _keyCombo.get());
    }
}

void CorvanePrefPane::controlTextDidEndEditing(const platform::Notification &)
{
    if (_keybroadcaster)
        _keybroadcaster->setEnabled(false);
    save();
    if (_keyCombo)
        ServiceSettings::announceHotKey(*_keyCombo);
}

void CorvanePrefPane::keyEvent(const platform::Notification &notification)
{
    const auto keyCode = static_cast<quint16>(notification.userInfo.value(QStringLiteral("KeyCode")).toUInt());
    const auto modifiers = notification.userInfo.value(QStringLiteral("Modifiers")).toUInt();

    // Before the reserved test, which refuses every bare key.
    if ((keyCode == kDeleteKeyCode || keyCode == kBackspaceKeyCode) && modifiers == 0) {
        clearShortcutForField(_hotKeyField);
        return;
    }
    auto combo = KeyCombo::keyComboWithKeyCode(static_cast<qint16>(keyCode), static_cast<qint32>(modifiers));
    if (const auto refusal = HotKeyPolicy::refusal(*combo, _keyCombo.get())) {
        platform::beginAlertSheet(_hotKeyField, refusal->title, refusal->message);
        return;
    }
    _setKeyCombo(std::move(combo), _hotKeyField);
}

void CorvanePrefPane::saveHotKeys(QVariantMap &preferences) const
{
    if (_keyCombo)
        preferences.insert(ServiceSettings::HotKeyKey, _keyCombo->archivedData());
}

void CorvanePrefPane::transferHotKeysToUI(const QVariantMap &preferences)
{
    auto combo = ServiceSettings(preferences).hotKey();
    _setKeyCombo(combo ? std::move(combo) : KeyCombo::clearKeyCombo(), _hotKeyField);
}

void CorvanePrefPane::setUpWaylandHotKeyRoute()
{
    if (!platform::isWaylandSession() || !_hotKeyField || !_topLeftPicker)
        return;
    auto *form = qobject_cast<QFormLayout *>(_hotKeyField->parentWidget()->layout());
    auto *corners = qobject_cast<QGridLayout *>(_topLeftPicker->parentWidget()->layout());
    if (!form || !corners)
        return;
    auto *row = new QWidget;
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    _hotKeyRouteLabel = noteLabel(QStringLiteral("_hotKeyRouteLabel"));
    _addDesktopShortcutButton = new QPushButton(localized("Add Shortcut"));
    _addDesktopShortcutButton->setObjectName(QStringLiteral("_addDesktopShortcutButton"));
    _addDesktopShortcutButton->setToolTip(localized("Adds a shortcut to the desktop that brings up the launcher"));
    _addDesktopShortcutButton->hide();
    connect(_addDesktopShortcutButton, &QPushButton::clicked, this, &CorvanePrefPane::addDesktopShortcut);
    rowLayout->addWidget(_hotKeyRouteLabel, 1);
    rowLayout->addWidget(_addDesktopShortcutButton);
    // Right under the field; the line stays empty until the portal answers.
    form->insertRow(formRowOf(form, _hotKeyField) + 1, static_cast<QWidget *>(nullptr), row);

    QLabel *cornersNote = noteLabel(QStringLiteral("_hotCornersRouteLabel"));
    cornersNote->setAlignment(Qt::AlignCenter);
    cornersNote->setText(localized("On Wayland, hot corners need the desktop's own support."));
    corners->addWidget(cornersNote, corners->rowCount(), 0, 1, corners->columnCount());

    platform::GlobalShortcutsPortal::queryVersion(this, [this](uint version) { showHotKeyRoute(version); });
}

void CorvanePrefPane::showHotKeyRoute(uint portalVersion)
{
    if (!_hotKeyRouteLabel || !_addDesktopShortcutButton)
        return;
    if (portalVersion > 0) {
        _hotKeyRouteLabel->setText(localized("On Wayland, the desktop's portal passes this key on."));
        return;
    }
    if (platform::shortcutDesktop() == platform::ShortcutDesktop::Other) {
        _hotKeyRouteLabel->setText(
            localized("On Wayland, bind this key to “corvanectl show” in the desktop's settings."));
        return;
    }
    _hotKeyRouteLabel->setText(localized("On Wayland, this key needs a desktop shortcut."));
    _addDesktopShortcutButton->show();
}

void CorvanePrefPane::addDesktopShortcut()
{
    const auto keys = _keyCombo ? _keyCombo->qtKeyCombination() : std::nullopt;
    if (!keys || !_keyCombo->isValid())
        return;
    platform::CommandShortcut shortcut = ShowShortcut;
    shortcut.keys = *keys;
    const platform::ShortcutDesktop desktop = platform::shortcutDesktop();
    // The desktop's service may be slow or stopped: the pane must not wait for it.
    auto failure = std::make_shared<QString>();
    QThread *worker = QThread::create([=] { *failure = platform::addCommandShortcut(desktop, shortcut); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, failure] { desktopShortcutAdded(*failure); });
    _addDesktopShortcutButton->setEnabled(false);
    worker->start();
}

void CorvanePrefPane::desktopShortcutAdded(const QString &failure)
{
    if (_addDesktopShortcutButton)
        _addDesktopShortcutButton->setEnabled(true);
    if (!failure.isEmpty()) {
        platform::beginAlertSheet(mainView(), localized("Shortcut Not Added"), failure);
        return;
    }
    if (_hotKeyRouteLabel)
        _hotKeyRouteLabel->setText(localized("On Wayland, a desktop shortcut now brings up the launcher."));
}
