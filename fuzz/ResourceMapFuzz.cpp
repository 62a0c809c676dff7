// Feeds arbitrary bytes to the resource-fork parser: nothing may crash, hang,
// read out of bounds or take memory beyond the input's size, and a fork that
// reads must write back (when it fits the format) to one holding the same
// resources.

#include "platform/files/ResourceMap.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool sameResources(const platform::ResourceMap &a, const platform::ResourceMap &b)
{
    if (a.resources().size() != b.resources().size())
        return false;
    for (qsizetype i = 0; i < a.resources().size(); ++i) {
        const platform::Resource &x = *a.resources()[i];
        const platform::Resource &y = *b.resources()[i];
        if (x.type != y.type || x.id != y.id || x.name != y.name || x.data != y.data
            || (x.attributes & ~platform::ResourceMap::ResChanged) != y.attributes)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<platform::ResourceMap> map = platform::ResourceMap::parse(bytes);
    if (!map)
        return 0;
    qint64 total = 0;
    for (const auto &resource : map->resources())
        total += resource->data.size();
    if (total > bytes.size())
        std::abort(); // data entries may not be counted twice
    const std::optional<QByteArray> written = map->toBytes();
    if (!written)
        return 0;
    // Types come back grouped; compare in the written order.
    platform::ResourceMap grouped;
    for (const platform::OSType type : map->types()) {
        for (const auto &resource : map->resources()) {
            if (resource->type == type)
                grouped.resources().append(resource);
        }
    }
    const std::optional<platform::ResourceMap> again = platform::ResourceMap::parse(*written);
    if (!again || !sameResources(grouped, *again))
        std::abort();
    return 0;
}
