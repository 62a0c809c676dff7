#pragma once

#include "platform/system/DesktopEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

/// The XDG autostart folders (freedesktop.org Desktop Application Autostart
/// Specification): the user's $XDG_CONFIG_HOME/autostart and the system's
/// $XDG_CONFIG_DIRS/*/autostart (default /etc/xdg/autostart).
///
/// An entry is known by its file name. The user's folder overrides the system's
/// folders, and an earlier system folder overrides a later one; an entry whose
/// "Hidden" key is true counts as removed.
namespace AutostartFolders {

struct Entry
{
    QString fileName;     ///< e.g. "Corvane.desktop"
    QString path;         ///< the file that is in effect
    bool inUserFolder = false;
    DesktopEntry entry;
};

/// The user's autostart folder (not created).
QString userFolder();

/// The system's autostart folders, most important first.
QStringList systemFolders();

/// The entries in effect, sorted by file name: overrides applied, hidden ones left out.
QList<Entry> effectiveEntries();

/// True when a system folder holds an entry of that file name (hidden or not).
bool systemEntryExists(const QString &fileName);

/// Writes `entry` as the user's entry `fileName`, creating the user folder when
/// needed. Atomic; false on failure.
bool writeUserEntry(const QString &fileName, const DesktopEntry &entry);

/// Deletes the user's entry `fileName`. True when it is gone afterwards.
bool removeUserEntry(const QString &fileName);

} // namespace AutostartFolders
} // namespace platform
