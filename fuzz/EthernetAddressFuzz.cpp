// The kernel's route table and interface address files: any bytes give an interface name
// that stays inside /sys/class/net (or none), and an address of exactly six bytes (or none).

#include "platform/system/EthernetAddress.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = platform::defaultRouteInterface(bytes);
    if (name.contains(QLatin1Char('/')) || name == QLatin1String("..") || name == QLatin1String("."))
        std::abort();
    const auto address = platform::parseHardwareAddress(bytes);
    if (address && address->size() != 6)
        std::abort();
    return 0;
}
