#pragma once

#include "platform/calendar/CalendarDate.h"

#include <QDateTime>
#include <QString>

/// Formats a date for a title, in the default locale and zone.
class VLDateTitleFormatter
{
public:
    /// With a custom format (not null), the date in that calendar format of
    /// %-conversions ("%A, %B %e", formatter behaviour 1000, see
    /// platform::DateFormatter); with a null one, the locale's full date
    /// without a time ("Thursday, March 5, 2009"). Empty for an invalid date.
    static QString stringForDate(const QDateTime &date, const QString &customFormat);
    static QString stringForDate(const platform::CalendarDate &date, const QString &customFormat)
    {
        return stringForDate(date.date(), customFormat);
    }
};
