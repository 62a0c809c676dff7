#include "VLLog.h"

#include "platform/core/FileDescriptor.h"
#include "platform/core/Log.h"

#include <QDateTime>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "yyyy-MM-dd HH:mm:ss.zzz" in local time, 23 bytes. The text up to the second
// is kept per thread and made again only when the second changes: formatting a
// date costs more than all the rest of a line.
constexpr int StampLength = 23;

void writeTimestamp(char *out)
{
    thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
    thread_local char cachedText[StampLength - 3];
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = now >= 0 ? now / 1000 : (now - 999) / 1000;
    if (second != cachedSecond) {
        const QByteArray text =
            QDateTime::fromSecsSinceEpoch(second).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.")).toLatin1();
        if (text.size() != qsizetype(sizeof cachedText))
            return void(std::memset(out, '?', StampLength));    // a year beyond four digits
        std::memcpy(cachedText, text.constData(), sizeof cachedText);
        cachedSecond = second;
    }
    std::memcpy(out, cachedText, sizeof cachedText);
    const int millis = int(now - second * 1000);
    out[20] = char('0' + millis / 100);
    out[21] = char('0' + millis / 10 % 10);
    out[22] = char('0' + millis % 10);
}

// The process id, asked of the kernel once and again in each forked child: a
// system call per line costs as much as the line's own write. A child made
// without fork() (vfork, a bare clone) must exec before it logs, as it must
// before it does almost anything.
std::atomic<pid_t> knownPid{0};

pid_t currentPid()
{
    static const bool forgetsInChildren = [] {
        return ::pthread_atfork(nullptr, nullptr, [] { knownPid.store(0, std::memory_order_relaxed); }) == 0;
    }();
    pid_t pid = forgetsInChildren ? knownPid.load(std::memory_order_relaxed) : 0;
    if (pid == 0) {
        pid = ::getpid();
        knownPid.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

// " name[pid] ", made again only when the pid changed (in a forked child).
const QByteArray &processTag()
{
    thread_local pid_t taggedPid = 0;
    thread_local QByteArray tag;
    const pid_t pid = currentPid();
    if (pid != taggedPid) {
        tag = ' ' + platform::processName().toUtf8() + '[' + QByteArray::number(qint64(pid)) + "] ";
        taggedPid = pid;
    }
    return tag;
}

// How a line goes out depends on what the descriptor is. On the machines this
// runs on a system call costs about as much as the line's own write, so the old
// way of polling and then holding SIGPIPE back (four calls beside the write) is
// kept for the descriptors that need it, and every other one is recognised with
// a single lseek().
enum class Route : quint8 {
    Unknown,  // asked afresh at each line: a straight write is never taken on trust
    Polled,   // pipes, FIFOs, terminals and other devices: polled, then written with SIGPIPE held back
    Socket,   // one send() that neither waits nor raises SIGPIPE
    Straight, // a descriptor with a position (file, block device, /dev/null): nothing to wait for
    None,     // not an open descriptor
};

// The routes that are safe whatever the descriptor has become since, kept per
// descriptor number: polling suits every kind of descriptor, and send() on
// anything but a socket fails (ENOTSOCK) without writing. So a descriptor closed
// and opened again as something else costs at most speed, never a wait or a
// SIGPIPE. Larger descriptor numbers are asked every time.
//
// A pipe's write is not made with RWF_NOWAIT instead of the poll: a pipe then
// answers EAGAIN whenever its reader holds it at that instant, which would drop
// lines a reader was about to take.
constexpr int RememberedDescriptors = 4096;
std::atomic<Route> rememberedRoutes[RememberedDescriptors];

void remember(int fd, Route route)
{
    if (fd < RememberedDescriptors)
        rememberedRoutes[fd].store(route, std::memory_order_relaxed);
}

Route freshRouteOf(int fd)
{
    // Pipes, FIFOs, sockets and terminals have no position and answer ESPIPE;
    // what has one never waits for a reader nor raises SIGPIPE. The question costs
    // less than half an fstat(), and a straight route is asked at every line.
    if (::lseek(fd, 0, SEEK_CUR) >= 0)
        return Route::Straight;
    struct stat status;
    if (errno == EBADF || ::fstat(fd, &status) != 0)
        return Route::None;
    if (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode))
        return Route::Straight;
    const Route route = S_ISSOCK(status.st_mode) ? Route::Socket : Route::Polled;
    remember(fd, route);
    return route;
}

Route routeOf(int fd)
{
    if (fd < 0)
        return Route::None;
    const Route remembered = fd < RememberedDescriptors ? rememberedRoutes[fd].load(std::memory_order_relaxed) : Route::Unknown;
    return remembered == Route::Unknown ? freshRouteOf(fd) : remembered;
}

// Gives the finished line to `fd` in one write, or drops it.
void emitLine(int fd, Route route, QByteArrayView line)
{
    switch (route) {
    case Route::Unknown:
    case Route::None:
        return;
    case Route::Straight:
        (void)!::write(fd, line.data(), size_t(line.size()));
        return;
    case Route::Socket:
        if (::send(fd, line.data(), size_t(line.size()), MSG_DONTWAIT | MSG_NOSIGNAL) < 0 && errno == ENOTSOCK) {
            // The number was remembered for a socket that has since gone.
            remember(fd, Route::Unknown);
            if (const Route now = freshRouteOf(fd); now != Route::Socket)
                emitLine(fd, now, line);
        }
        return;
    case Route::Polled:
        if (platform::isDescriptorWritableNow(fd))
            platform::writeOnceWithoutSigpipe(fd, line);
        return;
    }
}

} // namespace

void VLLogfv(int fd, const char *format, va_list arguments)
{
    const Route route = format ? routeOf(fd) : Route::None;
    if (route == Route::None)
        return;

    // The line is assembled in place: stamp, tag, message, line feed. Lines that
    // do not fit the stack buffer are formatted a second time into the heap.
    const QByteArray &tag = processTag();
    const qsizetype head = StampLength + tag.size();
    char small[1024];
    va_list again;
    va_copy(again, arguments);
    const qsizetype room = qsizetype(sizeof small) - head;
    const int length = room > 0 ? std::vsnprintf(small + head, size_t(room), format, arguments)
                                : std::vsnprintf(nullptr, 0, format, arguments);
    QByteArray large;
    char *line = small;
    if (length >= 0 && length >= room) {
        large.resize(head + length + 1);
        line = large.data();
        std::vsnprintf(line + head, size_t(length) + 1, format, again);
    }
    va_end(again);
    if (length < 0)
        return;

    writeTimestamp(line);
    std::memcpy(line + StampLength, tag.constData(), size_t(tag.size()));
    line[head + length] = '\n';
    emitLine(fd, route, QByteArrayView(line, head + length + 1));
}

void VLLogf(int fd, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    VLLogfv(fd, format, arguments);
    va_end(arguments);
}
