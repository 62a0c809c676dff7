#include "platform/files/AppleDouble.h"

#include "platform/files/BigEndian_p.h"

#include <algorithm>

namespace platform {

namespace {

using namespace bigendian;

constexpr quint32 Magic = 0x00051607;
constexpr quint32 Version2 = 0x00020000;
constexpr qint64 HeaderSize = 26;
constexpr qint64 DescriptorSize = 12;
constexpr quint16 MaximumEntries = 15; // the kernel's limit
constexpr qint64 AttrPadding = 2; // after the 32 bytes of Finder information
constexpr qint64 AttrHeaderSize = 36;
constexpr quint32 AttrMagic = 0x41545452; // "ATTR"
constexpr qint64 AttrEntryFixedSize = 11;
constexpr qint64 EmptyForkSize = 286;
constexpr qint64 KernelFileSize = 4096;
constexpr char Filler[] = "Mac OS X        "; // what the platform's own writers put there
constexpr char BlankTag[] = "This resource fork intentionally left blank   ";

struct Descriptor
{
    quint32 id;
    qint64 offset;
    qint64 length;
};

std::optional<QList<Descriptor>> readDescriptors(QByteArrayView bytes)
{
    const quint16 count = at<quint16>(bytes, 24);
    const qint64 headerEnd = HeaderSize + DescriptorSize * count;
    if (count < 1 || count > MaximumEntries || bytes.size() < headerEnd)
        return std::nullopt;
    QList<Descriptor> descriptors;
    for (qint64 i = 0; i < count; ++i) {
        const qint64 at0 = HeaderSize + DescriptorSize * i;
        const Descriptor d{at<quint32>(bytes, at0), at<quint32>(bytes, at0 + 4), at<quint32>(bytes, at0 + 8)};
        const bool duplicate = std::any_of(descriptors.begin(), descriptors.end(),
                                           [&](const Descriptor &other) { return other.id == d.id; });
        if (d.id == 0 || duplicate || d.offset < headerEnd || !fits(d.offset, d.length, bytes.size()))
            return std::nullopt;
        descriptors.append(d);
    }
    QList<Descriptor> byOffset = descriptors;
    std::sort(byOffset.begin(), byOffset.end(),
              [](const Descriptor &a, const Descriptor &b) { return a.offset < b.offset; });
    for (qsizetype i = 1; i < byOffset.size(); ++i) {
        const Descriptor &before = byOffset[i - 1];
        if (before.length > 0 && byOffset[i].length > 0 && before.offset + before.length > byOffset[i].offset)
            return std::nullopt;
    }
    return descriptors;
}

// The "ATTR" block inside the Finder-information entry; offsets in it count from
// the start of the file. None when the block is there but breaks a rule.
std::optional<QList<AppleDouble::Attribute>> readAttributes(QByteArrayView bytes, const Descriptor &finderInfo)
{
    const qint64 header = finderInfo.offset + FinderInfo::Size + AttrPadding;
    const qint64 entryEnd = finderInfo.offset + finderInfo.length;
    if (finderInfo.length < FinderInfo::Size + AttrPadding + AttrHeaderSize || at<quint32>(bytes, header) != AttrMagic)
        return QList<AppleDouble::Attribute>();
    const qint64 totalSize = at<quint32>(bytes, header + 8);
    const qint64 dataStart = at<quint32>(bytes, header + 12);
    const qint64 dataLength = at<quint32>(bytes, header + 16);
    const quint16 count = at<quint16>(bytes, header + 34);
    const qint64 firstEntry = header + AttrHeaderSize;
    if (totalSize > entryEnd || dataStart < firstEntry || !fits(dataStart, dataLength, totalSize))
        return std::nullopt;
    QList<AppleDouble::Attribute> attributes;
    qint64 entry = firstEntry;
    for (quint16 i = 0; i < count; ++i) {
        if (!fits(entry, AttrEntryFixedSize, totalSize))
            return std::nullopt;
        const qint64 valueOffset = at<quint32>(bytes, entry);
        const qint64 valueLength = at<quint32>(bytes, entry + 4);
        const quint16 flags = at<quint16>(bytes, entry + 8);
        const qint64 nameLength = quint8(bytes[entry + 10]);
        if (nameLength < 2 || nameLength > 128 || !fits(entry + AttrEntryFixedSize, nameLength, totalSize))
            return std::nullopt;
        const QByteArrayView name = bytes.sliced(entry + AttrEntryFixedSize, nameLength);
        if (name.back() != '\0' || name.first(nameLength - 1).contains('\0'))
            return std::nullopt;
        // The copy library writes an empty value at offset 0: accept any offset then.
        if (valueLength > 0 && (valueOffset < dataStart || !fits(valueOffset, valueLength, totalSize)))
            return std::nullopt;
        const QByteArray value = valueLength > 0 ? bytes.sliced(valueOffset, valueLength).toByteArray() : QByteArray();
        attributes.append({name.first(nameLength - 1).toByteArray(), value, flags});
        entry = (entry + AttrEntryFixedSize + nameLength + 3) & ~qint64(3);
    }
    return attributes;
}

bool isTaggedEmptyFork(QByteArrayView fork)
{
    const QByteArrayView tag(BlankTag, sizeof BlankTag); // with its NUL
    return fork.size() == EmptyForkSize && fork.sliced(16, tag.size()) == tag;
}

qint64 attributeEntrySize(const AppleDouble::Attribute &attribute)
{
    return (AttrEntryFixedSize + attribute.name.size() + 1 + 3) & ~qint64(3);
}

} // namespace

std::optional<AppleDouble> AppleDouble::parse(QByteArrayView bytes)
{
    if (bytes.size() < HeaderSize || at<quint32>(bytes, 0) != Magic || at<quint32>(bytes, 4) != Version2)
        return std::nullopt;
    const std::optional<QList<Descriptor>> descriptors = readDescriptors(bytes);
    if (!descriptors)
        return std::nullopt;
    AppleDouble result;
    for (const Descriptor &d : *descriptors) {
        const QByteArrayView data = bytes.sliced(d.offset, d.length);
        if (d.id == FinderInfoEntry) {
            if (d.length < FinderInfo::Size)
                continue; // too short to be used: read as none, as the platform does
            result.m_finderInfo = *FinderInfo::fromBytes(data);
            std::optional<QList<Attribute>> attributes = readAttributes(bytes, d);
            if (!attributes)
                return std::nullopt;
            result.m_attributes = std::move(*attributes);
        } else if (d.id == ResourceForkEntry) {
            if (d.length > 0 && !isTaggedEmptyFork(data))
                result.m_resourceFork = data.toByteArray();
        } else {
            result.m_otherEntries.append({d.id, data.toByteArray()});
        }
    }
    // A rewrite adds Finder information and a resource fork: it must still fit.
    if (result.m_otherEntries.size() > MaximumEntries - 2)
        return std::nullopt;
    return result;
}

QByteArray AppleDouble::toBytes(quint32 debugTag) const
{
    const qint64 entryCount = 2 + m_otherEntries.size();
    const qint64 headerEnd = HeaderSize + DescriptorSize * entryCount;
    const qint64 attrHeader = headerEnd + FinderInfo::Size + AttrPadding;
    qint64 dataStart = attrHeader + AttrHeaderSize;
    for (const Attribute &attribute : m_attributes)
        dataStart += attributeEntrySize(attribute);
    qint64 dataLength = 0;
    for (const Attribute &attribute : m_attributes)
        dataLength += attribute.value.size();
    qint64 otherEnd = dataStart + dataLength;
    for (const Entry &entry : m_otherEntries)
        otherEnd += entry.data.size();
    const QByteArray fork = m_resourceFork.value_or(taggedEmptyResourceFork());
    const qint64 forkOffset = std::max(otherEnd, KernelFileSize - EmptyForkSize);
    // The Finder-information entry runs up to the resource fork (the kernel's
    // free space for attributes) unless other entries sit in between.
    const qint64 finderInfoLength = (m_otherEntries.isEmpty() ? forkOffset : dataStart + dataLength) - headerEnd;

    QByteArray out(forkOffset, '\0');
    put<quint32>(out, 0, Magic);
    put<quint32>(out, 4, Version2);
    std::copy_n(Filler, 16, out.data() + 8);
    put<quint16>(out, 24, quint16(entryCount));
    qint64 descriptor = HeaderSize;
    auto describe = [&](quint32 id, qint64 offset, qint64 length) {
        put<quint32>(out, descriptor, id);
        put<quint32>(out, descriptor + 4, quint32(offset));
        put<quint32>(out, descriptor + 8, quint32(length));
        descriptor += DescriptorSize;
    };
    describe(FinderInfoEntry, headerEnd, finderInfoLength);
    const QByteArray finderInfo = m_finderInfo.toBytes();
    std::copy(finderInfo.begin(), finderInfo.end(), out.begin() + headerEnd);

    put<quint32>(out, attrHeader, AttrMagic);
    put<quint32>(out, attrHeader + 4, debugTag);
    put<quint32>(out, attrHeader + 8, quint32(headerEnd + finderInfoLength));
    put<quint32>(out, attrHeader + 12, quint32(dataStart));
    put<quint32>(out, attrHeader + 16, quint32(dataLength));
    put<quint16>(out, attrHeader + 34, quint16(m_attributes.size()));
    qint64 entry = attrHeader + AttrHeaderSize;
    qint64 value = dataStart;
    for (const Attribute &attribute : m_attributes) {
        put<quint32>(out, entry, quint32(value));
        put<quint32>(out, entry + 4, quint32(attribute.value.size()));
        put<quint16>(out, entry + 8, attribute.flags);
        out[entry + 10] = char(attribute.name.size() + 1);
        std::copy(attribute.name.begin(), attribute.name.end(), out.begin() + entry + AttrEntryFixedSize);
        std::copy(attribute.value.begin(), attribute.value.end(), out.begin() + value);
        entry += attributeEntrySize(attribute);
        value += attribute.value.size();
    }
    qint64 position = value;
    for (const Entry &other : m_otherEntries) {
        describe(other.id, position, other.data.size());
        std::copy(other.data.begin(), other.data.end(), out.begin() + position);
        position += other.data.size();
    }
    describe(ResourceForkEntry, forkOffset, fork.size());
    out += fork;
    return out;
}

bool AppleDouble::isEmpty() const
{
    return m_finderInfo.isZero() && !m_resourceFork && m_attributes.isEmpty() && m_otherEntries.isEmpty();
}

QByteArray AppleDouble::taggedEmptyResourceFork()
{
    QByteArray fork(EmptyForkSize, '\0');
    for (qint64 copy : {qint64(0), qint64(256)}) { // the header, and its copy at the start of the map
        put<quint32>(fork, copy, 256);
        put<quint32>(fork, copy + 4, 256);
        put<quint32>(fork, copy + 12, 30);
    }
    std::copy_n(BlankTag, sizeof BlankTag, fork.data() + 16);
    put<quint16>(fork, 256 + 24, 28);
    put<quint16>(fork, 256 + 26, 30);
    put<quint16>(fork, 256 + 28, 0xFFFF);
    return fork;
}

} // namespace platform
