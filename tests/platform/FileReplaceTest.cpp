#include "platform/Files.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace platform;
using platform_test::ReadFile;
using platform_test::TempFolder;
using platform_test::WriteFile;

namespace {

constexpr uid_t kNobody = 65534;

class FileReplaceTest : public ::testing::Test {
protected:
    TempFolder dir;

    struct stat Status(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
        return info;
    }

    // The names in the folder: a save leaves nothing but its target.
    std::set<std::string> Names() {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.insert(entry.path().filename().string());
        return names;
    }
};

// Runs `work` in a child process and returns its exit code, or -signal when
// a signal ended it. With `asNobody` the child gives up root first, so that
// the file permissions apply to it.
int InChild(const std::function<int()>& work, bool asNobody = false) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (asNobody && ::geteuid() == 0 && (::setresgid(kNobody, kNobody, kNobody) != 0 ||
                                             ::setresuid(kNobody, kNobody, kNobody) != 0))
            ::_exit(100);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Writes the first half of the new bytes, then dies as a killed save does.
ContentWriter DiesHalfway(const std::string& bytes) {
    return [bytes](int fd) {
        [[maybe_unused]] const ssize_t written = ::write(fd, bytes.data(), bytes.size() / 2);
        ::raise(SIGKILL);
        return false;
    };
}

// The special bits too: a change of owner clears set-user and set-group, so
// they must be put back after it.
TEST_F(FileReplaceTest, AnExistingFileIsReplacedWholeKeepingItsModeOwnerAndGroup) {
    const bool root = ::geteuid() == 0;
    for (const mode_t mode : {0640, 06755, 02750, 01777, 04700}) {
        SCOPED_TRACE(std::to_string(mode));
        WriteFile(dir / "data", "the old, longer contents");
        if (root) {
            ASSERT_EQ(::chown((dir / "data").c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chmod((dir / "data").c_str(), mode), 0);
        const struct stat before = Status(dir / "data");
        std::vector<std::string> notKept{"stale"};
        ReplaceOptions options;
        options.notKept = &notKept;

        ASSERT_TRUE(ReplaceFileWithBytes(dir / "data", "new", options));

        const struct stat after = Status(dir / "data");
        EXPECT_EQ(ReadFile(dir / "data"), "new");
        EXPECT_NE(after.st_ino, before.st_ino);  // a new file took the name
        EXPECT_EQ(after.st_mode & 07777, mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_TRUE(notKept.empty());
        EXPECT_EQ(Names(), std::set<std::string>{"data"});
        ::unlink((dir / "data").c_str());
    }
}

TEST_F(FileReplaceTest, ANewFileGetsItsModeLessTheUmask) {
    const mode_t mask = ::umask(027);
    EXPECT_TRUE(ReplaceFileWithBytes(dir / "plain", "x"));
    ReplaceOptions executable;
    executable.newFileMode = 0755;
    EXPECT_TRUE(ReplaceFileWithBytes(dir / "tool", "y", executable));
    ::umask(mask);
    EXPECT_EQ(Status(dir / "plain").st_mode & 07777, 0640u);
    EXPECT_EQ(Status(dir / "tool").st_mode & 07777, 0750u);
    EXPECT_EQ(ReadFile(dir / "plain"), "x");
}

TEST_F(FileReplaceTest, ASymbolicLinkStaysALinkAndItsTargetGetsTheBytes) {
    std::filesystem::create_directory(dir / "real");
    WriteFile(dir / "real/script.bas", "old");
    ASSERT_EQ(::symlink("real/script.bas", (dir / "relative").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "relative").c_str(), (dir / "chain").c_str()), 0);
    ASSERT_EQ(::symlink("real/missing.bas", (dir / "dangling").c_str()), 0);

    ASSERT_TRUE(ReplaceFileWithBytes(dir / "chain", "new"));
    ASSERT_TRUE(ReplaceFileWithBytes(dir / "dangling", "made"));

    EXPECT_TRUE(S_ISLNK(Status(dir / "chain").st_mode));
    EXPECT_TRUE(S_ISLNK(Status(dir / "relative").st_mode));
    EXPECT_TRUE(S_ISLNK(Status(dir / "dangling").st_mode));
    EXPECT_EQ(ReadFile(dir / "real/script.bas"), "new");
    EXPECT_EQ(ReadFile(dir / "real/missing.bas"), "made");
    EXPECT_EQ(Names(), (std::set<std::string>{"chain", "dangling", "real", "relative"}));

    ASSERT_EQ(::symlink("loop", (dir / "loop").c_str()), 0);
    EXPECT_FALSE(ReplaceFileWithBytes(dir / "loop", "x"));
    EXPECT_EQ(errno, ELOOP);
}

TEST_F(FileReplaceTest, AHardLinkedFileIsWrittenInPlaceSoEveryNameSeesTheBytes) {
    WriteFile(dir / "data", "a longer old text");
    ASSERT_EQ(::link((dir / "data").c_str(), (dir / "other").c_str()), 0);
    const ino_t inode = Status(dir / "data").st_ino;
    ASSERT_TRUE(ReplaceFileWithBytes(dir / "data", "short"));
    EXPECT_EQ(Status(dir / "data").st_ino, inode);
    EXPECT_EQ(ReadFile(dir / "other"), "short");
    EXPECT_EQ(Names(), (std::set<std::string>{"data", "other"}));
}

TEST_F(FileReplaceTest, AWritableFileInAFolderTheUserMayNotWriteIsWrittenInPlace) {
    std::filesystem::create_directory(dir / "locked");
    const std::string file = dir / "locked/data";
    WriteFile(file, "old bytes of the file");
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const ino_t inode = Status(file).st_ino;

    EXPECT_EQ(InChild([&] { return ReplaceFileWithBytes(file, "new") ? 0 : 1; }, true), 0);

    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(Status(file).st_ino, inode);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "locked"), {}), 1);
    ::chmod((dir / "locked").c_str(), 0755);
}

