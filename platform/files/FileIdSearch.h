#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <sys/stat.h>

namespace platform {

/// Finds an item on one file system by its file number (inode) when its path is
/// no longer known: what the original platform's catalog lookup by file ID did.
/// Linux cannot open an inode without privilege, so this walks folders.
///
/// The walk is breadth-first, starts in the last folder the item was known to be
/// in (or its nearest existing ancestor), then widens to each enclosing folder up
/// to the volume's root, never entering a folder twice nor leaving the file
/// system. It is bounded: after `limit` folder entries it gives up.
class FileIdSearch
{
public:
    /// Enough for a tree of 100,000 items around the last known folder.
    static constexpr qint64 DefaultLimit = 250000;

    struct Request
    {
        quint64 device = 0;
        /// Cheap test of a folder entry's inode number; only entries that pass
        /// are looked at closely.
        std::function<bool(quint64 inode)> inodeMatches;
        /// Whether the item at `path` (lstat'ed as `info`) is the one sought.
        std::function<bool(const QString &path, const struct stat &info)> accept;
        QString lastKnownFolder; ///< may be empty: the search starts at the root
        QString volumeRoot; ///< the mount point of the file system
        qint64 limit = DefaultLimit;
    };

    /// The path of the first item that passes both tests; none when the bound
    /// is reached or nothing passes.
    static std::optional<QString> find(const Request &request);
};

} // namespace platform
