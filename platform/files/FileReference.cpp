#include "FileReference.h"

#include "FileIdSearch.h"
#include "Volume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace platform {

std::optional<FileReference> FileReference::fromPath(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;
    return FileReference(info.st_dev, info.st_ino, canonical);
}

std::optional<QString> FileReference::path() const
{
    if (m_path.isEmpty())
        return std::nullopt;    // names nothing
    struct stat info;
    if (::lstat(QFile::encodeName(m_path).constData(), &info) == 0 && info.st_dev == m_device
        && info.st_ino == m_inode)
        return m_path;
    const std::optional<Volume> volume = Volume::withDevice(m_device);
    if (!volume)
        return std::nullopt;
    FileIdSearch::Request request;
    request.device = m_device;
    request.inodeMatches = [inode = m_inode](quint64 candidate) { return candidate == inode; };
    request.accept = [](const QString &, const struct stat &) { return true; };
    request.lastKnownFolder = QFileInfo(m_path).path();
    request.volumeRoot = volume->mountPoint;
    std::optional<QString> found = FileIdSearch::find(request);
    if (found)
        m_path = *found;
    return found;
}

} // namespace platform
