// Zone periods read from TZif data, and the agreement of every piece of the
// calendar layer on the system's zone data.

#include "DatesTestSupport.h"
#include "TimeZoneExtensions.h"
#include "platform/calendar/Calendar.h"
#include "platform/calendar/DateFormatter.h"

#include <QtEndian>

#include <limits>

using namespace dates_test;

namespace {

using TimeZonePeriodsTest = DatesTest;

struct LocalTimeType
{
    qint32 offset;
    quint8 isDST;
    quint8 abbreviationIndex;
};

void appendInt32(QByteArray &data, qint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    data.append(bytes, 4);
}

// TZif data as tzfile(5) lays it out: a 44-byte header whose counts at 32, 36
// and 40 are taken from the arguments, then the block.
QByteArray tzif(const QList<qint32> &times, const QByteArray &indexes, const QList<LocalTimeType> &types,
                const QByteArray &characters)
{
    QByteArray data("TZif2");
    data.append(27, '\0');
    for (qint32 count : {qint32(times.size()), qint32(types.size()), qint32(characters.size())})
        appendInt32(data, count);
    for (qint32 time : times)
        appendInt32(data, time);
    data.append(indexes);
    for (const LocalTimeType &type : types) {
        appendInt32(data, type.offset);
        data.append(char(type.isDST));
        data.append(char(type.abbreviationIndex));
    }
    return data + characters;
}

TEST_F(TimeZonePeriodsTest, AbbreviationsEndAtTheCharactersEnd)
{
    // An index right at the end names the empty text; the last abbreviation
    // has no NUL and stops where the characters do, whatever follows them.
    const QByteArray data = tzif({10, 20}, QByteArray("\x00\x01", 2), {{0, 0, 6}, {0, 0, 3}}, "UTCWET") + "TRAILING";
    const auto periods = vl::periodsFromZoneData(data);
    ASSERT_TRUE(periods);
    EXPECT_EQ((*periods)[0].abbreviation, "");
    EXPECT_EQ((*periods)[1].abbreviation, "WET");
}

// ICU 72 carries zone data of 2022 that differs from the system's for these
// zones at the start of 2025 (and lacks Ciudad Juárez): every piece must give
// the system's offsets.
TEST_F(TimeZonePeriodsTest, CalendarsFormattersDatesAndPeriodsAgreeOnTheSystemsZones)
{
    struct Row
    {
        const char *name;
        int offset;
        const char *isoOffset;
    };
    const Row rows[] = {
        {"Asia/Almaty", 5 * 3600, "+05:00"},
        {"America/Nuuk", -2 * 3600, "-02:00"},
        {"America/Ciudad_Juarez", -7 * 3600, "-07:00"},
    };
    const QDateTime instant = utc(2025, 1, 1, 12);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QTimeZone system = zone(row.name);
        EXPECT_EQ(system.offsetFromUtc(instant), row.offset);

        auto calendar = platform::Calendar::calendarWithIdentifier(QStringLiteral("gregorian"));
        calendar->setTimeZone(system);
        const platform::DateComponents fields = calendar->components(
            platform::HourCalendarUnit | platform::MinuteCalendarUnit, instant);
        EXPECT_EQ(fields.hour() * 3600 + fields.minute() * 60, 12 * 3600 + row.offset);
        platform::DateComponents noon;
        noon.setYear(2025);
        noon.setMonth(1);
        noon.setDay(1);
        noon.setHour(12);
        EXPECT_EQ(calendar->dateFromComponents(noon), instant.addSecs(-row.offset));

        platform::DateFormatter formatter;
        formatter.setTimeZone(system);
        formatter.setDateFormat(QStringLiteral("HH:mm ZZZZZ"));
        EXPECT_EQ(formatter.stringFromDate(instant),
                  QTime(12, 0).addSecs(row.offset).toString(u"HH:mm ") + QLatin1String(row.isoOffset));

        EXPECT_EQ(platform::CalendarDate::dateWithDate(instant, system)->hourOfDay(), (12 * 3600 + row.offset) / 3600);
        const auto period = vl::periodForDate(system, instant);
        ASSERT_TRUE(period);
        EXPECT_EQ(period->gmtOffset, row.offset);
    }
}

} // namespace
