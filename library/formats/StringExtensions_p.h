#pragma once

#include <QString>
#include <QStringView>

// Number reading shared by the string extensions, without making strings.
namespace vl::detail {

/// Past the whitespace and newlines at `from`.
qsizetype skipWhitespaceAndNewlines(QStringView text, qsizetype from);

/// The leading decimal integer as the original platform reads it: whitespace and
/// newlines skipped, an optional sign, digits; out of range saturates; none is 0.
qint64 leadingLongLong(QStringView text);

/// `path` with a leading "~" (the user's home folder) or "~name" (that account's) expanded,
/// as stringByExpandingTildeInPath does; unchanged when it has none or the account is unknown.
QString expandTilde(const QString &path);

} // namespace vl::detail
