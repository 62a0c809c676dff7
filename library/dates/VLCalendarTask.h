#pragma once

#include "VLCalendarTaskProtocol.h"

namespace platform {
class ArchiveClassRegistry;
}

/// A calendar task: a summary, start, due and completion dates, whether the
/// due date names a day only, and a status code it stores without reading.
/// No recurrences, alarms, attendees or parent. Held by std::shared_ptr;
/// copies are made with copy().
///
/// In a sequential archive (class "VLCalendarTask" version 0): the summary,
/// the start and the due date as three objects, the date-only flag as one "c"
/// value, then the completion date as an object. The status is not archived: a
/// decoded task, like a copied one, has status 0. The class is registered with
/// the shared archive class registry when the program starts.
class VLCalendarTask : public protocols::VLCalendarTask, public std::enable_shared_from_this<VLCalendarTask>
{
public:
    static constexpr platform::ArchivedClass archivedClass{"VLCalendarTask", 0, &platform::ArchivedClass::NSObject};

    /// A task without summary or dates, not date-only, status 0.
    VLCalendarTask();
    ~VLCalendarTask() override;
    VLCalendarTask(const VLCalendarTask &) = delete;
    VLCalendarTask &operator=(const VLCalendarTask &) = delete;

    /// A task for `summary`; the original sets a summary only when decoding.
    explicit VLCalendarTask(const QString &summary);

    /// A new task with every value of this one but the status, which is 0 as
    /// in an archive.
    std::shared_ptr<protocols::VLCalendarTask> copy() const override;

    QString summary() const override { return m_summary; }
    std::optional<platform::CalendarDate> startDate() const override { return m_startDate; }
    void setStartDate(const std::optional<platform::CalendarDate> &date) override { m_startDate = date; }
    std::optional<platform::CalendarDate> dueDate() const override { return m_dueDate; }
    void setDueDate(const std::optional<platform::CalendarDate> &date) override { m_dueDate = date; }
    bool dueDateIsDateOnly() const override { return m_dueDateIsDateOnly; }
    void setDueDateIsDateOnly(bool dateOnly) override { m_dueDateIsDateOnly = dateOnly; }
    std::optional<platform::CalendarDate> completionDate() const override { return m_completionDate; }
    void setCompletionDate(const std::optional<platform::CalendarDate> &date) override { m_completionDate = date; }
    quint32 status() const override { return m_status; }
    void setStatus(quint32 status) override { m_status = status; }

    bool hasAlarms() const override { return false; }
    bool hasAttendees() const override { return false; }
    bool hasRecurrences() const override { return false; }
    bool hasParentRecord() const override { return false; }

    /// The order for display within a day against a task (see the overload);
    /// against anything else the root object's order (vl::compare).
    platform::ComparisonResult compare(const QVariant &other) const override;
    /// Date-only tasks first, then tasks by the time of day of their due date
    /// in the current calendar, then by summary; a task without a due date
    /// comes before one with a due date.
    platform::ComparisonResult compare(const VLCalendarTask &other) const;

    /// The start date when it is at or after `date`; none otherwise.
    std::optional<platform::CalendarDate> nextOccurrenceOfRecordAfterDate(const QDateTime &date) const override;
    /// The start date when it is at or before `date`; none otherwise.
    std::optional<platform::CalendarDate> previousOccurrenceOfRecordBeforeDate(const QDateTime &date) const override;

    /// Today (the current day at 12:00:00 GMT) without a due date; the
    /// completion date when the task was completed after its due date; else
    /// the later of today and the due date.
    platform::CalendarDate endDateForDrawing() const override;

    const platform::ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override;
    void initWithCoder(platform::Unarchiver &coder) override;

    /// Registers the task and the calendar dates it holds with `registry`.
    static void registerArchivedClasses(platform::ArchiveClassRegistry &registry);

private:
    QString m_summary;
    std::optional<platform::CalendarDate> m_startDate;
    std::optional<platform::CalendarDate> m_dueDate;
    bool m_dueDateIsDateOnly = false;
    std::optional<platform::CalendarDate> m_completionDate;
    quint32 m_status = 0;
};
