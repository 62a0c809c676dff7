#pragma once

#include <QKeyCombination>
#include <QString>

#include <optional>

/// Whether the running desktop keeps a key combination for itself.
namespace platform {

/// What the session's desktop has bound `combination` to, in the desktop's
/// words: KDE's global shortcuts when that service runs, then GNOME's key
/// bindings in a GNOME session. Where neither names one, in an X11 session, an
/// empty text when another X client holds the combination (its name cannot be
/// told). None when nothing that can be asked holds it; no query waits long
/// (see KdeGlobalShortcuts).
std::optional<QString> desktopShortcutOwner(QKeyCombination combination);

/// Whether the session is an X11 one: DISPLAY set and not a Wayland session
/// (whose compositor sees no X grabs).
bool isX11Session();

} // namespace platform
