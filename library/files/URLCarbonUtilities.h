#pragma once

#include "platform/files/FileReference.h"
#include "platform/files/HfsLocation.h"
#include "platform/files/FourCharCode.h"

#include <QPointF>
#include <QString>
#include <QUrl>

#include <optional>

/// File URLs speaking the original platform's older file interfaces: file
/// references and specifications, HFS-style paths, alias files, and the Finder
/// information kept in each item's AppleDouble companion. Every operation
/// reports failure as false, none or the point (0, 0); none raises or logs.
namespace vl {

/// The file URL of the item `reference` names (a folder's ends in '/'); none
/// when the item is gone.
std::optional<QUrl> URLWithFSRef(const platform::FileReference &reference);

/// The file URL of an HFS-style path; a folder URL when it ends with ':'. None
/// when no mounted volume has its volume name.
std::optional<QUrl> URLWithFileSystemPathHFSStyle(const QString &hfsPath);

/// Fills `reference` with the item the file URL names; false when it is no
/// file URL, nothing is there, or `reference` is null.
bool getFSRef(const QUrl &url, platform::FileReference *reference);

/// Fills `specification`; false also when the item has none (a name over 63
/// bytes, or a parent folder number beyond 32 bits).
bool getFSSpec(const QUrl &url, platform::HfsLocation *specification);

/// The URL without its last path component, ending in '/': "file:///a/b/c"
/// gives "file:///a/b/"; the root gives "file:///../".
QUrl URLByDeletingLastPathComponent(const QUrl &url);

/// The HFS-style path of a file URL ("Root:home:ann"); a null string when it
/// is no file URL or no volume holds it.
QString fileSystemPathHFSStyle(const QUrl &url);

/// The target of an alias file, chains of alias files followed; the URL itself
/// when it is no alias file; none when nothing is there or the alias cannot be
/// resolved.
std::optional<QUrl> resolveAliasFile(const QUrl &url);

/// Reads the Finder flags, file type and creator into each non-null pointer;
/// false (and nothing touched) when the item is gone or its information cannot
/// be read. An item without a companion has all zero.
bool finderInfoFlags(const QUrl &url, quint16 *flags, platform::OSType *type, platform::OSType *creator);

/// Sets the bits of `flags` under `mask` (other bits kept), clears 0x0100
/// (kHasBeenInited) so the Finder reads the item afresh, and sets type and
/// creator to the values given. True when written.
bool setFinderInfoFlags(const QUrl &url, quint16 flags, quint16 mask, platform::OSType type, platform::OSType creator);

/// The icon's position (x horizontal, y vertical); (0, 0) on failure.
QPointF finderLocation(const QUrl &url);

/// Stores the position, each coordinate truncated toward zero and held within
/// the 16-bit range. True when written.
bool setFinderLocation(const QUrl &url, QPointF location);

/// Whether the item's Finder flags have kHasCustomIcon; false on failure.
bool hasCustomIcon(const QUrl &url);

} // namespace vl
