// Feeds arbitrary bytes to the alias-record parser: nothing may crash, hang or
// read out of bounds, and a record that reads must write back to one that reads
// the same.

#include "platform/files/AliasRecord.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<platform::AliasRecord> record = platform::AliasRecord::parse(bytes);
    if (!record)
        return 0;
    (void)record->unicodeField(platform::AliasRecord::UnicodeName);
    (void)record->unicodeField(platform::AliasRecord::UnicodeVolumeName);
    const std::optional<QByteArray> written = record->toBytes();
    if (!written)
        return 0; // e.g. fields that no longer fit 65535 bytes
    if (platform::AliasRecord::parse(*written) != record)
        std::abort();
    return 0;
}