TEST_F(FileReplaceTest, AFileTheUserMayNotWriteIsNotReplaced) {
    const std::string file = dir / "kept";
    WriteFile(file, "read-only bytes");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);

    EXPECT_EQ(InChild([&] { return ReplaceFileWithBytes(file, "new") || errno != EACCES ? 1 : 0; }, true), 0);

    EXPECT_EQ(ReadFile(file), "read-only bytes");
    EXPECT_EQ(Names(), std::set<std::string>{"kept"});
}

TEST_F(FileReplaceTest, TheNewFileTakesTheGivenAccessAndWriteTimes) {
    WriteFile(dir / "data", "old");
    ReplaceOptions options;
    const FILETIME access = FileTimeFromUInt64(130000000000000000ULL);
    const FILETIME write = FileTimeFromUInt64(131000000000000000ULL);
    options.lastAccess = &access;
    options.lastWrite = &write;
    ASSERT_TRUE(ReplaceFileWithBytes(dir / "data", "new", options));
    FILETIME gotAccess;
    FILETIME gotWrite;
    ASSERT_TRUE(GetFileTime(dir / "data", nullptr, &gotAccess, &gotWrite));
    EXPECT_EQ(FileTimeToUInt64(gotAccess), FileTimeToUInt64(access));
    EXPECT_EQ(FileTimeToUInt64(gotWrite), FileTimeToUInt64(write));
}

TEST_F(FileReplaceTest, RefusalsAndFailuresLeaveTheTargetAndNoTemporary) {
    WriteFile(dir / "data", "old");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    std::filesystem::create_directory(dir / "folder");
    const auto failsHalfway = [](int fd) {
        [[maybe_unused]] const ssize_t written = ::write(fd, "ne", 2);
        errno = ENOSPC;
        return false;
    };

    EXPECT_FALSE(ReplaceFile(dir / "data", 3, failsHalfway));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(ReplaceFileWithBytes(dir / "pipe", "x"));
    EXPECT_FALSE(ReplaceFileWithBytes(dir / "folder", "x"));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(ReplaceFileWithBytes(dir / "missing/data", "x"));
    EXPECT_FALSE(ReplaceFileWithCopy(dir / "data", dir / "data"));  // onto itself
    EXPECT_FALSE(ReplaceFileWithCopy(dir / "copy", dir / "missing"));

    EXPECT_EQ(ReadFile(dir / "data"), "old");
    EXPECT_TRUE(S_ISFIFO(Status(dir / "pipe").st_mode));
    EXPECT_EQ(Names(), (std::set<std::string>{"data", "folder", "pipe"}));
}

