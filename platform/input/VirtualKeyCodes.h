#pragma once

#include <QtGlobal>

#include <optional>

/// The original platform's virtual key codes (0 = the A key of a US layout,
/// 36 = Return) against the physical keys Linux names: XKB keycodes, which are
/// the kernel's evdev codes + 8 under X servers and Wayland compositors alike.
/// The one table shared by the pane's key recorder and the service's grab.
namespace platform::VirtualKeyCodes {

/// The virtual key code of an XKB keycode; none for a key without one, and
/// for codes below 8, which the X protocol reserves.
std::optional<quint16> fromXkbKeycode(quint32 xkbKeycode);

/// The XKB keycode of a virtual key code: the key's own position, never one of
/// the aliases some keyboards report for it too; none for a code no key has.
std::optional<quint32> toXkbKeycode(quint16 keyCode);

} // namespace platform::VirtualKeyCodes
