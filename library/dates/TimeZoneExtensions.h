#pragma once

#include "TimeZonePeriod.h"
#include "platform/core/ComparisonResult.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTimeZone>

#include <optional>

/// The name of the notification setDefaultTimeZoneAndNotify posts.
inline const QString VLDefaultTimeZoneDidChangeNotification = QStringLiteral("VLDefaultTimeZoneDidChangeNotification");

/// Operations the library adds to time zones: the zone names completed from
/// the system's zone folder, zones sorted by offset, a default-zone change that
/// is announced, and a zone's periods read from its zoneinfo (TZif) data.
namespace vl {

/// The platform's zone names (platform::knownTimeZoneNames(), the system's
/// zone table), then, in this order, every entry of the folders "US" and
/// "Canada" under "/usr/share/zoneinfo" as "US/Eastern" and so on, and "GMT",
/// which is a file there; names already listed are not repeated, and folder
/// entries come in name order.
QStringList realKnownTimeZoneNames();

/// Makes `zone` the default zone, then posts
/// VLDefaultTimeZoneDidChangeNotification (no object) on the default
/// notification centre, on the calling thread.
void setDefaultTimeZoneAndNotify(const QTimeZone &zone);

/// Every zone of realKnownTimeZoneNames() the system can make, leaving out
/// names ending in ".tab" or "VERSION" and names beginning with "posix",
/// sorted by compare().
QList<QTimeZone> sortedKnownTimeZones();

/// Orders zones by the offset from GMT in force now (smaller first), then by
/// name, compared without regard to case in the default locale's collation.
platform::ComparisonResult compare(const QTimeZone &zone, const QTimeZone &other);

/// The zone's periods, read from its zoneinfo data by periodsFromZoneData and
/// kept for the life of the process once read; none when the zone has no data
/// or its data fails a check (then it is read again on the next call).
/// Thread-safe.
std::optional<QList<TimeZonePeriod>> periods(const QTimeZone &zone);

/// The period of `zone` in force at `date` (see the overload on a list).
std::optional<TimeZonePeriod> periodForDate(const QTimeZone &zone, const QDateTime &date);

/// The period in force at `date`: the last one that starts at or before it,
/// or the first one when all start after it. None for no periods or an
/// invalid date.
std::optional<TimeZonePeriod> periodForDate(const QList<TimeZonePeriod> &periods, const QDateTime &date);

/// The periods of TZif data, read from its first, 32-bit block only: one a
/// transition, or one when there are none. That block ends at 2038-01-19; the
/// transitions after it, which files of version 2 and later keep in their
/// 64-bit block and their closing rule, are left out, and so is everything else
/// after the block (leap seconds, the standard/wall and UT/local indicators).
/// None when the data is shorter than 44 bytes, when a count is negative or
/// there is no local time type, when the counted bytes do not fit, when a
/// transition names no type, or when a type's daylight-saving flag is above 1
/// or its abbreviation index lies beyond the characters. The magic, version
/// and the other counts of the header are not checked. Reads nothing outside
/// `data`.
std::optional<QList<TimeZonePeriod>> periodsFromZoneData(QByteArrayView data);

} // namespace vl
