#include "URLCarbonUtilities.h"

#include "CarbonUtilities_p.h"
#include "StringCarbonUtilities.h"
#include "platform/files/AliasManager.h"
#include "platform/files/HfsPath.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace vl {

namespace {

std::optional<QString> localPath(const QUrl &url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QString path = url.toLocalFile();
    return path.isEmpty() ? std::nullopt : std::optional(path);
}

std::optional<platform::FileReference> referenceOf(const QUrl &url)
{
    const std::optional<QString> path = localPath(url);
    return path ? detail::referenceOf(*path) : std::nullopt;
}

QUrl folderUrl(const QString &path, bool isFolder)
{
    return QUrl::fromLocalFile(isFolder && !path.endsWith(u'/') ? path + u'/' : path);
}

// Truncated toward zero and held within 16 bits; NaN counts as 0.
qint16 coordinate(qreal value)
{
    if (std::isnan(value))
        return 0;
    const qreal truncated = std::trunc(value);
    return qint16(std::clamp<qreal>(truncated, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()));
}

} // namespace

std::optional<QUrl> URLWithFSRef(const platform::FileReference &reference)
{
    const std::optional<QString> path = reference.path();
    if (!path)
        return std::nullopt;
    return folderUrl(*path, QFileInfo(*path).isDir());
}

std::optional<QUrl> URLWithFileSystemPathHFSStyle(const QString &hfsPath)
{
    const std::optional<platform::HfsPath::Converted> converted = platform::HfsPath::toPath(hfsPath);
    if (!converted)
        return std::nullopt;
    return folderUrl(converted->path, converted->isFolder);
}

bool getFSRef(const QUrl &url, platform::FileReference *reference)
{
    const std::optional<platform::FileReference> found = referenceOf(url);
    if (!found || !reference)
        return false;
    *reference = *found;
    return true;
}

bool getFSSpec(const QUrl &url, platform::HfsLocation *specification)
{
    const std::optional<platform::FileReference> reference = referenceOf(url);
    const std::optional<platform::HfsLocation> found = reference ? platform::HfsLocation::fromReference(
                                                                 *reference)
                                                                       : std::nullopt;
    if (!found || !specification)
        return false;
    *specification = *found;
    return true;
}

QUrl URLByDeletingLastPathComponent(const QUrl &url)
{
    QString path = url.path();
    if (path.isEmpty() || path == u"/") {
        QUrl up = url;
        up.setPath(path + QStringLiteral("../"));
        return up;
    }
    if (path.endsWith(u'/'))
        path.chop(1);
    QUrl parent = url;
    parent.setPath(path.first(path.lastIndexOf(u'/') + 1));
    return parent;
}

QString fileSystemPathHFSStyle(const QUrl &url)
{
    const std::optional<QString> path = localPath(url);
    if (!path)
        return QString();
    return platform::HfsPath::fromPath(QDir::cleanPath(QDir::current().absoluteFilePath(*path))).value_or(QString());
}

std::optional<QUrl> resolveAliasFile(const QUrl &url)
{
    std::optional<platform::FileReference> reference = referenceOf(url);
    if (!reference)
        return std::nullopt;
    bool isFolder = false;
    bool wasAliased = false;
    if (platform::AliasManager::resolveAliasFile(&*reference, true, &isFolder, &wasAliased) != platform::noErr)
        return std::nullopt;
    return wasAliased ? URLWithFSRef(*reference) : std::optional(url);
}

bool finderInfoFlags(const QUrl &url, quint16 *flags, platform::OSType *type, platform::OSType *creator)
{
    const std::optional<platform::FileReference> reference = referenceOf(url);
    const std::optional<platform::FinderInfo> info = reference ? detail::readFinderInfo(*reference) : std::nullopt;
    if (!info)
        return false;
    if (flags)
        *flags = info->finderFlags();
    if (type)
        *type = info->fileType();
    if (creator)
        *creator = info->creator();
    return true;
}

bool setFinderInfoFlags(const QUrl &url, quint16 flags, quint16 mask, platform::OSType type, platform::OSType creator)
{
    const std::optional<platform::FileReference> reference = referenceOf(url);
    std::optional<platform::FinderInfo> info = reference ? detail::readFinderInfo(*reference) : std::nullopt;
    if (!info)
        return false;
    const quint16 merged = (flags & mask) | (info->finderFlags() & ~mask);
    info->setFinderFlags(merged & ~quint16(platform::kHasBeenInited));
    info->setFileType(type);
    info->setCreator(creator);
    return detail::writeFinderInfo(*reference, *info);
}

QPointF finderLocation(const QUrl &url)
{
    const std::optional<platform::FileReference> reference = referenceOf(url);
    const std::optional<platform::FinderInfo> info = reference ? detail::readFinderInfo(*reference) : std::nullopt;
    return info ? QPointF(info->locationH(), info->locationV()) : QPointF(0, 0);
}

bool setFinderLocation(const QUrl &url, QPointF location)
{
    const std::optional<platform::FileReference> reference = referenceOf(url);
    std::optional<platform::FinderInfo> info = reference ? detail::readFinderInfo(*reference) : std::nullopt;
    if (!info)
        return false;
    info->setLocation(coordinate(location.y()), coordinate(location.x()));
    return detail::writeFinderInfo(*reference, *info);
}

bool hasCustomIcon(const QUrl &url)
{
    quint16 flags = 0;
    return finderInfoFlags(url, &flags, nullptr, nullptr) && (flags & platform::kHasCustomIcon);
}

} // namespace vl
