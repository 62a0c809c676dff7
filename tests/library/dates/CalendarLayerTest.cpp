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

    // A day across the spring change keeps the wall time of the calendar's zone.
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

} // namespace
