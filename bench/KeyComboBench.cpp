// Archiving and unarchiving one key combination, the stored hot key, beside
// QDataStream writing and reading the same two numbers: the cost of the
// original archive format over Qt's own serialisation.
#include "BenchmarkTimes.h"
#include "KeyCombo.h"
#include "UserDefaults+KeyComboAdditions.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

#include <cstdio>
#include <string>

namespace {

const auto commandReturn = KeyCombo::keyComboWithKeyCode(36, KeyCombo::CommandKey);

QByteArray dataStreamArchive(qint16 keyCode, qint32 modifiers)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << keyCode << modifiers;
    return bytes;
}

void BM_ArchiveKeyCombo(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(vl::archiveKeyCombo(commandReturn.get()));
}
BENCHMARK(BM_ArchiveKeyCombo);

void BM_ArchiveDataStream(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(dataStreamArchive(commandReturn->keyCode(), commandReturn->storedModifiers()));
}
BENCHMARK(BM_ArchiveDataStream);

void BM_UnarchiveKeyCombo(benchmark::State &state)
{
    const QByteArray stored = vl::archiveKeyCombo(commandReturn.get());
    for (auto _ : state)
        benchmark::DoNotOptimize(KeyCombo::unarchiveObjectWithData(stored));
}
BENCHMARK(BM_UnarchiveKeyCombo);

void BM_UnarchiveDataStream(benchmark::State &state)
{
    const QByteArray stored = dataStreamArchive(36, KeyCombo::CommandKey);
    for (auto _ : state) {
        QDataStream in(stored);
        qint16 keyCode = 0;
        qint32 modifiers = 0;
        in >> keyCode >> modifiers;
        benchmark::DoNotOptimize(KeyCombo::keyComboWithKeyCode(keyCode, modifiers));
    }
}
BENCHMARK(BM_UnarchiveDataStream);

} // namespace

// Prints the usual table, then each of ours against its QDataStream peer.
int main(int argc, char **argv)
{
    using namespace corvane::bench;
    return runBenchmarks(argc, argv, Clock::Cpu, [](const BenchmarkTimes &times) {
        for (const char *what : {"Archive", "Unarchive"}) {
            const auto ratio = times.ratio(std::string("BM_") + what + "KeyCombo", std::string("BM_") + what + "DataStream");
            if (ratio && ratio->numerator > 0)
                std::printf("ratio %s a combination / QDataStream: %.1fx (%.0f ns vs %.0f ns, CPU)\n", what,
                            ratio->value(), ratio->numerator, ratio->denominator);
        }
    });
}
