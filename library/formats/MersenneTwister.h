#pragma once

#include <QtGlobal>

#include <span>

/// The MT19937 Mersenne Twister, exactly as its reference implementation: the same seed gives
/// the same outputs as any conforming MT19937 (std::mt19937 included). One state for the
/// process, not locked: use it from one thread at a time. Never seeded, the first output seeds
/// with 5489.
namespace vl {

/// Seeds the state from `seed` (the reference linear recurrence, multiplier 1812433253).
void init_genrand(quint32 seed);

/// Seeds the state from `key` (init_genrand(19650218), then the reference mixing passes).
/// The first word of the state becomes 0x80000000, so the state is never all zero, even for
/// an empty key.
void init_by_array(std::span<const quint32> key);

/// The next output, on [0, 0xFFFFFFFF].
quint32 genrand_int32();

/// The next output shifted right by one, on [0, 0x7FFFFFFF].
qint32 genrand_int31();

/// The next output on [0, 1]: 0xFFFFFFFF gives exactly 1.0.
double genrand_real1();

/// The next output on [0, 1).
double genrand_real2();

/// The next output on (0, 1): never 0.0, never 1.0.
double genrand_real3();

/// A real on [0, 1) with 53-bit resolution, from the next two outputs.
double genrand_res53();

/// The conversions the real outputs apply to one 32-bit output, so that their bounds can be
/// checked on the outputs that reach them.
double genrand_real1(quint32 output);
double genrand_real2(quint32 output);
double genrand_real3(quint32 output);
double genrand_res53(quint32 first, quint32 second);

} // namespace vl
