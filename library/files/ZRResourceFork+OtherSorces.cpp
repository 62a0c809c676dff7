// Icon family data for custom-icon resources.

#include "ZRResourceFork.h"

#include "StringCarbonUtilities.h"
#include "URLCarbonUtilities.h"
#include "platform/files/CompanionFile.h"
#include "platform/files/IconFamily.h"
#include "platform/files/ResourceMap.h"

#include <QDir>

namespace {

constexpr qint16 CustomIconResource = -16455;

// The item's own icon: its 'icns' −16455, read straight from the companion so
// that the current resource file is left alone.
std::optional<QByteArray> customIcon(const QString &path)
{
    if (!vl::hasCustomIconFinderInfoFlag(path))
        return std::nullopt;
    const std::optional<platform::AppleDouble> companion = platform::CompanionFile::read(path);
    const std::optional<platform::ResourceMap> fork = companion && companion->resourceFork()
                                                          ? platform::ResourceMap::parse(*companion->resourceFork())
                                                          : std::nullopt;
    if (!fork)
        return std::nullopt;
    for (const auto &resource : fork->resources()) {
        if (resource->type == platform::fourCharCode("icns") && resource->id == CustomIconResource)
            return resource->data;
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> ZRResourceFork::iconFamilyDataForURL(const QUrl &url)
{
    platform::FileReference reference;
    if (!vl::getFSRef(url, &reference))
        return std::nullopt;
    const std::optional<QString> path = reference.path();
    if (!path)
        return std::nullopt;
    if (std::optional<QByteArray> own = customIcon(*path))
        return own;
    return platform::IconFamily::forPath(*path);
}

std::optional<QByteArray> ZRResourceFork::iconFamilyDataForFile(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return iconFamilyDataForURL(QUrl::fromLocalFile(QDir::cleanPath(QDir::current().absoluteFilePath(path))));
}
