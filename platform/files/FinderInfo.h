#pragma once

#include "platform/files/FourCharCode.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>

namespace platform {

/// The Finder flags (FileInfo.finderFlags) this layer names.
enum FinderFlag : quint16 {
    kIsOnDesk = 0x0001,
    kHasBeenInited = 0x0100,
    kHasCustomIcon = 0x0400,
    kIsStationery = 0x0800,
    kNameLocked = 0x1000,
    kHasBundle = 0x2000,
    kIsInvisible = 0x4000,
    kIsAlias = 0x8000,
};

/// The 32 bytes of a file's Finder information (FileInfo, then ExtendedFileInfo),
/// big-endian as stored. For a folder the first 16 bytes are FolderInfo, whose
/// flags and location sit at the same offsets; its first 8 bytes (the window
/// rectangle) are what fileType() and creator() read. Bytes this class has no
/// accessor for are kept as they are.
class FinderInfo
{
public:
    static constexpr int Size = 32;

    /// All zero: no Finder information.
    FinderInfo() = default;

    /// The first 32 bytes of `bytes`; none when there are fewer.
    static std::optional<FinderInfo> fromBytes(QByteArrayView bytes);
    QByteArray toBytes() const;

    OSType fileType() const { return read32(0); }
    void setFileType(OSType type) { write32(0, type); }
    OSType creator() const { return read32(4); }
    void setCreator(OSType creator) { write32(4, creator); }
    quint16 finderFlags() const { return read16(8); }
    void setFinderFlags(quint16 flags) { write16(8, flags); }
    /// The icon's position in its window: vertical, then horizontal.
    qint16 locationV() const { return qint16(read16(10)); }
    qint16 locationH() const { return qint16(read16(12)); }
    void setLocation(qint16 v, qint16 h)
    {
        write16(10, quint16(v));
        write16(12, quint16(h));
    }

    /// All 32 bytes zero, which the original platform treats as no information.
    bool isZero() const;

    friend bool operator==(const FinderInfo &, const FinderInfo &) = default;

private:
    quint32 read32(int offset) const;
    quint16 read16(int offset) const;
    void write32(int offset, quint32 value);
    void write16(int offset, quint16 value);

    std::array<quint8, Size> m_bytes{};
};

} // namespace platform
