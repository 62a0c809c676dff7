// Reading a zone's periods from TZif data (tzfile(5)): the header's counts,
// then the 32-bit block's transitions, type indexes, local time types and
// abbreviation characters.

#include "TimeZoneExtensions.h"

#include "platform/calendar/TimeZones.h"

#include <QtEndian>

#include <algorithm>
#include <limits>

namespace vl {

namespace {

constexpr qsizetype headerSize = 44;
constexpr qsizetype timeCountAt = 32;
constexpr qsizetype typeCountAt = 36;
constexpr qsizetype characterCountAt = 40;
constexpr qsizetype typeSize = 6;

qint32 int32At(QByteArrayView data, qsizetype offset)
{
    return qFromBigEndian<qint32>(data.data() + offset);
}

quint8 byteAt(QByteArrayView data, qsizetype offset)
{
    return quint8(data[offset]);
}

// The NUL-terminated text at `index` of the characters, never beyond them.
QString abbreviationAt(QByteArrayView characters, qsizetype index)
{
    const QByteArrayView rest = characters.sliced(index);
    const qsizetype end = rest.indexOf('\0');
    return QString::fromLatin1(end < 0 ? rest : rest.first(end));
}

} // namespace

std::optional<QList<TimeZonePeriod>> periodsFromZoneData(QByteArrayView data)
{
    if (data.size() < headerSize)
        return std::nullopt;
    const qint64 times = int32At(data, timeCountAt);
    const qint64 types = int32At(data, typeCountAt);
    const qint64 characters = int32At(data, characterCountAt);
    if (types <= 0 || times < 0 || characters < 0)
        return std::nullopt;
    if (data.size() - headerSize < 5 * times + typeSize * types + characters)
        return std::nullopt;

    const qsizetype indexesAt = headerSize + 4 * times;
    const qsizetype typesAt = headerSize + 5 * times;
    const QByteArrayView abbreviations = data.sliced(typesAt + typeSize * types, characters);
    static const QTimeZone gmt = platform::gmtTimeZone();

    QList<TimeZonePeriod> periods;
    periods.reserve(std::max<qsizetype>(times, 1));
    for (qsizetype i = 0; i < std::max<qsizetype>(times, 1); ++i) {
        // Data without transitions has one period, in force since the earliest
        // instant the block can name.
        const qint64 start = times > 0 ? int32At(data, headerSize + 4 * i) : std::numeric_limits<qint32>::min();
        const qint64 index = times > 0 ? byteAt(data, indexesAt + i) : 0;
        if (index >= types)
            return std::nullopt;
        const qsizetype type = typesAt + typeSize * index;
        const quint8 isDST = byteAt(data, type + 4);
        const quint8 abbreviationIndex = byteAt(data, type + 5);
        if (isDST > 1 || abbreviationIndex > characters)
            return std::nullopt;
        const std::optional<platform::CalendarDate> startDate = platform::CalendarDate::dateWithTimeIntervalSince1970(
            double(start), gmt);
        periods.append({*startDate, int32At(data, type), isDST == 1, abbreviationAt(abbreviations, abbreviationIndex)});
    }
    return periods;
}

} // namespace vl
