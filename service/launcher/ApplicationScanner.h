#pragma once

#include "LauncherApplication.h"

#include <QList>
#include <QString>
#include <QStringList>

/// Finds the applications the launcher offers. Desktop entries are read from the
/// `applications/` trees of the XDG data folders; each has a desktop-file ID, its
/// path below the tree with '/' turned into '-', and of the files with one ID only
/// the first found counts (the user's folder before $XDG_DATA_DIRS, in its order).
/// The winner is offered unless it is not Type=Application, is Hidden or NoDisplay,
/// is not shown on the current desktop (OnlyShowIn/NotShowIn against
/// XDG_CURRENT_DESKTOP), or its TryExec program is not installed. Folders named
/// "Name.app" in those trees and in ~/Applications are applications too.
namespace ApplicationScanner {

struct Options
{
    /// Searched for desktop entries and app folders, first wins.
    QStringList entryFolders;
    /// Searched for app folders only (their top level).
    QStringList appFolderFolders;
    /// The current desktop's names.
    QStringList desktops;
    /// Keep only applications on the file system of "/".
    bool systemVolumeOnly = false;
};

/// The folders and desktop names of this session's environment.
Options options(bool systemVolumeOnly = false);

/// $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS/applications.
QStringList entryFolders();
/// XDG_CURRENT_DESKTOP split at ':'.
QStringList currentDesktops();

/// The desktop-file ID of `path` below `folder`; empty when it is not below it.
QString desktopFileId(const QString &folder, const QString &path);

/// The applications, in the order found.
QList<LauncherApplication> scan(const Options &options);

/// Every folder whose change can change what scan() finds: the existing folders
/// of `options` and the folders below the entry folders, and the parent of an
/// entry folder that does not exist yet.
QStringList foldersToWatch(const Options &options);

} // namespace ApplicationScanner
