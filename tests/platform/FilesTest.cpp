#include "platform/Files.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <set>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using platform_test::ReadFile;
using platform_test::ScopedEnv;
using platform_test::TempFolder;
using platform_test::WriteFile;
using ::testing::ElementsAre;

namespace {

class FilesTest : public ::testing::Test {
protected:
    TempFolder dir;
    ScopedEnv tmp{"TMPDIR", dir.path()};

    ino_t Inode(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_ino;
    }
};

std::vector<std::string> FindAll(const std::string& pattern, int attributes) {
    std::vector<std::string> names;
    TSearchRec rec;
    for (int found = FindFirst(pattern, attributes, rec); found == 0; found = FindNext(rec)) names.push_back(rec.Name);
    FindClose(rec);
    return names;
}

TEST_F(FilesTest, TempPathIsTmpdirWithItsDelimiter) {
    EXPECT_EQ(GetTempPathA(), dir.path() + "/");
    ScopedEnv none("TMPDIR", std::nullopt);
    EXPECT_EQ(GetTempPathA(), "/tmp/");
}

TEST_F(FilesTest, TempFileNameCreatesAnEmptyFileWithPrefix) {
    const std::string name = GetTempFileNameA(dir.path(), "Qrm");
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(ExtractFilePath(name), dir.path() + "/");
    EXPECT_THAT(ExtractFileName(name), ::testing::MatchesRegex("Qrm[0-9A-F]+\\.tmp"));
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(FileSize(name), 0);
}

TEST_F(FilesTest, TempFileNameWithAGivenNumberOnlyBuildsTheName) {
    const std::string name = GetTempFileNameA(dir.path() + "/", "~TX", 0x1A2B);
    EXPECT_EQ(name, dir.path() + "/~TX1A2B.tmp");
    EXPECT_FALSE(FileExists(name));
}

TEST_F(FilesTest, TempFileNamesNeverRepeatInARowOrAcrossThreads) {
    std::vector<std::string> names[2];
    const auto take = [&](std::vector<std::string>& into) {
        for (int i = 0; i < 300; ++i) into.push_back(GetTempFileNameA(dir.path(), "Qrm"));
    };
    std::thread other(take, std::ref(names[1]));
    take(names[0]);
    other.join();
    std::set<std::string> distinct;
    for (const auto& list : names)
        for (const std::string& name : list) {
            EXPECT_FALSE(name.empty());
            distinct.insert(name);
        }
    EXPECT_EQ(distinct.size(), 600u);
}

TEST_F(FilesTest, TempFileNameSkipsNamesThatAlreadyExist) {
    // Names are tried in sequence; the ones after a fresh name are taken by
    // someone else before the next call, which must pass them by untouched.
    const std::string first = GetTempFileNameA(dir.path(), "Qrm");
    const std::string hex = ExtractFileName(first).substr(3, 8);
    const unsigned number = static_cast<unsigned>(std::stoul(hex, nullptr, 16));
    std::vector<std::string> taken;
    for (unsigned k = 1; k <= 3; ++k) {
        taken.push_back(GetTempFileNameA(dir.path(), "Qrm", number + k));
        WriteFile(taken.back(), "someone else's");
    }
    const std::string next = GetTempFileNameA(dir.path(), "Qrm");
    ASSERT_FALSE(next.empty());
    for (const std::string& name : taken) {
        EXPECT_NE(next, name);
        EXPECT_EQ(ReadFile(name), "someone else's");
    }
}

TEST_F(FilesTest, TempFileNameFailsInAFolderThatCannotHoldFiles) {
    WriteFile(dir / "plain", "x");
    errno = 0;
    EXPECT_EQ(GetTempFileNameA(dir / "plain", "Qrm"), "");
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_EQ(GetTempFileNameA(dir / "missing", "Qrm"), "");
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FilesTest, CopyMakesANewFileWithTheBytesAndWriteTime) {
    const std::string data("a\0b\r\nc", 6);
    WriteFile(dir / "src", data);
    const FILETIME old = FileTimeFromUInt64(130000000000000000ULL);  // 2012
    ASSERT_TRUE(SetFileTime(dir / "src", nullptr, nullptr, &old));
    ASSERT_TRUE(CopyFileA(dir / "src", dir / "dst", true));
    EXPECT_EQ(ReadFile(dir / "dst"), data);
    FILETIME written;
    ASSERT_TRUE(GetFileTime(dir / "dst", nullptr, nullptr, &written));
    EXPECT_EQ(FileTimeToUInt64(written), FileTimeToUInt64(old));
}

TEST_F(FilesTest, CopyWithFailIfExistsLeavesAnExistingTargetAlone) {
    WriteFile(dir / "src", "new");
    WriteFile(dir / "dst", "old contents");
    EXPECT_FALSE(CopyFileA(dir / "src", dir / "dst", true));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFile(dir / "dst"), "old contents");
}