TEST_F(FileReplaceTest, ACopyReplacesTheTargetWithTheSourceBytes) {
    std::string bytes(3 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    WriteFile(dir / "source", bytes);
    WriteFile(dir / "target", "old");
    ASSERT_TRUE(ReplaceFileWithCopy(dir / "target", dir / "source"));
    EXPECT_EQ(ReadFile(dir / "target"), bytes);
    EXPECT_EQ(ReadFile(dir / "source"), bytes);
}

// A save hands its bytes to the disk in steps of 16 MiB while it writes;
// sizes on both sides of a step, from memory, by a copy in the kernel and by
// a copy from another file system, all arrive whole and in order.
TEST_F(FileReplaceTest, LargeSavesArriveWholeWhicheverWayTheyAreWritten) {
    constexpr std::size_t step = std::size_t{16} << 20;
    const std::string otherFileSystem = "/dev/shm";
    const bool haveOther = std::filesystem::is_directory(otherFileSystem) &&
                           std::filesystem::space(otherFileSystem).available > 3 * step;
    for (const std::size_t size : {step - 1, step, 2 * step + 12345}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 4093) % 251);
        ASSERT_TRUE(ReplaceFileWithBytes(dir / "from-memory", bytes));
        EXPECT_TRUE(ReadFile(dir / "from-memory") == bytes);
        ASSERT_TRUE(ReplaceFileWithCopy(dir / "copied", dir / "from-memory"));
        EXPECT_TRUE(ReadFile(dir / "copied") == bytes);
        if (haveOther) {
            const std::string source = otherFileSystem + "/qorm-replace-" + std::to_string(::getpid());
            WriteFile(source, bytes);
            EXPECT_TRUE(ReplaceFileWithCopy(dir / "across", source));
            ::unlink(source.c_str());
            EXPECT_TRUE(ReadFile(dir / "across") == bytes);
        }
    }
}

