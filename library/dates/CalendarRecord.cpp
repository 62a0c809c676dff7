#include "CalendarRecord_p.h"

#include "platform/archive/Unarchiver.h"
#include "platform/calendar/ArchivedCalendarDate.h"
#include "platform/calendar/Calendar.h"
#include "platform/calendar/TimeZones.h"

namespace vl::dates {

namespace {

// The user's current calendar, kept per thread while the default zone and
// locale stay the same: making one costs more than the comparison itself.
const platform::Calendar &currentCalendar()
{
    thread_local std::optional<platform::Calendar> calendar;
    thread_local QByteArray zone;
    thread_local QString locale;
    const QByteArray currentZone = platform::defaultTimeZone().id();
    const QString currentLocale = QLocale().name();
    if (!calendar || zone != currentZone || locale != currentLocale) {
        calendar = platform::Calendar::currentCalendar();
        zone = currentZone;
        locale = currentLocale;
    }
    return *calendar;
}

// The date's time of day alone, rebuilt as a date by the current calendar.
std::optional<QDateTime> timeOfDay(const platform::Calendar &calendar, const platform::CalendarDate &date)
{
    constexpr unsigned units = platform::HourCalendarUnit | platform::MinuteCalendarUnit | platform::SecondCalendarUnit;
    return calendar.dateFromComponents(calendar.components(units, date.date()));
}

template<typename T> platform::ComparisonResult presence(const std::optional<T> &value, const std::optional<T> &other)
{
    return platform::comparisonResult(value.has_value() <=> other.has_value());
}

} // namespace

platform::ComparisonResult compareForDisplay(const DisplayKey &record, const DisplayKey &other)
{
    using platform::ComparisonResult;
    if (record.allDay != other.allDay)
        return record.allDay ? ComparisonResult::OrderedAscending : ComparisonResult::OrderedDescending;
    if (!record.allDay) {
        const platform::Calendar &calendar = currentCalendar();
        const std::optional<QDateTime> time = record.time ? timeOfDay(calendar, *record.time) : std::nullopt;
        const std::optional<QDateTime> otherTime = other.time ? timeOfDay(calendar, *other.time) : std::nullopt;
        if (time && otherTime && *time != *otherTime)
            return platform::comparisonResult(time->toMSecsSinceEpoch() <=> otherTime->toMSecsSinceEpoch());
        if (const ComparisonResult order = presence(time, otherTime); order != ComparisonResult::OrderedSame)
            return order;
    }
    if (record.summary.isNull() || other.summary.isNull())
        return platform::comparisonResult(!record.summary.isNull() <=> !other.summary.isNull());
    return platform::comparisonResult(record.summary.compare(other.summary));
}

std::optional<platform::CalendarDate> occurrenceAtOrAfter(const std::optional<platform::CalendarDate> &start,
                                                          const QDateTime &date)
{
    if (!start || !date.isValid() || start->date() < date)
        return std::nullopt;
    return start;
}

std::optional<platform::CalendarDate> occurrenceAtOrBefore(const std::optional<platform::CalendarDate> &start,
                                                           const QDateTime &date)
{
    if (!start || !date.isValid() || date < start->date())
        return std::nullopt;
    return start;
}

QString decodeString(platform::Unarchiver &coder)
{
    const QVariant object = coder.decodeObject();
    if (object.isNull())
        return {};
    if (object.metaType() != QMetaType::fromType<QString>()) {
        coder.failWithError(QStringLiteral("a summary that is not a string"));
        return {};
    }
    return object.toString();
}

std::optional<platform::CalendarDate> decodeCalendarDate(platform::Unarchiver &coder)
{
    const QVariant object = coder.decodeObject();
    std::optional<platform::CalendarDate> date;
    if (!platform::ArchivedCalendarDate::dateFromObject(object, date))
        coder.failWithError(QStringLiteral("a record date that is not a date"));
    return date;
}

bool decodeBool(platform::Unarchiver &coder)
{
    return coder.decodeValueOfObjCType("c").toLongLong() != 0;
}

} // namespace vl::dates