TEST_F(FilesTest, CopyOverwritesInPlaceSoTheTargetStaysTheSameFile) {
    WriteFile(dir / "src", "short");
    WriteFile(dir / "dst", "a much longer old text");
    const ino_t before = Inode(dir / "dst");
    ASSERT_TRUE(CopyFileA(dir / "src", dir / "dst", false));
    EXPECT_EQ(ReadFile(dir / "dst"), "short");
    EXPECT_EQ(Inode(dir / "dst"), before);
}

// A pipe nobody writes as the source, one nobody reads as the target, and a
// file of the kernel's state (whose size says nothing and whose read may
// block or consume) are refused at once, never waited on.
TEST_F(FilesTest, CopyRefusesPipesAndKernelFilesWithoutWaiting) {
    WriteFile(dir / "src", "bytes");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    ::alarm(30);  // a copy that waits fails here instead of hanging
    EXPECT_FALSE(CopyFileA(dir / "pipe", dir / "from-pipe", false));
    EXPECT_FALSE(CopyFileA(dir / "src", dir / "pipe", false));
    EXPECT_FALSE(CopyFileA("/proc/self/status", dir / "from-proc", false));
    ::alarm(0);
    EXPECT_FALSE(FileExists(dir / "from-pipe"));
    EXPECT_FALSE(FileExists(dir / "from-proc"));

    struct stat info {};
    const int fd = OpenPlainFile(dir / "src", O_RDONLY, &info);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(info.st_size, 5);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0) << "reads block again";
    ::close(fd);
    EXPECT_EQ(OpenPlainFile(dir.path(), O_RDONLY), -1);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(OpenPlainFile(dir / "pipe", O_RDONLY), -1);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(FilesTest, CopyFailuresLeaveNothingBehind) {
    WriteFile(dir / "src", "bytes");
    WriteFile(dir / "plain", "x");
    EXPECT_FALSE(CopyFileA(dir / "missing", dir / "dst", false));
    EXPECT_FALSE(FileExists(dir / "dst"));
    EXPECT_FALSE(CopyFileA(dir / "src", dir / "plain/dst", false));  // the folder is a file
    EXPECT_FALSE(CopyFileA(dir.path(), dir / "dst", false));         // a folder has no bytes to copy
    EXPECT_FALSE(FileExists(dir / "dst"));
}

TEST_F(FilesTest, CopyReportsAFailedWrite) {
    WriteFile(dir / "src", "bytes");
    EXPECT_FALSE(CopyFileA(dir / "src", "/dev/full", false));
    EXPECT_EQ(errno, ENOSPC);
}

// A file-size limit refuses the room a larger copy needs, as a full disk does,
// and holds for root too.
TEST_F(FilesTest, CopyThatFindsNoRoomLeavesTheTargetAsItWas) {
    WriteFile(dir / "src", std::string(64 * 1024, 'n'));
    WriteFile(dir / "dst", "the old contents");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool copied = CopyFileA(dir / "src", dir / "dst", false);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(copied);
    EXPECT_EQ(ReadFile(dir / "dst"), "the old contents");
}

TEST_F(FilesTest, CopyOfAFileOntoItselfKeepsItsBytes) {
    WriteFile(dir / "src", "precious");
    EXPECT_FALSE(CopyFileA(dir / "src", dir / "src", false));
    EXPECT_FALSE(CopyFileA(dir / "src", dir.path() + "/./src", false));
    EXPECT_EQ(ReadFile(dir / "src"), "precious");
}

