#pragma once

#include <QKeyCombination>
#include <QString>
#include <QStringList>

#include "CommandShortcut.h"

/// The key bindings of GNOME and the desktops built on its shell or window
/// manager, read through GSettings (dconf in a session, or whatever backend
/// GSETTINGS_BACKEND names): the window manager's, the shell's, mutter's and
/// the media keys' schemas, the user's custom bindings included.
namespace platform {

class GnomeKeybindings
{
public:
    /// The schemas whose string-list keys are bindings.
    static QStringList bindingSchemas();

    /// Whether the session's desktop (XDG_CURRENT_DESKTOP) is GNOME or one that
    /// keeps GNOME's bindings; other desktops leave these settings unused.
    static bool isSessionDesktop();

    /// The name of what `combination` is bound to, in the schema's own words
    /// (a key's summary, a custom binding's name); empty when nothing holds it
    /// or a schema is not installed.
    static QString owner(QKeyCombination combination);

    /// Adds `shortcut` (valid) as the user's custom binding of its id: the entry
    /// is written first, then listed, so that the desktop never sees it half
    /// made; adding it again replaces it. Empty when the settings kept it, else
    /// why not, in a sentence for the user. Waits for the settings' service to
    /// store it (GIO's own bound).
    static QString addCustomBinding(const CommandShortcut &shortcut);
};

} // namespace platform
