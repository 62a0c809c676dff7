#pragma once

#include <QString>

namespace vl::detail {

/// Makes MACAddress() read the tree under `root` ("/" at first) and forgets what it kept.
void setMACAddressRoot(const QString &root);

} // namespace vl::detail
