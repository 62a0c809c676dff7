#pragma once

// A benchmark main that runs every benchmark as usual and then prints, for
// each pair of ours and its standard peer, the ratio of their times: CPU time,
// or wall time for benchmarks that ask for it (those with worker threads). CPU
// time keeps the ratio meaningful on a machine busy with other work.

#include "BenchmarkTimes.h"

#include <cstdio>
#include <string>
#include <vector>

namespace corvane::bench {

struct Pair
{
    std::string ours;
    std::string peer;
};

inline int runComparing(int argc, char **argv, const std::vector<Pair> &pairs)
{
    return runBenchmarks(argc, argv, Clock::AsMeasured, [&](const BenchmarkTimes &times) {
        std::printf("\n");
        for (const Pair &p : pairs) {
            if (const auto ratio = times.ratio(p.ours, p.peer))
                std::printf("ratio %s / %s: %.2fx\n", p.ours.c_str(), p.peer.c_str(), ratio->value());
        }
    });
}

} // namespace corvane::bench
