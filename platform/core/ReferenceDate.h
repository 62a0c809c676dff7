#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <optional>

namespace platform {

/// The original platform's reference date, 2001-01-01 00:00:00 UTC, from which its
/// stored dates (property lists, archives, the object store) count seconds; here
/// in milliseconds since the Unix epoch.
inline constexpr qint64 ReferenceDateMSecsSinceEpoch = 978307200000;

/// Seconds from the reference date to `date` (negative before it), taken from its
/// whole milliseconds so that whole seconds stay exact.
double secondsSinceReferenceDate(const QDateTime &date);

/// The UTC date `seconds` after the reference date, rounded to the millisecond;
/// none for values no date can hold (not finite, or beyond a million years).
std::optional<QDateTime> dateFromSecondsSinceReferenceDate(double seconds);

} // namespace platform
