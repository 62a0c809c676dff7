#pragma once

// The route that the property-list readers of our own replaced: libplist's parse, guarded
// as it was (libplist trusts its input), and the conversion of its tree to Qt values. The
// differential fuzz targets hold the readers to it.

#include "platform/plist/PropertyList.h"

#include <QByteArrayView>
#include <QString>

namespace corvane::fuzz {

/// `bytes` parsed by libplist as a list in `format`, and its tree read as readPropertyList()
/// read it; refused with `refusal` instead when that is not empty (the route's guard,
/// which stood before libplist, since libplist trusts its input). In XML, a dictionary
/// whose only key is "CF$UID" reads as a UID. Fails on a date out of range and on nesting
/// deeper than 512.
platform::PropertyListReadResult readThroughLibplist(QByteArrayView bytes, platform::PropertyListFormat format,
                                                     const QString &refusal);

/// An XML list read through libplist, refused with U+0000 or nesting deeper than 512, as
/// the route refused them.
platform::PropertyListReadResult readXmlThroughLibplist(QByteArrayView bytes);

} // namespace corvane::fuzz
