#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <sys/types.h>

/// Running the reference service (Corvane.app, built beside the tests) as a real
/// process in a test's sandbox, and reading what it journals.
namespace corvane::test {

/// The app folder of the built service: <build>/service/Corvane.app.
QString builtServiceApp();

/// Makes the built service the Corvane.app of `servicesFolder` (a symbolic link),
/// where the pane looks for it. False when the link cannot be made.
bool linkService(const QString &servicesFolder);

inline const QString LaunchedNotification = QStringLiteral("CorvaneAppHasLaunchedNotification");
inline const QString QuittingNotification = QStringLiteral("CorvaneAppIsQuittingNotification");

/// Replaces the service's preferences domain (com.velora.Corvane) with `domain`.
bool writeServiceDomain(const QVariantMap &domain);

/// The service's two announcements as every observer on this sandbox's bus hears them.
class Announcements
{
public:
    Announcements();
    ~Announcements();
    Announcements(const Announcements &) = delete;
    Announcements &operator=(const Announcements &) = delete;

    /// Spins the event loop until `name` has been heard; false after 20 s.
    bool waitFor(const QString &name) const;

private:
    QStringList m_received;
};

/// The lines of the journal the service writes in this sandbox
/// ($XDG_STATE_HOME/Corvane/journal.log) written after this reader was made, each as its kind and
/// fields joined by single spaces ("message sortPreferenceChanged 3"); the time
/// and pid columns are left out.
class ServiceJournalReader
{
public:
    ServiceJournalReader();

    QStringList lines() const;
    /// The journal as written since the reader was made, times and pids included.
    QString text() const;
    bool contains(const QString &line) const { return lines().contains(line); }
    /// Spins the event loop until `line` is there; false after `timeoutMs`.
    bool waitFor(const QString &line, int timeoutMs = 20000) const;
    /// Spins the event loop until a line starts with `prefix` and returns the first
    /// such line, so that a wrong value fails at once; empty after `timeoutMs`.
    QString waitForLineStartingWith(const QString &prefix, int timeoutMs = 20000) const;

private:
    qint64 m_start = 0;
};

/// The services started in this sandbox: every process named Corvane whose
/// environment names this sandbox is ended (SIGTERM, then SIGKILL) and reaped when
/// the guard goes, whatever the test's outcome. Orphaned services become children
/// of the test process, so that none is left as a zombie.
class ServiceGuard
{
public:
    ServiceGuard();
    ~ServiceGuard();
    ServiceGuard(const ServiceGuard &) = delete;
    ServiceGuard &operator=(const ServiceGuard &) = delete;

    /// Waits (a minute at most) until no other sandbox's Corvane runs: on a shared
    /// machine one would make the process list lie to the test. Fails naming the one that stays.
    static ::testing::AssertionResult noForeignService();

    /// The Corvane processes of this sandbox that have not ended.
    static QList<pid_t> runningServices();

    /// Starts the built service detached with `arguments` and waits until it has
    /// announced its launch. Its pid, or -1 when it did not come up.
    pid_t start(const QStringList &arguments = {});

    /// Waits until `pid` has ended (reaping it when it is our child).
    static bool waitUntilGone(pid_t pid, int timeoutMs = 20000);

    /// Ends every service of this sandbox now.
    static void endAll();
};

} // namespace corvane::test
