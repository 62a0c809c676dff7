#include "platform/plist/BinaryPropertyListReader.h"

#include "platform/core/ReferenceDate.h"
#include "platform/plist/PropertyList_p.h"

#include <QDateTime>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

// The format: "bplist00", the objects, an offset table giving where each object begins,
// and a 32-byte trailer (offset width, reference width, object count, root object, table
// position). Each object begins with a marker byte: its kind in the high nibble, and in the
// low one a size, or 0xF when the size follows as an integer object. Containers hold object
// numbers (references); a dictionary holds its keys' references, then its values'.
//
// Every bound below is the one libplist 2.2 applies, so that both readers accept the same
// lists: an object must begin and end before the offset table; lengths and references are
// checked before use, never trusted.

namespace platform {

namespace {

constexpr quint64 HeaderSize = 8; // "bplist00"
constexpr quint64 TrailerSize = 32;
// How many values a list may expand to through shared references: plenty for real files,
// which share little beyond strings, and bounded for those made to multiply (a few hundred
// bytes of references can stand for billions of values).
constexpr quint64 MinimumValueLimit = 1000000;
constexpr quint64 ValuesPerByte = 16;

constexpr quint32 Visited = 1u << 31;
constexpr quint32 Open = 1u << 30;
constexpr quint32 KeySlot = Open - 1;

enum Kind : uchar {
    Simple = 0x0,
    Integer = 0x1,
    Real = 0x2,
    Date = 0x3,
    Data = 0x4,
    Ascii = 0x5,
    Utf16 = 0x6,
    Uid = 0x8,
    Array = 0xA,
    Set = 0xC,
    Dictionary = 0xD,
};

quint64 bigEndian(const uchar *p, int width)
{
    switch (width) {
    case 1:
        return *p;
    case 2:
        return qFromBigEndian<quint16>(p);
    case 4:
        return qFromBigEndian<quint32>(p);
    case 8:
        return qFromBigEndian<quint64>(p);
    default:
        break;
    }
    quint64 value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | p[i];
    return value;
}

// The milliseconds after the reference date of a date stored as `seconds`, rounded as the
// libplist route rounds them, so that a file gives the same date whichever reader meets it:
// that route takes 32-bit whole seconds and truncated microseconds from libplist's API, and
// the exact double only where those are clamped or lose the fraction's sign. None for
// values beyond what a date holds.
std::optional<qint64> dateMSecs(double seconds)
{
    if (seconds > double(std::numeric_limits<qint32>::min()) && seconds < double(std::numeric_limits<qint32>::max())) {
        const auto whole = qint32(seconds);
        const auto microseconds = qint32(std::fabs((seconds - double(qint64(seconds))) * 1000000));
        if (whole > 0 || microseconds == 0)
            return qint64(whole) * 1000 + (microseconds + 500) / 1000;
    }
    if (!std::isfinite(seconds) || std::abs(seconds) > 1e15)
        return std::nullopt;
    return std::llround(seconds * 1000.0);
}

// Surrogates as libplist's UTF-16 decoding pairs them (the libplist route reads through
// it): a high surrogate waits for the next low one, keeping what comes between; a second
// high one while one waits drops both; a lone low one, and a high one still waiting at
// the end, are dropped.
void pairSurrogatesAsLibplist(QString &text)
{
    char16_t *units = reinterpret_cast<char16_t *>(text.data());
    qsizetype kept = 0;
    char16_t waiting = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = units[i];
        if (QChar::isHighSurrogate(unit)) {
            waiting = waiting ? 0 : unit;
        } else if (!QChar::isLowSurrogate(unit)) {
            units[kept++] = unit;
        } else if (waiting) {
            units[kept++] = waiting;
            units[kept++] = unit;
            waiting = 0;
        }
    }
    text.truncate(kept);
}

} // namespace

BinaryPropertyListReader::BinaryPropertyListReader(QByteArrayView bytes)
    : p(reinterpret_cast<const uchar *>(bytes.data()))
    , size(quint64(bytes.size()))
    , valueLimit(MinimumValueLimit + ValuesPerByte * size)
{
}

