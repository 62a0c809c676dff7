#pragma once

#include <QString>

/// The user's login items: the applications started when the user logs in.
///
/// On Linux a login item is an XDG autostart entry; its name is the entry's
/// "Name" value, compared exactly (letter case and every character). Entries in
/// the system's autostart folders count too, until a user entry overrides them.
/// All operations are synchronous and touch only the autostart folders.
class VLLoginItemHelper
{
public:
    VLLoginItemHelper() = delete;

    /// Adds the application at `path` (an app folder "Name.app", a desktop entry
    /// or an executable file) as the login item named after its last path
    /// component without extension. `hide` asks for it to start hidden; it is
    /// stored as "X-Velora-Hidden". False when the path does not exist or the entry
    /// cannot be written.
    static bool addLoginItem(const QString &path, bool hide);

    /// Removes every login item named `name`: deletes the user's entry, and where
    /// a system entry of the same file name exists, overrides it with a user entry
    /// marked "Hidden". False when there is no such item or a file cannot be
    /// written or deleted.
    static bool removeLoginItem(const QString &name);

    /// True when a login item in effect is named exactly `name`.
    static bool isNameInLoginItem(const QString &name);
};
