#pragma once

// What the event and task records share: their order for display within a day,
// the occurrence questions, and the reading of their archived values.

#include "platform/calendar/CalendarDate.h"
#include "platform/core/ComparisonResult.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace platform {
class Unarchiver;
}

namespace vl::dates {

/// One side of a display comparison.
struct DisplayKey
{
    bool allDay;
    const std::optional<platform::CalendarDate> &time;
    const QString &summary;
};

/// All-day records first; records with a time by their time of day in the
/// current calendar (the day plays no part); then by summary. A record without
/// a date comes before one with a date, and a null summary before any other.
platform::ComparisonResult compareForDisplay(const DisplayKey &record, const DisplayKey &other);

/// `start` when it is at or after `date`; none otherwise.
std::optional<platform::CalendarDate> occurrenceAtOrAfter(const std::optional<platform::CalendarDate> &start,
                                                          const QDateTime &date);
/// `start` when it is at or before `date`; none otherwise.
std::optional<platform::CalendarDate> occurrenceAtOrBefore(const std::optional<platform::CalendarDate> &start,
                                                           const QDateTime &date);

/// The next object as a string: a null string for nil. Anything else makes
/// the coder fail.
QString decodeString(platform::Unarchiver &coder);
/// The next object as a calendar date (a plain date is taken in the default
/// zone); none for nil. Anything else makes the coder fail.
std::optional<platform::CalendarDate> decodeCalendarDate(platform::Unarchiver &coder);
/// The next "c" value as a boolean: any value but 0 is true.
bool decodeBool(platform::Unarchiver &coder);

} // namespace vl::dates