TEST_F(FilesTest, AccessAndWriteTimesRoundTripTo100Nanoseconds) {
    WriteFile(dir / "f", "x");
    // 2001-09-09 01:46:40.1234567 UTC and 1969-12-31 23:59:59.9999999 UTC.
    const FILETIME access = FileTimeFromUInt64(126444736001234567ULL);
    const FILETIME write = FileTimeFromUInt64(116444735999999999ULL);
    ASSERT_TRUE(SetFileTime(dir / "f", nullptr, &access, &write));
    FILETIME creation{}, readAccess{}, readWrite{};
    ASSERT_TRUE(GetFileTime(dir / "f", &creation, &readAccess, &readWrite));
    EXPECT_EQ(FileTimeToUInt64(readAccess), FileTimeToUInt64(access));
    EXPECT_EQ(FileTimeToUInt64(readWrite), FileTimeToUInt64(write));
    EXPECT_GT(FileTimeToUInt64(creation), 126444736001234567ULL);  // made now, not set
}

TEST_F(FilesTest, SettingTheCreationTimeFailsAndChangesNothing) {
    WriteFile(dir / "f", "x");
    const FILETIME some = FileTimeFromUInt64(126444736001234567ULL);
    FILETIME before{}, after{};
    ASSERT_TRUE(GetFileTime(dir / "f", nullptr, nullptr, &before));
    EXPECT_FALSE(SetFileTime(dir / "f", &some, &some, &some));
    ASSERT_TRUE(GetFileTime(dir / "f", nullptr, nullptr, &after));
    EXPECT_EQ(FileTimeToUInt64(after), FileTimeToUInt64(before));
}

TEST_F(FilesTest, TimesOfAMissingFileAreAFailure) {
    FILETIME time{};
    EXPECT_FALSE(GetFileTime(dir / "missing", &time, &time, &time));
    EXPECT_FALSE(SetFileTime(dir / "missing", nullptr, &time, &time));
    EXPECT_FALSE(FileExists(dir / "missing"));
}

TEST(CalendarTimeTest, FileTimesAndCalendarTimesConvertBothWays) {
    struct Case {
        std::uint64_t ticks;
        SYSTEMTIME time;
    };
    const Case cases[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},                           // a Monday
        {116444736000000000ULL, {1970, 1, 4, 1, 0, 0, 0, 0}},       // a Thursday
        {125962560000000000ULL, {2000, 2, 2, 29, 0, 0, 0, 0}},      // a leap day
        {125963012967890000ULL, {2000, 2, 2, 29, 12, 34, 56, 789}},
        {9223149887999990000ULL, {30827, 12, 5, 31, 23, 59, 59, 999}},
    };
    for (const Case& c : cases) {
        SYSTEMTIME time;
        ASSERT_TRUE(FileTimeToSystemTime(FileTimeFromUInt64(c.ticks), time)) << c.ticks;
        EXPECT_EQ(std::vector<int>({time.wYear, time.wMonth, time.wDayOfWeek, time.wDay, time.wHour, time.wMinute,
                                    time.wSecond, time.wMilliseconds}),
                  std::vector<int>({c.time.wYear, c.time.wMonth, c.time.wDayOfWeek, c.time.wDay, c.time.wHour,
                                    c.time.wMinute, c.time.wSecond, c.time.wMilliseconds}))
            << c.ticks;
        FILETIME back;
        ASSERT_TRUE(SystemTimeToFileTime(c.time, back));
        EXPECT_EQ(FileTimeToUInt64(back), c.ticks);
    }
    SYSTEMTIME time;
    ASSERT_TRUE(FileTimeToSystemTime(FileTimeFromUInt64(116444736000009999ULL), time));
    EXPECT_EQ(time.wMilliseconds, 0);  // below a millisecond is dropped
    EXPECT_FALSE(FileTimeToSystemTime(FileTimeFromUInt64(1ULL << 63), time));
}

TEST(CalendarTimeTest, DatesThatDoNotExistAreRefused) {
    const SYSTEMTIME bad[] = {
        {1900, 2, 0, 29, 0, 0, 0, 0}, {2001, 13, 0, 1, 0, 0, 0, 0}, {2001, 0, 0, 1, 0, 0, 0, 0},
        {2001, 4, 0, 31, 0, 0, 0, 0}, {2001, 1, 0, 0, 0, 0, 0, 0},  {2001, 1, 0, 1, 24, 0, 0, 0},
        {2001, 1, 0, 1, 0, 60, 0, 0}, {2001, 1, 0, 1, 0, 0, 60, 0}, {2001, 1, 0, 1, 0, 0, 0, 1000},
        {1600, 12, 0, 31, 0, 0, 0, 0}, {30828, 1, 0, 1, 0, 0, 0, 0},
    };
    for (const SYSTEMTIME& time : bad) {
        FILETIME kept = FileTimeFromUInt64(77);
        EXPECT_FALSE(SystemTimeToFileTime(time, kept)) << time.wYear << "-" << time.wMonth << "-" << time.wDay;
        EXPECT_EQ(FileTimeToUInt64(kept), 77u);
    }
}

