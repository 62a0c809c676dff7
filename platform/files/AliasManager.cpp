#include "platform/files/AliasManager.h"

#include "platform/files/AliasRecord.h"
#include "platform/files/BigEndian_p.h"
#include "platform/files/CompanionFile.h"
#include "platform/files/FileIdSearch.h"
#include "platform/files/FileIdentity.h"
#include "platform/files/HfsPath.h"
#include "platform/files/MacRomanText.h"
#include "platform/files/Volume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

namespace {

using namespace bigendian;

constexpr quint32 RootParentId = 1;
constexpr qint64 SecondsFrom1904To1970 = 2082844800;

QByteArray macName(const QString &name, qsizetype limit)
{
    return encodeMacRomanLossy(HfsPath::swapDelimiters(name)).left(limit);
}

quint32 fileNumber(quint64 inode)
{
    return inode < AliasRecord::Unset ? quint32(inode) : AliasRecord::Unset;
}

// Birth time in seconds since 1904, the format's clock; 0 when the file system
// does not keep it or it falls outside 32 bits.
quint32 creationDate(const QString &path)
{
    struct statx info;
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, STATX_BTIME, &info) != 0
        || !(info.stx_mask & STATX_BTIME))
        return 0;
    const qint64 seconds = qint64(info.stx_btime.tv_sec) + SecondsFrom1904To1970;
    return seconds > 0 && seconds <= 0xFFFFFFFF ? quint32(seconds) : 0;
}

