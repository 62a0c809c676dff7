#include "SystemFolders.h"

#include "platform/system/SearchPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vl {

namespace {

std::optional<QString> userFolder(std::uint32_t type)
{
    using platform::SearchPathDirectory;
    const auto library = [] {
        return platform::searchPathForDirectoriesInDomains(SearchPathDirectory::ApplicationSupport,
                                                           platform::SearchPathDomain::User, true)
            .value(0);
    };
    switch (type) {
    case fourCharCode("asup"):
    case fourCharCode("dlib"): return library();
    case fourCharCode("pref"): return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    case fourCharCode("cach"): return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    case fourCharCode("desk"): return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case fourCharCode("docs"): return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    case fourCharCode("apps"): return QDir::homePath() + QStringLiteral("/Applications");
    case fourCharCode("temp"): return QDir::tempPath();
    default: return std::nullopt;
    }
}

std::optional<QString> sharedFolder(std::uint32_t type, const QString &share)
{
    switch (type) {
    case fourCharCode("asup"):
    case fourCharCode("dlib"): return share;
    case fourCharCode("apps"): return share + QStringLiteral("/applications");
    default: return std::nullopt;
    }
}

} // namespace

std::optional<QString> findSystemFolderType(std::uint32_t type, std::int16_t domain)
{
    std::optional<QString> path;
    switch (domain) {
    case UserDomain: path = userFolder(type); break;
    case LocalDomain:
        path = sharedFolder(type, platform::searchPathForDirectoriesInDomains(
                                      platform::SearchPathDirectory::ApplicationSupport,
                                      platform::SearchPathDomain::Local, true)
                                      .value(0));
        break;
    case SystemDomain: path = sharedFolder(type, QStringLiteral("/usr/share")); break;
    default: break;
    }
    if (!path || path->isEmpty() || !QFileInfo(*path).isDir())
        return std::nullopt;
    return QDir::cleanPath(*path);
}

} // namespace vl
