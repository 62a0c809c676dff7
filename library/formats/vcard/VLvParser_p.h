#pragma once

// Helpers shared by the vCard object model's classes; not part of their API.

#include <QString>

namespace vl::vcard {

/// Raises "NSRangeException" as the platform's arrays do for an index outside [0, count).
[[noreturn]] void raiseIndexBeyondBounds(const char *method, qsizetype index, qsizetype count);

/// Throws unless 0 <= index < count.
inline void checkIndex(const char *method, qsizetype index, qsizetype count)
{
    if (index < 0 || index >= count)
        raiseIndexBeyondBounds(method, index, count);
}

/// "<ClassName: 0xADDRESS>", the description of an object that has none of its own.
QString objectDescription(const char *className, const void *address);

} // namespace vl::vcard
