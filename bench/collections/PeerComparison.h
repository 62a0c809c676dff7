#pragma once

// A benchmark main that runs every benchmark as usual and then prints, for
// each pair of ours and its standard peer, the ratio of their times: CPU time,
// or wall time for benchmarks that ask for it (those with worker threads). CPU
// time keeps the ratio meaningful on a machine busy with other work.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvane::bench {

struct Pair
{
    std::string ours;
    std::string peer;
};

class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            // With repetitions the mean stands for the benchmark.
            const bool isMean = run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean";
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || isMean))
                times[run.run_name.function_name] =
                    run.run_name.time_type.empty() ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

inline int runComparing(int argc, char **argv, const std::vector<Pair> &pairs)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTime ratio, ours / standard peer (below 1: ours is faster)\n");
    for (const Pair &p : pairs) {
        const auto ours = reporter.times.find(p.ours);
        const auto peer = reporter.times.find(p.peer);
        if (ours == reporter.times.end() || peer == reporter.times.end() || peer->second <= 0)
            continue;
        std::printf("  %-40s / %-40s %6.2f\n", p.ours.c_str(), p.peer.c_str(), ours->second / peer->second);
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace corvane::bench
