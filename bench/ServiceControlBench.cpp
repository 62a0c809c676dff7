// isServiceRunning walks the real process list; its peer is what a shell script
// would run for the same question: `pgrep -x -u "$USER" Corvane` as a child process,
// and its floor a bare listing of /proc. Each is measured with the machine's
// processes as they are, and with sleeping children added until about 500
// processes run; isServiceRunning also with a process named Corvane started last,
// so that a walk would find it at the end.
//
// Switching the service on: from the pane's launchService (the process list, the
// application's path, the start) to the service's launch notification arriving
// here. Its peer is the least any program does to announce itself on the bus:
// dbus-send started as a child process, until its signal arrives.

#include "BenchmarkTimes.h"
#include "InstalledService.h"
#include "CorvaneServiceHelper.h"

#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/system/ProcessExitWatcher.h"
#include "platform/system/SearchPaths.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <dirent.h>
#include <sys/prctl.h>

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

int processCount()
{
    int count = 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        entry.toInt(&numeric);
        count += numeric;
    }
    return count;
}

pid_t spawn(std::vector<std::string> arguments)
{
    std::vector<char *> argv;
    for (auto &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Sleeping children that bring the machine to `target` processes while alive;
// they are ours, ended by their pids.
class ExtraProcesses
{
public:
    explicit ExtraProcesses(int target)
    {
        for (int i = processCount(); i < target; ++i) {
            const pid_t pid = spawn({"sleep", "600"});
            if (pid > 0)
                m_pids.push_back(pid);
        }
    }
    ~ExtraProcesses()
    {
        for (pid_t pid : m_pids)
            ::kill(pid, SIGTERM);
        for (pid_t pid : m_pids)
            ::waitpid(pid, nullptr, 0);
    }

private:
    std::vector<pid_t> m_pids;
};

std::string userName()
{
    if (const char *user = std::getenv("USER"); user && *user)
        return user;
    const passwd *entry = ::getpwuid(::geteuid());
    return entry ? entry->pw_name : "root";
}

// A child of ours named like the service, paused until killed.
class StandIn
{
public:
    StandIn()
        : m_pid(::fork())
    {
        if (m_pid == 0) {
            ::prctl(PR_SET_NAME, "Corvane");
            ::pause();
            ::_exit(0);
        }
    }
    ~StandIn()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    StandIn(const StandIn &) = delete;
    StandIn &operator=(const StandIn &) = delete;

private:
    pid_t m_pid;
};

void BM_isServiceRunning(benchmark::State &state)
{
    const ExtraProcesses extra(int(state.range(0)));
    state.counters["processes"] = processCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(CorvaneServiceHelper::isServiceRunning());
}

void BM_isServiceRunning_running(benchmark::State &state)
{
    const ExtraProcesses extra(int(state.range(0)));
    const StandIn service;
    while (!CorvaneServiceHelper::isServiceRunning())
        ::usleep(1000);
    state.counters["processes"] = processCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(CorvaneServiceHelper::isServiceRunning());
}

// Counts the processes of /proc for which `visit(dir, pid)` answers true.
template<typename Visit>
int walkProc(Visit &&visit)
{
    int counted = 0;
    DIR *proc = ::opendir("/proc");
    while (const dirent *entry = ::readdir(proc))
        counted += entry->d_name[0] >= '0' && entry->d_name[0] <= '9' && visit(::dirfd(proc), entry->d_name);
    ::closedir(proc);
    return counted;
}

// What every walk of /proc pays: listing it, with no file of a process read.
void BM_procListing(benchmark::State &state)
{
    const ExtraProcesses extra(int(state.range(0)));
    state.counters["processes"] = processCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(walkProc([](int, const char *) { return true; }));
}

// What proving that no process has a name must pay at the least: listing /proc
// and reading each process's command name, with nothing else asked.
void BM_procNames(benchmark::State &state)
{
    const ExtraProcesses extra(int(state.range(0)));
    state.counters["processes"] = processCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(walkProc([](int dir, const char *pid) {
            char path[NAME_MAX + 8], comm[32];
            std::snprintf(path, sizeof path, "%s/comm", pid);
            const int fd = ::openat(dir, path, O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                return false;
            const bool read = ::read(fd, comm, sizeof comm) > 0;
            ::close(fd);
            return read;
        }));
    }
}

void BM_pgrep(benchmark::State &state)
{
    const ExtraProcesses extra(int(state.range(0)));
    state.counters["processes"] = processCount();
    const std::string user = userName();
    for (auto _ : state) {
        const pid_t pid = spawn({"pgrep", "-x", "-u", user, "Corvane"});
        int status = 0;
        ::waitpid(pid, &status, 0);
        benchmark::DoNotOptimize(status);
    }
}

// Arg 0: the machine as it is; 500: topped up to about 500 processes.
BENCHMARK(BM_isServiceRunning)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_isServiceRunning_running)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_procListing)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_procNames)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pgrep)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);

// Runs the event loop until `done` or 10 seconds have passed.
template<typename Predicate>
bool waitFor(Predicate done)
{
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(deadline.remainingTime()));
    return done();
}

