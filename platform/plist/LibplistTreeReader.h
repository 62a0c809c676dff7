#pragma once

// Internal to platform/plist, and to the fuzz target that holds the binary reader to
// what this route gave.

#include "platform/plist/PropertyList.h"

#include <plist/plist.h>

namespace platform {

/// The value of libplist's tree `root`, parsed from a list in `format`, as
/// readPropertyList() gives it. In XML, a dictionary whose only key is "CF$UID" reads as a
/// UID. Fails on a date out of range and on nesting deeper than 512.
PropertyListReadResult readLibplistTree(plist_t root, PropertyListFormat format);

} // namespace platform
