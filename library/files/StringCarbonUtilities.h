#pragma once

#include "platform/files/FileReference.h"
#include "platform/files/HfsLocation.h"
#include "platform/files/FourCharCode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPointF>
#include <QString>

#include <optional>

/// Paths speaking the original platform's older file interfaces; the path-side
/// counterparts of URLCarbonUtilities.h (a relative path counts from the current
/// folder). Pascal strings here are Mac Roman, which stands for the original's
/// "Mac OS Roman Latin-1" (a permutation of it for which no table is available);
/// the two agree on ASCII.
namespace vl {

/// The path of the item `reference` names; none when it is gone.
std::optional<QString> stringWithFSRef(const platform::FileReference &reference);

/// A Pascal string (length byte, then that many Mac Roman bytes) as text; none
/// when the length byte claims more bytes than there are.
std::optional<QString> stringWithPascalString(QByteArrayView pascalString);

bool getFSRef(const QString &path, platform::FileReference *reference);
bool getFSSpec(const QString &path, platform::HfsLocation *specification);

/// The HFS-style path of `path`; a null string when no volume holds it.
QString fileSystemPathHFSStyle(const QString &path);

/// The POSIX path of an HFS-style path (`hfsPath` is the HFS path); none when no
/// mounted volume has its volume name.
std::optional<QString> pathFromFileSystemPathHFSStyle(const QString &hfsPath);

/// The target of an alias file, chains followed; `path` itself when it is no
/// alias file, when nothing is there or when the alias cannot be resolved.
QString resolveAliasFile(const QString &path);

/// Writes `string` as a Pascal string into `buffer` of `length` bytes (length
/// byte included, at most 256 used). False when the text does not fit, a
/// character has no Mac Roman form, or `buffer` is null or `length` below 1.
bool getPascalString(const QString &string, char *buffer, qint16 length);

/// `string` as a Pascal string: its length byte, then its bytes ("abc" gives
/// 3, 'a', 'b', 'c'); none when it does not fit 255 bytes or cannot be encoded.
std::optional<QByteArray> pascalString(const QString &string);

/// Without whitespace and newlines at both ends: "  a b  " gives "a b".
QString trimWhitespace(const QString &string);

bool finderInfoFlags(const QString &path, quint16 *flags, platform::OSType *type, platform::OSType *creator);
bool setFinderInfoFlags(const QString &path, quint16 flags, quint16 mask, platform::OSType type,
                        platform::OSType creator);
QPointF finderLocation(const QString &path);
bool setFinderLocation(const QString &path, QPointF location);

// One bit of the Finder flags each. A getter answers false when the flags cannot
// be read; a setter changes its bit alone (and, as every write of the flags,
// clears kHasBeenInited), keeps type and creator, and says whether it wrote.
bool hasCustomIconFinderInfoFlag(const QString &path);
bool setHasCustomIconFinderInfoFlag(const QString &path, bool value);
bool isStationeryFinderInfoFlag(const QString &path);
bool setIsStationeryFinderInfoFlag(const QString &path, bool value);
bool hasNameLockedFinderInfoFlag(const QString &path);
bool setHasNameLockedFinderInfoFlag(const QString &path, bool value);
bool hasBundleFinderInfoFlag(const QString &path);
bool setHasBundleFinderInfoFlag(const QString &path, bool value);
bool isInvisibleFinderInfoFlag(const QString &path);
bool setIsInvisibleFinderInfoFlag(const QString &path, bool value);
bool isAliasFinderInfoFlag(const QString &path);
bool setIsAliasFinderInfoFlag(const QString &path, bool value);

} // namespace vl
