#include "platform/core/TerminationSignalNotifier.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::array<int, 3> TerminationSignals{SIGTERM, SIGINT, SIGHUP};

// The write end of the self-pipe: all a signal handler may touch.
std::atomic<int> pipeWriteEnd{-1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int fd = pipeWriteEnd.load();
    if (fd >= 0)
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    errno = savedErrno;
}

} // namespace

struct TerminationSignalNotifier::Private
{
    int pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    std::array<struct sigaction, TerminationSignals.size()> previous{};
    bool active = false;
};

TerminationSignalNotifier::TerminationSignalNotifier(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    if (pipeWriteEnd.load() >= 0 || ::pipe2(d->pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    d->active = true;
    pipeWriteEnd = d->pipe[1];
    d->notifier = std::make_unique<QSocketNotifier>(d->pipe[0], QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, &TerminationSignalNotifier::readPending);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < TerminationSignals.size(); ++i)
        ::sigaction(TerminationSignals[i], &action, &d->previous[i]);
}

TerminationSignalNotifier::~TerminationSignalNotifier()
{
    if (!d->active)
        return;
    for (size_t i = 0; i < TerminationSignals.size(); ++i)
        ::sigaction(TerminationSignals[i], &d->previous[i], nullptr);
    pipeWriteEnd = -1;
    d->notifier.reset();
    ::close(d->pipe[0]);
    ::close(d->pipe[1]);
}

bool TerminationSignalNotifier::isActive() const
{
    return d->active;
}

void TerminationSignalNotifier::readPending()
{
    unsigned char byte = 0;
    while (::read(d->pipe[0], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}

} // namespace platform
