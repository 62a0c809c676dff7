#pragma once

#include "platform/files/Volume.h"

#include <QByteArray>
#include <QList>

namespace platform::detail {

/// The volumes of a /proc/self/mountinfo text, a mount hidden by a later one on the
/// same folder left out. Inside a chroot the mount that holds "/" lies outside the
/// root and is not listed: then "/" is given as a volume of its own, on `rootDevice`
/// and numbered by the mount the listed ones hang from.
QList<Volume> volumesFromMountInfo(const QByteArray &mountInfo, quint64 rootDevice);

} // namespace platform::detail
