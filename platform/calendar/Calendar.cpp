#include "platform/calendar/Calendar.h"

#include "platform/calendar/IcuSupport_p.h"
#include "platform/calendar/SystemIcuTimeZone_p.h"
#include "platform/calendar/TimeZones.h"

#include <unicode/calendar.h>

#include <algorithm>
#include <array>

namespace platform {

namespace {

struct ComponentField
{
    CalendarUnit unit;
    UCalendarDateFields field;
    qint32 shift; // ICU counts months from 0
};

// Larger units first: the order in which components are added.
const std::array<ComponentField, 10> componentFields{{
    {EraCalendarUnit, UCAL_ERA, 0},
    {YearCalendarUnit, UCAL_YEAR, 0},
    {MonthCalendarUnit, UCAL_MONTH, 1},
    {WeekCalendarUnit, UCAL_WEEK_OF_YEAR, 0},
    {DayCalendarUnit, UCAL_DATE, 0},
    {WeekdayCalendarUnit, UCAL_DAY_OF_WEEK, 0},
    {WeekdayOrdinalCalendarUnit, UCAL_DAY_OF_WEEK_IN_MONTH, 0},
    {HourCalendarUnit, UCAL_HOUR_OF_DAY, 0},
    {MinuteCalendarUnit, UCAL_MINUTE, 0},
    {SecondCalendarUnit, UCAL_SECOND, 0},
}};

qint32 get(const DateComponents &components, CalendarUnit unit)
{
    switch (unit) {
    case EraCalendarUnit:
        return components.era();
    case YearCalendarUnit:
        return components.year();
    case MonthCalendarUnit:
        return components.month();
    case WeekCalendarUnit:
        return components.week();
    case DayCalendarUnit:
        return components.day();
    case WeekdayCalendarUnit:
        return components.weekday();
    case WeekdayOrdinalCalendarUnit:
        return components.weekdayOrdinal();
    case HourCalendarUnit:
        return components.hour();
    case MinuteCalendarUnit:
        return components.minute();
    case SecondCalendarUnit:
        return components.second();
    }
    return UndefinedDateComponent;
}

void set(DateComponents &components, CalendarUnit unit, qint32 value)
{
    switch (unit) {
    case EraCalendarUnit:
        return components.setEra(value);
    case YearCalendarUnit:
        return components.setYear(value);
    case MonthCalendarUnit:
        return components.setMonth(value);
    case WeekCalendarUnit:
        return components.setWeek(value);
    case DayCalendarUnit:
        return components.setDay(value);
    case WeekdayCalendarUnit:
        return components.setWeekday(value);
    case WeekdayOrdinalCalendarUnit:
        return components.setWeekdayOrdinal(value);
    case HourCalendarUnit:
        return components.setHour(value);
    case MinuteCalendarUnit:
        return components.setMinute(value);
    case SecondCalendarUnit:
        return components.setSecond(value);
    }
}

struct RangePair
{
    CalendarUnit smaller;
    CalendarUnit larger;
    UCalendarDateFields field;
    qint32 shift;
};

const std::array<RangePair, 10> rangePairs{{
    {DayCalendarUnit, MonthCalendarUnit, UCAL_DATE, 0},
    {DayCalendarUnit, YearCalendarUnit, UCAL_DAY_OF_YEAR, 0},
    {MonthCalendarUnit, YearCalendarUnit, UCAL_MONTH, 1},
    {WeekCalendarUnit, MonthCalendarUnit, UCAL_WEEK_OF_MONTH, 0},
    {WeekCalendarUnit, YearCalendarUnit, UCAL_WEEK_OF_YEAR, 0},
    {WeekdayCalendarUnit, WeekCalendarUnit, UCAL_DAY_OF_WEEK, 0},
    {HourCalendarUnit, DayCalendarUnit, UCAL_HOUR_OF_DAY, 0},
    {MinuteCalendarUnit, HourCalendarUnit, UCAL_MINUTE, 0},
    {SecondCalendarUnit, MinuteCalendarUnit, UCAL_SECOND, 0},
    {YearCalendarUnit, EraCalendarUnit, UCAL_YEAR, 0},
}};

bool isCalendarType(const QString &identifier)
{
    return !identifier.isEmpty() && std::all_of(identifier.cbegin(), identifier.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
    });
}

QTimeZone validZone(const QTimeZone &zone)
{
    return zone.isValid() ? zone : defaultTimeZone();
}

} // namespace

Calendar::Calendar(std::unique_ptr<icu::Calendar> calendar, const QLocale &locale, const QTimeZone &zone)
    : m_calendar(std::move(calendar))
    , m_locale(locale)
    , m_zone(zone)
{
}

Calendar::Calendar(const Calendar &other)
    : m_calendar(other.m_calendar->clone())
    , m_locale(other.m_locale)
    , m_zone(other.m_zone)
{
}

