// Saves interrupted the way a user's machine interrupts them: a kill in the
// middle of the write, and a disk that takes no more bytes. A file size
// limit makes both happen at a chosen size, for root too.
#pragma once

#include <csignal>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qorm_test {

// Runs `work` in a child process in which no file may grow past `limit`
// bytes: the write that passes it raises SIGXFSZ, which kills the child in
// the middle of what it writes. True when the child died so.
inline bool KilledWhileWriting(rlim_t limit, const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit size{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
        work();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

// While it lives, no file of the process may grow past `limit` bytes and a
// write past it fails (EFBIG), as a write to a full disk does.
class FullDisk {
public:
    explicit FullDisk(rlim_t limit) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit saved_{};
    void (*handler_)(int);
};

}  // namespace qorm_test
