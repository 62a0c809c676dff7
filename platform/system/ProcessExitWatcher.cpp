#include "platform/system/ProcessExitWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

struct ProcessExitWatcher::Private
{
    qint64 pid = 0;
    int pidfd = -1;
    bool watching = false;
    std::unique_ptr<QSocketNotifier> notifier;
};

ProcessExitWatcher::ProcessExitWatcher(qint64 pid, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->pid = pid;
    // Through syscall(): glibc 2.36 declares pidfd_open without C linkage for C++.
    d->pidfd = pid > 0 ? int(::syscall(SYS_pidfd_open, pid_t(pid), 0u)) : -1;
    if (d->pidfd >= 0) {
        // The descriptor turns readable when the process has ended.
        d->watching = true;
        d->notifier = std::make_unique<QSocketNotifier>(d->pidfd, QSocketNotifier::Read);
        connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
            d->notifier->setEnabled(false);
            Q_EMIT exited();
        });
    } else if (pid <= 0 || errno == ESRCH) {
        d->watching = true;
        QMetaObject::invokeMethod(this, &ProcessExitWatcher::exited, Qt::QueuedConnection);
    }
}

ProcessExitWatcher::~ProcessExitWatcher()
{
    d->notifier.reset();
    if (d->pidfd >= 0)
        ::close(d->pidfd);
}

qint64 ProcessExitWatcher::pid() const
{
    return d->pid;
}

bool ProcessExitWatcher::isWatching() const
{
    return d->watching;
}

} // namespace platform
