#pragma once

#include "platform/calendar/DateComponents.h"

#include <QString>
#include <QVariant>

/// Value semantics for date components: a readable description, a hash and
/// field-wise equality, which the platform's own components lack.
namespace vl {

/// "<NSDateComponents: 0x…>" followed by one line a field, in the order era,
/// year, month, week, day, weekday, weekdayOrdinal, hour, minute, second
/// ("\nera = 1\nyear = 2009…"); undefined fields print as 2147483647.
QString description(const platform::DateComponents &components);

/// The wrapping 32-bit sum of the ten fields, an undefined field counting 0.
quint32 hash(const platform::DateComponents &components);

/// True when every field equals the other's (undefined only equals undefined).
bool isEqual(const platform::DateComponents &components, const platform::DateComponents &other);

/// isEqual of the components `other` holds; false when it holds anything else.
bool isEqual(const platform::DateComponents &components, const QVariant &other);

} // namespace vl
