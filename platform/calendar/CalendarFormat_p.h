#pragma once

// The older calendar format of %-conversions (date-formatter behaviour 1000)
// as an ICU pattern.

#include <QString>

#include <unicode/locid.h>

namespace platform {

/// The ICU pattern for `format` in `locale` (see DateFormatter for the
/// conversions). `weekday`, 0 (Sunday) to 6, is the day %w shows, since ICU has
/// no pattern letter for it.
QString icuPatternFromCalendarFormat(const QString &format, const icu::Locale &locale, int weekday);

/// Whether `format` holds %w, whose text depends on the date.
bool calendarFormatNeedsWeekday(const QString &format);

} // namespace platform
