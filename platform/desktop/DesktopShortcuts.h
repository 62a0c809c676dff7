#pragma once

#include <QKeyCombination>
#include <QString>

/// Whether the running desktop keeps a key combination for itself.
namespace platform {

/// What the session's desktop has bound `combination` to, in the desktop's
/// words: KDE's global shortcuts when that service runs, then GNOME's key
/// bindings in a GNOME session. Empty when no desktop that can be asked holds
/// it; no query waits long (see KdeGlobalShortcuts).
QString desktopShortcutOwner(QKeyCombination combination);

} // namespace platform
