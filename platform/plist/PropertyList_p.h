#pragma once

// What the property-list readers share. Internal to platform/plist.

#include "platform/plist/PropertyList.h"

#include <QString>

#include <plist/plist.h>

namespace platform {

/// How deep containers may nest in a property list of any form.
inline constexpr int MaximumPropertyListDepth = 512;

/// The text of `length` bytes of UTF-8 as property lists hold it: a leading U+FEFF is the
/// string's first character, not a byte-order mark to drop (dropping it could make two
/// keys one).
QString propertyListText(const char *utf8, qsizetype length);

/// The value of libplist's tree `root`, parsed from a list in `format`, as
/// readPropertyList() gives it. In XML, a dictionary whose only key is "CF$UID" reads as a
/// UID. Fails on a date out of range and on nesting deeper than MaximumPropertyListDepth.
PropertyListReadResult readLibplistTree(plist_t root, PropertyListFormat format);

} // namespace platform
