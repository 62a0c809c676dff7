#include "platform/calendar/DateFormatter.h"

#include "platform/calendar/CalendarFormat_p.h"
#include "platform/calendar/IcuSupport_p.h"
#include "platform/calendar/SystemIcuTimeZone_p.h"
#include "platform/calendar/TimeZones.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/smpdtfmt.h>

namespace platform {

namespace {

icu::DateFormat::EStyle icuStyle(DateFormatter::Style style)
{
    switch (style) {
    case DateFormatter::NoStyle:
        return icu::DateFormat::kNone;
    case DateFormatter::ShortStyle:
        return icu::DateFormat::kShort;
    case DateFormatter::MediumStyle:
        return icu::DateFormat::kMedium;
    case DateFormatter::LongStyle:
        return icu::DateFormat::kLong;
    case DateFormatter::FullStyle:
        return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}

DateFormatter::Style validStyle(DateFormatter::Style style)
{
    return style >= DateFormatter::NoStyle && style <= DateFormatter::FullStyle ? style : DateFormatter::NoStyle;
}

} // namespace

struct DateFormatter::Private
{
    Behavior behavior = Behavior10_4;
    Style dateStyle = NoStyle;
    Style timeStyle = NoStyle;
    std::optional<QString> format;
    bool allowsNaturalLanguage = false;
    std::optional<Calendar> calendar;
    QLocale locale;
    QTimeZone zone = defaultTimeZone();

    // The ICU formatter for the current settings and the pattern it was made
    // with; rebuilt when a setting changes.
    mutable std::unique_ptr<icu::SimpleDateFormat> formatter;
    mutable QString formatterPattern;

    icu::Locale icuLocale() const
    {
        icu::Locale result = icu_support::toIcuLocale(locale);
        if (calendar) {
            UErrorCode status = U_ZERO_ERROR;
            result.setKeywordValue("calendar", calendar->calendarIdentifier().toLatin1().constData(), status);
        }
        return result;
    }

    QString stylePattern() const
    {
        if (dateStyle == NoStyle && timeStyle == NoStyle)
            return {};
        const std::unique_ptr<icu::DateFormat> styled(
            icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle), icuStyle(timeStyle), icuLocale()));
        const auto *simple = dynamic_cast<const icu::SimpleDateFormat *>(styled.get());
        if (!simple)
            return {};
        icu::UnicodeString pattern;
        simple->toPattern(pattern);
        return icu_support::fromUnicode(pattern);
    }

    QString currentFormat() const { return format ? *format : (behavior == Behavior10_0 ? QString() : stylePattern()); }

    // The ICU formatter for `pattern`, made anew only when the pattern changed.
    icu::SimpleDateFormat *formatterFor(const QString &pattern) const
    {
        if (formatter && formatterPattern == pattern)
            return formatter.get();
        UErrorCode status = U_ZERO_ERROR;
        auto made = std::make_unique<icu::SimpleDateFormat>(icu_support::toUnicode(pattern), icuLocale(), status);
        if (U_FAILURE(status))
            return nullptr;
        if (calendar)
            made->adoptCalendar(calendar->icuCalendar().clone());
        made->adoptTimeZone(createIcuTimeZone(zone).release());
        formatter = std::move(made);
        formatterPattern = pattern;
        return formatter.get();
    }

    // 0 (Sunday) to 6: the day a %w shows.
    int weekday(UDate date) const
    {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Calendar> days(calendar ? calendar->icuCalendar().clone()
                                                     : icu::Calendar::createInstance(icuLocale(), status));
        if (U_FAILURE(status) || !days)
            return 0;
        days->adoptTimeZone(createIcuTimeZone(zone).release());
        days->setTime(date, status);
        const int day = days->get(UCAL_DAY_OF_WEEK, status);
        return U_SUCCESS(status) ? day - 1 : 0;
    }
};

DateFormatter::DateFormatter()
    : d(std::make_unique<Private>())
{
}

DateFormatter::DateFormatter(const QString &calendarFormat, bool allowNaturalLanguage)
    : d(std::make_unique<Private>())
{
    d->behavior = Behavior10_0;
    d->format = calendarFormat;
    d->allowsNaturalLanguage = allowNaturalLanguage;
}

DateFormatter::~DateFormatter() = default;

void DateFormatter::invalidate()
{
    d->formatter.reset();
}

DateFormatter::Behavior DateFormatter::formatterBehavior() const
{
    return d->behavior;
}

void DateFormatter::setFormatterBehavior(Behavior behavior)
{
    d->behavior = behavior == Behavior10_0 ? Behavior10_0 : Behavior10_4;
    invalidate();
}

DateFormatter::Style DateFormatter::dateStyle() const
{
    return d->dateStyle;
}

void DateFormatter::setDateStyle(Style style)
{
    d->dateStyle = validStyle(style);
    d->format.reset();
    invalidate();
}

DateFormatter::Style DateFormatter::timeStyle() const
{
    return d->timeStyle;
}

void DateFormatter::setTimeStyle(Style style)
{
    d->timeStyle = validStyle(style);
    d->format.reset();
    invalidate();
}

QString DateFormatter::dateFormat() const
{
    return d->currentFormat();
}

void DateFormatter::setDateFormat(const QString &format)
{
    d->format = format;
    invalidate();
}

bool DateFormatter::allowsNaturalLanguage() const
{
    return d->allowsNaturalLanguage;
}

std::optional<Calendar> DateFormatter::calendar() const
{
    return d->calendar;
}

void DateFormatter::setCalendar(const Calendar &calendar)
{
    d->calendar = calendar;
    invalidate();
}

QLocale DateFormatter::locale() const
{
    return d->locale;
}

void DateFormatter::setLocale(const QLocale &locale)
{
    d->locale = locale;
    invalidate();
}

QTimeZone DateFormatter::timeZone() const
{
    return d->zone;
}

void DateFormatter::setTimeZone(const QTimeZone &zone)
{
    if (!zone.isValid())
        return;
    d->zone = zone;
    invalidate();
}

QString DateFormatter::stringFromDate(const QDateTime &date) const
{
    const QString format = d->currentFormat();
    if (!date.isValid() || format.isEmpty())
        return {};
    const UDate when = icu_support::toUDate(date);
    QString pattern = format;
    if (d->behavior == Behavior10_0) {
        const int weekday = calendarFormatNeedsWeekday(format) ? d->weekday(when) : 0;
        pattern = icuPatternFromCalendarFormat(format, d->icuLocale(), weekday);
    }
    icu::SimpleDateFormat *formatter = d->formatterFor(pattern);
    if (!formatter)
        return {};
    icu::UnicodeString text;
    formatter->format(when, text);
    return icu_support::fromUnicode(text);
}

std::optional<QString> DateFormatter::stringForObjectValue(const QVariant &value) const
{
    if (value.metaType() == QMetaType::fromType<QDateTime>())
        return stringFromDate(value.toDateTime());
    if (value.metaType() == QMetaType::fromType<CalendarDate>())
        return stringFromDate(value.value<CalendarDate>());
    return std::nullopt;
}

} // namespace platform
