// Feeds arbitrary bytes to the AppleDouble reader: nothing may crash, hang or
// read out of bounds, and whatever is read must write back (in the kernel's
// layout) to a header file that reads the same.

#include "platform/files/AppleDouble.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No copy: reading past the input is then a sanitizer error.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<platform::AppleDouble> file = platform::AppleDouble::parse(bytes);
    if (!file)
        return 0;
    if (platform::AppleDouble::parse(file->toBytes(0x1234)) != file)
        std::abort();
    return 0;
}
