#include "platform/system/ProcessList.h"

#include <QByteArray>
#include <QFile>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Longest command name the kernel keeps (TASK_COMM_LEN less the terminator).
constexpr qsizetype MaximumCommandName = 15;

bool isPid(const char *entry)
{
    if (!*entry)
        return false;
    for (; *entry; ++entry) {
        if (*entry < '0' || *entry > '9')
            return false;
    }
    return true;
}

// Reads a small file below `dir` whole; -1 when it cannot be read.
ssize_t readSmallFile(int dir, const char *path, char *buffer, size_t size)
{
    const int fd = ::openat(dir, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const ssize_t length = ::read(fd, buffer, size);
    ::close(fd);
    return length;
}

// Reads the file /proc/<pid>/<file> whole; -1 when it cannot be read.
ssize_t readProcessFile(int dir, const char *pid, const char *file, char *buffer, size_t size)
{
    char path[NAME_MAX + 16];
    std::snprintf(path, sizeof path, "%s/%s", pid, file);
    return readSmallFile(dir, path, buffer, size);
}

// The command name of the process (with the kernel's line end); its length, or
// -1 when it cannot be read.
ssize_t readCommandName(int dir, const char *pid, char (&comm)[MaximumCommandName + 2])
{
    return readProcessFile(dir, pid, "comm", comm, sizeof comm);
}

// The command name and the state letter of /proc/<pid>/stat: "pid (comm) S ...",
// where the command name may itself hold spaces and parentheses, so it runs from
// the first '(' to the last ')' and the state follows that. State 0 when the file
// cannot be read or parsed.
struct StatLine
{
    QByteArray comm;
    char state = 0;
};

StatLine readStatLine(int dir, const char *pid)
{
    char path[NAME_MAX + 16];
    std::snprintf(path, sizeof path, "%s/stat", pid);
    const int fd = ::openat(dir, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buffer[512];
    const ssize_t length = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (length <= 0)
        return {};
    const char *open = static_cast<const char *>(std::memchr(buffer, '(', size_t(length)));
    const char *close = static_cast<const char *>(::memrchr(buffer, ')', size_t(length)));
    if (!open || !close || close < open || buffer + length - close < 3)
        return {};
    StatLine line;
    line.comm = QByteArray(open + 1, close - open - 1);
    line.state = close[2];
    return line;
}

bool isAliveState(char state)
{
    return state != 0 && state != 'Z' && state != 'X';
}

// Whether the process still runs: neither gone, a zombie nor dead.
bool isAlive(int dir, const char *pid)
{
    return isAliveState(readStatLine(dir, pid).state);
}

// Whether `pid` is a live process of `user` named exactly `wanted`. The owner is
// the folder's: the files of a process that is not dumpable show root instead.
bool isNamedProcessOf(int dir, const char *pid, const QByteArray &wanted, uid_t user)
{
    struct stat info;
    if (::fstatat(dir, pid, &info, 0) != 0 || info.st_uid != user)
        return false;
    const StatLine line = readStatLine(dir, pid);
    return isAliveState(line.state) && line.comm == wanted;
}

// The process that answered the last question, per thread: asked first next time.
// A pid that has since been taken by another process is checked like any other, so
// it can only give the answer the walk would give for that process.
struct LastFound
{
    QByteArray procRoot;
    QByteArray name;
    QByteArray pid;
};

thread_local LastFound lastFound;

class ProcDir
{
public:
    explicit ProcDir(const QByteArray &path)
        : m_dir(::opendir(path.constData()))
    {
    }
    ~ProcDir()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    ProcDir(const ProcDir &) = delete;
    ProcDir &operator=(const ProcDir &) = delete;
    DIR *get() const { return m_dir; }

private:
    DIR *m_dir;
};

} // namespace

bool isProcessRunning(const QString &name)
{
    return isProcessRunning(name, QStringLiteral("/proc"));
}

bool isProcessRunning(const QString &name, const QString &procRoot)
{
    const QByteArray wanted = name.toUtf8();
    if (wanted.isEmpty() || wanted.size() > MaximumCommandName)
        return false;
    const QByteArray root = QFile::encodeName(procRoot);
    const ProcDir proc(root);
    if (!proc.get())
        return false;
    const int dir = ::dirfd(proc.get());
    const uid_t user = ::geteuid();
    // While the service runs, the pane asks again and again: the process found
    // last time answers with one file read, where a walk reads one a process.
    if (lastFound.procRoot == root && lastFound.name == wanted && isNamedProcessOf(dir, lastFound.pid.constData(), wanted, user))
        return true;
    while (const dirent *entry = ::readdir(proc.get())) {
        if (!isPid(entry->d_name))
            continue;
        // The name first: comm is the cheapest file for the kernel to produce, and
        // the owner and the state matter only for the rare process of that name.
        // Its open, read and close are nearly all of a walk's time (about 6 to 10 us
        // a process on a loaded 2-core machine; listing /proc is under 0.5 us a
        // process, a bare fstatat about 2 to 3 us), so checking the owner first
        // would cost more for the user's own processes than it saves on others'.
        char comm[MaximumCommandName + 2];
        ssize_t length = readCommandName(dir, entry->d_name, comm);
        if (length <= 0)
            continue;
        if (comm[length - 1] == '\n')
            --length;
        if (length != wanted.size() || std::memcmp(comm, wanted.constData(), size_t(length)) != 0)
            continue;
        if (isNamedProcessOf(dir, entry->d_name, wanted, user)) {
            lastFound.procRoot = root;
            lastFound.name = wanted;
            lastFound.pid = entry->d_name;
            return true;
        }
    }
    return false;
}

ProcessSearchResult findProcessWithCommandPrefix(const QString &name, const QString &procRoot)
{
    const QByteArray wanted = name.toUtf8().left(MaximumCommandName);
    if (wanted.isEmpty())
        return {};
    const ProcDir proc(QFile::encodeName(procRoot));
    if (!proc.get())
        return {ProcessSearchResult::Status::Unreadable, 0};
    const int dir = ::dirfd(proc.get());
    while (const dirent *entry = ::readdir(proc.get())) {
        if (!isPid(entry->d_name))
            continue;
        char comm[MaximumCommandName + 2];
        const ssize_t length = readCommandName(dir, entry->d_name, comm);
        if (length < wanted.size() || std::memcmp(comm, wanted.constData(), size_t(wanted.size())) != 0)
            continue;
        if (isAlive(dir, entry->d_name))
            return {ProcessSearchResult::Status::Found, std::strtoll(entry->d_name, nullptr, 10)};
    }
    return {};
}

} // namespace platform
