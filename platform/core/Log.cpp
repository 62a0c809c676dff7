#include "platform/core/Log.h"

#include "platform/core/FileDescriptor.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace platform {

namespace {

std::mutex &logMutex()
{
    static std::mutex mutex;
    return mutex;
}

LogSink &installedSink()
{
    static LogSink sink;
    return sink;
}

} // namespace

QString processName()
{
    static const QString name = [] {
        QString n = QCoreApplication::applicationName();
        if (n.isEmpty()) {
            char buffer[4096];
            const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
            n = length > 0 ? QFileInfo(QString::fromLocal8Bit(buffer, length)).fileName() : QStringLiteral("?");
        }
        return n;
    }();
    return name;
}

namespace {

void emitRecord(LogRecord::Kind kind, const QString &message)
{
    LogRecord record;
    record.kind = kind;
    record.time = QDateTime::currentDateTime();
    record.message = message;
    record.line = record.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + processName()
                  + QLatin1Char('[') + QString::number(::getpid()) + QStringLiteral("] ") + message;

    std::lock_guard lock(logMutex());
    if (installedSink()) {
        installedSink()(record);
        return;
    }
    // Standard error is often a pipe from whoever started us, and may have been
    // closed since: that costs the line, never the process.
    std::fflush(stderr);
    writeOnceWithoutSigpipe(STDERR_FILENO, record.line.toUtf8() + '\n');
}

} // namespace

void log(const QString &message)
{
    emitRecord(LogRecord::Kind::Log, message);
}

void debugStr(QByteArrayView pascalString)
{
    if (pascalString.isEmpty())
        return emitRecord(LogRecord::Kind::Debugger, QString());
    const auto declared = qsizetype(static_cast<unsigned char>(pascalString.front()));
    const qsizetype length = std::min(declared, pascalString.size() - 1);
    emitRecord(LogRecord::Kind::Debugger, QString::fromUtf8(pascalString.sliced(1, length)));
}

ScopedLogSink::ScopedLogSink(LogSink sink)
    : ScopedRestore(installedSink(), std::move(sink), &logMutex())
{
}

} // namespace platform
