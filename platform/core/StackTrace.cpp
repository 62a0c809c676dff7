#include "platform/core/StackTrace.h"

#include <cstdlib>
#include <execinfo.h>
#include <memory>

namespace platform {

std::vector<quintptr> captureCallStack()
{
    void *frames[129];
    const int count = ::backtrace(frames, 129);
    std::vector<quintptr> addresses;
    for (int i = 1; i < count; ++i)    // frame 0 is this function
        addresses.push_back(reinterpret_cast<quintptr>(frames[i]));
    return addresses;
}

QStringList symbolizeCallStack(const std::vector<quintptr> &addresses)
{
    std::vector<void *> frames;
    for (const quintptr address : addresses)
        frames.push_back(reinterpret_cast<void *>(address));
    const std::unique_ptr<char *, decltype(&std::free)> symbols(::backtrace_symbols(frames.data(), int(frames.size())),
                                                                 &std::free);
    QStringList lines;
    for (size_t i = 0; i < frames.size(); ++i)
        lines << (symbols ? QString::fromLocal8Bit(symbols.get()[i])
                          : QStringLiteral("0x%1").arg(addresses[i], 0, 16));
    return lines;
}

} // namespace platform
