// compareVersionStrings against QVersionNumber, and VLLogf against a plain
// write(2) of the same bytes. Prints the ratios after the table.
//
// A line must never wait for a full pipe nor end the program with SIGPIPE, and
// a descriptor number may have become another kind of file since the last line;
// so VLLogf asks the kernel about the descriptor at every line. Where a system
// call costs about as much as the write itself (a virtual machine: about 200 ns
// each), that question alone nearly doubles a bare write's time. Each
// destination therefore also has a floor peer: the system calls that a logger
// keeping those promises cannot avoid, with no formatting at all. The ratio to
// the floor is what the line's own work (date, name, message) costs.

#include "BenchmarkTimes.h"
#include "StringExtensions.h"
#include "VLLog.h"

#include "platform/core/FileDescriptor.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QVersionNumber>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

const std::pair<QString, QString> versionPairs[] = {
    {QStringLiteral("1.2"), QStringLiteral("1.10")},
    {QStringLiteral("10.4.11"), QStringLiteral("10.5")},
    {QStringLiteral("2.1.3"), QStringLiteral("2.1.3.0")},
    {QStringLiteral("1.0.2"), QStringLiteral("1.0.12")},
};

void BM_compareVersionStrings(benchmark::State &state)
{
    size_t i = 0;
    for (auto _ : state) {
        const auto &[a, b] = versionPairs[i++ % std::size(versionPairs)];
        benchmark::DoNotOptimize(vl::compareVersionStrings(a, b));
    }
}
BENCHMARK(BM_compareVersionStrings);

void BM_QVersionNumberCompare(benchmark::State &state)
{
    size_t i = 0;
    for (auto _ : state) {
        const auto &[a, b] = versionPairs[i++ % std::size(versionPairs)];
        benchmark::DoNotOptimize(QVersionNumber::compare(QVersionNumber::fromString(a), QVersionNumber::fromString(b)));
    }
}
BENCHMARK(BM_QVersionNumberCompare);

// The same bytes VLLogf writes for "value %d" with 7, made once.
QByteArray sampleLine()
{
    return QByteArrayLiteral("2008-03-01 14:05:09.123 ") + QCoreApplication::applicationName().toUtf8() + '['
           + QByteArray::number(QCoreApplication::applicationPid()) + "] value 7\n";
}

int devNull()
{
    static const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    return fd;
}

// A pipe whose reader thread keeps it empty, so that no line is dropped.
struct DrainedPipe
{
    int fds[2] = {-1, -1};
    std::atomic<bool> stop{false};
    std::thread reader;
    DrainedPipe()
    {
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        reader = std::thread([this] {
            char buffer[65536];
            while (::read(fds[0], buffer, sizeof buffer) > 0) {
            }
        });
    }
    ~DrainedPipe()
    {
        ::close(fds[1]);
        reader.join();
        ::close(fds[0]);
    }
};

void BM_VLLogf_devnull(benchmark::State &state)
{
    for (auto _ : state)
        VLLogf(devNull(), "value %d", 7);
}
BENCHMARK(BM_VLLogf_devnull);

void BM_write_devnull(benchmark::State &state)
{
    const QByteArray line = sampleLine();
    for (auto _ : state)
        benchmark::DoNotOptimize(::write(devNull(), line.constData(), size_t(line.size())));
}
BENCHMARK(BM_write_devnull);

// The least a logger that must not trust a descriptor number between two lines
// pays: one question about what the descriptor is, then the write.
void BM_lseek_write_devnull(benchmark::State &state)
{
    const QByteArray line = sampleLine();
    for (auto _ : state) {
        benchmark::DoNotOptimize(::lseek(devNull(), 0, SEEK_CUR));
        benchmark::DoNotOptimize(::write(devNull(), line.constData(), size_t(line.size())));
    }
}
BENCHMARK(BM_lseek_write_devnull);

void BM_VLLogf_pipe(benchmark::State &state)
{
    DrainedPipe pipe;
    for (auto _ : state)
        VLLogf(pipe.fds[1], "value %d", 7);
}
BENCHMARK(BM_VLLogf_pipe);

void BM_write_pipe(benchmark::State &state)
{
    DrainedPipe pipe;
    const QByteArray line = sampleLine();
    for (auto _ : state)
        benchmark::DoNotOptimize(::write(pipe.fds[1], line.constData(), size_t(line.size())));
}
BENCHMARK(BM_write_pipe);

// The floor for a pipe: VLLogf's own route for it, without the line's making:
// a poll that the pipe can take the line now, then the write with SIGPIPE held
// back (a reader may leave between the two).
void BM_poll_guarded_write_pipe(benchmark::State &state)
{
    DrainedPipe pipe;
    const QByteArray line = sampleLine();
    for (auto _ : state) {
        if (platform::isDescriptorWritableNow(pipe.fds[1]))
            benchmark::DoNotOptimize(platform::writeOnceWithoutSigpipe(pipe.fds[1], line));
    }
}
BENCHMARK(BM_poll_guarded_write_pipe);

void printRatio(const corvane::bench::BenchmarkTimes &times, const char *label, const std::string &ours,
                const std::string &peer)
{
    if (const auto ratio = times.ratio(ours, peer))
        std::printf("ratio %s: %.2fx  (%.1f ns vs %.1f ns per call, CPU)\n", label, ratio->value(), ratio->numerator,
                    ratio->denominator);
}

} // namespace

int main(int argc, char **argv)
{
    using namespace corvane::bench;
    // A line costs a few system calls, whose price on a virtual machine moves from
    // one moment to the next: each benchmark runs three times in random turn.
    RepeatedRunsArguments arguments(argc, argv, 3);
    QCoreApplication app(arguments.argc(), arguments.argv());
    return runBenchmarks(arguments.argc(), arguments.argv(), Clock::Cpu, [](const BenchmarkTimes &times) {
        std::printf("\n");
        printRatio(times, "compareVersionStrings / QVersionNumber", "BM_compareVersionStrings", "BM_QVersionNumberCompare");
        printRatio(times, "VLLogf / write(2), /dev/null", "BM_VLLogf_devnull", "BM_write_devnull");
        printRatio(times, "VLLogf / lseek(2) and write(2), /dev/null", "BM_VLLogf_devnull", "BM_lseek_write_devnull");
        printRatio(times, "VLLogf / write(2), drained pipe", "BM_VLLogf_pipe", "BM_write_pipe");
        printRatio(times, "VLLogf / poll(2) and guarded write(2), drained pipe", "BM_VLLogf_pipe",
                   "BM_poll_guarded_write_pipe");
    });
}
