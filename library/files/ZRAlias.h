#pragma once

#include "platform/archive/ArchivedObject.h"
#include "platform/files/FileReference.h"
#include "platform/files/FourCharCode.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>
#include <optional>

namespace platform {
class ArchiveClassRegistry;
}

/// A persistent reference to a file, folder, package, application or volume
/// that keeps finding its target after the target is moved or renamed: the
/// original platform's alias record (version 2, see platform::AliasManager),
/// made from a path or file URL (absolute, or also relative to a second item),
/// resolved on demand, carried as bytes or in a sequential archive, and written
/// to and read from Finder alias files.
///
/// Resolution (getFSRef(), URL(), path(), and so comparison and hash) looks for
/// the stored path and the stored file number (the inode), in the order
/// tryFileIDFirst() says, the file number within a bounded search from the last
/// parent folder and then the volume's root; it ignores any relative-path base.
/// When the target was found elsewhere than the record says, the record is
/// rewritten to point at it and changed() is true; data() then gives the new
/// bytes, which the owner may store. An alias is used from one thread at a time.
///
/// In a sequential archive an alias is one data object holding data(); the class
/// is registered with the shared archive class registry at start-up.
class ZRAlias : public platform::ArchivedObject
{
public:
    static constexpr platform::ArchivedClass archivedClass{"ZRAlias", 0, &platform::ArchivedClass::NSObject};

    /// No record (what an archive decoder starts from); prefer the factories.
    ZRAlias() = default;

    /// An alias of the item at the file URL; with `fromURL`, also relative to
    /// that item. Null for a null or non-file URL or a missing target.
    static std::shared_ptr<ZRAlias> aliasWithURL(const QUrl &url, const QUrl &fromURL = QUrl());
    /// An alias of the item at `path`; a base path where nothing exists is left
    /// out (the alias is then absolute). Null when nothing is at `path`.
    static std::shared_ptr<ZRAlias> aliasWithPath(const QString &path, const QString &fromPath = QString());
    /// An alias holding a copy of `data` as its record (unchecked until resolved).
    static std::shared_ptr<ZRAlias> aliasWithData(const std::optional<QByteArray> &data);
    /// The alias kept in an alias file ('alis' resource ID 0 of its fork); null
    /// when the fork cannot be opened or has no such resource.
    static std::shared_ptr<ZRAlias> aliasWithContentsOfFile(const QString &path);
    static std::shared_ptr<ZRAlias> aliasWithContentsOfURL(const QUrl &url);

    /// Bit 0 of mountFlags() clear. Nothing here asks the user anything.
    void setAllowUserInteraction(bool allow);
    bool allowUserInteraction() const { return !(m_mountFlags & 0x1); }
    /// Bit 1 of mountFlags(): look for the file number before the path.
    void setTryFileIDFirst(bool tryFileIdFirst);
    bool tryFileIDFirst() const { return m_mountFlags & 0x2; }
    quint32 mountFlags() const { return m_mountFlags; }
    /// Whether the last resolution or update rewrote the record.
    bool changed() const { return m_changed; }

    /// Resolves the alias into `reference`; false when it cannot be resolved or
    /// `reference` is null.
    bool getFSRef(platform::FileReference *reference);
    /// The target's file URL (a folder's ends in '/'), or none.
    std::optional<QUrl> URL();
    std::optional<QUrl> url() { return URL(); }
    std::optional<QString> path();
    /// The file name of path() as a file manager shows it; empty without a path.
    QString displayName();
    std::optional<QString> description() { return path(); }

    /// Points the alias at another item (relative to `fromURL` when that names
    /// an item); false, the record unchanged, when the new target is missing.
    bool setURL(const QUrl &url, const QUrl &fromURL = QUrl());
    bool setPath(const QString &path, const QString &fromPath = QString());

    /// A copy of the record's bytes; none when there is no record.
    std::optional<QByteArray> data() const { return m_aliasHandle; }

    /// Equal when `other` is an alias too and both resolve to the same item
    /// (which resolves both, with all its effects).
    bool isEqual(ZRAlias *other);
    bool isEqual(const QVariant &object);
    /// The hash of path() (of the empty string when it does not resolve).
    size_t hash();

    /// Writes an alias file: adds the record as 'alis' ID 0 named "created by
    /// ZRAlias" to the fork of the file at `url` (made when needed), then gives
    /// the file the Finder flag kIsAlias, the alias type and creator of the
    /// target (aliasOSTypeFor()), and, for plain files without a type of their
    /// own, applications and targets with a custom icon, the target's icon as
    /// 'icns' −16455 with kHasCustomIcon. True when the record was added.
    bool writeToURL(const QUrl &url);
    bool writeToFile(const QString &path);

    const platform::ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override;
    void initWithCoder(platform::Unarchiver &coder) override;
    static void registerArchivedClasses(platform::ArchiveClassRegistry &registry);

private:
    // Record creation (category Private).
    bool createAliasRecordFor(const QUrl &url, const QUrl &fromURL);

    std::optional<QByteArray> m_aliasHandle;
    bool m_changed = false;
    quint32 m_mountFlags = 0;
};

namespace vl {

/// The Finder type code of an alias file for the item at the file URL:
/// "fdrp" when the item cannot be looked up; "fapa" for an application that is
/// a package (an app folder); "adrp" for another application (an executable
/// file, a desktop entry); 0 for a plain file (its own type and creator serve);
/// "fpka" for a package; "hdsk" for a volume; "fdrp" for a folder.
platform::OSType aliasOSTypeFor(const QUrl &target);

} // namespace vl
