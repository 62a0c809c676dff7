#include "PeerCommand.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace corvane::bench {

void runCommandEachIteration(benchmark::State &state, char *const argv[])
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError((std::string(argv[0]) + " cannot be started").c_str());
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        benchmark::DoNotOptimize(status);
    }
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace corvane::bench