TEST(WildcardTest, Table) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*", "anything.txt", true},     {"*", "", true},
        {"*.txt", "a.txt", true},        {"*.txt", "a.txt.bak", false},
        {"*.txt", "a.TXT", false},       {"a?c", "abc", true},
        {"a?c", "ac", false},            {"a?c", "abbc", false},
        {"a*b*c", "aXbYbZc", true},      {"a*b*c", "aXbYcZ", false},
        {"*.*", "README", true},         {"*.*", "a.b.c", true},
        {"data.*", "data", true},        {"data.*", "data.bin", true},
        {"data.*", "database", false},   {"??", "abc", false},
        {"", "", true},                  {"", "a", false},
        {"exact", "exact", true},        {"exact", "Exact", false},
        {"*a", "bbba", true},            {"**x", "x", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
}

class FindTest : public FilesTest {
protected:
    void SetUp() override {
        WriteFile(dir / "a.txt", "12345");
        WriteFile(dir / "b.dat", "");
        WriteFile(dir / ".hidden", "");
        CreateDir(dir / "sub");
        CreateDir(dir / ".hiddendir");
    }
};

TEST_F(FindTest, AttributesChooseWhichKindsAreFound) {
    const std::string all = dir / "*";
    EXPECT_THAT(FindAll(all, 0), ElementsAre("a.txt", "b.dat"));
    EXPECT_THAT(FindAll(all, faDirectory), ElementsAre("a.txt", "b.dat", "sub"));
    EXPECT_THAT(FindAll(all, faAnyFile & ~faDirectory), ElementsAre(".hidden", "a.txt", "b.dat"));
    EXPECT_THAT(FindAll(all, faAnyFile), ElementsAre(".hidden", ".hiddendir", "a.txt", "b.dat", "sub"));
    EXPECT_THAT(FindAll(dir / "*.txt", faAnyFile), ElementsAre("a.txt"));
}

TEST_F(FindTest, EntriesCarryTheirAttributesSizeAndTime) {
    ::chmod((dir / "b.dat").c_str(), 0444);
    TSearchRec rec;
    ASSERT_EQ(FindFirst(dir / "*", faAnyFile, rec), 0);
    std::vector<std::pair<std::string, int>> found;
    do {
        found.emplace_back(rec.Name, rec.Attr);
        if (rec.Name == "a.txt") {
            EXPECT_EQ(rec.Size, 5);
            FILETIME written;
            ASSERT_TRUE(GetFileTime(dir / "a.txt", nullptr, nullptr, &written));
            EXPECT_EQ(FileTimeToUInt64(rec.Time), FileTimeToUInt64(written));
        }
    } while (FindNext(rec) == 0);
    FindClose(rec);
    EXPECT_THAT(found, ElementsAre(std::pair<std::string, int>{".hidden", faArchive | faHidden},
                                   std::pair<std::string, int>{".hiddendir", faDirectory | faHidden},
                                   std::pair<std::string, int>{"a.txt", faArchive},
                                   std::pair<std::string, int>{"b.dat", faArchive | faReadOnly},
                                   std::pair<std::string, int>{"sub", faDirectory}));
}

TEST_F(FindTest, NoMatchAndMissingFolderAreFailures) {
    TSearchRec rec;
    EXPECT_NE(FindFirst(dir / "*.none", faAnyFile, rec), 0);
    EXPECT_NE(FindNext(rec), 0);
    EXPECT_NE(FindFirst(dir / "missing/*", faAnyFile, rec), 0);
    EXPECT_NE(FindFirst(dir / "a.txt/*", faAnyFile, rec), 0);
    FindClose(rec);
    FindClose(rec);
    EXPECT_NE(FindNext(rec), 0);
}

TEST_F(FindTest, APatternWithoutFolderSearchesTheCurrentFolder) {
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(dir.path()));
    EXPECT_THAT(FindAll("?.*", 0), ElementsAre("a.txt", "b.dat"));
    ASSERT_TRUE(SetCurrentDir(previous));
}

