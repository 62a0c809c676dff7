#include "VLLog.h"

#include "FileDescriptor.h"
#include "Log.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <limits>

namespace {

// "yyyy-MM-dd HH:mm:ss.zzz" in local time. The date and time up to the second
// are kept per thread and made again only when the second changes: formatting
// them costs more than the rest of a line.
QByteArray timestamp()
{
    thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
    thread_local QByteArray cachedText;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 second = now >= 0 ? now / 1000 : (now - 999) / 1000;
    if (second != cachedSecond) {
        cachedText = QDateTime::fromSecsSinceEpoch(second).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.")).toUtf8();
        cachedSecond = second;
    }
    char millis[4];
    std::snprintf(millis, sizeof millis, "%03d", int(now - second * 1000));
    return cachedText + QByteArray::fromRawData(millis, 3);
}

// " name[pid] ", made once: neither changes while the process runs.
const QByteArray &processTag()
{
    static const QByteArray tag = ' ' + platform::processName().toUtf8() + '['
                                  + QByteArray::number(QCoreApplication::applicationPid()) + "] ";
    return tag;
}

} // namespace

void VLLogfv(int fd, const char *format, va_list arguments)
{
    if (!format || !platform::isDescriptorWritableNow(fd))
        return;

    char small[512];
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(small, sizeof small, format, arguments);
    if (length < 0) {
        va_end(again);
        return;
    }
    QByteArray message;
    if (size_t(length) < sizeof small) {
        message = QByteArray::fromRawData(small, length);
    } else {
        message.resize(length);
        std::vsnprintf(message.data(), size_t(length) + 1, format, again);
    }
    va_end(again);

    QByteArray line = timestamp();
    line.reserve(line.size() + processTag().size() + message.size() + 1);
    line += processTag();
    line += message;
    line += '\n';
    platform::writeOnceWithoutSigpipe(fd, line);
}

void VLLogf(int fd, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    VLLogfv(fd, format, arguments);
    va_end(arguments);
}
