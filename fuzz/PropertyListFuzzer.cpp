// Property-list reading: any bytes give a value or an error, never a crash, a hang or a read
// past the buffer. What reads is written back in both formats and read again.

#include "platform/plist/PropertyList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const platform::PropertyListReadResult read =
        platform::readPropertyList(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!read)
        return 0;
    for (auto format : {platform::PropertyListFormat::Binary, platform::PropertyListFormat::Xml}) {
        const platform::PropertyListWriteResult written = platform::writePropertyList(read.value, format);
        if (written)
            (void)platform::readPropertyList(written.bytes);
    }
    return 0;
}
