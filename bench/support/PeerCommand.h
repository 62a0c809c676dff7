#pragma once

// Peers that are programs of their own (find, pgrep): each iteration starts one
// and waits for its end, as a user's shell would.

#include <benchmark/benchmark.h>

namespace corvane::bench {

/// Runs `argv` (a null-terminated list, looked up in PATH) once each iteration of
/// `state`, its standard output to /dev/null; the benchmark ends with an error when
/// the program cannot be started.
void runCommandEachIteration(benchmark::State &state, char *const argv[]);

} // namespace corvane::bench
