#pragma once

#include <QString>

#include <optional>

namespace platform {

/// The counterpart of the original platform's workspace, for applications.
///
/// An application is an app folder `Name.app/` holding the executable `Name` (and
/// `Resources/Info.plist`), an executable file, or an XDG desktop entry
/// (`*.desktop`, Type=Application, started through its Exec line).
class Workspace
{
public:
    /// Starts the application at `path` detached from the caller: it outlives the
    /// caller, is never started through a shell, and gets no startup-notification
    /// or activation token, so it does not take the focus from the caller. True
    /// when the program was started, with its process ID in `pid` when given; false
    /// when `path` is no application, its program is missing or not executable, or
    /// its Exec line does not parse.
    static bool openFile(const QString &path, qint64 *pid = nullptr);

    /// Starts `command` (program, then arguments) detached as openFile() does:
    /// no shell, no token of the caller's, standard input from the null device,
    /// in `workingDirectory` (the caller's own when empty). True when it started.
    static bool startDetached(const QStringList &command, const QString &workingDirectory, qint64 *pid = nullptr);

    /// The application named `name` (with or without ".app"): the first of
    /// `Name.app/` with its executable, then `Name.desktop`, in ~/Applications, then
    /// in the XDG application folders ($XDG_DATA_HOME/applications, then each of
    /// $XDG_DATA_DIRS). None when there is none or `name` is not a plain file name.
    static std::optional<QString> fullPathForApplication(const QString &name);

    /// The desktop entry whose file ID is `identifier` (the file
    /// `<identifier>.desktop` in an XDG application folder, searched as above), or
    /// none.
    static std::optional<QString> absolutePathForAppBundleWithIdentifier(const QString &identifier);

    /// Refreshing the Services menu: Linux desktops have no such menu, so nothing
    /// is done.
    static void updateDynamicServices() {}
};

} // namespace platform
