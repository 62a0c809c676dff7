#pragma once

#include <QList>
#include <QtGlobal>

#include <xcb/xcb.h>

namespace platform {

/// A passive grab of one key with exact modifiers on a root window, taken under
/// every combination of the lock modifiers the server has (Caps Lock, and Num
/// Lock and Scroll Lock where the modifier mapping carries them), so that the
/// key works whatever lock is on. All or nothing: when one mask is refused the
/// others are released. The grab ends with the object.
class X11PassiveGrab
{
public:
    enum class Result {
        Grabbed,
        Taken, ///< another client holds the key under one of the masks (BadAccess)
        Failed, ///< any other refusal (a key code the server does not have, ...)
    };

    /// Grabs `keyCode` with `modifiers` (X masks) on `root` of `connection`,
    /// which must outlive the grab.
    X11PassiveGrab(xcb_connection_t *connection, xcb_window_t root, xcb_keycode_t keyCode, quint16 modifiers);
    ~X11PassiveGrab();
    X11PassiveGrab(const X11PassiveGrab &) = delete;
    X11PassiveGrab &operator=(const X11PassiveGrab &) = delete;

    Result result() const { return m_result; }
    /// Whether `event` is a press of this key with these modifiers, whatever
    /// locks are on.
    bool matches(const xcb_key_press_event_t &event) const;

    /// The first key code whose symbols hold `symbol`; 0 when none does.
    static xcb_keycode_t keyCodeOf(xcb_connection_t *connection, xcb_keysym_t symbol);
    /// The symbol `keyCode` types without modifiers; 0 when it has none.
    static xcb_keysym_t keySymbolOf(xcb_connection_t *connection, xcb_keycode_t keyCode);
    /// The masks of the lock modifiers: Lock, and the modifiers that carry Num
    /// Lock and Scroll Lock (Mod2 for Num Lock on most servers); a lock no
    /// modifier carries is left out.
    static quint16 lockModifiers(xcb_connection_t *connection);

private:
    void release();

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    xcb_keycode_t m_keyCode;
    quint16 m_modifiers;
    quint16 m_locks = 0;
    QList<quint16> m_held;
    Result m_result = Result::Failed;
};

} // namespace platform
