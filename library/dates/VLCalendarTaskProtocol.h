#pragma once

#include "platform/archive/ArchivedObject.h"
#include "platform/calendar/CalendarDate.h"
#include "platform/core/ComparisonResult.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace protocols {

/// What behaves as a calendar task: a to-do with start, due and completion
/// dates and a status code, that can be copied and archived. Dates are
/// calendar dates, none when unset.
class VLCalendarTask : public platform::ArchivedObject
{
public:
    virtual QString summary() const = 0;
    virtual std::optional<platform::CalendarDate> startDate() const = 0;
    virtual void setStartDate(const std::optional<platform::CalendarDate> &date) = 0;
    virtual std::optional<platform::CalendarDate> dueDate() const = 0;
    virtual void setDueDate(const std::optional<platform::CalendarDate> &date) = 0;
    /// Whether the due date names a day rather than a time.
    virtual bool dueDateIsDateOnly() const = 0;
    virtual void setDueDateIsDateOnly(bool dateOnly) = 0;
    /// None while the task is open.
    virtual std::optional<platform::CalendarDate> completionDate() const = 0;
    virtual void setCompletionDate(const std::optional<platform::CalendarDate> &date) = 0;
    virtual quint32 status() const = 0;
    virtual void setStatus(quint32 status) = 0;
    virtual bool hasAlarms() const = 0;
    virtual bool hasAttendees() const = 0;
    virtual bool hasRecurrences() const = 0;
    virtual bool hasParentRecord() const = 0;
    /// The order for display against any object (see the implementing class).
    virtual platform::ComparisonResult compare(const QVariant &other) const = 0;
    virtual std::optional<platform::CalendarDate> nextOccurrenceOfRecordAfterDate(const QDateTime &date) const = 0;
    virtual std::optional<platform::CalendarDate> previousOccurrenceOfRecordBeforeDate(const QDateTime &date) const = 0;
    /// The date up to which a display draws the task.
    virtual platform::CalendarDate endDateForDrawing() const = 0;
    /// A new record with the same values.
    virtual std::shared_ptr<VLCalendarTask> copy() const = 0;
};

} // namespace protocols
