#include "DesktopShortcuts.h"

#include "GnomeKeybindings.h"
#include "KdeGlobalShortcuts.h"
#include "X11KeyGrab.h"

namespace platform {

bool isX11Session()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           && qgetenv("XDG_SESSION_TYPE") != "wayland";
}

std::optional<QString> desktopShortcutOwner(QKeyCombination combination)
{
    if (QString kde = KdeGlobalShortcuts::owner(combination); !kde.isEmpty())
        return kde;
    if (GnomeKeybindings::isSessionDesktop()) {
        if (QString gnome = GnomeKeybindings::owner(combination); !gnome.isEmpty())
            return gnome;
    }
    if (isX11Session() && X11KeyGrab::probe(combination) == X11KeyGrab::Result::Taken)
        return QString();
    return std::nullopt;
}

} // namespace platform
