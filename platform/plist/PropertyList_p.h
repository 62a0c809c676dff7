#pragma once

// What the property-list readers share. Internal to platform/plist.

#include <QString>

namespace platform {

/// How deep containers may nest in a property list of any form.
inline constexpr int MaximumPropertyListDepth = 512;

/// The text of `length` bytes of UTF-8 as property lists hold it: a leading U+FEFF is the
/// string's first character, not a byte-order mark to drop (dropping it could make two
/// keys one).
QString propertyListText(const char *utf8, qsizetype length);

} // namespace platform
