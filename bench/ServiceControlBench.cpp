// isServiceRunning walks the real process list; its peer is what a shell script
// would run for the same question: `pgrep -x -u "$USER" Corvane` as a child process.
// Each is measured with the machine's processes as they are, and with sleeping
// children added until about 500 processes run.

#include "BenchmarkTimes.h"
#include "CorvaneServiceHelper.h"

#include <QDir>

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

void BM_isServiceRunning(benchmark::State &state)
{
    const ExtraProcesses extra(int(state.range(0)));
    state.counters["processes"] = processCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(CorvaneServiceHelper::isServiceRunning());
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
BENCHMARK(BM_pgrep)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);

} // namespace

// Prints each run as usual, then the peer's time over ours for each process count.
int main(int argc, char **argv)
{
    using namespace corvane::bench;
    return runBenchmarks(argc, argv, Clock::Real, [](const BenchmarkTimes &times) {
        for (const char *arg : {"0", "500"}) {
            if (const auto ratio = times.ratio(std::string("BM_pgrep/") + arg, std::string("BM_isServiceRunning/") + arg))
                std::printf("ratio pgrep / isServiceRunning (arg %s): %.1fx  (%.1f us vs %.1f us per call)\n", arg,
                            ratio->value(), ratio->numerator, ratio->denominator);
        }
    });
}