std::optional<struct stat> statOf(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

// Our tag: device and inode, then which of birth time and inode generation are
// known, and their values (zero when unknown): an inode number alone may belong
// to a later item once the target is deleted.
constexpr quint32 BirthKnown = 0x1;
constexpr quint32 GenerationKnown = 0x2;
constexpr qsizetype LinuxFileIdSize = 36;

QByteArray linuxFileId(const FileIdentity &identity)
{
    QByteArray value;
    append<quint64>(value, identity.device);
    append<quint64>(value, identity.inode);
    append<quint32>(value, (identity.birth ? BirthKnown : 0) | (identity.generation ? GenerationKnown : 0));
    append<qint64>(value, identity.birth ? identity.birth->seconds : 0);
    append<quint32>(value, identity.birth ? identity.birth->nanoseconds : 0);
    append<quint32>(value, identity.generation.value_or(0));
    return value;
}

std::optional<FileIdentity> readLinuxFileId(const AliasRecord &record)
{
    const std::optional<QByteArray> value = record.field(AliasRecord::LinuxFileId);
    if (!value || value->size() < LinuxFileIdSize)
        return std::nullopt;
    FileIdentity identity;
    identity.device = at<quint64>(*value, 0);
    identity.inode = at<quint64>(*value, 8);
    const quint32 known = at<quint32>(*value, 16);
    if (known & BirthKnown)
        identity.birth = FileIdentity::BirthTime{at<qint64>(*value, 20), at<quint32>(*value, 28)};
    if (known & GenerationKnown)
        identity.generation = at<quint32>(*value, 32);
    return identity;
}

QByteArray directoryIds(const QString &path, const Volume &volume)
{
    QByteArray ids;
    for (QString folder = QFileInfo(path).path(); folder != volume.mountPoint && folder.size() > 1;
         folder = QFileInfo(folder).path()) {
        const std::optional<struct stat> info = statOf(folder);
        append<quint32>(ids, info ? fileNumber(info->st_ino) : AliasRecord::Unset);
    }
    return ids;
}

// How many levels `path` lies below `ancestor`.
int depthBelow(const QString &path, const QString &ancestor)
{
    const QString rest = path.sliced(ancestor.size());
    return int(rest.split(u'/', Qt::SkipEmptyParts).size());
}

QString commonFolder(const QString &a, const QString &b)
{
    const QStringList left = a.split(u'/', Qt::SkipEmptyParts);
    const QStringList right = b.split(u'/', Qt::SkipEmptyParts);
    QStringList common;
    for (qsizetype i = 0; i < std::min(left.size(), right.size()) && left[i] == right[i]; ++i)
        common.append(left[i]);
    return u'/' + common.join(u'/');
}

void setRelativeLevels(AliasRecord &record, const FileReference *from, const QString &target, quint64 device)
{
    record.levelsFrom = record.levelsTo = -1;
    const std::optional<QString> base = from ? from->path() : std::nullopt;
    if (!base || from->device() != device)
        return; // relative paths only work on one volume
    const QString common = commonFolder(*base, target);
    record.levelsFrom = qint16(depthBelow(*base, common));
    record.levelsTo = qint16(depthBelow(target, common));
}

// Every field of `record` that describes the item at `path`, rewritten from it.
bool describe(AliasRecord &record, const QString &path)
{
    const std::optional<struct stat> info = statOf(path);
    const std::optional<Volume> volume = Volume::containing(path);
    if (!info || !volume)
        return false;
    const bool isRoot = path == volume->mountPoint;
    const QFileInfo file(path);
    const QString name = isRoot ? volume->name() : file.fileName();
    const QString parent = file.path();
    const std::optional<struct stat> parentInfo = statOf(parent);
    const FinderInfo finderInfo = CompanionFile::read(path).value_or(AppleDouble()).finderInfo();

    record.version = 2;
    record.kind = S_ISDIR(info->st_mode) ? 1 : 0;
    record.volumeName = macName(volume->name(), 27);
    record.volumeCreationDate = creationDate(volume->mountPoint);
    record.fileSystemType = QByteArrayLiteral("H+");
    record.driveType = 0;
    record.parentDirectoryId = isRoot ? RootParentId : parentInfo ? fileNumber(parentInfo->st_ino) : AliasRecord::Unset;
    record.targetName = macName(name, 63);
    record.targetId = fileNumber(info->st_ino);
    record.targetCreationDate = creationDate(path);
    record.fileType = finderInfo.fileType();
    record.creator = finderInfo.creator();
    record.volumeAttributes = 0;
    record.fileSystemId = 0;
    record.reserved = QByteArray(10, '\0');

    const QString parentHfs = isRoot ? QString() : HfsPath::fromPath(parent).value_or(QString());
    const QString hfsFolder = parentHfs.endsWith(u':') ? parentHfs : parentHfs + u':';
    const QString fromMount = path.sliced(volume->mountPoint.size());
    record.setField(AliasRecord::ParentName, macName(isRoot ? QString() : QFileInfo(parent).fileName(), 0xFFFF));
    record.setField(AliasRecord::DirectoryIds, isRoot ? QByteArray() : directoryIds(path, *volume));
    record.setField(AliasRecord::HfsPathTag, isRoot ? macName(name, 0xFFFF) + ':'
                                                    : encodeMacRomanLossy(hfsFolder) + '\0' + macName(name, 0xFFFF));
    record.setField(AliasRecord::UnicodeName, AliasRecord::unicodeValue(HfsPath::swapDelimiters(name)));
    record.setField(AliasRecord::UnicodeVolumeName, AliasRecord::unicodeValue(HfsPath::swapDelimiters(volume->name())));
    // As the platform writes it: no leading slash on the root volume, one elsewhere
    // (what follows the mount point's text either way).
    record.setField(AliasRecord::PosixPath, QFile::encodeName(fromMount));
    record.setField(AliasRecord::PosixMountPoint, QFile::encodeName(volume->mountPoint));
    if (const std::optional<FileIdentity> identity = FileIdentity::of(path))
        record.setField(AliasRecord::LinuxFileId, linuxFileId(*identity));
    return true;
}

OSErr makeRecord(const FileReference *from, const FileReference &target, QByteArray *record)
{
    const std::optional<QString> path = target.path();
    if (!record)
        return paramErr;
    if (!path)
        return fnfErr;
    AliasRecord fresh;
    if (!describe(fresh, *path))
        return fnfErr;
    setRelativeLevels(fresh, from, *path, target.device());
    const std::optional<QByteArray> bytes = fresh.toBytes();
    if (!bytes)
        return paramErr;
    *record = *bytes;
    return noErr;
}

QString joinUnder(const QString &mountPoint, const QString &fromMount)
{
    return QDir::cleanPath(mountPoint + u'/' + fromMount);
}

// Where the record says its target is, best guess first.
QStringList storedPaths(const AliasRecord &record)
{
    QStringList paths;
    const std::optional<QByteArray> fromMount = record.field(AliasRecord::PosixPath);
    const std::optional<QByteArray> mountPoint = record.field(AliasRecord::PosixMountPoint);
    if (fromMount && mountPoint)
        paths.append(joinUnder(QFile::decodeName(*mountPoint), QFile::decodeName(*fromMount)));
    const QString volumeName = HfsPath::swapDelimiters(
        record.unicodeField(AliasRecord::UnicodeVolumeName).value_or(decodeMacRoman(record.volumeName)));
    if (const std::optional<Volume> volume = Volume::named(volumeName); volume && fromMount)
        paths.append(joinUnder(volume->mountPoint, QFile::decodeName(*fromMount)));
    if (const std::optional<QByteArray> hfs = record.field(AliasRecord::HfsPathTag)) {
        // Written as "Vol:folder:" NUL "name" (or classic: the full path).
        const QList<QByteArray> parts = hfs->split('\0');
        const QString text = parts.size() == 2 ? decodeMacRoman(parts[0]) + decodeMacRoman(parts[1])
                                               : decodeMacRoman(*hfs);
        if (const std::optional<HfsPath::Converted> converted = HfsPath::toPath(text))
            paths.append(converted->path);
    }
    paths.removeDuplicates();
    return paths;
}

bool kindMatches(const AliasRecord &record, const struct stat &info)
{
    return (record.kind == 1) == S_ISDIR(info.st_mode);
}

std::optional<QString> findByPath(const AliasRecord &record)
{
    for (const QString &path : storedPaths(record)) {
        const std::optional<struct stat> info = statOf(path);
        if (info && kindMatches(record, *info))
            return path;
    }
    return std::nullopt;
}

std::optional<QString> findById(const AliasRecord &record)
{
    const std::optional<FileIdentity> identity = readLinuxFileId(record);
    const quint64 inode = identity ? identity->inode : record.targetId;
    if (!identity && record.targetId == AliasRecord::Unset)
        return std::nullopt;
    const QStringList paths = storedPaths(record);
    std::optional<Volume> volume = identity ? Volume::withDevice(identity->device) : std::nullopt;
    if (!volume && !paths.isEmpty())
        volume = Volume::containing(paths.front());
    if (!volume)
        return std::nullopt;
    const QString name = HfsPath::swapDelimiters(
        record.unicodeField(AliasRecord::UnicodeName).value_or(decodeMacRoman(record.targetName)));
    FileIdSearch::Request request;
    request.device = volume->device;
    request.inodeMatches = [&](quint64 candidate) {
        return identity ? candidate == inode : candidate < AliasRecord::Unset && candidate == inode;
    };
    // A full identity must match (the device as mounted now: device numbers may
    // change between boots); a 32-bit number alone must also carry the stored name.
    request.accept = [&](const QString &path, const struct stat &info) {
        if (!kindMatches(record, info))
            return false;
        if (!identity)
            return QFileInfo(path).fileName() == name;
        std::optional<FileIdentity> found = FileIdentity::of(path);
        if (!found)
            return false;
        FileIdentity expected = *identity;
        expected.device = found->device;
        return expected.matches(*found);
    };
    request.lastKnownFolder = paths.isEmpty() ? QString() : QFileInfo(paths.front()).path();
    request.volumeRoot = volume->mountPoint;
    return FileIdSearch::find(request);
}

std::optional<ResourceMap> forkOf(const QString &path)
{
    const std::optional<AppleDouble> companion = CompanionFile::read(path);
    if (!companion || !companion->resourceFork())
        return std::nullopt;
    return ResourceMap::parse(*companion->resourceFork());
}

bool isAliasFile(const QString &path)
{
    const std::optional<struct stat> info = statOf(path);
    if (!info || !S_ISREG(info->st_mode))
        return false;
    const std::optional<AppleDouble> companion = CompanionFile::read(path);
    return companion && (companion->finderInfo().finderFlags() & kIsAlias);
}

} // namespace

