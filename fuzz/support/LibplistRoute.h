#pragma once

// The route that the property-list readers of our own replaced: libplist's parse, guarded
// as it was (libplist trusts its input), and the conversion of its tree to Qt values. The
// differential fuzz targets hold the readers to it.

#include "platform/plist/PropertyList.h"

#include <QByteArrayView>

#include <plist/plist.h>

namespace corvane::fuzz {

/// The value of libplist's tree `root`, parsed from a list in `format`, as
/// readPropertyList() gave it. In XML, a dictionary whose only key is "CF$UID" reads as a
/// UID. Fails on a date out of range and on nesting deeper than 512.
platform::PropertyListReadResult readLibplistTree(plist_t root, platform::PropertyListFormat format);

/// The XML list `bytes` read through libplist: refused with U+0000 or nesting deeper than
/// 512, as the route refused them before libplist saw them.
platform::PropertyListReadResult readXmlThroughLibplist(QByteArrayView bytes);

} // namespace corvane::fuzz