PropertyListReadResult BinaryPropertyListReader::read(QByteArrayView bytes, Refusal *refusal)
{
    BinaryPropertyListReader reader(bytes);
    PropertyListReadResult result;
    result.format = PropertyListFormat::Binary;
    if (reader.readTrailer()) {
        result.value = reader.readObject(reader.top, 0);
        if (reader.refusal == Refusal::None && reader.unvisitedStringHoldsNul())
            reader.fail(Refusal::NulInString, QStringLiteral("the property list holds a string with U+0000, which cannot be read without loss"));
    }
    if (reader.refusal != Refusal::None) {
        result.value = QVariant();
        result.error = reader.error;
    }
    if (refusal)
        *refusal = reader.refusal;
    return result;
}

QVariant BinaryPropertyListReader::fail(Refusal why, const QString &what)
{
    if (refusal == Refusal::None) {
        refusal = why;
        error = what;
    }
    return {};
}

bool BinaryPropertyListReader::readTrailer()
{
    if (size < HeaderSize + TrailerSize) {
        fail(Refusal::Damaged, QStringLiteral("the binary property list is too short to hold its trailer"));
        return false;
    }
    const uchar *trailer = p + size - TrailerSize;
    offsetSize = trailer[6];
    refSize = trailer[7];
    count = bigEndian(trailer + 8, 8);
    top = bigEndian(trailer + 16, 8);
    table = bigEndian(trailer + 24, 8);
    const quint64 end = size - TrailerSize;
    if (offsetSize > 8 || refSize > 8) {
        fail(Refusal::WiderThan64Bits, QStringLiteral("the binary property list's offsets or references are wider than 8 bytes"));
        return false;
    }
    if (offsetSize == 0 || refSize == 0 || top >= count || table < HeaderSize || table >= end || count > (end - table) / quint64(offsetSize)) {
        fail(Refusal::Damaged, QStringLiteral("the binary property list's trailer is damaged"));
        return false;
    }
    marks.assign(count, 0);
    return true;
}

quint64 BinaryPropertyListReader::offsetOf(quint64 index) const
{
    return bigEndian(p + table + index * quint64(offsetSize), offsetSize);
}

quint64 BinaryPropertyListReader::reference(quint64 at) const
{
    return bigEndian(p + at, refSize);
}

// Where the elements of the sized object at `offset` lie, each `unit` bytes long.
bool BinaryPropertyListReader::extentOf(quint64 offset, uchar marker, int unit, Extent &extent)
{
    quint64 start = offset + 1;
    quint64 length = marker & 0xF;
    if (length == 0xF) {
        if (start >= table || p[start] >> 4 != Integer) {
            fail(Refusal::Damaged, QStringLiteral("the length of the object at byte %1 of the binary property list is not an integer").arg(offset));
            return false;
        }
        const quint64 width = 1u << (p[start] & 0xF);
        if (width > table - start - 1) {
            fail(Refusal::Damaged, QStringLiteral("the length of the object at byte %1 of the binary property list runs past its object area").arg(offset));
            return false;
        }
        if (width > 8) {
            fail(Refusal::WiderThan64Bits, QStringLiteral("the length of the object at byte %1 of the binary property list is wider than 8 bytes").arg(offset));
            return false;
        }
        length = bigEndian(p + start + 1, int(width));
        start += 1 + width;
    }
    if (length > (table - start) / quint64(unit)) {
        fail(Refusal::Damaged, QStringLiteral("the object at byte %1 of the binary property list runs past its object area").arg(offset));
        return false;
    }
    extent = {start, length};
    return true;
}

std::optional<quint64> BinaryPropertyListReader::enter(quint64 index)
{
    if (++values > valueLimit) {
        fail(Refusal::TooManyValues, QStringLiteral("the property list stands for more than %1 values through shared references").arg(valueLimit));
        return std::nullopt;
    }
    const quint64 offset = offsetOf(index);
    if (offset >= table) {
        fail(Refusal::Damaged, QStringLiteral("object %1 of the binary property list lies outside its object area").arg(index));
        return std::nullopt;
    }
    marks[index] |= Visited;
    return offset;
}

