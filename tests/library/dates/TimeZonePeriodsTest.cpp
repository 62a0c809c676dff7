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
// and 40 are taken from the arguments (or overridden), then the block.
QByteArray tzif(const QList<qint32> &times, const QByteArray &indexes, const QList<LocalTimeType> &types,
                const QByteArray &characters, std::optional<std::array<qint32, 3>> counts = std::nullopt)
{
    QByteArray data("TZif2");
    data.append(27, '\0');
    const std::array<qint32, 3> header = counts.value_or(
        std::array<qint32, 3>{qint32(times.size()), qint32(types.size()), qint32(characters.size())});
    for (qint32 count : header)
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

const QList<LocalTimeType> parisTypes{{3600, 0, 0}, {7200, 1, 4}};
const QByteArray parisCharacters("CET\0CEST\0", 9);

QByteArray threeTransitions()
{
    return tzif({1111, 2222, 3333}, QByteArray("\x01\x00\x01", 3), parisTypes, parisCharacters);
}

TEST_F(TimeZonePeriodsTest, DataWithoutTransitionsHasOnePeriodSinceTheEarliestTime)
{
    const auto periods = vl::periodsFromZoneData(tzif({}, {}, {{-18000, 0, 0}}, QByteArray("EST\0", 4)));
    ASSERT_TRUE(periods);
    ASSERT_EQ(periods->size(), 1);
    EXPECT_EQ(periods->front().startDate.timeIntervalSince1970(), std::numeric_limits<qint32>::min());
    EXPECT_EQ(periods->front().gmtOffset, -18000);
    EXPECT_EQ(periods->front().abbreviation, "EST");
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

TEST_F(TimeZonePeriodsTest, PeriodForDateTakesTheLastPeriodStartedByThen)
{
    const auto periods = *vl::periodsFromZoneData(threeTransitions());
    const qint64 at[] = {-5000, 1110, 1111, 2221, 2222, 3333, 99999};
    const int expected[] = {0, 0, 0, 0, 1, 2, 2};
    for (size_t i = 0; i < std::size(at); ++i) {
        const auto period = vl::periodForDate(periods, QDateTime::fromSecsSinceEpoch(at[i], QTimeZone::utc()));
        ASSERT_TRUE(period);
        EXPECT_EQ(*period, periods[expected[i]]) << "at " << at[i];
    }
    EXPECT_FALSE(vl::periodForDate(QList<TimeZonePeriod>(), utc(2009, 1, 1)));
    EXPECT_FALSE(vl::periodForDate(periods, QDateTime()));
}

TEST_F(TimeZonePeriodsTest, ZonePeriodsComeFromTheSystemsFileAndAreKept)
{
    const QTimeZone paris = zone("Europe/Paris");
    const auto first = vl::periods(paris);
    ASSERT_TRUE(first);
    const auto again = vl::periods(paris);
    ASSERT_TRUE(again);
    EXPECT_TRUE(first->isSharedWith(*again));
    const auto summer = vl::periodForDate(paris, utc(2025, 7, 1));
    ASSERT_TRUE(summer);
    EXPECT_EQ(summer->gmtOffset, 7200);
    EXPECT_TRUE(summer->isDST);
    EXPECT_EQ(summer->abbreviation, "CEST");
    EXPECT_EQ(summer->startDate.date(), utc(2025, 3, 30, 1));
    // A fixed offset has no file.
    EXPECT_FALSE(vl::periods(QTimeZone(3600)));
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
