#pragma once

#include "platform/files/FourCharCode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace platform {

/// The original platform's alias record ('alis'): a fixed part (version 2, or
/// the later version 3) followed by tagged fields, parsed and written back
/// byte for byte. Unknown tags and any bytes after the record's own size (an
/// application's) are kept.
struct AliasRecord
{
    /// The tagged fields this layer reads or writes.
    enum Tag : qint16 {
        ParentName = 0, ///< the parent folder's name (Mac Roman, no length byte)
        DirectoryIds = 1, ///< folder numbers from the parent upward, 32 bits each
        HfsPathTag = 2, ///< the HFS path ("Vol:dir:" NUL "name" as written here)
        UnicodeName = 14, ///< the target's name: UTF-16 unit count, then UTF-16BE
        UnicodeVolumeName = 15,
        PosixPath = 18, ///< path from the volume's mount point, no leading '/' on "/"
        PosixMountPoint = 19,
        /// Ours (36 bytes): the full device and inode numbers (64 bits each),
        /// which the 32-bit fields cannot hold on Linux; a word saying which of
        /// the next are known (1 birth time, 2 inode generation); the birth time
        /// (seconds, 64 bits; nanoseconds, 32 bits); the generation (32 bits).
        LinuxFileId = 0x6C78,
        End = -1,
    };

    struct Field
    {
        qint16 tag = 0;
        QByteArray value;
        friend bool operator==(const Field &, const Field &) = default;
    };

    static constexpr quint32 Unset = 0xFFFFFFFF;

    quint32 userType = 0;
    quint16 version = 2;
    quint16 kind = 0; ///< 0 file, 1 folder
    QByteArray volumeName; ///< version 2: Mac Roman, at most 27 bytes
    quint64 volumeCreationDate = 0; ///< version 2: seconds since 1904; version 3: 1/65536 s
    QByteArray fileSystemType; ///< version 2: 2 bytes ('H+'); version 3: 4 bytes
    quint16 driveType = 0;
    quint32 parentDirectoryId = Unset;
    QByteArray targetName; ///< version 2: Mac Roman, at most 63 bytes
    quint32 targetId = Unset;
    quint64 targetCreationDate = 0; ///< as volumeCreationDate
    OSType fileType = 0; ///< version 2 only; for a folder, its window rectangle's first half
    OSType creator = 0;
    qint16 levelsFrom = -1; ///< nlvlFrom: -1 without a relative path
    qint16 levelsTo = -1;
    quint32 volumeAttributes = 0;
    quint16 fileSystemId = 0; ///< version 2 only
    QByteArray reserved; ///< version 3: the 10 bytes before the level counts
    QList<Field> fields;
    QByteArray trailing; ///< bytes after aliasSize

    /// The record in `bytes`; none when they are no version 2 or 3 record or a
    /// field runs past the record's size.
    static std::optional<AliasRecord> parse(QByteArrayView bytes);

    /// The record's bytes; none when it exceeds the 65535 bytes its size field
    /// can count or a field does not fit its place.
    std::optional<QByteArray> toBytes() const;

    /// The value of the first field with `tag`, or none.
    std::optional<QByteArray> field(qint16 tag) const;
    /// Replaces the value of `tag` (appending the field when absent).
    void setField(qint16 tag, const QByteArray &value);
    void removeField(qint16 tag);

    /// Tag 14 or 15 decoded; none when absent or malformed.
    std::optional<QString> unicodeField(qint16 tag) const;
    static QByteArray unicodeValue(const QString &text);

    friend bool operator==(const AliasRecord &, const AliasRecord &) = default;
};

} // namespace platform