QVariant BinaryPropertyListReader::readObject(quint64 index, int depth)
{
    const auto offset = enter(index);
    if (!offset)
        return {};
    const uchar marker = p[*offset];
    const int info = marker & 0xF;
    const quint64 at = *offset + 1;
    const quint64 room = table - at;
    Extent extent;
    switch (marker >> 4) {
    case Simple:
        if (info == 0x8 || info == 0x9)
            return info == 0x9;
        break;
    case Integer:
        if (info <= 4 && (1u << info) <= room)
            return readInteger(at, 1 << info);
        break;
    case Real:
        if (info == 2 && room >= 4)
            return double(qFromBigEndian<float>(p + at));
        if (info == 3 && room >= 8)
            return qFromBigEndian<double>(p + at);
        break;
    case Date:
        if (info == 3 && room >= 8)
            return readDate(at);
        break;
    case Data:
        if (!extentOf(*offset, marker, 1, extent))
            return {};
        return QByteArray(reinterpret_cast<const char *>(p + extent.start), qsizetype(extent.length));
    case Ascii:
    case Utf16:
        if (!extentOf(*offset, marker, marker >> 4 == Ascii ? 1 : 2, extent))
            return {};
        return readString(marker >> 4, extent);
    case Uid:
        if (quint64(info) + 1 <= room)
            return readUid(at, info + 1);
        break;
    case Array:
    case Set:
    case Dictionary:
        return readContainer(index, *offset, depth);
    default:
        break;
    }
    return fail(Refusal::Damaged, QStringLiteral("the object at byte %1 of the binary property list has an unknown marker (0x%2) or runs past its object area")
                                      .arg(*offset)
                                      .arg(marker, 2, 16, QLatin1Char('0')));
}

QVariant BinaryPropertyListReader::readContainer(quint64 index, quint64 offset, int depth)
{
    const uchar marker = p[offset];
    const bool dictionary = marker >> 4 == Dictionary;
    Extent refs;
    if (!extentOf(offset, marker, dictionary ? 2 * refSize : refSize, refs))
        return {};
    if (depth >= MaximumPropertyListDepth)
        return fail(Refusal::TooDeep, QStringLiteral("the property list is nested more than %1 deep").arg(MaximumPropertyListDepth));
    if (marks[index] & Open)
        return fail(Refusal::Cycle, QStringLiteral("object %1 of the binary property list contains itself").arg(index));
    marks[index] |= Open;
    QVariant value = dictionary ? readDictionary(refs, depth + 1) : readArray(refs, depth + 1);
    marks[index] &= ~Open;
    return value;
}

bool BinaryPropertyListReader::referencesInRange(quint64 first, quint64 n)
{
    for (quint64 i = 0; i < n; ++i) {
        if (reference(first + i * quint64(refSize)) >= count) {
            fail(Refusal::Damaged, QStringLiteral("the binary property list refers to an object past its %1 objects").arg(count));
            return false;
        }
    }
    return true;
}

QVariant BinaryPropertyListReader::readArray(Extent refs, int depth)
{
    if (!referencesInRange(refs.start, refs.length))
        return {};
    QVariantList list;
    list.reserve(qsizetype(refs.length));
    for (quint64 i = 0; i < refs.length; ++i) {
        QVariant item = readObject(reference(refs.start + i * quint64(refSize)), depth);
        if (refusal != Refusal::None)
            return {};
        list.append(std::move(item));
    }
    return list;
}

QVariant BinaryPropertyListReader::readDictionary(Extent refs, int depth)
{
    if (!referencesInRange(refs.start, 2 * refs.length))
        return {};
    const quint64 valuesStart = refs.start + refs.length * quint64(refSize);
    std::map<QString, QVariant> map;
    for (quint64 i = 0; i < refs.length; ++i) {
        QString key = readKey(reference(refs.start + i * quint64(refSize)));
        if (refusal != Refusal::None)
            return {};
        QVariant value = readObject(reference(valuesStart + i * quint64(refSize)), depth);
        if (refusal != Refusal::None)
            return {};
        // Files written in key order (ours, most tools') append at the end in O(1); of keys
        // that repeat, the first stays, as it did through libplist.
        map.emplace_hint(map.cend(), std::move(key), std::move(value));
    }
    return QVariantMap(std::move(map));
}

// Dictionaries share their keys' string objects: each is decoded once and then shared.
QString BinaryPropertyListReader::readKey(quint64 index)
{
    const auto offset = enter(index);
    if (!offset)
        return {};
    if (const quint32 slot = marks[index] & KeySlot)
        return keys[slot - 1];
    const uchar marker = p[*offset];
    const int kind = marker >> 4;
    if (kind != Ascii && kind != Utf16) {
        fail(Refusal::Damaged, QStringLiteral("a dictionary key of the binary property list is not a string (object %1)").arg(index));
        return {};
    }
    Extent extent;
    if (!extentOf(*offset, marker, kind == Ascii ? 1 : 2, extent))
        return {};
    QString key = readString(kind, extent);
    if (refusal == Refusal::None && keys.size() < KeySlot) {
        keys.push_back(key);
        marks[index] |= quint32(keys.size());
    }
    return key;
}

