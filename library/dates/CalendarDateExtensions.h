#pragma once

#include "platform/calendar/CalendarDate.h"

#include <QDateTime>

#include <optional>

/// Operations the library adds to calendar dates: conversions from plain
/// dates, the next full hour, a day at the current time or at noon GMT, and
/// seconds into the day or the hour. Fields are read in the date's own zone.
namespace vl {

/// The calendar date at the instant of `date` in the default zone; none for an
/// invalid date.
std::optional<platform::CalendarDate> calendarDateFromDate(const QDateTime &date);
/// A copy of a date that is already a calendar date: its zone is kept.
platform::CalendarDate calendarDateFromDate(const platform::CalendarDate &date);

/// The start of the next hour: the date moved by 3600 − secondOfHour seconds,
/// so that a date exactly on the hour moves a full hour on.
platform::CalendarDate dateToNextHour(const platform::CalendarDate &date);

/// The date's day (year, month, day in its zone) at the current time of day,
/// in the default zone.
platform::CalendarDate dateWithCurrentTime(const platform::CalendarDate &date);

/// The date's day, as its own zone sees it, at 12:00:00 GMT; `date` itself
/// (a copy sharing its data) when it already is in GMT and reads 12:00:00.
platform::CalendarDate dateWithoutCurrentTime(const platform::CalendarDate &date);

/// Whether the date's year is a Gregorian leap year. Reports on every call
/// through the debugger log that it is deprecated.
[[deprecated("use platform::Calendar")]] bool isLeapYear(const platform::CalendarDate &date);

/// The number of days of the date's month (Gregorian). Reports as isLeapYear.
[[deprecated("use platform::Calendar")]] int numberOfDaysInMonth(const platform::CalendarDate &date);

/// Seconds since midnight, 0 to 86399, from the hour, minute and second.
int secondOfDay(const platform::CalendarDate &date);

/// Seconds since the start of the hour, 0 to 3599.
int secondOfHour(const platform::CalendarDate &date);

} // namespace vl
