#include "BenchmarkTimes.h"

#include <unistd.h>

#include <cstdio>
#include <vector>

namespace corvane::bench {

namespace {

class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    // Colour only on a terminal, as Google Benchmark's own reporter chooses: a log or
    // a pipe gets plain lines.
    explicit RecordingReporter(BenchmarkTimes &times)
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular)
        , m_times(times)
    {
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            m_times.record(run);
        ConsoleReporter::ReportRuns(runs);
    }

private:
    BenchmarkTimes &m_times;
};

} // namespace

void BenchmarkTimes::record(const benchmark::BenchmarkReporter::Run &run)
{
    using Run = benchmark::BenchmarkReporter::Run;
    // The median of repetitions, as one slow repetition on a busy machine moves a
    // mean but not a median.
    const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.error_occurred || (run.run_type != Run::RT_Iteration && !isMedian))
        return;
    const bool real = m_clock == Clock::Real || (m_clock == Clock::AsMeasured && !run.run_name.time_type.empty());
    const double time = real ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    // The name with its arguments and options, and the bare registered name.
    m_times[run.run_name.str()] = time;
    m_times[run.run_name.function_name] = time;
}

std::optional<double> BenchmarkTimes::time(const std::string &name) const
{
    const auto found = m_times.find(name);
    return found == m_times.end() ? std::nullopt : std::optional(found->second);
}

std::optional<Ratio> BenchmarkTimes::ratio(const std::string &numerator, const std::string &denominator) const
{
    const auto over = time(numerator);
    const auto under = time(denominator);
    if (!over || !under || *under <= 0)
        return std::nullopt;
    return Ratio{*over, *under};
}

RepeatedRunsArguments::RepeatedRunsArguments(int argc, char **argv, int repetitions)
    : m_flags{"--benchmark_repetitions=" + std::to_string(repetitions), "--benchmark_enable_random_interleaving=true",
              "--benchmark_report_aggregates_only=true"}
{
    m_arguments.assign(argv, argv + argc);
    std::vector<char *> flags;
    for (std::string &flag : m_flags)
        flags.push_back(flag.data());
    m_arguments.insert(m_arguments.begin() + (argc > 0 ? 1 : 0), flags.begin(), flags.end());
    m_argc = int(m_arguments.size());
    m_arguments.push_back(nullptr);
}

int runBenchmarks(int &argc, char **argv, Clock clock, const std::function<void(const BenchmarkTimes &)> &printRatios)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BenchmarkTimes times(clock);
    RecordingReporter reporter(times);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(times);
    benchmark::Shutdown();
    return 0;
}

} // namespace corvane::bench
