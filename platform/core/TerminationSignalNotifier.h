#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace platform {

/// Turns the requests to end the process (SIGTERM, SIGINT, SIGHUP) into a Qt signal
/// on the event loop of the thread that made the notifier, so that a program can
/// quit in order instead of dying at once. One notifier a process; while it lives
/// those signals no longer end the process, and its destruction restores their
/// previous handling.
class TerminationSignalNotifier : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignalNotifier(QObject *parent = nullptr);
    ~TerminationSignalNotifier() override;

    /// Whether the notifier is active (false when another one already is).
    bool isActive() const;

Q_SIGNALS:
    /// Emitted once for each request, with the signal's number.
    void terminationRequested(int signalNumber);

private:
    void readPending();

    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
