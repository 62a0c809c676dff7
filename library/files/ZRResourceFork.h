#pragma once

#include "ResourceTypeEnumerator.h"
#include "platform/files/FourCharCode.h"
#include "platform/files/ResourceManager.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

/// The resource fork of a file or folder, kept in its AppleDouble companion, as
/// an object: resources added, read and removed by type and ID or by type and
/// name, their names, IDs and attributes, the types, and the whole fork as bytes.
///
/// A fork is open from its creation until closeFile(), which writes the changes
/// into the companion; its owner calls closeFile() before letting it go. One
/// left open when destroyed logs "ZRAlias ERROR: you neglected to call closeFile:
/// before disposing this ZRResourceFork" and is then closed, so that its changes
/// and its place among the open files are not lost.
///
/// The Resource Manager's current resource file is shared by the whole process:
/// opening a fork makes it current, and every operation here restores the file
/// that was current before it, on every path. Forks are used from one thread at
/// a time. Resource names are Pascal strings of at most 255 bytes in Mac Roman
/// (standing for the original's "Mac OS Roman Latin-1").
class ZRResourceFork
{
public:
    /// Longest name, in UTF-16 units, of a file whose fork is opened for writing.
    static constexpr qsizetype MaximumNameLength = 1024;

    ZRResourceFork(const ZRResourceFork &) = delete;
    ZRResourceFork &operator=(const ZRResourceFork &) = delete;
    ~ZRResourceFork();

    /// For reading: none when the item has no resource fork, or it is no valid
    /// one. For writing: the item's fork, made (with an empty file when nothing is
    /// there) when it has none; none when the name is longer than 1024 units or
    /// than the file system takes, the parent folder is missing, or the fork
    /// cannot be made or opened. The name's length is checked before anything
    /// else, before the parent folder is looked up.
    static std::unique_ptr<ZRResourceFork> resourceForkForReadingAtURL(const QUrl &url);
    static std::unique_ptr<ZRResourceFork> resourceForkForWritingAtURL(const QUrl &url);
    /// As above; for reading, none at once when nothing is at `path`.
    static std::unique_ptr<ZRResourceFork> resourceForkForReadingAtPath(const QString &path);
    static std::unique_ptr<ZRResourceFork> resourceForkForWritingAtPath(const QString &path);
    /// The opening with a File Manager permission: writing when it has bit 1 or
    /// 2 set (platform::fsWrPerm), reading otherwise.
    static std::unique_ptr<ZRResourceFork> initForPermission(qint8 permission, const QUrl &url);
    static std::unique_ptr<ZRResourceFork> initForPermission(qint8 permission, const QString &path);

    /// The Resource Manager's number of the open fork; 0 once closed.
    platform::ResFileRefNum fileReference() const { return m_fileReference; }

    /// Writes the changes and closes the fork; nothing when closed already.
    void closeFile();

    /// Adds `data` as the resource `type`/`id`, replacing one already there;
    /// an empty name when `name` is null or has no Mac Roman form. False when
    /// the fork is read-only or full, or the old resource cannot be removed.
    bool addData(const QByteArray &data, platform::OSType type, qint16 id, const QString &name);
    /// The same under a fresh ID (the smallest unused from 128 up); a null name
    /// logs "Adding a resource without specifying the name of id.".
    bool addData(const QByteArray &data, platform::OSType type, const QString &name);

    std::optional<QByteArray> dataForType(platform::OSType type, qint16 id) const;
    std::optional<QByteArray> dataForType(platform::OSType type, const QString &name) const;
    /// True also when there was no such resource.
    bool removeType(platform::OSType type, qint16 id);
    /// The resource's name (empty when it has none); none when it is absent.
    std::optional<QString> nameOfResourceType(platform::OSType type, qint16 id) const;
    bool getId(qint16 *id, platform::OSType type, const QString &name) const;
    bool getAttributeFlags(qint16 *flags, platform::OSType type, qint16 id) const;
    /// Logs "WARRING: Currently the setAttributeFlags:forResourceType:Id: does
    /// not work" (the original's words), then sets the attributes: `flags` without
    /// resChanged (0x02) and resPurgeable (0x20), written on closeFile(). While
    /// the fork is open the resource also reads as changed (0x02).
    bool setAttributeFlags(qint16 flags, platform::OSType type, qint16 id);

    /// The types of the current resource file (this fork while it is current).
    ResourceTypeEnumerator resourceTypeEnumerator() const { return ResourceTypeEnumerator(); }
    QList<platform::OSType> everyResourceType() const { return resourceTypeEnumerator().allObjects(); }

    /// The fork's bytes as stored (changes not yet closed are not in them).
    std::optional<QByteArray> dataForEntireResourceFork() const;
    /// Replaces the stored fork with `data` at once; false for empty data.
    bool writeEntireResourceFork(const QByteArray &data);

    /// Icon family ('icns') data for the item: its own custom icon (the
    /// kHasCustomIcon flag and an 'icns' resource −16455) first, else the
    /// freedesktop.org theme icon that stands for it (a desktop entry's Icon=, a
    /// folder or the item's document type). None when the item is missing or no
    /// icon is found.
    static std::optional<QByteArray> iconFamilyDataForURL(const QUrl &url);
    static std::optional<QByteArray> iconFamilyDataForFile(const QString &path);

private:
    explicit ZRResourceFork(platform::ResFileRefNum fileReference)
        : m_fileReference(fileReference)
    {
    }

    platform::ResFileRefNum m_fileReference = 0;
};

namespace vl {

/// The callback of operateOnResourceUsingFunction: the resource (null when the
/// lookup found nothing), its type, the name looked up (null for a lookup by ID),
/// the ID and the caller's context.
using ResourceOperationFunction = bool (*)(const platform::ResourceHandle &resource, platform::OSType type,
                                           const QString &name, qint16 id, void *context);

/// Makes `fork` the current resource file, looks up the resource (by `name` when
/// it is not null, else by `id`; in the fork alone), hands it to `function`,
/// and makes the earlier file current again. False when the fork cannot be made
/// current, the name has no Pascal-string form, or the lookup fails; otherwise
/// the function's result.
bool operateOnResourceUsingFunction(platform::ResFileRefNum fork, platform::OSType type, const QString &name, qint16 id,
                                    ResourceOperationFunction function, void *context);

/// A copy of the resource's data; none for a null handle.
std::optional<QByteArray> dataFromResourceHandle(const platform::ResourceHandle &resource);

} // namespace vl