Calendar::Calendar(Calendar &&other) noexcept = default;

Calendar &Calendar::operator=(const Calendar &other)
{
    if (this != &other)
        *this = Calendar(other);
    return *this;
}

Calendar &Calendar::operator=(Calendar &&other) noexcept = default;
Calendar::~Calendar() = default;

std::optional<Calendar> Calendar::calendarWithIdentifier(const QString &identifier, const QLocale &locale,
                                                         const QTimeZone &zone)
{
    if (!isCalendarType(identifier))
        return std::nullopt;
    icu::Locale icuLocale = icu_support::toIcuLocale(locale);
    UErrorCode status = U_ZERO_ERROR;
    icuLocale.setKeywordValue("calendar", identifier.toLatin1().constData(), status);
    const QTimeZone calendarZone = validZone(zone);
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(createIcuTimeZone(calendarZone).release(), icuLocale, status));
    if (U_FAILURE(status) || !calendar || QLatin1String(calendar->getType()) != identifier)
        return std::nullopt;
    return Calendar(std::move(calendar), locale, calendarZone);
}

Calendar Calendar::currentCalendar()
{
    const QLocale locale;
    const QTimeZone zone = defaultTimeZone();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(createIcuTimeZone(zone).release(), icu_support::toIcuLocale(locale), status));
    if (U_FAILURE(status) || !calendar) {
        // Only a broken ICU installation gets here; Gregorian is its own fallback.
        status = U_ZERO_ERROR;
        calendar.reset(
            icu::Calendar::createInstance(createIcuTimeZone(zone).release(), icu::Locale::getRoot(), status));
    }
    return Calendar(std::move(calendar), locale, zone);
}

QString Calendar::calendarIdentifier() const
{
    return QString::fromLatin1(m_calendar->getType());
}

void Calendar::setTimeZone(const QTimeZone &zone)
{
    if (!zone.isValid())
        return;
    m_zone = zone;
    m_calendar->adoptTimeZone(createIcuTimeZone(zone).release());
}

int Calendar::firstWeekday() const
{
    UErrorCode status = U_ZERO_ERROR;
    const int weekday = m_calendar->getFirstDayOfWeek(status);
    return U_SUCCESS(status) ? weekday : 1;
}

void Calendar::setFirstWeekday(int weekday)
{
    if (weekday >= UCAL_SUNDAY && weekday <= UCAL_SATURDAY)
        m_calendar->setFirstDayOfWeek(UCalendarDaysOfWeek(weekday));
}

bool Calendar::setDate(const QDateTime &date) const
{
    if (!date.isValid())
        return false;
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(icu_support::toUDate(date), status);
    return U_SUCCESS(status);
}

std::optional<CalendarRange> Calendar::rangeOfUnit(CalendarUnit smaller, CalendarUnit larger,
                                                   const QDateTime &date) const
{
    const auto pair = std::find_if(rangePairs.cbegin(), rangePairs.cend(), [&](const RangePair &candidate) {
        return candidate.smaller == smaller && candidate.larger == larger;
    });
    if (pair == rangePairs.cend() || !setDate(date))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const qint32 minimum = m_calendar->getActualMinimum(pair->field, status);
    const qint32 maximum = m_calendar->getActualMaximum(pair->field, status);
    if (U_FAILURE(status) || maximum < minimum)
        return std::nullopt;
    return CalendarRange{minimum + pair->shift, maximum - minimum + 1};
}

std::optional<QDateTime> Calendar::dateFromComponents(const DateComponents &components) const
{
    m_calendar->clear();
    for (const ComponentField &field : componentFields) {
        const qint32 value = get(components, field.unit);
        if (value != UndefinedDateComponent)
            m_calendar->set(field.field, value - field.shift);
    }
    UErrorCode status = U_ZERO_ERROR;
    const UDate time = m_calendar->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return icu_support::fromUDate(time);
}

DateComponents Calendar::components(unsigned units, const QDateTime &date) const
{
    DateComponents components;
    if (!setDate(date))
        return components;
    for (const ComponentField &field : componentFields) {
        if (!(units & field.unit))
            continue;
        UErrorCode status = U_ZERO_ERROR;
        const qint32 value = m_calendar->get(field.field, status);
        if (U_SUCCESS(status))
            set(components, field.unit, value + field.shift);
    }
    return components;
}

std::optional<QDateTime> Calendar::dateByAddingComponents(const DateComponents &components, const QDateTime &date,
                                                          unsigned options) const
{
    if (!setDate(date))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    for (const ComponentField &field : componentFields) {
        const qint32 amount = get(components, field.unit);
        if (amount == UndefinedDateComponent || amount == 0)
            continue;
        if (options & WrapCalendarComponents)
            m_calendar->roll(field.field, amount, status);
        else
            m_calendar->add(field.field, amount, status);
    }
    const UDate time = m_calendar->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return icu_support::fromUDate(time);
}

} // namespace platform
