#pragma once

#include <QMap>
#include <QString>
#include <QUrl>

#include <optional>

/// URL helpers.
namespace vl {

/// Orders two URLs by their full (encoded) texts, case-sensitively and literally:
/// negative, zero or positive.
int compare(const QUrl &url, const QUrl &other);

/// The URL's port, or 0 when it has none.
int portInteger(const QUrl &url);

/// The query as key → value: a key runs to the next "=", its value to the next
/// "&"; percent escapes are decoded (as UTF-8; escapes that do not decode stay as
/// written); a later key replaces an earlier one; a trailing part without "="
/// adds nothing; an empty key or value is kept as the empty string. None when the
/// URL has no query.
std::optional<QMap<QString, QString>> queryDictionary(const QUrl &url);

} // namespace vl
