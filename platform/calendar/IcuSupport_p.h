#pragma once

// Conversions between Qt's values and ICU's, shared by the calendar layer.

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <optional>

namespace platform::icu_support {

inline icu::UnicodeString toUnicode(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t *>(text.utf16()), int32_t(text.size()));
}

inline QString fromUnicode(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

/// The ICU locale of `locale`; Qt's "C" locale is ICU's "en_US_POSIX".
icu::Locale toIcuLocale(const QLocale &locale);

/// ICU's date (milliseconds since 1970) for a valid QDateTime.
inline UDate toUDate(const QDateTime &date)
{
    return UDate(date.toMSecsSinceEpoch());
}

/// The QDateTime (in UTC) at an ICU date; none when it is not finite or lies
/// beyond what a QDateTime holds.
std::optional<QDateTime> fromUDate(UDate date);

} // namespace platform::icu_support
