#pragma once

#include "CommandShortcut.h"

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

/// Whether the session is a Wayland one (WAYLAND_DISPLAY set, or
/// XDG_SESSION_TYPE "wayland"): there the compositor alone sees the keys, and
/// a program gets a global key only through the desktop.
bool isWaylandSession();

/// The desktops whose own custom shortcuts can be added from here.
enum class ShortcutDesktop {
    Gnome, ///< GNOME and relatives: the media keys' custom bindings (GSettings)
    Kde, ///< KDE Plasma: the global shortcuts service
    Other, ///< none that can be asked; the user adds the shortcut by hand
};

/// The session's desktop (XDG_CURRENT_DESKTOP) as far as shortcuts go.
ShortcutDesktop shortcutDesktop();

/// Adds `shortcut` to `desktop`'s own shortcuts (replacing an earlier one of
/// the same id). Empty when the desktop kept it, else why not, in a sentence
/// for the user. Blocks while the desktop's service answers (bounded, see
/// GnomeKeybindings and KdeGlobalShortcuts): call it off the interface's thread.
QString addCommandShortcut(ShortcutDesktop desktop, const CommandShortcut &shortcut);

} // namespace platform
