#pragma once

#include <QStringView>

// Number reading shared by the string extensions, without making strings.
namespace vl::detail {

/// Past the whitespace and newlines at `from`.
qsizetype skipWhitespaceAndNewlines(QStringView text, qsizetype from);

/// The leading decimal integer as the original platform reads it: whitespace and
/// newlines skipped, an optional sign, digits; out of range saturates; none is 0.
qint64 leadingLongLong(QStringView text);

} // namespace vl::detail
