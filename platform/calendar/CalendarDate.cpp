#include "platform/calendar/CalendarDate.h"

#include "platform/calendar/TimeZones.h"
#include "platform/core/ReferenceDate.h"

#include <cmath>

namespace platform {

namespace {

constexpr qint64 msecsFrom1970ToReferenceDate = ReferenceDateMSecsSinceEpoch;
constexpr double secondsFrom1970ToReferenceDate = ReferenceDateMSecsSinceEpoch / 1000.0;
// A million years each way: beyond that no date is meant, and QDateTime holds it.
constexpr double largestSeconds = 1e6 * 365.25 * 86400;

QTimeZone zoneOrDefault(const QTimeZone &zone)
{
    return zone.isValid() ? zone : defaultTimeZone();
}

} // namespace

CalendarDate::CalendarDate()
    : CalendarDate(QDateTime::fromSecsSinceEpoch(qint64(secondsFrom1970ToReferenceDate), gmtTimeZone()))
{
}

CalendarDate::CalendarDate(QDateTime local)
    : m_local(std::make_shared<const QDateTime>(std::move(local)))
{
}

CalendarDate CalendarDate::calendarDate()
{
    return CalendarDate(QDateTime::currentDateTimeUtc().toTimeZone(defaultTimeZone()));
}

std::optional<CalendarDate> CalendarDate::dateWithDate(const QDateTime &date, const QTimeZone &zone)
{
    if (!date.isValid())
        return std::nullopt;
    return CalendarDate(date.toTimeZone(zoneOrDefault(zone)));
}

std::optional<CalendarDate> CalendarDate::dateWithTimeIntervalSince1970(double seconds, const QTimeZone &zone)
{
    return dateWithTimeIntervalSinceReferenceDate(seconds - secondsFrom1970ToReferenceDate, zone);
}

std::optional<CalendarDate> CalendarDate::dateWithTimeIntervalSinceReferenceDate(double seconds, const QTimeZone &zone)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > largestSeconds)
        return std::nullopt;
    const qint64 msecs = std::llround(seconds * 1000.0) + msecsFrom1970ToReferenceDate;
    return dateWithDate(QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc()), zone);
}

std::optional<CalendarDate> CalendarDate::dateWithYear(int year, int month, int day, int hour, int minute, int second,
                                                       const QTimeZone &zone)
{
    // Qt's years skip 0: its year -1 is 1 BC.
    const QDate date(year > 0 ? year : year - 1, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime local(date, time, zoneOrDefault(zone));
    if (!local.isValid())
        return std::nullopt;
    return CalendarDate(local);
}

QDateTime CalendarDate::date() const
{
    return m_local->toUTC();
}

double CalendarDate::timeIntervalSince1970() const
{
    return double(m_local->toMSecsSinceEpoch()) / 1000.0;
}

double CalendarDate::timeIntervalSinceReferenceDate() const
{
    // From whole milliseconds, so that whole seconds stay exact.
    return double(m_local->toMSecsSinceEpoch() - msecsFrom1970ToReferenceDate) / 1000.0;
}

void CalendarDate::setTimeZone(const QTimeZone &zone)
{
    if (zone.isValid())
        m_local = std::make_shared<const QDateTime>(m_local->toTimeZone(zone));
}

int CalendarDate::yearOfCommonEra() const
{
    const int year = m_local->date().year();
    return year > 0 ? year : year + 1;
}

std::optional<CalendarDate> CalendarDate::dateByAddingYears(int years, int months, int days, int hours, int minutes,
                                                            int seconds) const
{
    const qint64 elapsed = qint64(hours) * 3600 + qint64(minutes) * 60 + seconds;
    const QDateTime moved = m_local->addYears(years).addMonths(months).addDays(days).addSecs(elapsed);
    if (!moved.isValid())
        return std::nullopt;
    return CalendarDate(moved);
}

bool CalendarDate::isEqualToDate(const CalendarDate &other) const
{
    return m_local->toMSecsSinceEpoch() == other.m_local->toMSecsSinceEpoch();
}

ComparisonResult CalendarDate::compare(const CalendarDate &other) const
{
    return comparisonResult(m_local->toMSecsSinceEpoch() <=> other.m_local->toMSecsSinceEpoch());
}

QString CalendarDate::description() const
{
    const int offset = m_local->offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return m_local->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + (offset < 0 ? u'-' : u'+')
           + QStringLiteral("%1%2")
                 .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace platform
