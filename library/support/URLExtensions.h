#pragma once

#include "platform/files/FileReference.h"
#include "platform/files/HfsLocation.h"

#include <QMap>
#include <QString>
#include <QUrl>

#include <optional>

/// URL helpers.
namespace vl {

/// Orders two URLs by their full (encoded) texts, case-sensitively and literally:
/// negative, zero or positive.
int compare(const QUrl &url, const QUrl &other);

/// The file URL of the item `reference` names (see vl::URLWithFSRef); an empty
/// URL when the item is gone.
QUrl fileURLWithFSRef(const platform::FileReference &reference);
/// The same made in place of a receiver: a new URL here.
inline QUrl initFileURLWithFSRef(const platform::FileReference &reference) { return fileURLWithFSRef(reference); }

/// The file URL of the item `specification` names; none when its volume is not
/// mounted or no such item exists.
std::optional<QUrl> fileURLWithFSSpec(const platform::HfsLocation &specification);
inline std::optional<QUrl> initFileURLWithFSSpec(const platform::HfsLocation &specification)
{
    return fileURLWithFSSpec(specification);
}

/// The URL's port, or 0 when it has none.
int portInteger(const QUrl &url);

/// The query as key → value: a key runs to the next "=", its value to the next
/// "&"; percent escapes are decoded (as UTF-8; escapes that do not decode stay as
/// written); a later key replaces an earlier one; a trailing part without "="
/// adds nothing; an empty key or value is kept as the empty string. None when the
/// URL has no query.
std::optional<QMap<QString, QString>> queryDictionary(const QUrl &url);

} // namespace vl
