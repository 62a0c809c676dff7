#include "CarbonUtilities_p.h"

#include "platform/files/CompanionFile.h"

#include <QDir>

namespace vl::detail {

std::optional<platform::FinderInfo> readFinderInfo(const platform::FileReference &reference)
{
    const std::optional<QString> path = reference.path();
    const std::optional<platform::AppleDouble> companion = path ? platform::CompanionFile::read(*path) : std::nullopt;
    if (!companion)
        return std::nullopt;
    return companion->finderInfo();
}

bool writeFinderInfo(const platform::FileReference &reference, const platform::FinderInfo &info)
{
    const std::optional<QString> path = reference.path();
    std::optional<platform::AppleDouble> companion = path ? platform::CompanionFile::read(*path) : std::nullopt;
    if (!companion)
        return false;
    companion->setFinderInfo(info);
    return platform::CompanionFile::write(*path, *companion);
}

std::optional<platform::FileReference> referenceOf(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return platform::FileReference::fromPath(QDir::isAbsolutePath(path) ? path
                                                                        : QDir::current().absoluteFilePath(path));
}

} // namespace vl::detail
