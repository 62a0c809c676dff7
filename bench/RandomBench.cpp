// genrand_int32 against std::mt19937 (libstdc++), the same generator with the same seed:
// both draw a block of outputs per iteration. Prints the ratio after the table.

#include "BenchmarkTimes.h"
#include "MersenneTwister.h"

#include <cstdio>
#include <random>

namespace {

constexpr int outputsPerIteration = 1000;

void BM_genrand_int32(benchmark::State &state)
{
    vl::init_genrand(5489);
    for (auto _ : state) {
        quint32 sum = 0;
        for (int i = 0; i < outputsPerIteration; ++i)
            sum += vl::genrand_int32();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * outputsPerIteration);
}
BENCHMARK(BM_genrand_int32);

void BM_std_mt19937(benchmark::State &state)
{
    std::mt19937 generator(5489);
    for (auto _ : state) {
        quint32 sum = 0;
        for (int i = 0; i < outputsPerIteration; ++i)
            sum += quint32(generator());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * outputsPerIteration);
}
BENCHMARK(BM_std_mt19937);

} // namespace

int main(int argc, char **argv)
{
    using namespace corvane::bench;
    return runBenchmarks(argc, argv, Clock::Cpu, [](const BenchmarkTimes &times) {
        const auto ratio = times.ratio("BM_genrand_int32", "BM_std_mt19937");
        if (ratio)
            std::printf("ratio genrand_int32 / std::mt19937: %.2fx (%.2f ns vs %.2f ns an output, CPU)\n",
                        ratio->value(), ratio->numerator / outputsPerIteration, ratio->denominator / outputsPerIteration);
    });
}
