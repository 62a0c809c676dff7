#pragma once

#include "platform/files/FileReference.h"
#include "platform/files/ResourceManager.h"

#include <QByteArray>

namespace platform {

/// The counterpart of the original platform's Alias Manager: alias records
/// (AliasRecord, version 2) made for, updated to and resolved back to items.
///
/// A record holds the 32-bit fields of the format (parent and file numbers are
/// inodes when they fit, else unset), the tags the platform writes (names,
/// folder numbers, HFS and POSIX paths, mount point) and one tag of ours with
/// the full device and inode, birth time and inode generation. Resolution ignores any relative-path base and
/// never asks the user anything: there is nothing to mount here.
class AliasManager
{
public:
    /// Mount flags of resolveAlias().
    enum : quint32 {
        kResolveAliasFileNoUI = 0x1, ///< no user interaction (there is none here anyway)
        kResolveAliasTryFileIDFirst = 0x2, ///< look for the file number before the path
    };

    /// A record of `target`; with `from`, it also counts the levels from `from`
    /// up to the folder holding both and down to the target (nlvlFrom, nlvlTo).
    static OSErr newAlias(const FileReference *from, const FileReference &target, QByteArray *record);
    /// A record of `target` without relative levels.
    static OSErr newAliasMinimal(const FileReference &target, QByteArray *record);

    /// Finds the record's target: by its stored path (mount point and path
    /// from it, then the volume found by name, then the HFS path) and by its
    /// file number, searched from its last parent and then the volume's root
    /// within FileIdSearch's bound; the path first unless
    /// kResolveAliasTryFileIDFirst is set. A file number of ours (64-bit) must
    /// match exactly, with the birth time and generation where both sides know
    /// them (inode numbers are reused); one of only 32 bits must also carry the stored name.
    ///
    /// When the target was found, the record is described anew from it (its user
    /// type, relative levels, unknown tags and trailing bytes kept); if that
    /// changes its bytes, `record` is replaced and `*wasChanged` set, as the
    /// original's changed-record output says. fnfErr when nothing was found,
    /// paramErr for bytes that are no record.
    static OSErr resolveAlias(QByteArray &record, quint32 mountFlags, FileReference *target, bool *wasChanged);

    /// Points `record` at `target` (relative to `from` when given); `*wasChanged`
    /// says whether its bytes changed.
    static OSErr updateAlias(const FileReference *from, const FileReference &target, QByteArray &record,
                             bool *wasChanged);

    /// Resolves `item` when it is an alias file (a file whose Finder flags have
    /// kIsAlias, with an 'alis' resource of ID 0 in its fork), following chains
    /// of alias files when `resolveChains` (at most MaximumChain), and replaces
    /// it by the target. `*wasAliased` says whether it was an alias file. The
    /// alias file itself is never written.
    static OSErr resolveAliasFile(FileReference *item, bool resolveChains, bool *targetIsFolder, bool *wasAliased);

    /// The record of the alias file at `path` ('alis' ID 0), or none.
    static std::optional<QByteArray> aliasRecordOfFile(const QString &path);

    /// Alias files followed by one resolveAliasFile() at most; more is a cycle.
    static constexpr int MaximumChain = 32;
};

} // namespace platform
