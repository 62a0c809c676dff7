#pragma once

#include "VLCalendarEventProtocol.h"

namespace platform {
class ArchiveClassRegistry;
}

/// A calendar event: a summary, a start and an end date, and whether it lasts
/// all day. No recurrences, alarms, attendees or parent: those questions are
/// answered no. Held by std::shared_ptr; copies are made with copy().
///
/// In a sequential archive (class "VLCalendarEvent" version 0): the summary,
/// the start and the end date as three objects (see
/// platform::ArchivedCalendarDate), then the all-day flag as one "c" value.
/// The class is registered with the shared archive class registry when the
/// program starts.
class VLCalendarEvent : public protocols::VLCalendarEvent, public std::enable_shared_from_this<VLCalendarEvent>
{
public:
    static constexpr platform::ArchivedClass archivedClass{"VLCalendarEvent", 0, &platform::ArchivedClass::NSObject};

    /// An event without summary or dates, not all-day.
    VLCalendarEvent();
    ~VLCalendarEvent() override;
    VLCalendarEvent(const VLCalendarEvent &) = delete;
    VLCalendarEvent &operator=(const VLCalendarEvent &) = delete;

    /// A new event with every value of this one.
    std::shared_ptr<protocols::VLCalendarEvent> copy() const override;

    QString summary() const override { return m_title; }
    void setSummary(const QString &summary) { m_title = summary; }
    std::optional<platform::CalendarDate> startDate() const override { return m_startDate; }
    void setStartDate(const std::optional<platform::CalendarDate> &date) override { m_startDate = date; }
    std::optional<platform::CalendarDate> endDate() const override { return m_endDate; }
    void setEndDate(const std::optional<platform::CalendarDate> &date) override { m_endDate = date; }
    bool isAllDay() const override { return m_isAllDay; }
    void setAllDay(bool allDay) override { m_isAllDay = allDay; }

    /// The start date when it is at or after `date`; none otherwise, and for an
    /// invalid date.
    std::optional<platform::CalendarDate> nextOccurrenceOfRecordAfterDate(const QDateTime &date) const override;
    /// The start date when it is at or before `date`; none otherwise.
    std::optional<platform::CalendarDate> previousOccurrenceOfRecordBeforeDate(const QDateTime &date) const override;

    bool hasAlarms() const override { return false; }
    bool hasAttendees() const override { return false; }
    bool hasRecurrences() const override { return false; }
    bool hasParentRecord() const override { return false; }

    /// The order for display within a day against an event (see the overload);
    /// against anything else the root object's order (vl::compare): the same
    /// only for this very event, else OrderedDescending.
    platform::ComparisonResult compare(const QVariant &other) const override;
    /// All-day events first, then events by the time of day of their start in
    /// the current calendar (the day does not count), then by summary; an event
    /// without a start comes before one with a start.
    platform::ComparisonResult compare(const VLCalendarEvent &other) const;

    const platform::ArchivedClass &classForArchiver() const override { return archivedClass; }
    void encodeWithCoder(platform::Archiver &coder) const override;
    void initWithCoder(platform::Unarchiver &coder) override;

    /// Registers the event and the calendar dates it holds with `registry`.
    static void registerArchivedClasses(platform::ArchiveClassRegistry &registry);

private:
    QString m_title;
    std::optional<platform::CalendarDate> m_startDate;
    std::optional<platform::CalendarDate> m_endDate;
    bool m_isAllDay = false;
};
