#include "KeyBroadcaster.h"

#include "KeyTranslator.h"
#include "platform/core/NotificationCenter.h"

#include <QApplication>
#include <QKeyEvent>

const QString KeyBroadcasterKeyEvent = QStringLiteral("KeyBraodcasterKeyEvent");

KeyBroadcaster::KeyBroadcaster(QWidget *parent)
    : QPushButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    updateKeyOffers();
}

KeyBroadcaster::~KeyBroadcaster()
{
    qApp->removeEventFilter(this);
}

bool KeyBroadcaster::performKeyEquivalent(QKeyEvent *event)
{
    if (!isEnabled())
        return false;
    keyDown(event);
    return true;
}

void KeyBroadcaster::keyDown(QKeyEvent *event)
{
    // A modifier pressed on its own is part of the combination still being held,
    // not a combination.
    if (KeyTranslator::isModifierOnly(*event))
        return;
    if (const auto key = KeyTranslator::translate(*event))
        _broadcastKeyCode(key->keyCode, cocoaToCarbonModifiers(key->modifierFlags));
}

void KeyBroadcaster::_broadcastKeyCode(quint16 keyCode, quint32 modifiers)
{
    platform::NotificationCenter::defaultCenter().post(
        KeyBroadcasterKeyEvent, this,
        {{QStringLiteral("KeyCode"), QVariant::fromValue<uint>(keyCode)},
         {QStringLiteral("Modifiers"), QVariant::fromValue<uint>(modifiers)}});
}

quint32 KeyBroadcaster::cocoaToCarbonModifiers(quint32 flags)
{
    return KeyTranslator::cocoaToCarbonModifiers(flags);
}

bool KeyBroadcaster::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    // Key events reach a widget window first and its focus widget next; the
    // widget is where they are offered, once. Other windows (a sheet, a pop-up)
    // keep their keys.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != window() || !isEnabled())
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Claiming the override keeps every shortcut from firing; the press that
        // follows is the one posted.
        event->accept();
        return true;
    }
    return performKeyEquivalent(static_cast<QKeyEvent *>(event));
}

void KeyBroadcaster::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateKeyOffers();
}

// Key presses are offered only while capturing: a disabled broadcaster costs the
// application's event dispatch nothing.
void KeyBroadcaster::updateKeyOffers()
{
    if (isEnabled())
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}
