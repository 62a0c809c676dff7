#include "ServiceTestSupport.h"

#include "TestSupport.h"

#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/plist/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace corvane::test {

namespace {

const QByteArray ServiceName = "Corvane";

QByteArray readProcFile(pid_t pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isAlive(pid_t pid)
{
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && close + 2 < stat.size() && stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

// Every process of this user named Corvane, zombies included.
QList<pid_t> corvanes()
{
    QList<pid_t> pids;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const pid_t pid = entry.toInt(&numeric);
        if (numeric && QFileInfo(QStringLiteral("/proc/") + entry).ownerId() == ::geteuid()
            && readProcFile(pid, "comm").trimmed() == ServiceName)
            pids.append(pid);
    }
    return pids;
}

// The living Corvanes of this sandbox (`mine`), or of any other.
QList<pid_t> services(bool mine)
{
    const QByteArray tag = "CORVANE_TEST_SANDBOX=" + sandboxDir().toUtf8();
    QList<pid_t> found;
    for (pid_t pid : corvanes()) {
        if (isAlive(pid) && readProcFile(pid, "environ").split('\0').contains(tag) == mine)
            found.append(pid);
    }
    return found;
}

QString serviceJournalPath()
{
    return qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/Corvane/journal.log");
}

} // namespace

QString builtServiceApp()
{
    return QStringLiteral(CORVANE_SERVICE_APP);
}

bool writeServiceDomain(const QVariantMap &domain)
{
    return platform::UserDefaults::standardUserDefaults().setPersistentDomain(domain, QStringLiteral("com.velora.Corvane"));
}

Announcements::Announcements()
{
    for (const QString &name : {LaunchedNotification, QuittingNotification})
        platform::DistributedNotificationCenter::defaultCenter().addObserver(
            this, name, QString(), [this](const platform::DistributedNotification &n) { m_received.append(n.name); });
}

Announcements::~Announcements()
{
    platform::DistributedNotificationCenter::defaultCenter().removeObserver(this);
}

bool Announcements::waitFor(const QString &name) const
{
    return QTest::qWaitFor([&] { return m_received.contains(name); }, 20000);
}

bool linkService(const QString &servicesFolder)
{
    return QDir().mkpath(servicesFolder)
           && QFile::link(builtServiceApp(), servicesFolder + QStringLiteral("/Corvane.app"));
}

ServiceJournalReader::ServiceJournalReader()
    : m_start(QFileInfo(serviceJournalPath()).size())
{
}

QStringList ServiceJournalReader::lines() const
{
    QStringList lines;
    for (const QString &line : text().split(u'\n')) {
        const QStringList columns = line.split(u'\t');
        if (columns.size() < 3)
            continue;   // an empty or half-written line
        lines.append(columns.mid(2).join(u' '));
    }
    return lines;
}

QString ServiceJournalReader::text() const
{
    QFile file(serviceJournalPath());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_start))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool ServiceJournalReader::waitFor(const QString &line, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return contains(line); }, timeoutMs);
}

QString ServiceJournalReader::waitForLineStartingWith(const QString &prefix, int timeoutMs) const
{
    QString found;
    (void)QTest::qWaitFor(
        [&] {
            const QStringList all = lines();
            const auto it = std::find_if(all.cbegin(), all.cend(), [&](const QString &l) { return l.startsWith(prefix); });
            if (it != all.cend())
                found = *it;
            return !found.isEmpty();
        },
        timeoutMs);
    return found;
}

ServiceGuard::ServiceGuard()
{
    // Detached services are orphans: adopt them, so that we can reap them.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

ServiceGuard::~ServiceGuard()
{
    endAll();
}

::testing::AssertionResult ServiceGuard::noForeignService()
{
    if (QTest::qWaitFor([] { return services(false).isEmpty(); }, 60000))
        return ::testing::AssertionSuccess();
    QStringList pids;
    for (pid_t pid : services(false))
        pids.append(QString::number(pid));
    return ::testing::AssertionFailure() << "a Corvane of another session keeps running (pid "
                                         << pids.join(u", ").toStdString() << ")";
}

QList<pid_t> ServiceGuard::runningServices()
{
    return services(true);
}

pid_t ServiceGuard::start(const QStringList &arguments)
{
    const ServiceJournalReader journal;
    qint64 pid = -1;
    if (!QProcess::startDetached(builtServiceApp() + QStringLiteral("/Corvane"), arguments, QString(), &pid))
        return -1;
    if (!journal.waitFor(QStringLiteral("posted CorvaneAppHasLaunchedNotification")))
        return -1;
    return pid_t(pid);
}

bool ServiceGuard::waitUntilGone(pid_t pid, int timeoutMs)
{
    const bool gone = QTest::qWaitFor([pid] { return !isAlive(pid); }, timeoutMs);
    if (gone)
        ::waitpid(pid, nullptr, WNOHANG);   // ours since we adopt orphans; harmless otherwise
    return gone;
}

void ServiceGuard::endAll()
{
    for (pid_t pid : runningServices()) {
        ::kill(pid, SIGTERM);
        if (!waitUntilGone(pid, 5000)) {
            ::kill(pid, SIGKILL);
            waitUntilGone(pid, 5000);
        }
    }
    // Services that quit by themselves are our zombie children until reaped;
    // waitpid refuses the processes that are not ours.
    for (pid_t pid : corvanes())
        ::waitpid(pid, nullptr, WNOHANG);
}

} // namespace corvane::test
