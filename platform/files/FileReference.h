#pragma once

#include "platform/files/FileIdentity.h"

#include <QString>

#include <optional>

namespace platform {

/// Names an existing file or folder by its device and file number (inode),
/// the counterpart of the original platform's FSRef: it keeps naming the item
/// after a rename or a move within its file system.
///
/// Its birth time and inode generation (FileIdentity) tell it from a later item
/// that reuses the inode number. It also keeps the item's last known path, checked and refreshed on every
/// use of path(): when the item is no longer there, a bounded FileIdSearch from
/// its last folder finds it again. A reference is a small value; path() updates
/// the kept path, so one reference is not used from two threads at once.
class FileReference
{
public:
    /// A reference that names nothing (path() is none), to be filled.
    FileReference() = default;

    /// The item at `path`, symbolic links followed; none when nothing is there.
    static std::optional<FileReference> fromPath(const QString &path);

    quint64 device() const { return m_identity.device; }
    quint64 inode() const { return m_identity.inode; }
    const FileIdentity &identity() const { return m_identity; }

    /// The item's current path (absolute, symbolic links resolved); none when it
    /// was deleted or cannot be found within the search's bound.
    std::optional<QString> path() const;

    /// The path kept from the last use, unchecked.
    QString lastKnownPath() const { return m_path; }

    /// The same item: same device and file number.
    friend bool operator==(const FileReference &a, const FileReference &b)
    {
        return a.m_identity.device == b.m_identity.device && a.m_identity.inode == b.m_identity.inode;
    }

private:
    FileReference(FileIdentity identity, QString path)
        : m_identity(identity)
        , m_path(std::move(path))
    {
    }

    bool isItem(const QString &path) const;

    FileIdentity m_identity;
    mutable QString m_path;
};

} // namespace platform
