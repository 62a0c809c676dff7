#include "MersenneTwister.h"

#include <array>
#include <cstdint>

namespace vl {

namespace {

constexpr int N = 624;
constexpr int M = 397;
constexpr std::uint32_t matrixA = 0x9908b0dfU;
constexpr std::uint32_t upperMask = 0x80000000U;
constexpr std::uint32_t lowerMask = 0x7fffffffU;

// The reference keeps N + 1 in `mti` for a state never seeded.
struct State
{
    std::array<std::uint32_t, N> mt{};
    int mti = N + 1;
};

// One state for the process, as the reference has; not locked.
constinit State processState;

State &state()
{
    return processState;
}

std::uint32_t twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t far)
{
    const std::uint32_t y = (upper & upperMask) | (lower & lowerMask);
    return far ^ (y >> 1) ^ ((y & 1U) ? matrixA : 0U);
}

// Regenerates all N words at once, as the reference does every N outputs.
void regenerate(State &s)
{
    auto &mt = s.mt;
    int kk = 0;
    for (; kk < N - M; ++kk)
        mt[kk] = twist(mt[kk], mt[kk + 1], mt[kk + M]);
    for (; kk < N - 1; ++kk)
        mt[kk] = twist(mt[kk], mt[kk + 1], mt[kk + (M - N)]);
    mt[N - 1] = twist(mt[N - 1], mt[0], mt[M - 1]);
    s.mti = 0;
}

} // namespace

void init_genrand(quint32 seed)
{
    State &s = state();
    s.mt[0] = seed;
    for (int i = 1; i < N; ++i)
        s.mt[i] = 1812433253U * (s.mt[i - 1] ^ (s.mt[i - 1] >> 30)) + std::uint32_t(i);
    s.mti = N;
}

void init_by_array(std::span<const quint32> key)
{
    init_genrand(19650218U);
    auto &mt = state().mt;
    const int length = int(key.size());
    int i = 1;
    int j = 0;
    for (int k = N > length ? N : length; k > 0; --k) {
        // An empty key mixes in zeros: the reference would read past it.
        const std::uint32_t word = length > 0 ? key[std::size_t(j)] : 0U;
        mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1664525U)) + word + std::uint32_t(j);
        ++i;
        ++j;
        if (i >= N) {
            mt[0] = mt[N - 1];
            i = 1;
        }
        if (j >= length)
            j = 0;
    }
    for (int k = N - 1; k > 0; --k) {
        mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 30)) * 1566083941U)) - std::uint32_t(i);
        ++i;
        if (i >= N) {
            mt[0] = mt[N - 1];
            i = 1;
        }
    }
    mt[0] = upperMask;
}

quint32 genrand_int32()
{
    State &s = state();
    if (s.mti >= N) {
        if (s.mti == N + 1)
            init_genrand(5489U);
        regenerate(s);
    }
    std::uint32_t y = s.mt[s.mti++];
    y ^= (y >> 11);
    y ^= (y << 7) & 0x9d2c5680U;
    y ^= (y << 15) & 0xefc60000U;
    y ^= (y >> 18);
    return y;
}

qint32 genrand_int31()
{
    return qint32(genrand_int32() >> 1);
}

double genrand_real1(quint32 output)
{
    return output * (1.0 / 4294967295.0);
}

double genrand_real2(quint32 output)
{
    return output * (1.0 / 4294967296.0);
}

double genrand_real3(quint32 output)
{
    return (double(output) + 0.5) * (1.0 / 4294967296.0);
}

double genrand_res53(quint32 first, quint32 second)
{
    const std::uint32_t a = first >> 5;
    const std::uint32_t b = second >> 6;
    return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
}

double genrand_real1()
{
    return genrand_real1(genrand_int32());
}

double genrand_real2()
{
    return genrand_real2(genrand_int32());
}

double genrand_real3()
{
    return genrand_real3(genrand_int32());
}

double genrand_res53()
{
    // Two statements: the order of the two outputs is fixed.
    const quint32 first = genrand_int32();
    const quint32 second = genrand_int32();
    return genrand_res53(first, second);
}

} // namespace vl
