#include "DesktopShortcuts.h"

#include "GnomeKeybindings.h"
#include "KdeGlobalShortcuts.h"
#include "X11KeyGrab.h"

namespace platform {

bool isX11Session()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") && !isWaylandSession();
}

bool isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
}

ShortcutDesktop shortcutDesktop()
{
    if (GnomeKeybindings::isSessionDesktop())
        return ShortcutDesktop::Gnome;
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    return desktops.contains(QStringLiteral("KDE"), Qt::CaseInsensitive) ? ShortcutDesktop::Kde
                                                                         : ShortcutDesktop::Other;
}

QString addCommandShortcut(ShortcutDesktop desktop, const CommandShortcut &shortcut)
{
    if (!shortcut.isValid())
        return QStringLiteral("The shortcut has no keys or no command.");
    switch (desktop) {
    case ShortcutDesktop::Gnome:
        return GnomeKeybindings::addCustomBinding(shortcut);
    case ShortcutDesktop::Kde:
        return KdeGlobalShortcuts::addCommandShortcut(shortcut);
    case ShortcutDesktop::Other:
        break;
    }
    return QStringLiteral("This desktop's shortcuts cannot be added from here.");
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
