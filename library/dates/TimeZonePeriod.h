#pragma once

#include "platform/calendar/CalendarDate.h"

#include <QString>
#include <QVariantMap>

/// The keys of a period's dictionary form; each value equals its name.
inline const QString VLTimeZonePeriodStartDate = QStringLiteral("VLTimeZonePeriodStartDate");
inline const QString VLTimeZonePeriodGMTOffset = QStringLiteral("VLTimeZonePeriodGMTOffset");
inline const QString VLTimeZonePeriodIsDST = QStringLiteral("VLTimeZonePeriodIsDST");
inline const QString VLTimeZonePeriodAbbreviation = QStringLiteral("VLTimeZonePeriodAbbreviation");

/// A stretch of time over which a zone keeps one offset from GMT, from one
/// transition of its zoneinfo data to the next.
struct TimeZonePeriod
{
    /// When the period begins, in GMT.
    platform::CalendarDate startDate;
    /// Seconds east of GMT.
    qint32 gmtOffset = 0;
    bool isDST = false;
    /// The zone abbreviation in use ("CEST").
    QString abbreviation;

    /// The period as a dictionary under the VLTimeZonePeriod… keys: the start
    /// date (a platform::CalendarDate), the offset (int), the flag (bool) and
    /// the abbreviation.
    QVariantMap dictionary() const;

    friend bool operator==(const TimeZonePeriod &, const TimeZonePeriod &) = default;
};
