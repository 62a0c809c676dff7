#pragma once

#include <QObject>

#include <memory>

namespace platform {

/// Tells when a process ends, whoever its parent is: a program started detached,
/// say, which the caller cannot wait for. The process is held by a pidfd from the
/// start, so a process that later takes over its pid is never mistaken for it.
/// Main thread, or any thread with an event loop.
class ProcessExitWatcher : public QObject
{
    Q_OBJECT
public:
    /// Watches the process `pid`. One that has already ended (or never existed) is
    /// told as ended, from the event loop.
    explicit ProcessExitWatcher(qint64 pid, QObject *parent = nullptr);
    ~ProcessExitWatcher() override;

    qint64 pid() const;
    /// False when the system cannot watch a process this way (no pidfd): the
    /// watcher then never emits.
    bool isWatching() const;

Q_SIGNALS:
    /// Emitted once, from the event loop, when the process has ended.
    void exited();

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
