#pragma once

#include "platform/files/FourCharCode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <memory>
#include <optional>

namespace platform {

/// One resource of a resource fork.
struct Resource
{
    OSType type = 0;
    qint16 id = 0;
    std::optional<QByteArray> name; ///< the name's bytes (Mac Roman), without the length byte; none: no name
    quint8 attributes = 0;
    QByteArray data;
};

/// The resources of a resource fork: the fork's bytes parsed (header, data,
/// map, reference lists, names) and written back.
///
/// parse() checks every offset and length against the fork and against the
/// data and map areas the header declares, and gives none for bytes that are
/// no resource fork. toBytes() writes the layout the original platform's
/// Resource Manager writes: data at 256, the map after the data with a copy of
/// the header, the reserved areas zeroed.
class ResourceMap
{
public:
    /// Map attribute: the file may not be changed.
    static constexpr quint16 MapReadOnly = 0x0080;
    /// Resource attribute: changed since the file was read (never stored).
    static constexpr quint8 ResChanged = 0x02;

    /// An empty map: a fork with no resources.
    ResourceMap() = default;

    static std::optional<ResourceMap> parse(QByteArrayView fork);

    /// The fork's bytes; none when the resources exceed what the format can
    /// address (16 MiB of data; 32767 bytes of type and reference lists or of
    /// names).
    std::optional<QByteArray> toBytes() const;

    /// Whether adding `extra` more bytes of data, one more resource and a name of
    /// `nameBytes` bytes still fits the format.
    bool canAdd(qint64 extra, qint64 nameBytes) const;

    /// The fork of an empty map (286 bytes), as creating a resource fork writes it.
    static QByteArray emptyFork();

    /// The resources, grouped by type in the order of the type list. Shared, so
    /// that handles of the Resource Manager stay valid while the map holds them.
    QList<std::shared_ptr<Resource>> &resources() { return m_resources; }
    const QList<std::shared_ptr<Resource>> &resources() const { return m_resources; }

    /// The types, in the order of the type list (the order they first appear in).
    QList<OSType> types() const;

    /// The map's attribute word (runtime bits excluded).
    quint16 attributes() const { return m_attributes; }
    void setAttributes(quint16 attributes) { m_attributes = attributes; }

private:
    QList<std::shared_ptr<Resource>> m_resources;
    quint16 m_attributes = 0;
};

} // namespace platform
