#pragma once

#include "platform/archive/ArchivedObject.h"
#include "platform/calendar/CalendarDate.h"
#include "platform/core/ComparisonResult.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

/// Protocols of calendar records, for code that accepts anything that behaves
/// as an event or a task. They carry the names of the classes that implement
/// them, which live outside this namespace.
namespace protocols {

/// What behaves as a calendar event: a titled span of time, possibly all-day,
/// that can be copied and archived. Dates are calendar dates, none when unset.
class VLCalendarEvent : public platform::ArchivedObject
{
public:
    virtual QString summary() const = 0;
    virtual std::optional<platform::CalendarDate> startDate() const = 0;
    virtual void setStartDate(const std::optional<platform::CalendarDate> &date) = 0;
    virtual std::optional<platform::CalendarDate> endDate() const = 0;
    virtual void setEndDate(const std::optional<platform::CalendarDate> &date) = 0;
    virtual bool isAllDay() const = 0;
    virtual void setAllDay(bool allDay) = 0;
    /// The next occurrence at or after `date`, none when there is none.
    virtual std::optional<platform::CalendarDate> nextOccurrenceOfRecordAfterDate(const QDateTime &date) const = 0;
    /// The last occurrence at or before `date`, none when there is none.
    virtual std::optional<platform::CalendarDate> previousOccurrenceOfRecordBeforeDate(const QDateTime &date) const = 0;
    virtual bool hasAlarms() const = 0;
    virtual bool hasAttendees() const = 0;
    virtual bool hasRecurrences() const = 0;
    virtual bool hasParentRecord() const = 0;
    /// The order for display against any object (see the implementing class).
    virtual platform::ComparisonResult compare(const QVariant &other) const = 0;
    /// A new record with the same values.
    virtual std::shared_ptr<VLCalendarEvent> copy() const = 0;
};

} // namespace protocols
