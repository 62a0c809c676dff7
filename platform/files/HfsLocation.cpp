#include "platform/files/HfsLocation.h"

#include "platform/files/FileIdSearch.h"
#include "platform/files/HfsPath.h"
#include "platform/files/MacRomanText.h"
#include "platform/files/Volume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace platform {

namespace {

std::optional<struct stat> statOf(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

std::optional<QString> findFolder(const Volume &volume, quint32 id, const QString &hint)
{
    const std::optional<struct stat> info = hint.isEmpty() ? std::nullopt : statOf(hint);
    if (info && S_ISDIR(info->st_mode) && info->st_dev == volume.device && info->st_ino == id)
        return hint;
    FileIdSearch::Request request;
    request.device = volume.device;
    request.inodeMatches = [id](quint64 inode) { return inode == id; };
    request.accept = [](const QString &, const struct stat &found) { return S_ISDIR(found.st_mode); };
    request.lastKnownFolder = hint;
    request.volumeRoot = volume.mountPoint;
    return FileIdSearch::find(request);
}

} // namespace

std::optional<HfsLocation> HfsLocation::fromReference(const FileReference &reference)
{
    const std::optional<QString> path = reference.path();
    if (!path)
        return std::nullopt;
    const std::optional<Volume> volume = Volume::containing(*path);
    if (!volume || volume->reference() == 0)
        return std::nullopt;
    if (*path == volume->mountPoint) {
        const std::optional<QByteArray> name = encodeMacRoman(HfsPath::swapDelimiters(volume->name()));
        return name ? fromParts(volume->reference(), RootParentId, *name) : std::nullopt;
    }
    const QFileInfo info(*path);
    const std::optional<struct stat> parent = statOf(info.path());
    const std::optional<QByteArray> name = encodeMacRoman(HfsPath::swapDelimiters(info.fileName()));
    if (!parent || parent->st_ino > 0xFFFFFFFFu || !name)
        return std::nullopt;
    std::optional<HfsLocation> location = fromParts(volume->reference(), quint32(parent->st_ino), *name);
    if (location)
        location->m_parentPath = info.path();
    return location;
}

std::optional<HfsLocation> HfsLocation::fromParts(qint16 volume, quint32 parentDirectory, const QByteArray &name)
{
    if (name.isEmpty() || name.size() > MaximumNameBytes)
        return std::nullopt;
    return HfsLocation(volume, parentDirectory, name);
}

std::optional<FileReference> HfsLocation::toReference() const
{
    const std::optional<Volume> volume = Volume::withReference(m_volume);
    if (!volume)
        return std::nullopt;
    const QString name = HfsPath::swapDelimiters(decodeMacRoman(m_name));
    if (m_parentDirectory == RootParentId && name == volume->name())
        return FileReference::fromPath(volume->mountPoint);
    if (name.contains(u'/') || name == u"." || name == u"..")
        return std::nullopt;
    const std::optional<QString> parent = findFolder(*volume, m_parentDirectory, m_parentPath);
    if (!parent)
        return std::nullopt;
    return FileReference::fromPath(QDir(*parent).filePath(name));
}

} // namespace platform
