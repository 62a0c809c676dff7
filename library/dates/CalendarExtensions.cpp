#include "CalendarExtensions.h"

#include "Deprecation_p.h"
#include "platform/calendar/DateFormatter.h"
#include "platform/core/Log.h"

#include <algorithm>

namespace vl {

namespace {

const std::array<const char *, 7> knownCalendarIdentifiers{
    "gregorian", "buddhist", "chinese", "hebrew", "islamic", "islamic-civil", "japanese",
};

platform::DateComponents oneOf(void (platform::DateComponents::*setter)(qint32))
{
    platform::DateComponents components;
    (components.*setter)(1);
    return components;
}

std::unique_ptr<platform::DateFormatter> formatter(const platform::Calendar &calendar, const QString &format)
{
    auto result = std::make_unique<platform::DateFormatter>();
    result->setFormatterBehavior(platform::DateFormatter::Behavior10_4);
    result->setCalendar(calendar);
    result->setTimeZone(calendar.timeZone());
    result->setDateFormat(format);
    return result;
}

QStringList weekdayNames(const platform::Calendar &calendar, const QString &format)
{
    QStringList names;
    platform::DateComponents reference;
    reference.setYear(1234);
    reference.setWeek(2);
    reference.setWeekday(calendar.firstWeekday());
    const std::optional<QDateTime> start = calendar.dateFromComponents(reference);
    if (!start)
        return names;
    const auto nameFormatter = formatter(calendar, format);
    platform::DateComponents offset;
    for (int day = 0; day < 7; ++day) {
        offset.setDay(day);
        const std::optional<QDateTime> date = calendar.dateByAddingComponents(offset, *start);
        names.append(date ? nameFormatter->stringFromDate(*date) : QString());
    }
    return names;
}

} // namespace

bool isPreLeopard()
{
    return false;
}

std::optional<platform::Calendar> calendarWithCalendarIdentifier(const QString &identifier)
{
    const bool known = std::any_of(knownCalendarIdentifiers.cbegin(), knownCalendarIdentifiers.cend(),
                                   [&](const char *candidate) { return identifier == QLatin1String(candidate); });
    if (known) {
        if (auto calendar = platform::Calendar::calendarWithIdentifier(identifier))
            return calendar;
    }
    platform::log(QStringLiteral("Warning: Unknown calendar identifier %1 detected.").arg(identifier));
    return std::nullopt;
}

platform::Calendar nonLeakyCurrentCalendar()
{
    return platform::Calendar::currentCalendar();
}

platform::Calendar fastCurrentCalendar()
{
    dates::reportDeprecatedCall("-[NSCalendar fastCurrentCalendar] is deprecated and shouldn't be used anymore.");
    return nonLeakyCurrentCalendar();
}

unsigned lastWeekday(const platform::Calendar &calendar)
{
    const int first = calendar.firstWeekday();
    return first == 1 ? 7 : unsigned(first - 1);
}

std::optional<MonthLayout> layoutOfMonthForDate(const platform::Calendar &calendar, const QDateTime &date)
{
    if (!date.isValid())
        return std::nullopt;
    MonthLayout layout;
    layout.fill(-1);
    const std::optional<platform::CalendarRange> days = calendar.rangeOfUnit(platform::DayCalendarUnit,
                                                                             platform::MonthCalendarUnit, date);
    platform::DateComponents first = calendar.components(platform::EraCalendarUnit | platform::YearCalendarUnit
                                                             | platform::MonthCalendarUnit | platform::DayCalendarUnit,
                                                         date);
    first.setDay(1);
    std::optional<QDateTime> current = calendar.dateFromComponents(first);
    if (!days || !current)
        return layout;
    const qint32 weekday = calendar.components(platform::WeekdayCalendarUnit, *current).weekday();
    int start = weekday - calendar.firstWeekday();
    if (start < 0)
        start += 7;
    const platform::DateComponents oneDay = oneOf(&platform::DateComponents::setDay);
    for (qint32 i = 0; i < days->length && start + i < qint32(layout.size()) && current; ++i) {
        layout[size_t(start + i)] = calendar.components(platform::DayCalendarUnit, *current).day();
        current = calendar.dateByAddingComponents(oneDay, *current);
    }
    return layout;
}

QStringList monthNames(const platform::Calendar &calendar)
{
    QStringList names;
    platform::DateComponents firstDay;
    firstDay.setYear(1);
    firstDay.setMonth(1);
    firstDay.setDay(1);
    std::optional<QDateTime> date = calendar.dateFromComponents(firstDay);
    if (!date)
        return names;
    const std::optional<platform::CalendarRange> months = calendar.rangeOfUnit(platform::MonthCalendarUnit,
                                                                               platform::YearCalendarUnit, *date);
    const auto monthFormatter = formatter(calendar, QStringLiteral("MMMM"));
    const platform::DateComponents oneMonth = oneOf(&platform::DateComponents::setMonth);
    for (qint32 month = 0; months && month < months->length && date; ++month) {
        const QString name = monthFormatter->stringFromDate(*date);
        if (name.isEmpty())
            platform::log(QStringLiteral("Strange... Month name for date %1 is nil.").arg(date->toString(Qt::ISODate)));
        else
            names.append(name);
        date = calendar.dateByAddingComponents(oneMonth, *date);
    }
    return names;
}

QStringList weekdayNames(const platform::Calendar &calendar)
{
    return weekdayNames(calendar, QStringLiteral("EEEE"));
}

QStringList shortWeekdayNames(const platform::Calendar &calendar)
{
    return weekdayNames(calendar, QStringLiteral("EE"));
}

} // namespace vl
