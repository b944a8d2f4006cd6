// Times opening a working copy and a 1-byte insert at position 0 beside
// `cp` of the same file in the same run, and prints the ratios.
//   workingcopy_bench FILE [ROUNDS]
// The working copy goes to $TMPDIR and the rebuild to $QORM20_HOME (else the
// temporary folder), so both peers write to the folders the runner chose.
#include "Workingcopy.h"

#include "platform/Files.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

extern char** environ;

namespace {

double Seconds(const std::function<bool()>& work) {
    const auto start = std::chrono::steady_clock::now();
    if (!work()) {
        std::fprintf(stderr, "workingcopy_bench: a timed step failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Copy(const std::string& from, const std::string& to) {
    const char* argv[] = {"cp", from.c_str(), to.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Best {
    double ours = 1e30;
    double peer = 1e30;
    void Report(const char* what) const {
        std::printf("%-28s %8.3f s   cp %8.3f s   ratio %.2f\n", what, ours, peer, ours / peer);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: workingcopy_bench FILE [ROUNDS]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const char* home = std::getenv("QORM20_HOME");
    const std::string rebuildFolder = home && *home ? home : platform::GetTempPathA();
    const std::string peerCopy = platform::GetTempPathA() + "cp-peer.bin";

    Best open, insert;
    for (int round = 0; round < rounds; ++round) {
        open.peer = std::min(open.peer, Seconds([&] { return Copy(file, peerCopy); }));
        platform::DeleteFile(peerCopy);
        TWorkingCopy copy(rebuildFolder);
        open.ours = std::min(open.ours, Seconds([&] { return copy.Open(file); }));

        insert.peer = std::min(insert.peer, Seconds([&] { return Copy(file, peerCopy); }));
        platform::DeleteFile(peerCopy);
        insert.ours = std::min(insert.ours, Seconds([&] { return copy.InsertBytes(0, 1); }));
    }
    std::printf("%lld bytes, best of %d rounds\n", static_cast<long long>(platform::FileSize(file)), rounds);
    open.Report("open (working copy made)");
    insert.Report("insert 1 byte at 0");
    return 0;
}
