#pragma once

#include "platform/calendar/CalendarDate.h"

#include <QDateTime>

#include <optional>

/// Operations the library adds to plain dates. A plain date is a QDateTime
/// standing for an instant; an invalid QDateTime stands for none.
namespace vl {

/// The plain date at the calendar date's instant; invalid for none.
QDateTime dateFromCalendarDate(const std::optional<platform::CalendarDate> &date);

/// `seconds` after `date` (to the millisecond); invalid for an invalid date or
/// a result beyond range. Reports on every call through the debugger log that
/// it is deprecated.
[[deprecated("use QDateTime::addMSecs")]] QDateTime dateWithTimeInterval(double seconds, const QDateTime &date);

} // namespace vl
