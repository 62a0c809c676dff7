#include "VLDateTitleFormatter.h"

#include "platform/calendar/DateFormatter.h"

QString VLDateTitleFormatter::stringForDate(const QDateTime &date, const QString &customFormat)
{
    if (!customFormat.isNull())
        return platform::DateFormatter(customFormat, false).stringFromDate(date);
    platform::DateFormatter formatter;
    formatter.setFormatterBehavior(platform::DateFormatter::Behavior10_4);
    formatter.setDateStyle(platform::DateFormatter::FullStyle);
    formatter.setTimeStyle(platform::DateFormatter::NoStyle);
    return formatter.stringFromDate(date);
}
