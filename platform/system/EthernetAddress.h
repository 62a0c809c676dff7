#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

/// The machine's primary Ethernet interface and its hardware address, from the kernel's
/// route table and network-interface folders.
namespace platform {

/// The 6-byte hardware address of the primary Ethernet interface: the interface of the
/// default route in `<root>/proc/net/route` when its address reads, else the first interface
/// by name under `<root>/sys/class/net` that is a real device (it has a `device` link) of
/// type 1 (Ethernet) and whose `address` reads. None when no interface qualifies. `root` is
/// "/" on a running system; a test points it at a made-up tree.
std::optional<QByteArray> primaryEthernetAddress(const QString &root = QStringLiteral("/"));

/// The interface of the first default route (destination and mask 0, flag RTF_UP) in the
/// text of /proc/net/route; empty when there is none or its name could not be a folder name
/// under /sys/class/net.
QString defaultRouteInterface(QByteArrayView routeTable);

/// The bytes of an interface's `address` file ("02:fc:00:00:00:01", a line feed allowed at
/// the end); none unless it is exactly six two-digit hexadecimal numbers joined by colons.
std::optional<QByteArray> parseHardwareAddress(QByteArrayView text);

} // namespace platform
