#pragma once

#include "platform/calendar/Calendar.h"

#include <QDateTime>
#include <QStringList>

#include <array>
#include <optional>

/// Operations the library adds to the platform's calendars: calendars by
/// identifier, the user's calendar, and what a month view needs (a six-week
/// grid of day numbers, month and weekday names in the calendar's order).
/// All arithmetic is the calendar's own.
namespace vl {

/// Whether the running system is older than the one whose current-calendar
/// accessor stopped leaking. Always false here: no system this runs on is.
bool isPreLeopard();

/// The calendar for an identifier of this exact, case-sensitive list:
/// "gregorian", "buddhist", "chinese", "hebrew", "islamic", "islamic-civil",
/// "japanese", in the default locale and zone. Any other identifier logs
/// "Warning: Unknown calendar identifier <identifier> detected." and gives none.
std::optional<platform::Calendar> calendarWithCalendarIdentifier(const QString &identifier);

/// The user's current calendar (platform::Calendar::currentCalendar()).
platform::Calendar nonLeakyCurrentCalendar();

/// nonLeakyCurrentCalendar(), reporting on every call through the debugger
/// log that it is deprecated.
[[deprecated("use vl::nonLeakyCurrentCalendar")]] platform::Calendar fastCurrentCalendar();

/// The calendar's last day of the week, 1 (Sunday) to 7: the day before its
/// first weekday.
unsigned lastWeekday(const platform::Calendar &calendar);

/// Six weeks of seven days, row by row; column 0 is the calendar's first
/// weekday. A cell holds the day of the month that falls there, -1 where no
/// day of the month does.
using MonthLayout = std::array<qint32, 42>;

/// The month grid of the month holding `date`, its day numbers read from the
/// calendar; none for an invalid date.
std::optional<MonthLayout> layoutOfMonthForDate(const platform::Calendar &calendar, const QDateTime &date);

/// The calendar's month names ("MMMM") in the default locale, in month order.
/// A month the formatter cannot name is logged ("Strange... Month name for
/// date <date> is nil.") and left out.
QStringList monthNames(const platform::Calendar &calendar);

/// The seven full weekday names ("EEEE") in the default locale, the
/// calendar's first weekday first.
QStringList weekdayNames(const platform::Calendar &calendar);

/// The seven abbreviated weekday names ("EE"), in the same order.
QStringList shortWeekdayNames(const platform::Calendar &calendar);

} // namespace vl
