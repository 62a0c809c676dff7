#pragma once

#include "platform/files/FileReference.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

/// Where an item lies in HFS terms, the original platform's FSSpec: a volume
/// reference, the file number of the parent folder and a name of at most 63
/// bytes. Here the volume reference is Volume::reference(), the parent's number
/// its inode, and the name Mac Roman with ':' and '/' swapped, as HFS names have
/// them. Items that do not fit (a parent inode above 32 bits, a longer name or
/// one Mac Roman cannot write) have no location.
class HfsLocation
{
public:
    static constexpr int MaximumNameBytes = 63;
    /// The parent number of a volume's root folder.
    static constexpr quint32 RootParentId = 1;

    /// A location that names nothing, to be filled.
    HfsLocation() = default;

    /// The location of the item `reference` names; none when it does not fit.
    static std::optional<HfsLocation> fromReference(const FileReference &reference);

    /// A location from its three parts; none when the name is empty or
    /// longer than 63 bytes.
    static std::optional<HfsLocation> fromParts(qint16 volume, quint32 parentDirectory, const QByteArray &name);

    qint16 volume() const { return m_volume; }
    quint32 parentDirectory() const { return m_parentDirectory; }
    /// The name's Mac Roman bytes, without the length byte.
    QByteArray name() const { return m_name; }
    /// The name as a Pascal string: length byte, then the bytes.
    QByteArray pascalName() const { return char(m_name.size()) + m_name; }

    /// The reference of the item this names (FSpMakeFSRef); none when the
    /// volume is not mounted or no such item exists.
    std::optional<FileReference> toReference() const;

private:
    HfsLocation(qint16 volume, quint32 parentDirectory, QByteArray name)
        : m_volume(volume)
        , m_parentDirectory(parentDirectory)
        , m_name(std::move(name))
    {
    }

    qint16 m_volume = 0;
    quint32 m_parentDirectory = 0;
    QByteArray m_name;
    QString m_parentPath; ///< where the parent was, tried before any search
};

} // namespace platform
