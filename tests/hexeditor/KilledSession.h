// A session that is killed while it holds unsaved changes: a child process
// opens the data file, inserts bytes at its start and dies by SIGKILL,
// leaving its working copy behind.
#pragma once

#include "Workingcopy.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

inline void LeaveChangesOfAKilledSession(const std::string& dataPath, const std::string& rebuildFolder,
                                         std::int32_t inserted) {
    const pid_t child = ::fork();
    if (child == 0) {
        TWorkingCopy copy(rebuildFolder);
        if (copy.Open(dataPath) && copy.InsertBytes(0, inserted)) ::raise(SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}
