#pragma once

#include "platform/core/Log.h"

#include <QByteArray>

#include <cstddef>

namespace vl::dates {

/// Reports a deprecated call as the original did, handing `text` as a Pascal
/// string (a length byte, then the text) to the debugger counterpart.
template<std::size_t N> void reportDeprecatedCall(const char (&text)[N])
{
    static_assert(N - 1 < 256, "a Pascal string holds at most 255 bytes");
    QByteArray pascal(1, char(N - 1));
    pascal.append(text, qsizetype(N - 1));
    platform::debugStr(pascal);
}

} // namespace vl::dates
