#pragma once

#include <QPushButton>
#include <QString>
#include <QtGlobal>

class QKeyEvent;

/// The name of the notification a KeyBroadcaster posts: "KeyBraodcasterKeyEvent",
/// spelt as it always has been, since observers match the text.
extern const QString KeyBroadcasterKeyEvent;

/// Captures key combinations for the hot-key field. While enabled, it claims every
/// key press made in its window before any control, shortcut or focus change sees
/// it, and posts each on the default platform::NotificationCenter as
/// KeyBroadcasterKeyEvent, with itself as the object and the user info "KeyCode"
/// (the virtual key code, an unsigned 16-bit number) and "Modifiers" (the Carbon
/// modifier mask, an unsigned number). Presses of a modifier key alone, and keys
/// that have no virtual key code, are claimed but not posted. Disabled, it lets
/// every key pass untouched.
///
/// The enabled flag is the capture switch: the owner turns it on while the
/// hot-key field edits and off when editing ends. The button itself is never shown
/// and never takes focus. Main thread only.
class KeyBroadcaster : public QPushButton
{
    Q_OBJECT
public:
    explicit KeyBroadcaster(QWidget *parent = nullptr);
    ~KeyBroadcaster() override;

    /// Offers a key press. Disabled: answers false and does nothing. Enabled:
    /// hands the event to keyDown() and answers true, so that nothing else acts on
    /// the key.
    bool performKeyEquivalent(QKeyEvent *event);

    /// Translates the press (KeyTranslator) and posts it through
    /// _broadcastKeyCode(), whether or not the broadcaster is enabled.
    void keyDown(QKeyEvent *event);

    /// Posts KeyBroadcasterKeyEvent with `keyCode` and the Carbon mask `modifiers`.
    void _broadcastKeyCode(quint16 keyCode, quint32 modifiers);

    /// The Carbon mask of the original platform's event modifier flags (see
    /// KeyTranslator::cocoaToCarbonModifiers).
    static quint32 cocoaToCarbonModifiers(quint32 flags);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateKeyOffers();
};
