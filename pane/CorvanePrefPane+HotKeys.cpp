// The show/hide hot key: recording it in the hot-key field through the key
// broadcaster, refusing reserved combinations and those the desktop holds, and
// storing it.

#include "CorvanePrefPane.h"

#include "HotKeyPolicy.h"
#include "ServiceSettings.h"
#include "platform/ui/AlertSheet.h"

#include <QLineEdit>

#include <utility>

namespace {

constexpr quint16 kBackspaceKeyCode = 51; // Delete
constexpr quint16 kDeleteKeyCode = 117;   // Forward Delete

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