// The reference service, installed where the pane looks first.
bool installService()
{
    return installServiceLink(QStringLiteral(CORVANE_SERVICE_APP));
}

// Quits the service started by an iteration and waits until its process has gone.
bool stopService(qint64 pid)
{
    platform::ProcessExitWatcher exit(pid);
    bool gone = false;
    QObject::connect(&exit, &platform::ProcessExitWatcher::exited, [&] { gone = true; });
    CorvaneServiceHelper::quitService();
    return waitFor([&] { return gone; });
}

void BM_switchOn(benchmark::State &state)
{
    if (!installService() || CorvaneServiceHelper::isServiceRunning()) {
        state.SkipWithError("cannot install the reference service, or it runs already");
        return;
    }
    const QString launched = QStringLiteral("CorvaneAppHasLaunchedNotification");
    int announcements = 0;
    auto &center = platform::DistributedNotificationCenter::defaultCenter();
    center.addObserver(&announcements, launched, QString(), [&](const auto &) { ++announcements; });
    double launchSeconds = 0;
    for (auto _ : state) {
        const int before = announcements;
        QElapsedTimer timer;
        timer.start();
        qint64 pid = 0;
        const bool launched = CorvaneServiceHelper::launchService(&pid);
        launchSeconds += double(timer.nsecsElapsed()) / 1e9;
        if (!launched || !waitFor([&] { return announcements > before; })) {
            state.SkipWithError("the service did not announce its launch");
            break;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!stopService(pid)) {
            state.SkipWithError("the service did not quit");
            break;
        }
    }
    center.removeObserver(&announcements);
    // The pane's part: the process list, the application's path and the start.
    state.counters["launch_ms"] = benchmark::Counter(launchSeconds * 1e3, benchmark::Counter::kAvgIterations);
}

} // namespace

// Counts the peer's signals as they arrive.
class HelloReceiver : public QObject
{
    Q_OBJECT
public:
    int count = 0;
public Q_SLOTS:
    void hello() { ++count; }
};

namespace {

void BM_dbusSendAnnounces(benchmark::State &state)
{
    HelloReceiver receiver;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString path = QStringLiteral("/com/velora/ServiceControlBench");
    const QString interface = QStringLiteral("com.velora.ServiceControlBench");
    if (!bus.connect(QString(), path, interface, QStringLiteral("Hello"), &receiver, SLOT(hello()))) {
        state.SkipWithError("no session bus");
        return;
    }
    for (auto _ : state) {
        const int before = receiver.count;
        QElapsedTimer timer;
        timer.start();
        const pid_t pid = spawn({"dbus-send", "--session", "--type=signal", path.toStdString(),
                                 (interface + QStringLiteral(".Hello")).toStdString()});
        if (pid <= 0 || !waitFor([&] { return receiver.count > before; })) {
            state.SkipWithError("dbus-send's signal did not arrive");
            break;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        ::waitpid(pid, nullptr, 0);
    }
    bus.disconnect(QString(), path, interface, QStringLiteral("Hello"), &receiver, SLOT(hello()));
}

BENCHMARK(BM_switchOn)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_dbusSendAnnounces)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

// Prints each run as usual, then the peer's time over ours for each process count.
int main(int argc, char **argv)
{
    using namespace corvane::bench;
    QCoreApplication app(argc, argv);
    const int status = runBenchmarks(argc, argv, Clock::Real, [](const BenchmarkTimes &times) {
        for (const char *arg : {"0", "500"}) {
            if (const auto ratio = times.ratio(std::string("BM_pgrep/") + arg, std::string("BM_isServiceRunning/") + arg))
                std::printf("ratio pgrep / isServiceRunning (arg %s): %.1fx  (%.1f us vs %.1f us per call)\n", arg,
                            ratio->value(), ratio->numerator, ratio->denominator);
        }
        if (const auto ratio = times.ratio("BM_isServiceRunning/500", "BM_procListing/500"))
            std::printf("ratio isServiceRunning, not running / listing /proc (500): %.1fx  (%.1f us vs %.1f us)\n",
                        ratio->value(), ratio->numerator, ratio->denominator);
        if (const auto ratio = times.ratio("BM_isServiceRunning/500", "BM_procNames/500"))
            std::printf("ratio isServiceRunning, not running / reading every command name (500): %.2fx  (%.1f us vs %.1f us)\n",
                        ratio->value(), ratio->numerator, ratio->denominator);
        if (const auto ratio = times.ratio("BM_isServiceRunning_running/500", "BM_procListing/500"))
            std::printf("ratio isServiceRunning, running / listing /proc (500): %.2fx  (%.1f us vs %.1f us)\n",
                        ratio->value(), ratio->numerator, ratio->denominator);
        if (const auto ratio = times.ratio("BM_switchOn/iterations:15/manual_time",
                                           "BM_dbusSendAnnounces/iterations:15/manual_time"))
            std::printf("ratio switch on until announced / dbus-send announcing: %.1fx  (%.1f ms vs %.1f ms)\n",
                        ratio->value(), ratio->numerator, ratio->denominator);
    });
    return status;
}

#include "ServiceControlBench.moc"
