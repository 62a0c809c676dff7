#pragma once

// What every benchmark beside its peer shares: a run that keeps each benchmark's
// time, so that the comparison can be printed after the usual table.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane::bench {

/// Which of a run's times stands for it.
enum class Clock {
    Cpu,        ///< CPU time: keeps a ratio meaningful on a machine busy with other work.
    Real,       ///< Wall time: for work done by other processes or threads.
    AsMeasured, ///< Wall time for benchmarks that ask for it (real or manual time), else CPU time.
};

/// One benchmark's time set against another's.
struct Ratio
{
    double numerator;
    double denominator;
    double value() const { return numerator / denominator; }
};

/// Each benchmark's time per iteration, in the unit of its row in the table.
/// With repetitions the median stands for the benchmark; failed runs are left out.
class BenchmarkTimes
{
public:
    explicit BenchmarkTimes(Clock clock) : m_clock(clock) {}

    /// Keeps the time of `run` when it is a plain run or a median.
    void record(const benchmark::BenchmarkReporter::Run &run);

    /// The time of the benchmark `name`: its name as the table shows it, without
    /// an aggregate's suffix ("BM_pgrep/500"), or the name it was registered under.
    /// None when it did not run.
    std::optional<double> time(const std::string &name) const;

    /// The time of `numerator` over that of `denominator`; none unless both ran
    /// and the denominator took time.
    std::optional<Ratio> ratio(const std::string &numerator, const std::string &denominator) const;

private:
    Clock m_clock;
    std::map<std::string, double> m_times;
};

/// A command line on which each benchmark runs `repetitions` times in random
/// turn with the others, so that a slow moment of the machine falls on every
/// side and the medians stand for them. The flags go first: the same flags given
/// on the command line come later and win.
class RepeatedRunsArguments
{
public:
    RepeatedRunsArguments(int argc, char **argv, int repetitions);
    RepeatedRunsArguments(const RepeatedRunsArguments &) = delete;
    RepeatedRunsArguments &operator=(const RepeatedRunsArguments &) = delete;

    int &argc() { return m_argc; }
    char **argv() { return m_arguments.data(); }

private:
    std::vector<std::string> m_flags;
    std::vector<char *> m_arguments;
    int m_argc;
};

/// The main of a benchmark beside its peer: reads the flags (an unknown one ends
/// it with 1), runs the benchmarks they select with the usual console table while
/// recording their times, then has `printRatios` print the comparison. The flags
/// are taken out of `argc` and `argv`, as a QCoreApplication made before sees them.
int runBenchmarks(int &argc, char **argv, Clock clock, const std::function<void(const BenchmarkTimes &)> &printRatios);

} // namespace corvane::bench
