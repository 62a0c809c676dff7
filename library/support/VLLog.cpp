#include "VLLog.h"

#include "platform/core/FileDescriptor.h"
#include "platform/core/Log.h"

#include <QDateTime>

#include <cstdio>
#include <cstring>
#include <limits>

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

// " name[pid] ". The pid is asked for at each call, as a child forked after the
// first line has a pid of its own; the text is made again only when it changed.
const QByteArray &processTag()
{
    thread_local pid_t taggedPid = 0;
    thread_local QByteArray tag;
    const pid_t pid = ::getpid();
    if (pid != taggedPid) {
        tag = ' ' + platform::processName().toUtf8() + '[' + QByteArray::number(qint64(pid)) + "] ";
        taggedPid = pid;
    }
    return tag;
}

} // namespace

void VLLogfv(int fd, const char *format, va_list arguments)
{
    if (!format || !platform::isDescriptorWritableNow(fd))
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
    platform::writeOnceWithoutSigpipe(fd, QByteArrayView(line, head + length + 1));
}

void VLLogf(int fd, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    VLLogfv(fd, format, arguments);
    va_end(arguments);
}