QString BinaryPropertyListReader::readString(int kind, Extent extent)
{
    const QString nul = QStringLiteral("the property list holds a string with U+0000, which cannot be read without loss");
    const uchar *bytes = p + extent.start;
    if (kind == Ascii) {
        if (std::memchr(bytes, 0, extent.length)) {
            fail(Refusal::NulInString, nul);
            return {};
        }
        return propertyListText(reinterpret_cast<const char *>(bytes), qsizetype(extent.length));
    }
    // libplist refuses a UTF-16 string of no units; so does its route, and so this reader.
    if (extent.length == 0) {
        fail(Refusal::Damaged, QStringLiteral("the binary property list holds an empty UTF-16 string"));
        return {};
    }
    QString text(qsizetype(extent.length), Qt::Uninitialized);
    char16_t *units = reinterpret_cast<char16_t *>(text.data());
    bool surrogates = false;
    for (quint64 i = 0; i < extent.length; ++i) {
        const char16_t unit = qFromBigEndian<quint16>(bytes + 2 * i);
        surrogates |= QChar::isSurrogate(unit);
        units[i] = unit;
        if (unit == 0) {
            fail(Refusal::NulInString, nul);
            return {};
        }
    }
    if (surrogates)
        pairSurrogatesAsLibplist(text);
    return text;
}

QVariant BinaryPropertyListReader::readInteger(quint64 at, int width)
{
    if (width <= 8)
        return qint64(bigEndian(p + at, width));
    // Sixteen bytes: the format's unsigned integers above INT64_MAX, whose high half is zero.
    if (bigEndian(p + at, 8) != 0)
        return fail(Refusal::WiderThan64Bits, QStringLiteral("the binary property list holds an integer wider than 64 bits"));
    const quint64 value = bigEndian(p + at + 8, 8);
    if (value > quint64(std::numeric_limits<qint64>::max()))
        return value;
    return qint64(value);
}

QVariant BinaryPropertyListReader::readUid(quint64 at, int width)
{
    quint64 value = 0;
    if (width > 8) {
        for (int i = 0; i < width - 8; ++i) {
            if (p[at + quint64(i)] != 0)
                return fail(Refusal::WiderThan64Bits, QStringLiteral("the binary property list holds a UID wider than 64 bits"));
        }
        value = bigEndian(p + at + quint64(width) - 8, 8);
    } else {
        value = bigEndian(p + at, width);
    }
    if (value > std::numeric_limits<quint32>::max())
        return fail(Refusal::Damaged, QStringLiteral("the binary property list holds a UID above 2^32 - 1"));
    return QVariant::fromValue(PropertyListUid{value});
}

QVariant BinaryPropertyListReader::readDate(quint64 at)
{
    const auto msecs = dateMSecs(qFromBigEndian<double>(p + at));
    if (!msecs)
        return fail(Refusal::DateOutOfRange, QStringLiteral("the property list holds a date out of range"));
    return QDateTime::fromMSecsSinceEpoch(*msecs + ReferenceDateMSecsSinceEpoch, Qt::UTC);
}

// The libplist route refused a list with U+0000 in any string object of its offset table,
// read or not, within the bounds it looked at (the end of the objects before the trailer);
// this reader has checked those it read, and checks the rest here the same way.
bool BinaryPropertyListReader::unvisitedStringHoldsNul() const
{
    const quint64 end = size - TrailerSize;
    for (quint64 i = 0; i < count; ++i) {
        if (marks[i] & Visited)
            continue;
        const quint64 offset = offsetOf(i);
        if (offset >= end || (p[offset] >> 4 != Ascii && p[offset] >> 4 != Utf16))
            continue;
        const quint64 unit = p[offset] >> 4 == Ascii ? 1 : 2;
        quint64 length = p[offset] & 0xF;
        quint64 start = offset + 1;
        if (length == 0xF) {
            if (start >= end || p[start] >> 4 != Integer)
                continue;
            const quint64 width = 1u << (p[start] & 0xF);
            if (width > 8 || start + 1 + width > end)
                continue;
            length = bigEndian(p + start + 1, int(width));
            start += 1 + width;
        }
        if (length > end || start + length * unit > end)
            continue;
        for (quint64 j = 0; j < length; ++j) {
            if (unit == 1 ? p[start + j] == 0 : (p[start + 2 * j] == 0 && p[start + 2 * j + 1] == 0))
                return true;
        }
    }
    return false;
}

} // namespace platform
