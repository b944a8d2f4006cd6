// What the benchmarks share: failing with a message, the best of a few timed
// rounds, the pseudo-random bytes of their inputs, and running a peer program
// for its output.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// Prints "<program>: <what>" and ends the run.
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
    std::exit(1);
}

struct TTimed {
    double seconds = 1e30;
    long long count = 0;
};

// The fastest of `rounds` runs of `work`, with the count the last run returned.
inline TTimed Best(int rounds, const std::function<long long()>& work)
{
    TTimed best;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        best.count = work();
        best.seconds =
            std::min(best.seconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// A xorshift sequence with a fixed seed, so that every run makes the same input.
class TInputBytes {
public:
    unsigned char Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<unsigned char>(state_ >> 56);
    }

private:
    std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

// Runs the program named by argv[0] (found on PATH) and returns what it
// wrote to its standard output.
inline std::string RunForOutput(std::vector<const char*> argv)
{
    argv.push_back(nullptr);
    int output[2];
    if (pipe(output) != 0)
        Fail("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, const_cast<char**>(argv.data()), environ) != 0)
        Fail((std::string("cannot start ") + argv[0]).c_str());
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string text;
    char chunk[65536];
    for (ssize_t n; (n = read(output[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(n));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return text;
}

}  // namespace bench
