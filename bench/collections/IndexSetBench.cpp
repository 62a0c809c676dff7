// VLLongLongIndexSet against std::set<int64_t> over 1,000,000 indexes:
// ascending appends, ascending iteration, membership and count.

#include "PeerComparison.h"
#include "VLLongLongIndexSet.h"

#include <cstdint>
#include <random>
#include <set>

namespace {

constexpr qint64 Size = 1'000'000;

// Every other even number, so that half of the membership probes miss.
qint64 element(qint64 i)
{
    return 2 * i;
}

std::vector<qint64> probes()
{
    std::mt19937_64 random(3);
    std::vector<qint64> p(Size);
    for (auto &v : p)
        v = qint64(random() % uint64_t(2 * Size));
    return p;
}

VLMutableLongLongIndexSet ourSet()
{
    VLMutableLongLongIndexSet set;
    for (qint64 i = 0; i < Size; ++i)
        set.addIndex(element(i));
    return set;
}

std::set<int64_t> peerSet()
{
    std::set<int64_t> set;
    for (qint64 i = 0; i < Size; ++i)
        set.emplace_hint(set.end(), element(i));
    return set;
}

void oursAppend(benchmark::State &state)
{
    for (auto _ : state) {
        auto set = ourSet();
        benchmark::DoNotOptimize(&set);
    }
}

void peerAppend(benchmark::State &state)
{
    for (auto _ : state) {
        auto set = peerSet();
        benchmark::DoNotOptimize(&set);
    }
}

void oursIterate(benchmark::State &state)
{
    const auto set = ourSet();
    for (auto _ : state) {
        qint64 sum = 0;
        for (qint64 i = set.firstIndex(); i != VLLongLongNotFound; i = set.indexGreaterThanIndex(i))
            sum += i;
        benchmark::DoNotOptimize(sum);
    }
}

void peerIterate(benchmark::State &state)
{
    const auto set = peerSet();
    for (auto _ : state) {
        int64_t sum = 0;
        for (int64_t i : set)
            sum += i;
        benchmark::DoNotOptimize(sum);
    }
}

void oursContains(benchmark::State &state)
{
    const auto set = ourSet();
    const auto p = probes();
    for (auto _ : state) {
        qint64 hits = 0;
        for (qint64 v : p)
            hits += set.containsIndex(v);
        benchmark::DoNotOptimize(hits);
    }
}

void peerContains(benchmark::State &state)
{
    const auto set = peerSet();
    const auto p = probes();
    for (auto _ : state) {
        int64_t hits = 0;
        for (int64_t v : p)
            hits += set.contains(v);
        benchmark::DoNotOptimize(hits);
    }
}

void oursCount(benchmark::State &state)
{
    const auto set = ourSet();
    for (auto _ : state)
        benchmark::DoNotOptimize(set.count());
}

void peerCount(benchmark::State &state)
{
    const auto set = peerSet();
    for (auto _ : state)
        benchmark::DoNotOptimize(set.size());
}

} // namespace

int main(int argc, char **argv)
{
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("append/VLLongLongIndexSet", oursAppend)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("append/std::set", peerAppend)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("iterate/VLLongLongIndexSet", oursIterate)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("iterate/std::set", peerIterate)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("contains/VLLongLongIndexSet", oursContains)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("contains/std::set", peerContains)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("count/VLLongLongIndexSet", oursCount);
    RegisterBenchmark("count/std::set", peerCount);
    return corvane::bench::runComparing(argc, argv,
                                        {{"append/VLLongLongIndexSet", "append/std::set"},
                                         {"iterate/VLLongLongIndexSet", "iterate/std::set"},
                                         {"contains/VLLongLongIndexSet", "contains/std::set"},
                                         {"count/VLLongLongIndexSet", "count/std::set"}});
}
