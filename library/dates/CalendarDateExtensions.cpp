#include "CalendarDateExtensions.h"

#include "Deprecation_p.h"
#include "platform/calendar/TimeZones.h"

namespace vl {

std::optional<platform::CalendarDate> calendarDateFromDate(const QDateTime &date)
{
    return platform::CalendarDate::dateWithDate(date);
}

platform::CalendarDate calendarDateFromDate(const platform::CalendarDate &date)
{
    return date;
}

platform::CalendarDate dateToNextHour(const platform::CalendarDate &date)
{
    // Only a date at the very end of the range of dates cannot move on.
    return date.dateByAddingYears(0, 0, 0, 0, 0, 3600 - secondOfHour(date)).value_or(date);
}

platform::CalendarDate dateWithCurrentTime(const platform::CalendarDate &date)
{
    const platform::CalendarDate now = platform::CalendarDate::calendarDate();
    return platform::CalendarDate::dateWithYear(date.yearOfCommonEra(), date.monthOfYear(), date.dayOfMonth(),
                                                now.hourOfDay(), now.minuteOfHour(), now.secondOfMinute())
        .value_or(date);
}

platform::CalendarDate dateWithoutCurrentTime(const platform::CalendarDate &date)
{
    static const QTimeZone gmt = platform::gmtTimeZone();
    if (date.timeZone() == gmt && date.hourOfDay() == 12 && date.minuteOfHour() == 0 && date.secondOfMinute() == 0)
        return date;
    return platform::CalendarDate::dateWithYear(date.yearOfCommonEra(), date.monthOfYear(), date.dayOfMonth(), 12, 0, 0,
                                                gmt)
        .value_or(date);
}

namespace {

bool isGregorianLeapYear(int year)
{
    if (year % 4 != 0)
        return false;
    return year % 100 != 0 || year % 400 == 0;
}

} // namespace

bool isLeapYear(const platform::CalendarDate &date)
{
    dates::reportDeprecatedCall("-[NSCalendarDate isLeapYear] is deprecated; use NSCalendar instead.");
    return isGregorianLeapYear(date.yearOfCommonEra());
}

int numberOfDaysInMonth(const platform::CalendarDate &date)
{
    dates::reportDeprecatedCall("-[NSCalendarDate numberOfDaysInMonth] is deprecated; use NSCalendar instead.");
    const int month = date.monthOfYear();
    if (month > 11)
        return 31;
    if ((0xA50 >> month) & 1) // April, June, September, November
        return 30;
    if (month != 2)
        return 31;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return isLeapYear(date) ? 29 : 28;
#pragma GCC diagnostic pop
}

int secondOfDay(const platform::CalendarDate &date)
{
    return date.hourOfDay() * 3600 + date.minuteOfHour() * 60 + date.secondOfMinute();
}

int secondOfHour(const platform::CalendarDate &date)
{
    return date.minuteOfHour() * 60 + date.secondOfMinute();
}

} // namespace vl
