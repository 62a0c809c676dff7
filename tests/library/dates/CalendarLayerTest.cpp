// The calendar layer the helpers stand on: ICU's arithmetic through
// platform::Calendar, calendar dates, and their archive form.

#include "ArchivedCalendarDate.h"
#include "Archiver.h"
#include "Calendar.h"
#include "DatesTestSupport.h"
#include "Unarchiver.h"

using namespace dates_test;

namespace {

using CalendarLayerTest = DatesTest;

platform::Calendar gregorianIn(const char *zoneName)
{
    auto calendar = platform::Calendar::calendarWithIdentifier(QStringLiteral("gregorian"), QLocale(), zone(zoneName));
    EXPECT_TRUE(calendar);
    return *calendar;
}

TEST_F(CalendarLayerTest, RangesOfUnitsAreTheCalendarsOwn)
{
    using platform::CalendarRange;
    const platform::Calendar calendar = gregorianIn("UTC");
    struct Row
    {
        platform::CalendarUnit smaller, larger;
        QDateTime date;
        std::optional<CalendarRange> expected;
    };
    const Row rows[] = {
        {platform::DayCalendarUnit, platform::MonthCalendarUnit, utc(2000, 2, 10), CalendarRange{1, 29}},
        {platform::DayCalendarUnit, platform::MonthCalendarUnit, utc(1900, 2, 10), CalendarRange{1, 28}},
        {platform::DayCalendarUnit, platform::YearCalendarUnit, utc(2004, 7, 1), CalendarRange{1, 366}},
        {platform::MonthCalendarUnit, platform::YearCalendarUnit, utc(2009, 7, 1), CalendarRange{1, 12}},
        {platform::WeekdayCalendarUnit, platform::WeekCalendarUnit, utc(2009, 7, 1), CalendarRange{1, 7}},
        {platform::HourCalendarUnit, platform::DayCalendarUnit, utc(2009, 7, 1), CalendarRange{0, 24}},
        {platform::DayCalendarUnit, platform::WeekdayCalendarUnit, utc(2009, 7, 1), std::nullopt},
        {platform::DayCalendarUnit, platform::MonthCalendarUnit, QDateTime(), std::nullopt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(calendar.rangeOfUnit(row.smaller, row.larger, row.date), row.expected)
            << row.smaller << " in " << row.larger << " at " << row.date.toString(Qt::ISODate).toStdString();
    const auto hebrew = platform::Calendar::calendarWithIdentifier(QStringLiteral("hebrew"));
    // 5784 (2023-24) is a leap year of thirteen months.
    EXPECT_EQ(hebrew->rangeOfUnit(platform::MonthCalendarUnit, platform::YearCalendarUnit, utc(2024, 1, 15))->length, 13);
}

TEST_F(CalendarLayerTest, ComponentsAreReadAndAddedInTheCalendarsZone)
{
    const platform::Calendar tokyo = gregorianIn("Asia/Tokyo");
    const unsigned all = platform::EraCalendarUnit | platform::YearCalendarUnit | platform::MonthCalendarUnit
                         | platform::DayCalendarUnit | platform::HourCalendarUnit | platform::WeekdayCalendarUnit
                         | platform::WeekdayOrdinalCalendarUnit;
    const platform::DateComponents c = tokyo.components(all, utc(2009, 2, 28, 20));
    EXPECT_EQ(c.era(), 1);
    EXPECT_EQ(c.year(), 2009);
    EXPECT_EQ(c.month(), 3);
    EXPECT_EQ(c.day(), 1);
    EXPECT_EQ(c.hour(), 5);
    EXPECT_EQ(c.weekday(), 1);
    EXPECT_EQ(c.weekdayOrdinal(), 1);
    EXPECT_EQ(c.minute(), platform::UndefinedDateComponent);
    EXPECT_EQ(c.week(), platform::UndefinedDateComponent);

    // A month on from 31 January ends in February; a day across the spring
    // change keeps the wall time.
    platform::DateComponents month;
    month.setMonth(1);
    EXPECT_EQ(gregorianIn("UTC").dateByAddingComponents(month, utc(2009, 1, 31, 9)), utc(2009, 2, 28, 9));
    platform::DateComponents day;
    day.setDay(1);
    const platform::Calendar paris = gregorianIn("Europe/Paris");
    EXPECT_EQ(paris.dateByAddingComponents(day, at(2025, 3, 29, 12, 0, 0, "Europe/Paris").date()),
              at(2025, 3, 30, 12, 0, 0, "Europe/Paris").date());
    platform::DateComponents hours;
    hours.setHour(25);
    // Midnight on 1 February in Paris, 25 hours on within the day: one o'clock.
    EXPECT_EQ(paris.dateByAddingComponents(hours, utc(2009, 1, 31, 23), platform::Calendar::WrapCalendarComponents),
              utc(2009, 2, 1, 0));
    EXPECT_FALSE(paris.dateByAddingComponents(day, QDateTime()));
}

TEST_F(CalendarLayerTest, DatesAreBuiltFromComponentsWithIcusDefaults)
{
    const platform::Calendar paris = gregorianIn("Europe/Paris");
    platform::DateComponents weekDate;
    weekDate.setYear(2009);
    weekDate.setWeek(10);
    weekDate.setWeekday(5); // Thursday of the tenth week, Sunday-first weeks
    EXPECT_EQ(paris.dateFromComponents(weekDate), at(2009, 3, 5, 0, 0, 0, "Europe/Paris").date());
    platform::DateComponents time;
    time.setHour(13);
    EXPECT_EQ(paris.dateFromComponents(time), utc(1970, 1, 1, 12));
    // A wall time the zone skips moves on by the gap; one it repeats is the
    // later of the two, as with ICU's own zones.
    platform::DateComponents wall;
    wall.setYear(2025);
    wall.setMonth(3);
    wall.setDay(30);
    wall.setHour(2);
    wall.setMinute(30);
    EXPECT_EQ(paris.dateFromComponents(wall), utc(2025, 3, 30, 1, 30));
    wall.setMonth(10);
    wall.setDay(26);
    EXPECT_EQ(paris.dateFromComponents(wall), utc(2025, 10, 26, 1, 30));
    wall.setHour(1);
    EXPECT_EQ(paris.dateFromComponents(wall), utc(2025, 10, 25, 23, 30));
}

TEST_F(CalendarLayerTest, CalendarDatesReadTheirFieldsInTheirZone)
{
    auto date = at(2009, 3, 5, 23, 30, 15, "Asia/Tokyo");
    EXPECT_EQ(date.date(), utc(2009, 3, 5, 14, 30, 15));
    EXPECT_EQ(date.dayOfWeek(), 4);
    EXPECT_EQ(date.description(), "2009-03-05 23:30:15 +0900");
    date.setTimeZone(zone("America/New_York"));
    EXPECT_EQ(date.hourOfDay(), 9);
    EXPECT_EQ(date.description(), "2009-03-05 09:30:15 -0500");
    EXPECT_EQ(platform::CalendarDate().timeIntervalSinceReferenceDate(), 0.0);
    EXPECT_EQ(platform::CalendarDate::dateWithYear(0, 1, 1, 0, 0, 0, zone("UTC"))->yearOfCommonEra(), 0);
    EXPECT_FALSE(platform::CalendarDate::dateWithYear(2009, 2, 30, 0, 0, 0));
    EXPECT_FALSE(platform::CalendarDate::dateWithTimeIntervalSince1970(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(date.compare(at(2009, 3, 5, 14, 30, 16, "UTC")), platform::ComparisonResult::OrderedAscending);
}

TEST_F(CalendarLayerTest, ArchivedCalendarDatesKeepTheirZone)
{
    const auto date = at(2009, 3, 5, 23, 30, 15, "Asia/Tokyo");
    const QByteArray archive = platform::Archiver::archivedDataWithRootObject(platform::ArchivedCalendarDate(date));
    // NSDate's value first, then the zone's name.
    EXPECT_TRUE(archive.contains("NSCalendarDate"));
    EXPECT_TRUE(archive.contains(QByteArray("\x06NSDate\x00", 8)));
    EXPECT_TRUE(archive.contains("Asia/Tokyo"));
    const auto decoded = platform::Unarchiver::unarchiveObjectWithData<platform::ArchivedCalendarDate>(archive);
    ASSERT_TRUE(decoded) << decoded.error().description.toStdString();
    EXPECT_EQ((*decoded)->calendarDate(), date);
    EXPECT_EQ((*decoded)->calendarDate().timeZone(), zone("Asia/Tokyo"));

    QByteArray unknownZone = archive;
    unknownZone.replace("Asia/Tokyo", "Asia/Tokyx");
    EXPECT_FALSE(platform::Unarchiver::unarchiveObjectWithData(unknownZone));
}

} // namespace
