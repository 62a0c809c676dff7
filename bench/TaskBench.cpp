// processIdentifierOfTaskWithName walks the process table; its peer is the
// command a script would run: `pgrep ^name` as a child process. Both look for a
// name that no process has, so both walk the whole table.

#include "BenchmarkTimes.h"
#include "PeerCommand.h"
#include "TaskExtensions.h"

#include <cstdio>

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
    corvane::bench::runCommandEachIteration(state, argv);
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
