#include "platform/files/ItemInfo.h"

#include "platform/files/CompanionFile.h"
#include "platform/files/Volume.h"
#include "platform/system/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace platform {

namespace {

bool isPackageExtension(const QString &suffix)
{
    static const QStringList extensions{QStringLiteral("app"), QStringLiteral("bundle"), QStringLiteral("framework"),
                                        QStringLiteral("plugin"), QStringLiteral("prefPane")};
    return extensions.contains(suffix, Qt::CaseInsensitive);
}

bool isApplicationEntry(const QString &path)
{
    if (!path.endsWith(QStringLiteral(".desktop")))
        return false;
    const std::optional<DesktopEntry> entry = DesktopEntry::read(path);
    return entry && entry->value(QStringLiteral("Type")) == u"Application";
}

} // namespace

std::optional<quint32> ItemInfo::basicFlags(const QString &itemPath)
{
    const QString path = QDir::cleanPath(itemPath); // a folder URL's path ends in '/'
    struct stat info;
    struct stat link;
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &info) != 0 || ::lstat(native.constData(), &link) != 0)
        return std::nullopt;
    const QFileInfo file(path);
    const FinderInfo finderInfo = CompanionFile::read(path).value_or(AppleDouble()).finderInfo();
    quint32 flags = 0;
    if (S_ISLNK(link.st_mode))
        flags |= kLSItemInfoIsSymlink;
    if (file.fileName().startsWith(u'.') || (finderInfo.finderFlags() & kIsInvisible))
        flags |= kLSItemInfoIsInvisible;
    if (S_ISDIR(info.st_mode)) {
        flags |= kLSItemInfoIsContainer;
        if (isPackageExtension(file.suffix()) || (finderInfo.finderFlags() & kHasBundle))
            flags |= kLSItemInfoIsPackage;
        if (file.suffix() == u"app")
            flags |= kLSItemInfoIsApplication;
        const std::optional<Volume> volume = Volume::containing(file.canonicalFilePath());
        if (volume && volume->mountPoint == file.canonicalFilePath())
            flags |= kLSItemInfoIsVolume;
        return flags;
    }
    flags |= kLSItemInfoIsPlainFile;
    if ((S_ISREG(info.st_mode) && (info.st_mode & 0111)) || isApplicationEntry(path))
        flags |= kLSItemInfoIsApplication;
    if (finderInfo.finderFlags() & kIsAlias)
        flags |= kLSItemInfoIsAliasFile;
    return flags;
}

} // namespace platform
