#include "platform/files/FileReference.h"

#include "platform/files/FileIdSearch.h"
#include "platform/files/Volume.h"

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
    std::optional<FileIdentity> identity = FileIdentity::of(canonical);
    if (!identity || identity->device != info.st_dev || identity->inode != info.st_ino)
        return std::nullopt; // replaced in between
    return FileReference(*identity, canonical);
}

bool FileReference::isItem(const QString &path) const
{
    const std::optional<FileIdentity> found = FileIdentity::of(path);
    return found && m_identity.matches(*found);
}

std::optional<QString> FileReference::path() const
{
    if (m_path.isEmpty())
        return std::nullopt; // names nothing
    if (isItem(m_path))
        return m_path;
    const std::optional<Volume> volume = Volume::withDevice(m_identity.device);
    if (!volume)
        return std::nullopt;
    FileIdSearch::Request request;
    request.device = m_identity.device;
    request.inodeMatches = [inode = m_identity.inode](quint64 candidate) { return candidate == inode; };
    request.accept = [this](const QString &path, const struct stat &) { return isItem(path); };
    request.lastKnownFolder = QFileInfo(m_path).path();
    request.volumeRoot = volume->mountPoint;
    std::optional<QString> found = FileIdSearch::find(request);
    if (found)
        m_path = *found;
    return found;
}

} // namespace platform
