// Old-style property-list reading: any bytes give a value, an error or "not mine" (XML),
// never a crash, a hang or a read past the buffer. What reads holds only strings, data,
// arrays and dictionaries, so it must survive both written forms unchanged.

#include "platform/plist/OldStylePropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto read = platform::readOldStylePropertyList(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!read || !read->ok())
        return 0;
    const QByteArray xml = platform::writePropertyList(read->value, platform::PropertyListFormat::Xml).bytes;
    for (auto format : {platform::PropertyListFormat::Binary, platform::PropertyListFormat::Xml}) {
        const platform::PropertyListWriteResult written = platform::writePropertyList(read->value, format);
        const platform::PropertyListReadResult again = platform::readPropertyList(written.bytes);
        if (!written || !again || platform::writePropertyList(again.value, platform::PropertyListFormat::Xml).bytes != xml)
            std::abort();
    }
    return 0;
}
