#include "DesktopShortcuts.h"

#include "GnomeKeybindings.h"
#include "KdeGlobalShortcuts.h"

namespace platform {

QString desktopShortcutOwner(QKeyCombination combination)
{
    const QString kde = KdeGlobalShortcuts::owner(combination);
    if (!kde.isEmpty() || !GnomeKeybindings::isSessionDesktop())
        return kde;
    return GnomeKeybindings::owner(combination);
}

} // namespace platform
