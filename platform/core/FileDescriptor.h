#pragma once

#include <QByteArrayView>

namespace platform {

/// Whether `fd` takes a write at this instant without waiting: a poll with a zero
/// time-out, so any descriptor number works. False for closed or negative
/// descriptors, on error, and for a pipe or socket whose reading end is gone.
bool isDescriptorWritableNow(int fd);

/// One write(2) of `bytes` to `fd`; answers what write answered (-1 on error).
/// SIGPIPE is held back for the calling thread meanwhile, so a reader that goes
/// away costs the bytes (-1, EPIPE), never the process.
qsizetype writeOnceWithoutSigpipe(int fd, QByteArrayView bytes);

} // namespace platform
