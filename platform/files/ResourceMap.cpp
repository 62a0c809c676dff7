#include "platform/files/ResourceMap.h"

#include "platform/files/BigEndian_p.h"

#include <algorithm>

namespace platform {

namespace {

using namespace bigendian;

constexpr qint64 HeaderSize = 16;
constexpr qint64 DataStart = 256; // header, system area and application area
constexpr qint64 MapFixedSize = 28; // header copy, next map, refnum, attributes, two offsets
constexpr qint64 TypeItemSize = 8;
constexpr qint64 ReferenceSize = 12;
constexpr qint64 MaximumDataOffset = 0xFFFFFF; // data offsets are 24-bit
constexpr qint64 MaximumMapOffset = 0x7FFF; // map offsets are 16-bit and taken as signed
constexpr quint16 NoName = 0xFFFF;
constexpr quint16 RuntimeMapAttributes = 0x0020; // mapChanged

struct Areas
{
    qint64 dataOffset, dataLength, mapOffset, mapLength;
};

std::optional<Areas> readAreas(QByteArrayView fork)
{
    if (fork.size() < HeaderSize)
        return std::nullopt;
    const Areas areas{at<quint32>(fork, 0), at<quint32>(fork, 8), at<quint32>(fork, 4), at<quint32>(fork, 12)};
    if (!fits(areas.dataOffset, areas.dataLength, fork.size()) || !fits(areas.mapOffset, areas.mapLength, fork.size())
        || areas.mapLength < MapFixedSize + 2)
        return std::nullopt;
    return areas;
}

std::optional<QByteArray> readData(QByteArrayView fork, const Areas &areas, qint64 entryOffset)
{
    const QByteArrayView data = fork.sliced(areas.dataOffset, areas.dataLength);
    const std::optional<quint32> length = read<quint32>(data, entryOffset);
    if (!length || !fits(entryOffset + 4, *length, data.size()))
        return std::nullopt;
    return data.sliced(entryOffset + 4, *length).toByteArray();
}

std::optional<std::optional<QByteArray>> readName(QByteArrayView map, qint64 nameList, quint16 nameOffset)
{
    if (nameOffset == NoName)
        return std::optional<QByteArray>();
    const qint64 at0 = nameList + nameOffset;
    if (!fits(at0, 1, map.size()))
        return std::nullopt;
    const qint64 length = quint8(map[at0]);
    if (!fits(at0 + 1, length, map.size()))
        return std::nullopt;
    return std::optional<QByteArray>(map.sliced(at0 + 1, length).toByteArray());
}

} // namespace

std::optional<ResourceMap> ResourceMap::parse(QByteArrayView fork)
{
    const std::optional<Areas> areas = readAreas(fork);
    if (!areas)
        return std::nullopt;
    const QByteArrayView map = fork.sliced(areas->mapOffset, areas->mapLength);
    ResourceMap result;
    result.m_attributes = at<quint16>(map, 22) & ~RuntimeMapAttributes;
    const qint64 typeList = at<quint16>(map, 24);
    const qint64 nameList = at<quint16>(map, 26);
    const std::optional<quint16> lastType = read<quint16>(map, typeList);
    if (!lastType)
        return std::nullopt;
    const qint64 typeCount = *lastType == 0xFFFF ? 0 : qint64(*lastType) + 1;
    // Each reference takes 12 bytes of the map and each data entry its own bytes:
    // lists that overlap to claim more are no fork.
    qint64 referenceBudget = map.size() / ReferenceSize;
    qint64 dataBudget = areas->dataLength;
    for (qint64 t = 0; t < typeCount; ++t) {
        const qint64 item = typeList + 2 + TypeItemSize * t;
        if (!fits(item, TypeItemSize, map.size()))
            return std::nullopt;
        const OSType type = at<quint32>(map, item);
        const qint64 count = qint64(at<quint16>(map, item + 4)) + 1;
        const qint64 references = typeList + at<quint16>(map, item + 6);
        referenceBudget -= count;
        if (referenceBudget < 0 || !fits(references, ReferenceSize * count, map.size()))
            return std::nullopt;
        for (qint64 r = 0; r < count; ++r) {
            const qint64 entry = references + ReferenceSize * r;
            auto resource = std::make_shared<Resource>();
            resource->type = type;
            resource->id = qint16(at<quint16>(map, entry));
            resource->attributes = quint8(map[entry + 4]);
            const std::optional<std::optional<QByteArray>> name = readName(map, nameList, at<quint16>(map, entry + 2));
            const std::optional<QByteArray> data = readData(fork, *areas, *read24(map, entry + 5));
            if (!name || !data || (dataBudget -= data->size()) < 0)
                return std::nullopt;
            resource->name = *name;
            resource->data = *data;
            result.m_resources.append(std::move(resource));
        }
    }
    return result;
}

QList<OSType> ResourceMap::types() const
{
    QList<OSType> types;
    for (const auto &resource : m_resources) {
        if (!types.contains(resource->type))
            types.append(resource->type);
    }
    return types;
}

bool ResourceMap::canAdd(qint64 extra, qint64 nameBytes) const
{
    qint64 data = extra + 4;
    qint64 names = nameBytes > 0 ? nameBytes + 1 : 0;
    for (const auto &resource : m_resources) {
        data += 4 + resource->data.size();
        names += resource->name && !resource->name->isEmpty() ? resource->name->size() + 1 : 0;
    }
    const qint64 lists = 2 + TypeItemSize * (types().size() + 1) + ReferenceSize * (m_resources.size() + 1);
    return data <= MaximumDataOffset && MapFixedSize + lists <= MaximumMapOffset && names <= MaximumMapOffset
           && nameBytes <= 255;
}

std::optional<QByteArray> ResourceMap::toBytes() const
{
    const QList<OSType> order = types();
    QByteArray data;
    QByteArray typeItems;
    QByteArray references;
    QByteArray names;
    const qint64 listsStart = 2 + TypeItemSize * order.size();
    for (const OSType type : order) {
        qint64 count = 0;
        const qint64 referencesAt = listsStart + references.size();
        for (const auto &resource : m_resources) {
            if (resource->type != type)
                continue;
            ++count;
            const bool named = resource->name.has_value();
            if (data.size() > MaximumDataOffset
                || (named && (names.size() > MaximumMapOffset || resource->name->size() > 255)))
                return std::nullopt;
            const quint32 offset = quint32(data.size());
            append<quint16>(references, quint16(resource->id));
            append<quint16>(references, named ? quint16(names.size()) : NoName);
            references.append(char(resource->attributes & ~ResChanged));
            references.append(char(offset >> 16));
            references.append(char(offset >> 8));
            references.append(char(offset));
            append<quint32>(references, 0); // the handle, in memory only
            if (resource->name) {
                names.append(char(resource->name->size()));
                names.append(*resource->name);
            }
            append<quint32>(data, quint32(resource->data.size()));
            data.append(resource->data);
        }
        append<quint32>(typeItems, type);
        append<quint16>(typeItems, quint16(count - 1));
        append<quint16>(typeItems, quint16(referencesAt));
    }
    const qint64 lists = listsStart + references.size();
    if (MapFixedSize + lists > MaximumMapOffset)
        return std::nullopt;

    const qint64 mapOffset = DataStart + data.size();
    const qint64 mapLength = MapFixedSize + lists + names.size();
    QByteArray fork(DataStart, '\0');
    put<quint32>(fork, 0, quint32(DataStart));
    put<quint32>(fork, 4, quint32(mapOffset));
    put<quint32>(fork, 8, quint32(data.size()));
    put<quint32>(fork, 12, quint32(mapLength));
    fork += data;
    fork += fork.first(HeaderSize);
    fork += QByteArray(6, '\0'); // next map handle, file reference number: in memory only
    append<quint16>(fork, m_attributes);
    append<quint16>(fork, quint16(MapFixedSize));
    append<quint16>(fork, quint16(MapFixedSize + lists));
    append<quint16>(fork, order.isEmpty() ? quint16(0xFFFF) : quint16(order.size() - 1));
    fork += typeItems;
    fork += references;
    fork += names;
    return fork;
}

QByteArray ResourceMap::emptyFork()
{
    return *ResourceMap().toBytes();
}

} // namespace platform
