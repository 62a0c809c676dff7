#pragma once

#include <QString>

#include <optional>

namespace platform {

/// Names an existing file or folder by its device and file number (inode),
/// the counterpart of the original platform's FSRef: it keeps naming the item
/// after a rename or a move within its file system.
///
/// It also keeps the item's last known path, checked and refreshed on every
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

    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }

    /// The item's current path (absolute, symbolic links resolved); none when it
    /// was deleted or cannot be found within the search's bound.
    std::optional<QString> path() const;

    /// The path kept from the last use, unchecked.
    QString lastKnownPath() const { return m_path; }

    /// The same item: same device and file number.
    friend bool operator==(const FileReference &a, const FileReference &b)
    {
        return a.m_device == b.m_device && a.m_inode == b.m_inode;
    }

private:
    FileReference(quint64 device, quint64 inode, QString path)
        : m_device(device), m_inode(inode), m_path(std::move(path))
    {
    }

    quint64 m_device = 0;
    quint64 m_inode = 0;
    mutable QString m_path;
};

} // namespace platform
