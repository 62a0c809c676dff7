#pragma once

#include "platform/files/AppleDouble.h"

#include <QString>

#include <optional>

namespace platform {

/// The AppleDouble companion `._<name>` beside a file or folder, where this
/// layer keeps what the original platform kept in forks and catalog records:
/// Finder information, the resource fork and extended attributes.
class CompanionFile
{
public:
    /// Longest name, in bytes, whose companion name ("._" + name) the file
    /// system still takes.
    static constexpr int MaximumNameBytes = 253;

    /// The companion's path for the item at `path`; none for the root folder, a
    /// path without a name, or a name longer than MaximumNameBytes.
    static std::optional<QString> pathFor(const QString &path);

    /// The companion of `path` as read: empty (all zero Finder information, no
    /// resource fork) when there is none. None when it exists but cannot be read
    /// or is no valid header file, so that nobody overwrites what they cannot read.
    static std::optional<AppleDouble> read(const QString &path);

    /// Replaces the companion of `path` atomically (temporary file, then rename);
    /// an empty `contents` removes it instead, as the platform's kernel does. The
    /// debug tag of the "ATTR" block is the item's inode. False on failure, and
    /// then the earlier companion is left as it was.
    static bool write(const QString &path, const AppleDouble &contents);

    /// Renames the item at `from` to `to` (one rename(2): same file system only)
    /// and its companion along with it. A companion left at `to` by an item that
    /// was replaced goes. Refused, changing nothing, when `from` has a companion
    /// that `to` cannot have (its name is too long). False on failure.
    static bool moveItem(const QString &from, const QString &to);
};

} // namespace platform
