// Finder alias files: the record in the fork, Finder type, creator and flags.

#include "ZRAlias.h"

#include "URLCarbonUtilities.h"
#include "ZRResourceFork.h"
#include "platform/files/FinderInfo.h"
#include "platform/files/ItemInfo.h"

#include <QDir>

namespace {

using platform::fourCharCode;

constexpr qint16 CustomIconResource = -16455;
constexpr quint16 AliasAndCustomIcon = platform::kIsAlias | platform::kHasCustomIcon;

std::shared_ptr<ZRAlias> aliasInFork(std::unique_ptr<ZRResourceFork> fork)
{
    if (!fork)
        return nullptr;
    const std::optional<QByteArray> record = fork->dataForType(fourCharCode("alis"), 0);
    fork->closeFile();
    return ZRAlias::aliasWithData(record);
}

} // namespace

namespace vl {

platform::OSType aliasOSTypeFor(const QUrl &target)
{
    using platform::ItemInfo;
    const std::optional<quint32> flags = target.isLocalFile() ? ItemInfo::basicFlags(target.toLocalFile())
                                                              : std::nullopt;
    if (!flags)
        return fourCharCode("fdrp");
    const bool application = *flags & ItemInfo::kLSItemInfoIsApplication;
    const bool package = *flags & ItemInfo::kLSItemInfoIsPackage;
    if (application)
        return package ? fourCharCode("fapa") : fourCharCode("adrp");
    if (*flags & ItemInfo::kLSItemInfoIsPlainFile)
        return 0;
    if (package)
        return fourCharCode("fpka");
    if (*flags & ItemInfo::kLSItemInfoIsVolume)
        return fourCharCode("hdsk");
    return fourCharCode("fdrp");
}

} // namespace vl

std::shared_ptr<ZRAlias> ZRAlias::aliasWithContentsOfURL(const QUrl &url)
{
    return aliasInFork(ZRResourceFork::resourceForkForReadingAtURL(url));
}

std::shared_ptr<ZRAlias> ZRAlias::aliasWithContentsOfFile(const QString &path)
{
    return aliasInFork(ZRResourceFork::resourceForkForReadingAtPath(path));
}

bool ZRAlias::writeToFile(const QString &path)
{
    return !path.isEmpty() && writeToURL(QUrl::fromLocalFile(QDir::cleanPath(QDir::current().absoluteFilePath(path))));
}

bool ZRAlias::writeToURL(const QUrl &url)
{
    std::unique_ptr<ZRResourceFork> fork = ZRResourceFork::resourceForkForWritingAtURL(url);
    if (!fork || !m_aliasHandle) {
        if (fork)
            fork->closeFile();
        return false;
    }
    const bool added = fork->addData(*m_aliasHandle, fourCharCode("alis"), 0, QStringLiteral("created by ZRAlias"));
    if (added) {
        const std::optional<QUrl> target = URL();
        quint16 flags = 0;
        platform::OSType type = 0;
        platform::OSType creator = 0;
        if (target)
            vl::finderInfoFlags(*target, &flags, &type, &creator);
        platform::OSType aliasType = vl::aliasOSTypeFor(target.value_or(QUrl()));
        platform::OSType aliasCreator = fourCharCode("MACS");
        if (aliasType == 0) {
            aliasType = type; // a plain file: its own type and creator
            aliasCreator = creator;
        }
        const bool wantsIcon = aliasType == 0 || (flags & platform::kHasCustomIcon) || aliasType == fourCharCode("fapa")
                               || aliasType == fourCharCode("adrp");
        const std::optional<QByteArray> icon = wantsIcon && target ? ZRResourceFork::iconFamilyDataForURL(*target)
                                                                   : std::nullopt;
        const bool iconAdded = icon && fork->addData(*icon, fourCharCode("icns"), CustomIconResource, QString(""));
        // Without an icon the file is still marked as an alias, so that it resolves.
        vl::setFinderInfoFlags(url, iconAdded ? AliasAndCustomIcon : quint16(platform::kIsAlias), AliasAndCustomIcon,
                               aliasType, aliasCreator);
    }
    fork->closeFile();
    return added;
}
