#pragma once

#include "platform/core/ComparisonResult.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>

namespace platform {

/// An instant seen in a time zone of its own, the counterpart of
/// NSCalendarDate: the year, month, day and time of day it reports are those
/// of its zone (proleptic Gregorian). Immutable apart from setTimeZone; copies
/// share their data, so a copy is cheap and isSharedWith tells it from an
/// equal date made anew.
///
/// Equality and ordering are by instant, whatever the zones.
class CalendarDate
{
public:
    /// The reference date, 2001-01-01 00:00:00 GMT, in GMT.
    CalendarDate();

    /// The current instant in the default zone.
    static CalendarDate calendarDate();

    /// The instant `date` in `zone` (the default zone when `zone` is invalid);
    /// none for an invalid date.
    static std::optional<CalendarDate> dateWithDate(const QDateTime &date, const QTimeZone &zone = {});

    /// The instant `seconds` after 1970-01-01 00:00:00 GMT; none when no date
    /// holds it (not finite, or beyond a million years).
    static std::optional<CalendarDate> dateWithTimeIntervalSince1970(double seconds, const QTimeZone &zone = {});

    /// The instant `seconds` after the reference date; none as above.
    static std::optional<CalendarDate> dateWithTimeIntervalSinceReferenceDate(double seconds,
                                                                              const QTimeZone &zone = {});

    /// That wall time in `zone` (the default zone when invalid); `year` counts
    /// from 1 AD, 0 being 1 BC. None when the fields name no date or time. A
    /// wall time that the zone skips moves forward by the gap.
    static std::optional<CalendarDate> dateWithYear(int year, int month, int day, int hour, int minute, int second,
                                                    const QTimeZone &zone = {});

    /// The instant, in UTC.
    QDateTime date() const;
    /// The instant as the zone shows it.
    const QDateTime &dateTime() const { return *m_local; }
    double timeIntervalSince1970() const;
    double timeIntervalSinceReferenceDate() const;

    QTimeZone timeZone() const { return m_local->timeZone(); }
    /// Shows the same instant in `zone` from now on; an invalid zone is ignored.
    void setTimeZone(const QTimeZone &zone);

    /// The year from 1 AD (1 BC is 0).
    int yearOfCommonEra() const;
    int monthOfYear() const { return m_local->date().month(); }
    int dayOfMonth() const { return m_local->date().day(); }
    /// 0 (Sunday) to 6.
    int dayOfWeek() const { return m_local->date().dayOfWeek() % 7; }
    int hourOfDay() const { return m_local->time().hour(); }
    int minuteOfHour() const { return m_local->time().minute(); }
    int secondOfMinute() const { return m_local->time().second(); }

    /// The date moved in its zone by years, months and days (keeping the wall
    /// time; a day beyond the new month's end becomes its last day), then by
    /// hours, minutes and seconds of elapsed time. None beyond range.
    std::optional<CalendarDate> dateByAddingYears(int years, int months, int days, int hours, int minutes,
                                                  int seconds) const;

    bool isEqualToDate(const CalendarDate &other) const;
    ComparisonResult compare(const CalendarDate &other) const;
    friend bool operator==(const CalendarDate &a, const CalendarDate &b) { return a.isEqualToDate(b); }

    /// Whether both are copies of one date.
    bool isSharedWith(const CalendarDate &other) const { return m_local == other.m_local; }

    /// "yyyy-MM-dd HH:mm:ss ±hhmm" in the date's zone.
    QString description() const;

private:
    explicit CalendarDate(QDateTime local);
    std::shared_ptr<const QDateTime> m_local;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::CalendarDate)