OSErr AliasManager::newAlias(const FileReference *from, const FileReference &target, QByteArray *record)
{
    return makeRecord(from, target, record);
}

OSErr AliasManager::newAliasMinimal(const FileReference &target, QByteArray *record)
{
    return makeRecord(nullptr, target, record);
}

OSErr AliasManager::resolveAlias(QByteArray &record, quint32 mountFlags, FileReference *target, bool *wasChanged)
{
    std::optional<AliasRecord> parsed = AliasRecord::parse(record);
    if (!parsed || !target)
        return paramErr;
    const bool idFirst = mountFlags & kResolveAliasTryFileIDFirst;
    std::optional<QString> found = idFirst ? findById(*parsed) : findByPath(*parsed);
    if (!found)
        found = idFirst ? findByPath(*parsed) : findById(*parsed);
    const std::optional<FileReference> reference = found ? FileReference::fromPath(*found) : std::nullopt;
    if (!reference)
        return fnfErr;
    *target = *reference;
    AliasRecord updated = *parsed;
    const std::optional<QByteArray> bytes = describe(updated, *found) ? updated.toBytes() : std::nullopt;
    const bool changed = bytes && *bytes != record;
    if (changed)
        record = *bytes;
    if (wasChanged)
        *wasChanged = changed;
    return noErr;
}

