#pragma once

#include <QStringList>

#include <vector>

namespace platform {

/// The return addresses of the calling thread's stack, innermost first, without
/// this function's own frame; at most 128 frames.
std::vector<quintptr> captureCallStack();

/// One line per address: the object file, the symbol where one is exported, the
/// offset and the address, as backtrace_symbols(3) writes them.
QStringList symbolizeCallStack(const std::vector<quintptr> &addresses);

} // namespace platform