TEST_F(FileReplaceTest, AKilledSaveLeavesTheOldBytesAndItsTemporaryGoesWithTheNextSave) {
    const std::string old(100000, 'o');
    const std::string fresh(150000, 'n');
    WriteFile(dir / "data", old);

    EXPECT_EQ(InChild([&] { return ReplaceFile(dir / "data", 150000, DiesHalfway(fresh)) ? 0 : 1; }), -SIGKILL);
    EXPECT_EQ(ReadFile(dir / "data"), old);
    std::set<std::string> left = Names();
    left.erase("data");
    ASSERT_EQ(left.size(), 1u);  // the killed save's temporary
    const std::string stale = dir / *left.begin();

    // While a save is still writing it, its temporary stays.
    const int live = ::open(stale.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    ASSERT_TRUE(ReplaceFileWithBytes(dir / "data", "second"));
    EXPECT_TRUE(std::filesystem::exists(stale));
    ::close(live);

    ASSERT_TRUE(ReplaceFileWithBytes(dir / "data", "third"));
    EXPECT_EQ(ReadFile(dir / "data"), "third");
    EXPECT_EQ(Names(), std::set<std::string>{"data"});
}

// Every extended attribute of a file with its value, the ACLs among them.
std::map<std::string, std::string> Attributes(const std::string& path) {
    std::map<std::string, std::string> found;
    std::vector<char> names(65536);
    const ssize_t length = ::listxattr(path.c_str(), names.data(), names.size());
    for (ssize_t at = 0; at < length;) {
        const std::string name(names.data() + at);
        std::vector<char> value(65536);
        const ssize_t size = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
        found[name] = std::string(value.data(), static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
        at += static_cast<ssize_t>(name.size()) + 1;
    }
    return found;
}

// Runs a command of the acl or attr tools on `path`; false where the tool
// is missing or the file system keeps no such thing.
bool Tool(const std::string& command, const std::string& path) {
    return std::system((command + " '" + path + "' 2>/dev/null").c_str()) == 0;
}

// A file with a named user in its ACL, a narrower group entry than its mask
// would give, and attributes of the user and security name spaces comes back
// after a save with all of them, value for value; a new file that inherits
// an ACL from its folder loses what the old file did not have.
TEST_F(FileReplaceTest, ASaveKeepsTheFilesAclAndExtendedAttributes) {
    const std::string file = dir / "data";
    WriteFile(file, "old");
    if (!Tool("setfacl -m u:daemon:rw-,g::r--", file) || !Tool("setfattr -n user.note -v kept", file))
        GTEST_SKIP() << "this file system keeps no ACLs or extended attributes";
    const bool security = Tool("setfattr -n security.test -v label", file);
    const std::map<std::string, std::string> before = Attributes(file);
    ASSERT_TRUE(before.count("system.posix_acl_access"));
    ASSERT_TRUE(before.count("user.note"));
    const mode_t mode = Status(file).st_mode & 07777;

    std::vector<std::string> notKept;
    ReplaceOptions options;
    options.notKept = &notKept;
    ASSERT_TRUE(ReplaceFileWithBytes(file, "new", options));

    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(Attributes(file), before);
    EXPECT_EQ(Attributes(file).count("security.test"), security ? 1u : 0u);
    EXPECT_EQ(Status(file).st_mode & 07777, mode);
    EXPECT_TRUE(notKept.empty()) << notKept.front();

    // The folder's default ACL reaches a new temporary; the old file had none.
    std::filesystem::create_directory(dir / "inheriting");
    const std::string plain = dir / "inheriting/plain";
    WriteFile(plain, "old");
    ASSERT_EQ(::chmod(plain.c_str(), 0640), 0);
    ASSERT_TRUE(Tool("setfacl -d -m u:daemon:rwx", dir / "inheriting"));
    ASSERT_TRUE(ReplaceFileWithBytes(plain, "new"));
    EXPECT_EQ(Attributes(plain).count("system.posix_acl_access"), 0u);
    EXPECT_EQ(Status(plain).st_mode & 07777, 0640u);
}

// What a user may not give a file (another owner, a group not theirs, an
// attribute of the security name space) is named, and the save still stands.
TEST_F(FileReplaceTest, WhatTheNewFileCannotCarryIsNamed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs a file of another user";
    const std::string file = dir / "shared";
    WriteFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const bool security = Tool("setfattr -n security.test -v label", file);

    const int code = InChild(
        [&] {
            std::vector<std::string> notKept;
            ReplaceOptions options;
            options.notKept = &notKept;
            if (!ReplaceFileWithBytes(file, "new", options)) return 1;
            std::vector<std::string> expected{"group", "owner"};
            if (security) expected.push_back("security.test");
            return notKept == expected ? 0 : 2;
        },
        true);

    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(Status(file).st_uid, kNobody);
}

// The seam sees every flush: the new file's before the rename (the target
// still old, the flushed file already whole) and the folder's after it; a
// file written in place is flushed once it holds the new bytes.
TEST_F(FileReplaceTest, ASaveFlushesTheNewFileBeforeItsRenameAndTheFolderAfterIt) {
    struct Flush {
        bool folder;
        std::string flushed;  // the bytes of a flushed file
        std::string target;   // what the target's name held at the flush
    };
    std::vector<Flush> flushes;
    const std::string file = dir / "data";
    const DiskSync previous = SetDiskSync([&](int fd) {
        struct stat info {};
        ::fstat(fd, &info);
        std::string bytes;
        if (S_ISREG(info.st_mode)) bytes = ReadFile("/proc/self/fd/" + std::to_string(fd));
        flushes.push_back({S_ISDIR(info.st_mode), bytes, ReadFile(file)});
        return ::fsync(fd);
    });
    WriteFile(file, "old");
    const bool saved = ReplaceFileWithBytes(file, "new");
    ASSERT_EQ(::link(file.c_str(), (dir / "other").c_str()), 0);
    const bool inPlace = ReplaceFileWithBytes(file, "linked");
    SetDiskSync(previous);

    ASSERT_TRUE(saved);
    ASSERT_TRUE(inPlace);
    ASSERT_EQ(flushes.size(), 3u);
    EXPECT_FALSE(flushes[0].folder);
    EXPECT_EQ(flushes[0].flushed, "new");
    EXPECT_EQ(flushes[0].target, "old");
    EXPECT_TRUE(flushes[1].folder);
    EXPECT_EQ(flushes[1].target, "new");
    EXPECT_FALSE(flushes[2].folder);
    EXPECT_EQ(flushes[2].flushed, "linked");
}

// Each save sweeps the temporaries of killed saves of its file; another
// save's new temporary is never taken for one of them.
TEST_F(FileReplaceTest, SavesOfOneFileAtOnceAllSucceed) {
    const std::string file = dir / "data";
    WriteFile(file, "old");
    constexpr int kRounds = 1500;
    std::atomic<int> failed{0};
    const auto saves = [&](const std::string& bytes) {
        for (int round = 0; round < kRounds; ++round)
            if (!ReplaceFileWithBytes(file, bytes)) ++failed;
    };
    std::vector<std::thread> savers;
    for (const char* bytes : {"first", "second", "third", "fourth"}) savers.emplace_back(saves, bytes);
    for (std::thread& saver : savers) saver.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(Names(), std::set<std::string>{"data"});
}

}  // namespace