OSErr AliasManager::updateAlias(const FileReference *from, const FileReference &target, QByteArray &record,
                                bool *wasChanged)
{
    QByteArray fresh;
    if (const OSErr error = makeRecord(from, target, &fresh); error != noErr)
        return error;
    if (const std::optional<AliasRecord> old = AliasRecord::parse(record)) {
        std::optional<AliasRecord> updated = AliasRecord::parse(fresh);
        updated->userType = old->userType;
        fresh = updated->toBytes().value_or(fresh);
    }
    const bool changed = fresh != record;
    record = fresh;
    if (wasChanged)
        *wasChanged = changed;
    return noErr;
}

std::optional<QByteArray> AliasManager::aliasRecordOfFile(const QString &path)
{
    const std::optional<ResourceMap> map = forkOf(path);
    if (!map)
        return std::nullopt;
    for (const ResourceHandle &resource : map->resources()) {
        if (resource->type == fourCharCode("alis") && resource->id == 0)
            return resource->data;
    }
    return std::nullopt;
}

OSErr AliasManager::resolveAliasFile(FileReference *item, bool resolveChains, bool *targetIsFolder, bool *wasAliased)
{
    if (!item)
        return paramErr;
    std::optional<QString> path = item->path();
    if (!path)
        return fnfErr;
    bool aliased = false;
    for (int followed = 0; isAliasFile(*path); ++followed) {
        if (followed == MaximumChain || (followed > 0 && !resolveChains))
            break;
        std::optional<QByteArray> record = aliasRecordOfFile(*path);
        if (!record)
            return resNotFound;
        FileReference target = *item;
        if (const OSErr error = resolveAlias(*record, kResolveAliasFileNoUI, &target, nullptr); error != noErr)
            return error;
        *item = target;
        path = target.path();
        if (!path)
            return fnfErr;
        aliased = true;
        if (followed + 1 == MaximumChain && isAliasFile(*path))
            return fnfErr; // a cycle, or a chain too long to be one
    }
    if (wasAliased)
        *wasAliased = aliased;
    if (targetIsFolder)
        *targetIsFolder = QFileInfo(*path).isDir();
    return noErr;
}

} // namespace platform
