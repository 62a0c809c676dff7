#pragma once

#include "platform/core/ScopedRestore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <functional>

namespace platform {

/// One line of the system log.
struct LogRecord
{
    enum class Kind { Log, Debugger };
    Kind kind = Kind::Log;
    QDateTime time;
    QString message;
    /// The whole line as written: "yyyy-MM-dd HH:mm:ss.zzz name[pid] message".
    QString line;
};

/// Writes `message` as one line to standard error with the local date, the
/// process name and pid: the counterpart of the original platform's NSLog.
/// Safe to call from any thread; lines never interleave.
void log(const QString &message);

/// The counterpart of DebugStr: takes a Pascal string (length byte, then that many
/// bytes of text, never more than the buffer holds) and logs it as a debugger
/// message. Execution goes on.
void debugStr(QByteArrayView pascalString);

/// The process's name as log lines show it: the application name, else the
/// program's file name.
QString processName();

/// Receives every record instead of standard error while installed.
using LogSink = std::function<void(const LogRecord &)>;

/// Installs `sink` for the lifetime of this object (process-wide, for tests),
/// then puts the previous sink back.
class ScopedLogSink : private ScopedRestore<LogSink>
{
public:
    explicit ScopedLogSink(LogSink sink);
};

} // namespace platform
