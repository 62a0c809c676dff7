// Downloaded bytes: any body gives the object of the class asked for or none
// with the message saying why, never a crash, a hang or a read past the buffer.
// Mutable results are marked mutable at every level.

#include "MutableContainers.h"
#include "VLBackgroundPropertyListDownloader.h"

#include "platform/plist/PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool marksEveryContainer(const QVariant &value)
{
    if (const auto list = vl::arrayValue(value)) {
        if (!vl::isMutable(value))
            return false;
        for (const QVariant &element : *list)
            if (!marksEveryContainer(element))
                return false;
    } else if (const auto map = vl::dictionaryValue(value)) {
        if (!vl::isMutable(value))
            return false;
        for (const QVariant &element : *map)
            if (!marksEveryContainer(element))
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const platform::PropertyListReadResult read = platform::readPropertyList(bytes);
    using Kind = vl::PropertyListClass;
    for (Kind kind : {Kind::Dictionary, Kind::Array, Kind::String, Kind::Data, Kind::Date, Kind::Number}) {
        const auto plain = VLBackgroundPropertyListDownloader::finalObjectFromData(bytes, kind, false);
        const auto changeable = VLBackgroundPropertyListDownloader::finalObjectFromData(bytes, kind, true);
        const bool expected = read.ok() && vl::propertyListClassName(read.value) == vl::propertyListClassName(kind);
        if (plain.object.isValid() != expected || plain.failure.isEmpty() != expected)
            std::abort();
        if (changeable.object.isValid() != expected || changeable.failure != plain.failure)
            std::abort();
        if (expected
            && (!marksEveryContainer(changeable.object)
                || vl::propertyListClassName(changeable.object) != vl::propertyListClassName(kind)))
            std::abort();
    }
    return 0;
}
