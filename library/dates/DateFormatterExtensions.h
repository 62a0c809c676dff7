#pragma once

#include "platform/calendar/Calendar.h"
#include "platform/calendar/DateFormatter.h"

#include <QString>

#include <memory>

/// Operations the library adds to date formatters: a formatter from a
/// calendar and styles, and one whose localized format lacks chosen fields.
namespace vl {

/// A Formatter (platform::DateFormatter or a subclass) with behaviour 1040,
/// `calendar` when one is given, and the date and time styles (0 none,
/// 1 short, 2 medium, 3 long, 4 full; other values count as none).
template<typename Formatter = platform::DateFormatter>
std::unique_ptr<Formatter> dateFormatterWithCalendar(const platform::Calendar *calendar, unsigned dateStyle,
                                                     unsigned timeStyle)
{
    auto formatter = std::make_unique<Formatter>();
    formatter->setFormatterBehavior(platform::DateFormatter::Behavior10_4);
    if (calendar)
        formatter->setCalendar(*calendar);
    formatter->setDateStyle(platform::DateFormatter::Style(dateStyle));
    formatter->setTimeStyle(platform::DateFormatter::Style(timeStyle));
    return formatter;
}

/// A platform::DateFormatter as above whose localized format has lost each
/// field letter of `fields`, one letter after the other, by
/// dateFormatWithoutField.
std::unique_ptr<platform::DateFormatter> dateFormatterWithCalendar(const platform::Calendar *calendar,
                                                                   unsigned dateStyle, unsigned timeStyle,
                                                                   const QString &fields);

/// The letters that name fields in a format: "GyMhHmsSEdDFwWakKZ".
inline constexpr char16_t dateFormatFieldLetters[] = u"GyMhHmsSEdDFwWakKZ";

/// `format` without the first field of `letter` and the literal text after it,
/// up to the next field letter: "h:mm a" without 'a' is "h:mm", "MMM d, yyyy
/// h:mm a" without 'y' is "MMM d, h:mm a". Leading white space goes, as do
/// punctuation and white space (any Unicode space separator) at the end. A
/// format that begins with white space directly followed by `letter` is kept
/// whole; an empty one stays empty. Quoted text is not told apart.
QString dateFormatWithoutField(const QString &format, QChar letter);

} // namespace vl
