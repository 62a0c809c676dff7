#pragma once

#include "platform/calendar/DateComponents.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Calendar;
U_NAMESPACE_END

namespace platform {

/// A span of component values: `length` values from `location`.
struct CalendarRange
{
    qint32 location = 0;
    qint32 length = 0;
    bool operator==(const CalendarRange &) const = default;
};

/// A calendar of the platform, the counterpart of NSCalendar, computed by ICU
/// (whose calendars the original platform used, so identifiers and results
/// match) with the zone data of the system (see TimeZones.h). Dates are
/// instants (QDateTime, compared by instant); components are read and built in
/// the calendar's time zone.
///
/// A copy is an independent calendar. Not thread-safe: ICU calendars keep the
/// state of their last computation, so use one calendar from one thread.
class Calendar
{
public:
    /// The calendar of `identifier`, an ICU calendar type matched exactly
    /// ("gregorian", "buddhist", "chinese", "hebrew", "islamic",
    /// "islamic-civil", "japanese", and ICU's others such as "persian"), in
    /// `locale` and `zone`; none for any other identifier: ICU, which matches
    /// without regard to case and falls back to Gregorian, is asked only
    /// about names it then answers for exactly.
    static std::optional<Calendar> calendarWithIdentifier(const QString &identifier, const QLocale &locale = QLocale(),
                                                          const QTimeZone &zone = {});

    /// The user's calendar: the default locale's (QLocale()), whose region
    /// gives the identifier and the first weekday, in the default time zone.
    static Calendar currentCalendar();

    Calendar(const Calendar &other);
    Calendar(Calendar &&other) noexcept;
    Calendar &operator=(const Calendar &other);
    Calendar &operator=(Calendar &&other) noexcept;
    ~Calendar();

    /// ICU's type of the calendar, such as "gregorian".
    QString calendarIdentifier() const;

    QLocale locale() const { return m_locale; }

    QTimeZone timeZone() const { return m_zone; }
    /// REQUIRES: a valid zone; an invalid one is ignored.
    void setTimeZone(const QTimeZone &zone);

    /// The first day of the week, 1 (Sunday) to 7 (Saturday).
    int firstWeekday() const;
    /// Values outside 1 to 7 are ignored.
    void setFirstWeekday(int weekday);

    /// The values the `smaller` unit takes within the `larger` unit that holds
    /// `date` (the days of its month, say: location 1, length 28 to 31). The
    /// pairs: day in month, day in year, month in year, week in month, week in
    /// year, weekday in week, hour in day, minute in hour, second in minute,
    /// year in era. None for other pairs and invalid dates.
    std::optional<CalendarRange> rangeOfUnit(CalendarUnit smaller, CalendarUnit larger, const QDateTime &date) const;

    /// The instant the components name; fields left undefined take ICU's
    /// defaults (January 1970 at midnight, the current era). None when the
    /// components name no date ICU can hold.
    std::optional<QDateTime> dateFromComponents(const DateComponents &components) const;

    /// The components of `date` named in `units` (CalendarUnit values |'d);
    /// the others stay undefined. All undefined for an invalid date.
    DateComponents components(unsigned units, const QDateTime &date) const;

    /// Options of dateByAddingComponents.
    enum AddingOptions : unsigned { NoOptions = 0, WrapCalendarComponents = 1 };

    /// `date` moved by every defined component, larger units first (era, year,
    /// month, week, day, weekday, weekday ordinal, hour, minute, second). With
    /// WrapCalendarComponents a unit wraps within the next larger one instead
    /// of carrying into it. None for an invalid date or a result beyond range.
    std::optional<QDateTime> dateByAddingComponents(const DateComponents &components, const QDateTime &date,
                                                    unsigned options = NoOptions) const;

    /// The ICU calendar itself, in the calendar's zone, for the formatters of
    /// this layer.
    const icu::Calendar &icuCalendar() const { return *m_calendar; }

private:
    Calendar(std::unique_ptr<icu::Calendar> calendar, const QLocale &locale, const QTimeZone &zone);
    bool setDate(const QDateTime &date) const;

    std::unique_ptr<icu::Calendar> m_calendar;
    QLocale m_locale;
    QTimeZone m_zone;
};

} // namespace platform
