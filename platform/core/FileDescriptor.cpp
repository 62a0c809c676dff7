#include "platform/core/FileDescriptor.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace platform {

bool isDescriptorWritableNow(int fd)
{
    pollfd entry{fd, POLLOUT, 0};
    int ready;
    do
        ready = ::poll(&entry, 1, 0);
    while (ready < 0 && errno == EINTR);
    // POLLNVAL (closed) and POLLERR/POLLHUP (reader gone) count as ready for poll,
    // but a write would fail or raise SIGPIPE.
    return ready == 1 && (entry.revents & POLLOUT) && !(entry.revents & (POLLERR | POLLHUP | POLLNVAL));
}

qsizetype writeOnceWithoutSigpipe(int fd, QByteArrayView bytes)
{
    sigset_t pipeOnly, previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    const ssize_t written = ::write(fd, bytes.data(), size_t(bytes.size()));
    const int error = errno;
    if (written < 0 && error == EPIPE && !sigismember(&previous, SIGPIPE)) {
        // Take the SIGPIPE our write raised before unblocking, or it would be delivered then.
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

} // namespace platform
