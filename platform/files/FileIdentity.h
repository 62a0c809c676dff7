#pragma once

#include <QString>

#include <optional>

namespace platform {

/// What tells one file-system item from every other: its device and inode
/// number, and, since a deleted item's inode number goes to later items, its
/// birth time and inode generation where the file system gives them (ext4, xfs
/// and btrfs do; timestamps alone may tie within a clock tick).
struct FileIdentity
{
    struct BirthTime
    {
        qint64 seconds = 0;
        quint32 nanoseconds = 0;
        friend bool operator==(const BirthTime &, const BirthTime &) = default;
    };

    quint64 device = 0;
    quint64 inode = 0;
    std::optional<BirthTime> birth;
    std::optional<quint32> generation;

    /// The identity of the item at `path` itself (a link is not followed); none
    /// when nothing is there.
    static std::optional<FileIdentity> of(const QString &path);

    /// Same device and inode, and the same birth time and generation wherever
    /// both sides know them.
    bool matches(const FileIdentity &other) const;

    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

} // namespace platform
