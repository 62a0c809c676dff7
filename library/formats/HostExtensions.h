#pragma once

#include <QString>

#include <optional>

/// Operations the library adds to the host: the machine's identity.
namespace vl {

/// The hardware address of the primary Ethernet interface (see platform/system/EthernetAddress.h)
/// as six two-digit lower-case hexadecimal numbers joined by colons, for a stable machine
/// identity. None when there is no such interface, after logging "GetMACAddress returned
/// 0x00000005" and a line feed. Read once: after the first success the same text comes back
/// without reading again; a failure is not kept, so the next call reads again. Not locked:
/// the first call must not race another.
std::optional<QString> MACAddress();

} // namespace vl
