// A session that is killed while it holds a working copy: a child process
// does its work on a copy and dies by SIGKILL, leaving the copy behind.
#pragma once

#include "Workingcopy.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

// `work` gets a working copy that rebuilds into `rebuildFolder`; the
// session is killed when it returns true.
inline void LeaveAKilledSession(const std::string& rebuildFolder, const std::function<bool(TWorkingCopy&)>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        TWorkingCopy copy(rebuildFolder);
        if (work(copy)) ::raise(SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

// The session opens the data file, inserts bytes at its start and is killed.
inline void LeaveChangesOfAKilledSession(const std::string& dataPath, const std::string& rebuildFolder,
                                         std::int32_t inserted) {
    LeaveAKilledSession(rebuildFolder,
                        [&](TWorkingCopy& copy) { return copy.Open(dataPath) && copy.InsertBytes(0, inserted); });
}