TEST_F(FindTest, AStartedSearchCanBeReplacedByANewOne) {
    TSearchRec rec;
    ASSERT_EQ(FindFirst(dir / "*", 0, rec), 0);
    ASSERT_EQ(FindFirst(dir / "sub*", faDirectory, rec), 0);
    EXPECT_EQ(rec.Name, "sub");
    EXPECT_NE(FindNext(rec), 0);
    FindClose(rec);
}

TEST_F(FilesTest, FolderChainsAreMadeAndRemoved) {
    const std::string deep = dir / "one/two/three";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(ForceDirectories(deep + "/"));  // already there
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_FALSE(FileExists(deep));
    EXPECT_FALSE(RemoveDir(dir / "one"));  // not empty
    EXPECT_TRUE(RemoveDir(deep));
    EXPECT_FALSE(DirectoryExists(deep));

    WriteFile(dir / "plain", "x");
    EXPECT_FALSE(ForceDirectories(dir / "plain/below"));
    EXPECT_FALSE(ForceDirectories(dir / "plain"));
    EXPECT_FALSE(ForceDirectories(""));
    EXPECT_FALSE(CreateDir(dir / "plain"));
}

TEST_F(FilesTest, RenameNeverReplacesAnExistingTarget) {
    WriteFile(dir / "a", "A");
    WriteFile(dir / "b", "B");
    EXPECT_FALSE(RenameFile(dir / "a", dir / "b"));
    EXPECT_EQ(ReadFile(dir / "b"), "B");
    EXPECT_TRUE(RenameFile(dir / "a", dir / "c"));
    EXPECT_FALSE(FileExists(dir / "a"));
    EXPECT_EQ(ReadFile(dir / "c"), "A");
    EXPECT_FALSE(RenameFile(dir / "missing", dir / "d"));
}

TEST_F(FilesTest, DeleteAndSizeOfFilesOnly) {
    WriteFile(dir / "f", "abc");
    EXPECT_EQ(FileSize(dir / "f"), 3);
    EXPECT_EQ(FileSize(dir.path()), -1);
    EXPECT_EQ(FileSize(dir / "missing"), -1);
    EXPECT_FALSE(DeleteFile(dir.path()));
    EXPECT_TRUE(DeleteFile(dir / "f"));
    EXPECT_FALSE(DeleteFile(dir / "f"));
}

TEST(PathTest, PartsOfAPath) {
    EXPECT_EQ(ExtractFilePath("/a/b/c.txt"), "/a/b/");
    EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(ExtractFilePath("c.txt"), "");
    EXPECT_EQ(ExtractFileName("c.txt"), "c.txt");
    EXPECT_EQ(ExtractFileName("/a/b/"), "");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "./");
}

}  // namespace

namespace {

TEST(AbsolutePathTest, ARelativePathIsTakenFromTheCurrentFolder) {
    TempFolder dir;
    ASSERT_TRUE(CreateDir(dir / "sub"));
    ASSERT_TRUE(CreateDir(dir / "sub/deeper"));
    const std::string folder = dir / "sub/deeper";
    const std::string previous = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(folder));
    // The current folder is read without links, so the temporary folder's own name may differ.
    const std::string here = GetCurrentDir();
    const std::string parent = here.substr(0, here.find_last_of('/'));
    const std::string grandparent = parent.substr(0, parent.find_last_of('/'));
    struct Case {
        std::string given, absolute;
    };
    const Case cases[] = {
        {"save1.sav", here + "/save1.sav"},
        {"./donn\xC3\xA9" "es/\xC3\xA9t\xC3\xA9.sav", here + "/donn\xC3\xA9" "es/\xC3\xA9t\xC3\xA9.sav"},
        {"../bad\xFF.dat", parent + "/bad\xFF.dat"},
        {"../../x", grandparent + "/x"},
        {"./.././../x/..", grandparent + "/x/.."},
        {"../..", grandparent},
        {".//a b/./c", here + "/a b/./c"},
        {"a/../b", here + "/a/../b"},  // a name after the start may be a link: kept
        {".", here},
        {"/x/../y", "/x/../y"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(AbsolutePath(c.given), c.absolute) << c.given;
    ASSERT_TRUE(SetCurrentDir("/"));
    EXPECT_EQ(AbsolutePath("../../etc"), "/etc");
    ASSERT_TRUE(SetCurrentDir(previous));
}

}  // namespace
