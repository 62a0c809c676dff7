// The calendar layer the helpers stand on: ICU's arithmetic through
// platform::Calendar, in the calendar's zone.

#include "DatesTestSupport.h"
#include "platform/calendar/Calendar.h"

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
        {platform::DayCalendarUnit, platform::YearCalendarUnit, utc(2004, 7, 1), CalendarRange{1, 366}},
        {platform::MonthCalendarUnit, platform::YearCalendarUnit, utc(2009, 7, 1), CalendarRange{1, 12}},
        {platform::HourCalendarUnit, platform::DayCalendarUnit, utc(2009, 7, 1), CalendarRange{0, 24}},
        {platform::DayCalendarUnit, platform::WeekdayCalendarUnit, utc(2009, 7, 1), std::nullopt},
        {platform::DayCalendarUnit, platform::MonthCalendarUnit, QDateTime(), std::nullopt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(calendar.rangeOfUnit(row.smaller, row.larger, row.date), row.expected)
            << row.smaller << " in " << row.larger << " at " << row.date.toString(Qt::ISODate).toStdString();
    const auto hebrew = platform::Calendar::calendarWithIdentifier(QStringLiteral("hebrew"));
    // 5784 (2023-24) is a leap year of thirteen months.
    EXPECT_EQ(hebrew->rangeOfUnit(platform::MonthCalendarUnit, platform::YearCalendarUnit, utc(2024, 1, 15))->length,
              13);
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

} // namespace
