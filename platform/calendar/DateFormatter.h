#pragma once

#include "platform/calendar/Calendar.h"
#include "platform/calendar/CalendarDate.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>
#include <QVariant>

#include <memory>
#include <optional>

namespace platform {

/// Turns dates into text, the counterpart of NSDateFormatter, formatting with
/// ICU (the original's formatters were ICU's, so patterns and localized
/// formats match) in the formatter's zone and locale.
///
/// Two behaviours, as the original has:
/// - Behavior10_4 (1040, the default): an ICU pattern ("MMM d, y"), either set
///   with setDateFormat or the locale's pattern for the date and time styles.
/// - Behavior10_0 (1000): the older calendar format of %-conversions
///   ("%Y-%m-%d %H:%M:%S.%F"), converted to an ICU pattern when formatting:
///   %a %A weekday, %b %B month name, %c date and time, %d %e day, %F
///   milliseconds, %H %I hour, %j day of year, %m month, %M minute, %p AM/PM,
///   %S second, %w weekday number from 0 (Sunday), %x date, %X time, %y %Y
///   year, %Z zone name, %z zone offset (+hhmm), %% a percent sign; any other
///   text is literal.
///
/// Not thread-safe: it keeps its ICU formatter between calls.
class DateFormatter
{
public:
    enum Behavior { BehaviorDefault = 0, Behavior10_0 = 1000, Behavior10_4 = 1040 };
    enum Style { NoStyle = 0, ShortStyle = 1, MediumStyle = 2, LongStyle = 3, FullStyle = 4 };

    /// Behaviour 1040, no styles and so an empty format, in the default locale
    /// (QLocale()), the default zone, and the locale's calendar.
    DateFormatter();
    /// Behaviour 1000 with a calendar format (initWithDateFormat:allowNaturalLanguage:).
    DateFormatter(const QString &calendarFormat, bool allowNaturalLanguage);
    virtual ~DateFormatter();
    DateFormatter(const DateFormatter &) = delete;
    DateFormatter &operator=(const DateFormatter &) = delete;

    Behavior formatterBehavior() const;
    /// BehaviorDefault stands for Behavior10_4.
    void setFormatterBehavior(Behavior behavior);

    Style dateStyle() const;
    /// Also replaces a format set before by the locale's pattern for the styles.
    void setDateStyle(Style style);
    Style timeStyle() const;
    void setTimeStyle(Style style);

    /// The format in use: the one set, else the locale's pattern for the
    /// styles (empty when both are NoStyle).
    QString dateFormat() const;
    void setDateFormat(const QString &format);

    bool allowsNaturalLanguage() const;

    /// The calendar set, or none for the locale's own.
    std::optional<Calendar> calendar() const;
    /// Formats with `calendar` (a copy); its type also selects the locale's
    /// patterns for the styles. The formatter's own zone still applies.
    void setCalendar(const Calendar &calendar);

    QLocale locale() const;
    void setLocale(const QLocale &locale);

    QTimeZone timeZone() const;
    /// An invalid zone is ignored.
    void setTimeZone(const QTimeZone &zone);

    /// The text of `date`; empty for an invalid date or an empty format.
    QString stringFromDate(const QDateTime &date) const;
    QString stringFromDate(const CalendarDate &date) const { return stringFromDate(date.date()); }

    /// The text of a date (QDateTime or CalendarDate), none for anything else.
    virtual std::optional<QString> stringForObjectValue(const QVariant &value) const;

private:
    void invalidate();

    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
