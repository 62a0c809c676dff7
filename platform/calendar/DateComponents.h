#pragma once

#include <QMetaType>
#include <QtGlobal>

namespace platform {

/// The value of a date component that is not set: 2147483647, the original
/// platform's NSUndefinedDateComponent.
inline constexpr qint32 UndefinedDateComponent = 2147483647;

/// Calendar units, with the original platform's values; combine them with |.
enum CalendarUnit : unsigned {
    EraCalendarUnit = 2,
    YearCalendarUnit = 4,
    MonthCalendarUnit = 8,
    DayCalendarUnit = 16,
    HourCalendarUnit = 32,
    MinuteCalendarUnit = 64,
    SecondCalendarUnit = 128,
    WeekCalendarUnit = 256,
    WeekdayCalendarUnit = 512,
    WeekdayOrdinalCalendarUnit = 1024,
};

/// The components of a date in some calendar, the counterpart of
/// NSDateComponents: ten signed 32-bit fields, each UndefinedDateComponent
/// until set. Months, days and weekdays count from 1 (1 is Sunday); `week` is
/// the week of the year. It holds numbers only: what they mean is the
/// calendar's business (see Calendar).
class DateComponents
{
public:
    qint32 era() const { return m_era; }
    void setEra(qint32 value) { m_era = value; }
    qint32 year() const { return m_year; }
    void setYear(qint32 value) { m_year = value; }
    qint32 month() const { return m_month; }
    void setMonth(qint32 value) { m_month = value; }
    qint32 week() const { return m_week; }
    void setWeek(qint32 value) { m_week = value; }
    qint32 day() const { return m_day; }
    void setDay(qint32 value) { m_day = value; }
    qint32 weekday() const { return m_weekday; }
    void setWeekday(qint32 value) { m_weekday = value; }
    qint32 weekdayOrdinal() const { return m_weekdayOrdinal; }
    void setWeekdayOrdinal(qint32 value) { m_weekdayOrdinal = value; }
    qint32 hour() const { return m_hour; }
    void setHour(qint32 value) { m_hour = value; }
    qint32 minute() const { return m_minute; }
    void setMinute(qint32 value) { m_minute = value; }
    qint32 second() const { return m_second; }
    void setSecond(qint32 value) { m_second = value; }

private:
    qint32 m_era = UndefinedDateComponent;
    qint32 m_year = UndefinedDateComponent;
    qint32 m_month = UndefinedDateComponent;
    qint32 m_week = UndefinedDateComponent;
    qint32 m_day = UndefinedDateComponent;
    qint32 m_weekday = UndefinedDateComponent;
    qint32 m_weekdayOrdinal = UndefinedDateComponent;
    qint32 m_hour = UndefinedDateComponent;
    qint32 m_minute = UndefinedDateComponent;
    qint32 m_second = UndefinedDateComponent;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::DateComponents)
