// Times opening a working copy, a 1-byte insert at position 0 and a save
// over an existing file beside `cp` of the same file in the same run, and
// prints the ratios. A save flushes the new file to the disk before it
// replaces the old one, so it is also shown beside `cp` followed by `sync`
// of the copy.
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
#include <vector>

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

bool Run(std::vector<const char*> argv) {
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, const_cast<char**>(argv.data()), environ) != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Copy(const std::string& from, const std::string& to) { return Run({"cp", from.c_str(), to.c_str()}); }

// The peer of a save, which flushes the new file to the disk before it counts as saved.
bool CopyAndSync(const std::string& from, const std::string& to) {
    return Copy(from, to) && Run({"sync", to.c_str()});
}

struct Best {
    double ours = 1e30;
    double peer = 1e30;
    void Report(const char* what, const char* peerName = "cp") const {
        std::printf("%-28s %8.3f s   %-9s %8.3f s   ratio %.2f\n", what, ours, peerName, peer, ours / peer);
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

    const std::string saveTarget = platform::GetTempPathA() + "saved.bin";
    if (!Copy(file, saveTarget)) return 1;
    Best open, insert, save, saveSynced;
    for (int round = 0; round < rounds; ++round) {
        open.peer = std::min(open.peer, Seconds([&] { return Copy(file, peerCopy); }));
        platform::DeleteFile(peerCopy);
        TWorkingCopy copy(rebuildFolder);
        open.ours = std::min(open.ours, Seconds([&] { return copy.Open(file); }));

        insert.peer = std::min(insert.peer, Seconds([&] { return Copy(file, peerCopy); }));
        platform::DeleteFile(peerCopy);
        insert.ours = std::min(insert.ours, Seconds([&] { return copy.InsertBytes(0, 1); }));

        save.peer = std::min(save.peer, Seconds([&] { return Copy(file, peerCopy); }));
        platform::DeleteFile(peerCopy);
        saveSynced.peer = std::min(saveSynced.peer, Seconds([&] { return CopyAndSync(file, peerCopy); }));
        platform::DeleteFile(peerCopy);
        const double saved = Seconds([&] { return copy.Save(saveTarget); });
        save.ours = std::min(save.ours, saved);
        saveSynced.ours = save.ours;
    }
    std::printf("%lld bytes, best of %d rounds\n", static_cast<long long>(platform::FileSize(file)), rounds);
    open.Report("open (working copy made)");
    insert.Report("insert 1 byte at 0");
    save.Report("save (replace, on disk)");
    saveSynced.Report("save (replace, on disk)", "cp + sync");
    platform::DeleteFile(saveTarget);
    return 0;
}
