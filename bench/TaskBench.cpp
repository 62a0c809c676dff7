// processIdentifierOfTaskWithName walks the process table; its peer is the
// command a script would run: `pgrep ^name` as a child process. Both look for a
// name that no process has, so both walk the whole table.

#include "BenchmarkTimes.h"
#include "TaskExtensions.h"

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

const char absentName[] = "cv-absent-task";

void BM_processIdentifierOfTaskWithName(benchmark::State &state)
{
    const QString name = QString::fromLatin1(absentName);
    for (auto _ : state)
        benchmark::DoNotOptimize(vl::processIdentifierOfTaskWithName(name));
}

void BM_pgrep(benchmark::State &state)
{
    char pgrep[] = "pgrep", pattern[] = "^cv-absent-task";
    char *argv[] = {pgrep, pattern, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("pgrep cannot be started");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        benchmark::DoNotOptimize(status);
    }
    posix_spawn_file_actions_destroy(&actions);
}

BENCHMARK(BM_processIdentifierOfTaskWithName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pgrep)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    using namespace corvane::bench;
    return runBenchmarks(argc, argv, Clock::Real, [](const BenchmarkTimes &times) {
        const auto ratio = times.ratio("BM_pgrep", "BM_processIdentifierOfTaskWithName");
        if (ratio && ratio->numerator > 0)
            std::printf("ratio pgrep / processIdentifierOfTaskWithName: %.1fx (%.1f us vs %.1f us per call)\n",
                        ratio->value(), ratio->numerator, ratio->denominator);
    });
}
