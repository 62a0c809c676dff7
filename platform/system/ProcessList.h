#pragma once

#include <QString>

namespace platform {

/// Whether a process of the current user (its effective user ID) whose command name
/// is exactly `name` runs: compared byte for byte in UTF-8, letter case included;
/// zombies do not count. A process whose entry cannot be read (it ended meanwhile,
/// or it is not accessible) is skipped and the walk goes on. The kernel keeps at
/// most 15 bytes of a command name, so a longer `name` never matches (as with
/// `pgrep -x`). The process that answered the last call on this thread is asked
/// first, so that while it runs a call reads one process's files; otherwise /proc
/// is walked, stopping at the first match.
bool isProcessRunning(const QString &name);

/// The same over the process folder `procRoot` laid out as /proc is (for tests).
bool isProcessRunning(const QString &name, const QString &procRoot);

/// The first process in the kernel's order, of any user and not a zombie, whose
/// command name begins with `name`'s UTF-8 bytes, of which only the first 15 are
/// compared because the kernel keeps no more of a command name.
struct ProcessSearchResult
{
    enum class Status { Found, NotFound, Unreadable };
    Status status = Status::NotFound;
    qint64 pid = 0; ///< when Found
};

/// Searches the process table (/proc, or `procRoot` laid out as it is) as above.
/// An empty name matches nothing. Unreadable when the process folder cannot be
/// listed; a process whose entry cannot be read is skipped.
ProcessSearchResult findProcessWithCommandPrefix(const QString &name, const QString &procRoot = QStringLiteral("/proc"));

} // namespace platform
