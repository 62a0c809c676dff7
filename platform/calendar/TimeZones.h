#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

/// Time zones of the platform, all read from the system's TZif files so that
/// every date computation of the process (Qt's QDateTime, ICU's calendars and
/// formatters, the zone periods) agrees. A zone is a QTimeZone; on Linux Qt
/// reads it from the same files.
namespace platform {

/// The folder of the system's TZif files: "/usr/share/zoneinfo".
QString zoneinfoDirectory();

/// The process's default zone: the system's zone until setDefaultTimeZone
/// changes it. Calendars, formatters and calendar dates made without a zone
/// take this one. Thread-safe.
QTimeZone defaultTimeZone();

/// Makes `zone` the default; an invalid zone is ignored.
void setDefaultTimeZone(const QTimeZone &zone);

/// The zone at offset 0 from GMT, without daylight-saving time.
QTimeZone gmtTimeZone();

/// The zone of that name (an IANA identifier such as "Europe/Paris", one of
/// the system's older names such as "US/Eastern", or "GMT"), or none when the
/// system has no such zone or the name is not a well-formed identifier (no
/// absolute path, no "." or ".." component).
std::optional<QTimeZone> timeZoneWithName(const QString &name);

/// The names of the system's zones as the zone table lists them
/// ("/usr/share/zoneinfo/zone.tab", third column, in its order): one canonical
/// zone a region, without the older aliases, the "Etc/" zones or "GMT".
/// Empty when the table cannot be read.
QStringList knownTimeZoneNames();

/// The TZif bytes of `zone`, as the system stores them; none for a zone that
/// has no file (a fixed offset such as "UTC+01:00") or a file that cannot be
/// read. Files over 1 MiB are refused: no TZif file comes near that.
std::optional<QByteArray> timeZoneData(const QTimeZone &zone);

} // namespace platform
