#include "Workingcopy.h"

#include "HexTestFolder.h"
#include "InterruptedWrite.h"
#include "KilledSession.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A disk that takes `room` more bytes, then refuses every write; with
// `failFlush` the refusal shows only when the stream is flushed (a write
// past the stream's buffer sees it at once).
class TFullDisk : public TFileIO {
public:
    explicit TFullDisk(std::int64_t room, bool failFlush = false) : room_(room), failFlush_(failFlush) {}
    std::size_t Write(std::FILE* stream, const void* data, std::size_t size) override {
        const std::size_t taken = Take(size);
        if (failFlush_) return TFileIO::Write(stream, data, size);
        return TFileIO::Write(stream, data, taken);
    }
    std::size_t WriteAt(int fd, const void* data, std::size_t size, std::int64_t position) override {
        return TFileIO::WriteAt(fd, data, Take(size), position);
    }
    bool Flush(std::FILE* stream) override { return TFileIO::Flush(stream) && !(failFlush_ && room_ < 0); }

private:
    std::size_t Take(std::size_t size) {
        const std::size_t taken = std::min<std::size_t>(size, static_cast<std::size_t>(std::max<std::int64_t>(room_, 0)));
        room_ -= static_cast<std::int64_t>(size);
        return taken;
    }

    std::int64_t room_;
    bool failFlush_;
};

// The reference edits the rebuilds must match.
Bytes Inserted(Bytes bytes, std::size_t at, std::size_t count) {
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), count, 0);
    return bytes;
}
Bytes Deleted(Bytes bytes, std::size_t at, std::size_t count) {
    const std::size_t end = std::min(bytes.size(), at + count);
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(end));
    return bytes;
}
Bytes Resized(Bytes bytes, std::size_t size) {
    bytes.resize(size, 0);
    return bytes;
}

Bytes Contents(TWorkingCopy& copy) {
    Bytes bytes(static_cast<std::size_t>(copy.FileSize()));
    EXPECT_EQ(copy.Read(0, bytes.data(), bytes.size()), bytes.size());
    return bytes;
}

// Sets a file's access and write times to a fixed moment in the past.
void SetOldTimes(const std::string& path, platform::FILETIME& access, platform::FILETIME& write) {
    access = platform::FileTimeFromUInt64(132000000000000000ULL);  // 2019
    write = platform::FileTimeFromUInt64(131000000000000000ULL);   // 2016
    ASSERT_TRUE(platform::SetFileTime(path, nullptr, &access, &write));
}

void ExpectTimes(const std::string& path, const platform::FILETIME& access, const platform::FILETIME& write) {
    platform::FILETIME gotAccess, gotWrite;
    ASSERT_TRUE(platform::GetFileTime(path, nullptr, &gotAccess, &gotWrite));
    EXPECT_EQ(platform::FileTimeToUInt64(gotAccess), platform::FileTimeToUInt64(access));
    EXPECT_EQ(platform::FileTimeToUInt64(gotWrite), platform::FileTimeToUInt64(write));
}

class WorkingCopyTest : public ::testing::Test {
protected:
    THexTestFolder folder;
};

TEST_F(WorkingCopyTest, OpenCopiesTheFileToTheTemporaryFolderAndLeavesTheOriginal) {
    const Bytes original = THexTestFolder::Pattern(1000);
    const std::string path = folder.MakeFile("a.dat", original);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));

    EXPECT_EQ(copy.FileSize(), 1000);
    EXPECT_FALSE(copy.Modified());
    EXPECT_EQ(copy.DataPath(), path);
    EXPECT_EQ(platform::ExtractFilePath(copy.WorkPath()), folder.TempFolder() + "/");
    EXPECT_THAT(platform::ExtractFileName(copy.WorkPath()), StartsWith("Qrm"));
    EXPECT_EQ(Contents(copy), original);

    const Bytes change{0xEE};
    EXPECT_EQ(copy.Write(5, change.data(), 1), 1u);
    EXPECT_TRUE(copy.Modified());
    EXPECT_EQ(THexTestFolder::ReadFile(path), original);
}

TEST_F(WorkingCopyTest, CloseAndDestructionDeleteTheWorkingCopy) {
    const std::string path = folder.MakeFile("a.dat", THexTestFolder::Pattern(10));
    std::string first;
    {
        TWorkingCopy copy(folder.HomeFolder());
        ASSERT_TRUE(copy.Open(path));
        first = copy.WorkPath();
        ASSERT_TRUE(copy.InsertBytes(0, 1));
        EXPECT_FALSE(platform::FileExists(first));
        copy.Close();
        EXPECT_FALSE(copy.IsOpen());
        EXPECT_FALSE(copy.Modified());
        ASSERT_TRUE(copy.Open(path));
    }
    EXPECT_THAT(folder.Entries("tmp"), IsEmpty());
    EXPECT_THAT(folder.Entries("home"), IsEmpty());
}

TEST_F(WorkingCopyTest, AFailedOpenLeavesNoFileBehind) {
    const std::string plainFile = folder.MakeFile("plain", {1, 2, 3});
    struct Case {
        const char* what;
        std::string dataPath;
        std::string tempFolder;
    };
    const std::vector<Case> cases = {
        {"missing data file", folder.Path("data/none.dat"), folder.TempFolder()},
        {"data path is a folder", folder.Path("data"), folder.TempFolder()},
        {"temporary folder is a plain file", plainFile, plainFile},
    };
    for (const Case& c : cases) {
        setenv("TMPDIR", c.tempFolder.c_str(), 1);
        TWorkingCopy copy(folder.HomeFolder());
        EXPECT_FALSE(copy.Open(c.dataPath)) << c.what;
        EXPECT_FALSE(copy.IsOpen()) << c.what;
        EXPECT_THAT(folder.Entries("tmp"), IsEmpty()) << c.what;
    }
}

// A device, a pipe or a file too large for 32-bit positions is refused
// before anything is copied: none of them may fill the temporary folder or
// block the window.
TEST_F(WorkingCopyTest, OnlyPlainFilesThatFitIn32BitsAreCopied) {
    const std::string pipe = folder.Path("data/pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string large = folder.MakeFile("large.dat", {});
    std::filesystem::resize_file(large, std::uintmax_t{1} << 31);  // sparse: no room taken
    // Files of the kernel's state pass as plain files of no size; a read of
    // one may block (/proc/kmsg) or take away what it reads.
    for (const std::string& path : {std::string("/dev/zero"), pipe, large, std::string("/proc/self/status"),
                                    std::string("/sys/kernel/uevent_seqnum")}) {
        TWorkingCopy copy(folder.HomeFolder());
        EXPECT_FALSE(copy.Open(path)) << path;
        EXPECT_FALSE(copy.IsOpen()) << path;
        EXPECT_THAT(folder.Entries("tmp"), IsEmpty()) << path;
    }

    // A data file that becomes too large is refused by a reopen too.
    const std::string grows = folder.MakeFile("grows.dat", {1, 2, 3});
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(grows));
    std::filesystem::resize_file(grows, std::uintmax_t{1} << 31);
    EXPECT_FALSE(copy.Reopen());
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_THAT(folder.Entries("tmp"), IsEmpty());
}

TEST_F(WorkingCopyTest, RebuildsMatchTheReferenceEditsAcrossBlocks) {
    struct Case {
        const char* what;
        std::size_t size;
        std::function<bool(TWorkingCopy&)> edit;
        std::function<Bytes(const Bytes&)> expected;
    };
    const std::size_t big = 1300000;  // crosses two block boundaries
    const std::vector<Case> cases = {
        {"insert 4 at 10", 100, [](auto& c) { return c.InsertBytes(10, 4); }, [](auto& b) { return Inserted(b, 10, 4); }},
        {"insert at the end", 100, [](auto& c) { return c.InsertBytes(100, 3); }, [](auto& b) { return Inserted(b, 100, 3); }},
        {"delete 10 at 95", 100, [](auto& c) { return c.DeleteBytes(95, 10); }, [](auto& b) { return Deleted(b, 95, 10); }},
        {"delete 1 at 0", 100, [](auto& c) { return c.DeleteBytes(0, 1); }, [](auto& b) { return Deleted(b, 0, 1); }},
        {"delete more than the rest", 100, [](auto& c) { return c.DeleteBytes(30, INT32_MAX); }, [](auto& b) { return Deleted(b, 30, 70); }},
        {"grow to 150", 100, [](auto& c) { return c.SetFileSize(150); }, [](auto& b) { return Resized(b, 150); }},
        {"cut to 40", 100, [](auto& c) { return c.SetFileSize(40); }, [](auto& b) { return Resized(b, 40); }},
        {"cut to nothing", 100, [](auto& c) { return c.SetFileSize(-3); }, [](auto& b) { return Resized(b, 0); }},
        {"cut to the smallest int", 100, [](auto& c) { return c.SetFileSize(INT32_MIN); },
         [](auto& b) { return Resized(b, 0); }},
        {"cut to one above it", 100, [](auto& c) { return c.SetFileSize(INT32_MIN + 1); },
         [](auto& b) { return Resized(b, 0); }},
        {"same size", 100, [](auto& c) { return c.SetFileSize(100); }, [](auto& b) { return b; }},
        {"big insert of a block and more", big, [](auto& c) { return c.InsertBytes(511999, 600001); }, [](auto& b) { return Inserted(b, 511999, 600001); }},
        {"big delete across a block edge", big, [](auto& c) { return c.DeleteBytes(500000, 524000); }, [](auto& b) { return Deleted(b, 500000, 524000); }},
        {"big grow", big, [](auto& c) { return c.SetFileSize(2500000); }, [](auto& b) { return Resized(b, 2500000); }},
        {"big cut", big, [](auto& c) { return c.SetFileSize(512001); }, [](auto& b) { return Resized(b, 512001); }},
    };
    for (const Case& c : cases) {
        const Bytes original = THexTestFolder::Pattern(c.size);
        const std::string path = folder.MakeFile("r.dat", original);
        TWorkingCopy copy(folder.HomeFolder());
        ASSERT_TRUE(copy.Open(path)) << c.what;
        const std::string before = copy.WorkPath();

        ASSERT_TRUE(c.edit(copy)) << c.what;
        const Bytes expected = c.expected(original);
        EXPECT_EQ(copy.FileSize(), static_cast<std::int32_t>(expected.size())) << c.what;
        EXPECT_TRUE(Contents(copy) == expected) << c.what;
        EXPECT_TRUE(copy.Modified()) << c.what;
        EXPECT_EQ(platform::ExtractFilePath(copy.WorkPath()), folder.HomeFolder() + "/") << c.what;
        EXPECT_FALSE(platform::FileExists(before)) << c.what;
        EXPECT_EQ(THexTestFolder::ReadFile(path), original) << c.what;
    }
}

TEST_F(WorkingCopyTest, RefusedCountsChangeNothing) {
    const std::string path = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    const std::string work = copy.WorkPath();
    EXPECT_FALSE(copy.InsertBytes(10, 0));
    EXPECT_FALSE(copy.InsertBytes(10, -5));
    EXPECT_FALSE(copy.DeleteBytes(10, 0));
    EXPECT_FALSE(copy.DeleteBytes(10, INT32_MIN));
    // The size would pass 32 bits.
    EXPECT_FALSE(copy.InsertBytes(50, INT32_MAX - 99));
    EXPECT_EQ(copy.FileSize(), 100);
    EXPECT_EQ(copy.WorkPath(), work);
    EXPECT_FALSE(copy.Modified());
    EXPECT_THAT(folder.Entries("home"), IsEmpty());
}

TEST_F(WorkingCopyTest, AFailingRebuildKeepsTheWorkingCopy) {
    const Bytes original = THexTestFolder::Pattern(1300000);
    const std::string path = folder.MakeFile("a.dat", original);
    const std::string plainFile = folder.MakeFile("plain", {1});
    struct Case {
        const char* what;
        std::int64_t room;  // bytes the disk takes; -1 = all
        bool failFlush;
        std::string rebuildFolder;
    };
    const std::vector<Case> cases = {
        {"disk full at once", 0, false, folder.HomeFolder()},
        {"disk full after a block", 512000, false, folder.HomeFolder()},
        {"disk full in the second block", 700000, false, folder.HomeFolder()},
        {"disk full seen at flush", 1000, true, folder.HomeFolder()},
        {"rebuild folder is a plain file", -1, false, plainFile},
        {"rebuild folder vanished", -1, false, folder.Path("gone")},
    };
    using Edit = std::function<bool(TWorkingCopy&)>;
    const std::vector<std::pair<const char*, Edit>> edits = {
        {"insert", [](auto& c) { return c.InsertBytes(5, 10); }},
        {"delete", [](auto& c) { return c.DeleteBytes(5, 10); }},
        {"resize", [](auto& c) { return c.SetFileSize(2000000); }},
    };
    for (const Case& c : cases) {
        for (const auto& [name, edit] : edits) {
            TFullDisk disk(c.room < 0 ? INT64_MAX : c.room, c.failFlush);
            TWorkingCopy copy(c.rebuildFolder, disk);
            ASSERT_TRUE(copy.Open(path));
            const std::string work = copy.WorkPath();

            EXPECT_FALSE(edit(copy)) << c.what << ", " << name;
            EXPECT_EQ(copy.WorkPath(), work) << c.what << ", " << name;
            EXPECT_FALSE(copy.Modified()) << c.what << ", " << name;
            EXPECT_EQ(copy.FileSize(), 1300000) << c.what << ", " << name;
            EXPECT_TRUE(Contents(copy) == original) << c.what << ", " << name;
            EXPECT_THAT(folder.Entries("home"), IsEmpty()) << c.what << ", " << name;
        }
    }
}

TEST_F(WorkingCopyTest, WritesAndReadsAreCutAtTheEndOfTheFile) {
    Bytes original = THexTestFolder::Pattern(100);
    original[41] = 'A';
    original[42] = 'B';
    original[43] = 0;
    original[44] = 'C';
    const std::string path = folder.MakeFile("a.dat", original);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));

    const std::string text = "0123456789";
    EXPECT_EQ(copy.Write(95, text.data(), text.size()), 5u);
    EXPECT_EQ(copy.FileSize(), 100);
    EXPECT_EQ(copy.ReadString(95, 8), "01234");
    EXPECT_EQ(copy.Write(100, text.data(), 1), 0u);
    EXPECT_EQ(copy.ReadString(41, 8), "AB");
    EXPECT_EQ(copy.ReadString(100, 8), "");
    EXPECT_EQ(copy.ReadString(-1, 8), "");
    // A count beyond the block buffer is cut to it, never past it.
    EXPECT_EQ(copy.ReadString(95, INT32_MAX), "01234");

    Bytes some(8);
    EXPECT_EQ(copy.Read(97, some.data(), some.size()), 3u);
}

TEST_F(WorkingCopyTest, AWriteOnAFullDiskReportsNothingWritten) {
    const std::string path = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TFullDisk disk(0, true);
    TWorkingCopy copy(folder.HomeFolder(), disk);
    ASSERT_TRUE(copy.Open(path));
    const Bytes bytes{1, 2, 3};
    EXPECT_EQ(copy.Write(0, bytes.data(), bytes.size()), 0u);
    EXPECT_TRUE(Contents(copy) == THexTestFolder::Pattern(100));
}

TEST_F(WorkingCopyTest, AWriteThatFillsTheDiskReportsTheBytesThatReachedTheCopy) {
    const Bytes original = THexTestFolder::Pattern(100);
    const std::string path = folder.MakeFile("a.dat", original);
    TFullDisk disk(5);
    TWorkingCopy copy(folder.HomeFolder(), disk);
    ASSERT_TRUE(copy.Open(path));
    const Bytes bytes{1, 2, 3};
    Bytes expected = original;
    std::copy(bytes.begin(), bytes.end(), expected.begin() + 10);
    expected[20] = 1;
    expected[21] = 2;

    EXPECT_EQ(copy.Write(10, bytes.data(), bytes.size()), 3u);
    EXPECT_EQ(copy.Write(20, bytes.data(), bytes.size()), 2u);
    EXPECT_EQ(copy.Write(30, bytes.data(), bytes.size()), 0u);
    EXPECT_TRUE(copy.Modified());
    EXPECT_TRUE(Contents(copy) == expected);
}

TEST_F(WorkingCopyTest, SaveWritesTheBytesBackWithTheOriginalTimes) {
    const std::string path = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    platform::FILETIME access, write;
    SetOldTimes(path, access, write);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    ASSERT_TRUE(copy.TimesKnown());
    ASSERT_TRUE(copy.InsertBytes(0, 2));
    const Bytes edited = Contents(copy);

    ASSERT_TRUE(copy.Save());
    EXPECT_FALSE(copy.Modified());
    // Checked before the bytes: reading the file moves its access time.
    ExpectTimes(path, access, write);
    EXPECT_EQ(THexTestFolder::ReadFile(path), edited);
    // The working copy stays open and usable.
    const Bytes mark{0x77};
    EXPECT_EQ(copy.Write(0, mark.data(), 1), 1u);
    EXPECT_EQ(copy.ReadString(0, 1), "\x77");
}

TEST_F(WorkingCopyTest, SaveAsSwitchesToTheNewFileOnlyWhenTheCopyStands) {
    const Bytes original = THexTestFolder::Pattern(100);
    const std::string path = folder.MakeFile("a.dat", original);
    const std::string plainFile = folder.MakeFile("plain", {1});
    platform::FILETIME access, write;
    SetOldTimes(path, access, write);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    ASSERT_TRUE(copy.DeleteBytes(0, 1));

    EXPECT_FALSE(copy.Save(plainFile + "/b.dat"));
    EXPECT_FALSE(copy.Save("   "));
    // A pipe would block the save, and its bytes would be gone while the
    // changes counted as saved.
    const std::string pipe = folder.Path("data/pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(copy.Save(pipe));
    EXPECT_EQ(copy.DataPath(), path);
    EXPECT_TRUE(copy.Modified());

    const std::string other = folder.Path("data/b.dat");
    ASSERT_TRUE(copy.Save(other));
    EXPECT_EQ(copy.DataPath(), other);
    ExpectTimes(other, access, write);
    EXPECT_EQ(THexTestFolder::ReadFile(other), Deleted(original, 0, 1));
    EXPECT_EQ(THexTestFolder::ReadFile(path), original);

    ASSERT_TRUE(copy.InsertBytes(0, 1));
    ASSERT_TRUE(copy.Save());
    EXPECT_EQ(THexTestFolder::ReadFile(other), Resized(Inserted(Deleted(original, 0, 1), 0, 1), 100));
    EXPECT_EQ(THexTestFolder::ReadFile(path), original);
}

// A save puts a new file in the data file's place (a kill during it leaves
// the old file whole) with the data file's mode; a new name gets the mode
// the user's umask gives new files, not the working copy's owner-only mode.
TEST_F(WorkingCopyTest, SaveReplacesTheDataFileWithItsModeAndSaveAsGivesTheUmaskMode) {
    const std::string path = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    ASSERT_TRUE(copy.InsertBytes(0, 1));

    ASSERT_TRUE(copy.Save());
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0604u);

    const mode_t mask = ::umask(022);
    const std::string other = folder.Path("data/b.dat");
    const bool saved = copy.Save(other);
    ::umask(mask);
    ASSERT_TRUE(saved);
    ASSERT_EQ(::stat(other.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0644u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("data")), {}), 2);
}

TEST_F(WorkingCopyTest, AKilledSaveLeavesTheOldDataFileAndTheNextSaveClearsUp) {
    const Bytes original = THexTestFolder::Pattern(700000);
    const std::string path = folder.MakeFile("a.dat", original);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    ASSERT_TRUE(copy.InsertBytes(0, 1));

    EXPECT_TRUE(qorm_test::KilledWhileWriting(300000, [&] { copy.Save(); }));
    EXPECT_EQ(THexTestFolder::ReadFile(path), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("data")), {}), 2);

    ASSERT_TRUE(copy.Save());
    EXPECT_EQ(THexTestFolder::ReadFile(path), Inserted(original, 0, 1));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("data")), {}), 1);
}

TEST_F(WorkingCopyTest, ASaveIntoAVanishedFolderFailsAndKeepsTheChanges) {
    std::filesystem::create_directory(folder.Path("data/sub"));
    const std::string path = folder.Path("data/sub/a.dat");
    { std::ofstream(path) << "abcdef"; }
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    ASSERT_TRUE(copy.SetFileSize(3));
    std::filesystem::remove_all(folder.Path("data/sub"));

    EXPECT_FALSE(copy.Save());
    EXPECT_TRUE(copy.Modified());
    EXPECT_TRUE(copy.IsOpen());
    EXPECT_EQ(copy.ReadString(0, 10), "abc");
}

TEST_F(WorkingCopyTest, AReadOnlyOriginalOpensAndIsNotTouchedByEdits) {
    const Bytes original = THexTestFolder::Pattern(50);
    const std::string path = folder.MakeFile("ro.dat", original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    ASSERT_TRUE(copy.InsertBytes(0, 5));
    const Bytes mark{9};
    EXPECT_EQ(copy.Write(0, mark.data(), 1), 1u);
    EXPECT_EQ(THexTestFolder::ReadFile(path), original);
    EXPECT_TRUE(copy.Modified());
}

TEST_F(WorkingCopyTest, ReopenDiscardsTheChangesAndAVanishedOriginalEndsTheCopy) {
    const Bytes original = THexTestFolder::Pattern(100);
    const std::string path = folder.MakeFile("a.dat", original);
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(path));
    ASSERT_TRUE(copy.InsertBytes(0, 7));
    const Bytes mark{1};
    copy.Write(50, mark.data(), 1);

    ASSERT_TRUE(copy.Reopen());
    EXPECT_FALSE(copy.Modified());
    EXPECT_EQ(Contents(copy), original);

    std::filesystem::remove(path);
    const std::string work = copy.WorkPath();
    EXPECT_FALSE(copy.Reopen());
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_FALSE(platform::FileExists(work));
}

// A session killed with unsaved changes: its working copy is found by the
// next session (not one a running session holds), comes back with the
// changes, and goes when it is closed or deleted.
TEST_F(WorkingCopyTest, AKilledSessionsWorkingCopyIsFoundAndItsChangesComeBack) {
    const Bytes original = THexTestFolder::Pattern(1000);
    const std::string path = folder.MakeFile("a.dat", original);
    const std::string other = folder.MakeFile("b.dat", original);
    LeaveChangesOfAKilledSession(path, folder.HomeFolder(), 3);
    LeaveChangesOfAKilledSession(other, folder.HomeFolder(), 5);
    TWorkingCopy running(folder.HomeFolder());
    ASSERT_TRUE(running.Open(path));

    std::vector<TLeftWorkingCopy> left = FindLeftWorkingCopies({folder.TempFolder(), folder.HomeFolder()});
    ASSERT_EQ(left.size(), 2u);
    std::sort(left.begin(), left.end(), [](const auto& x, const auto& y) { return x.Size < y.Size; });
    EXPECT_EQ(left[0].DataPath, path);
    EXPECT_EQ(left[0].Size, 1003);
    EXPECT_EQ(left[1].DataPath, other);

    TWorkingCopy recovered(folder.HomeFolder());
    ASSERT_TRUE(recovered.Recover(left[0]));
    EXPECT_TRUE(recovered.Modified());
    EXPECT_EQ(recovered.DataPath(), path);
    EXPECT_EQ(Contents(recovered), Inserted(original, 0, 3));
    EXPECT_TRUE(FindLeftWorkingCopies({folder.HomeFolder()}).size() == 1u);  // now held by this session
    ASSERT_TRUE(recovered.Save());
    EXPECT_EQ(THexTestFolder::ReadFile(path), Inserted(original, 0, 3));
    recovered.Close();
    DeleteLeftWorkingCopy(left[1]);

    EXPECT_THAT(FindLeftWorkingCopies({folder.TempFolder(), folder.HomeFolder()}), IsEmpty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.HomeFolder()), {}), 0);
    running.Close();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.TempFolder()), {}), 0);
}

TEST(ChannelCaption, NamesChannelPathAndSize) {
    EXPECT_EQ(ChannelCaption(0, "/d/a.dat", 1000), "Ch: 0 /d/a.dat - 1000 bytes");
}

TEST_F(WorkingCopyTest, CreateZeroFileWritesZerosOrLeavesNoFile) {
    const std::string path = folder.Path("data/new.dat");
    ASSERT_TRUE(CreateZeroFile(path, 600000));
    EXPECT_EQ(THexTestFolder::ReadFile(path), Bytes(600000, 0));

    TFullDisk disk(100000);
    EXPECT_FALSE(CreateZeroFile(path, 600000, disk));
    EXPECT_FALSE(platform::FileExists(path));

    const std::string plainFile = folder.MakeFile("plain", {1});
    EXPECT_FALSE(CreateZeroFile(plainFile + "/x.dat", 10));

    const mode_t mask = ::umask(027);
    ASSERT_TRUE(CreateZeroFile(path, 10));
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

}  // namespace

namespace {

// The data files named by the copies that killed sessions left, in order.
std::vector<std::string> OfferedDataPaths(const THexTestFolder& folder) {
    std::vector<std::string> named;
    for (const TLeftWorkingCopy& left : FindLeftWorkingCopies({folder.TempFolder(), folder.HomeFolder()}))
        named.push_back(left.DataPath);
    std::sort(named.begin(), named.end());
    return named;
}

std::size_t EntryCount(const std::string& path) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path), {}));
}

bool WriteMark(TWorkingCopy& copy, std::int32_t at = 0) {
    const std::uint8_t mark = 0xEE;
    return copy.Write(at, &mark, 1) == 1;
}

}  // namespace

// A copy is named for recovery from its first change until a save: a
// session killed after only looking, or after saving, leaves nothing to
// offer (and its copy is deleted at the next start); one killed with changes
// names its data file, also the new one after a Save As.
TEST_F(WorkingCopyTest, OnlyACopyHoldingChangesTheDataFileLacksIsOffered) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(600));
    const std::string b = folder.Path("data/b.dat");
    struct Case {
        const char* session;
        std::function<bool(TWorkingCopy&)> work;
        std::vector<std::string> offered;
    };
    const Case cases[] = {
        {"only looked", [&](TWorkingCopy& copy) { return copy.Open(a); }, {}},
        {"changed", [&](TWorkingCopy& copy) { return copy.Open(a) && WriteMark(copy); }, {a}},
        {"changed and saved", [&](TWorkingCopy& copy) { return copy.Open(a) && WriteMark(copy) && copy.Save(); }, {}},
        {"rebuilt and saved",
         [&](TWorkingCopy& copy) { return copy.Open(a) && copy.InsertBytes(0, 2) && copy.Save(); }, {}},
        {"reopened", [&](TWorkingCopy& copy) { return copy.Open(a) && WriteMark(copy) && copy.Reopen(); }, {}},
        {"saved as b, changed again",
         [&](TWorkingCopy& copy) { return copy.Open(a) && WriteMark(copy) && copy.Save(b) && WriteMark(copy, 1); },
         {b}},
        {"saved as b, rebuilt",
         [&](TWorkingCopy& copy) { return copy.Open(a) && WriteMark(copy) && copy.Save(b) && copy.SetFileSize(5); },
         {b}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.session);
        LeaveAKilledSession(folder.HomeFolder(), c.work);
        EXPECT_EQ(OfferedDataPaths(folder), c.offered);
        DeleteIdleWorkingCopies({folder.TempFolder(), folder.HomeFolder()});
        for (const TLeftWorkingCopy& left : FindLeftWorkingCopies({folder.TempFolder(), folder.HomeFolder()}))
            DeleteLeftWorkingCopy(left);
        EXPECT_EQ(EntryCount(folder.TempFolder()) + EntryCount(folder.HomeFolder()), 0u);
    }
}

namespace {

// A disk on which the session dies in its `kill`th write.
class TKilledInAWrite : public TFileIO {
public:
    explicit TKilledInAWrite(int kill) : left_(kill) {}
    std::size_t Write(std::FILE* stream, const void* data, std::size_t size) override {
        if (--left_ == 0) {
            std::fflush(stream);
            ::raise(SIGKILL);
        }
        return TFileIO::Write(stream, data, size);
    }

private:
    int left_;
};

}  // namespace

// A rebuild killed halfway leaves a partial copy: the next start deletes it
// and offers the copy the rebuild was made from, with the changes it held.
TEST_F(WorkingCopyTest, AKilledRebuildsPartialCopyIsDeletedAndTheCopyBeforeItIsOffered) {
    const Bytes original = THexTestFolder::Pattern(5 * TWorkingCopy::BlockSize);
    const std::string a = folder.MakeFile("a.dat", original);
    const pid_t child = ::fork();
    if (child == 0) {
        TKilledInAWrite disk(4);  // the mark, the inserted zeros, one block, then dies
        TWorkingCopy copy(folder.HomeFolder(), disk);
        if (copy.Open(a) && WriteMark(copy)) copy.InsertBytes(0, 10);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(EntryCount(folder.HomeFolder()), 2u) << "the partial copy and its mark";

    const std::vector<TLeftWorkingCopy> left = FindLeftWorkingCopies({folder.TempFolder(), folder.HomeFolder()});
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].DataPath, a);
    EXPECT_EQ(left[0].Size, static_cast<std::int64_t>(original.size()));
    DeleteIdleWorkingCopies({folder.TempFolder(), folder.HomeFolder()});
    EXPECT_EQ(EntryCount(folder.HomeFolder()), 0u);

    TWorkingCopy recovered(folder.HomeFolder());
    ASSERT_TRUE(recovered.Recover(left[0]));
    Bytes expected = original;
    expected[0] = 0xEE;
    EXPECT_EQ(Contents(recovered), expected);
}

// Only this user's copies that carry a name are offered or deleted: one
// caught halfway through its making holds nothing and goes; another user's
// copy in a shared temporary folder is theirs, offered to nobody here.
TEST_F(WorkingCopyTest, CopiesWithoutANameOrOfAnotherUserAreNeverOffered) {
    const std::string data = folder.MakeFile("a.dat", {1, 2, 3});
    const std::string unnamed = folder.TempFolder() + "/Qrm0000AAAA.tmp";
    std::ofstream(unnamed) << "bytes";
    EXPECT_THAT(FindLeftWorkingCopies({folder.TempFolder()}), IsEmpty());
    DeleteIdleWorkingCopies({folder.TempFolder()});
    EXPECT_FALSE(platform::FileExists(unnamed));

    if (::geteuid() != 0) GTEST_SKIP() << "needs a copy of another user";
    const std::string theirs = folder.TempFolder() + "/Qrm0000BBBB.tmp";
    std::ofstream(theirs) << "their changes";
    std::ofstream(theirs + ".name") << data;
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown((theirs + ".name").c_str(), 65534, 65534), 0);
    EXPECT_THAT(FindLeftWorkingCopies({folder.TempFolder()}), IsEmpty());
    DeleteIdleWorkingCopies({folder.TempFolder()});
    EXPECT_TRUE(platform::FileExists(theirs));
    ASSERT_EQ(::chown(theirs.c_str(), ::geteuid(), ::getegid()), 0);
    EXPECT_EQ(OfferedDataPaths(folder), std::vector<std::string>{data});
}

namespace {

// Whether every descriptor this process holds on `path` closes on exec.
bool ClosedOnExec(const std::string& path) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) != path) continue;
        const int fd = std::stoi(entry.path().filename().string());
        if ((::fcntl(fd, F_GETFD) & FD_CLOEXEC) == 0) return false;
        ++found;
    }
    return found > 0;
}

}  // namespace

// A program the editor starts (NotePad's editor) must not keep a copy open,
// and so locked, after the editor has gone.
TEST_F(WorkingCopyTest, WorkingCopiesCloseOnExec) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TWorkingCopy copy(folder.HomeFolder());
    ASSERT_TRUE(copy.Open(a));
    EXPECT_TRUE(ClosedOnExec(copy.WorkPath())) << "opened";
    ASSERT_TRUE(copy.Reopen());
    EXPECT_TRUE(ClosedOnExec(copy.WorkPath())) << "reopened";
    ASSERT_TRUE(copy.InsertBytes(0, 1));
    EXPECT_TRUE(ClosedOnExec(copy.WorkPath())) << "rebuilt";

    LeaveChangesOfAKilledSession(a, folder.HomeFolder(), 1);
    const std::vector<TLeftWorkingCopy> left = FindLeftWorkingCopies({folder.HomeFolder()});
    ASSERT_EQ(left.size(), 1u);
    TWorkingCopy recovered(folder.HomeFolder());
    ASSERT_TRUE(recovered.Recover(left[0]));
    EXPECT_TRUE(ClosedOnExec(recovered.WorkPath())) << "recovered";
}

// Another program's write since the copy was made or saved shows as a
// change on the disk: its size, its write time or, for a file replaced by a
// rename, its identity; a recovered copy compares with the file as it was
// when its changes began.
TEST_F(WorkingCopyTest, AChangeOnTheDiskSinceTheCopyWasReadOrSavedIsSeen) {
    const Bytes original = THexTestFolder::Pattern(100);
    const std::string a = folder.MakeFile("a.dat", original);
    const std::string other = folder.MakeFile("other.dat", original);
    const auto sameTimes = [&](const std::string& from, const std::string& to) {
        platform::FILETIME access, write;
        ASSERT_TRUE(platform::GetFileTime(from, nullptr, &access, &write));
        ASSERT_TRUE(platform::SetFileTime(to, nullptr, &access, &write));
    };
    struct Case {
        const char* change;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"grown", [&] { std::ofstream(a, std::ios::app | std::ios::binary) << 'x'; }},
        {"written, same size",
         [&] {
             platform::FILETIME access, write;
             ASSERT_TRUE(platform::GetFileTime(a, nullptr, &access, &write));
             write = platform::FileTimeFromUInt64(platform::FileTimeToUInt64(write) + 10000000);
             std::fstream(a, std::ios::in | std::ios::out | std::ios::binary).put('Z');
             ASSERT_TRUE(platform::SetFileTime(a, nullptr, &access, &write));
         }},
        {"replaced, same size and times",
         [&] {
             const std::string fresh = folder.Path("data/fresh");
             std::filesystem::copy_file(a, fresh);
             sameTimes(a, fresh);
             std::filesystem::rename(fresh, a);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        std::filesystem::copy_file(other, a, std::filesystem::copy_options::overwrite_existing);
        TWorkingCopy copy(folder.HomeFolder());
        ASSERT_TRUE(copy.Open(a));
        ASSERT_TRUE(WriteMark(copy));
        EXPECT_FALSE(copy.ChangedOnDisk());
        c.make();
        EXPECT_TRUE(copy.ChangedOnDisk());
        EXPECT_FALSE(copy.ChangedOnDisk(other)) << "another file is no concern of this copy";
        ASSERT_TRUE(copy.Save());
        EXPECT_FALSE(copy.ChangedOnDisk()) << "saved";
        c.make();
        EXPECT_TRUE(copy.ChangedOnDisk());
        ASSERT_TRUE(copy.Reopen());
        EXPECT_FALSE(copy.ChangedOnDisk()) << "reopened";
    }

    LeaveAKilledSession(folder.HomeFolder(), [&](TWorkingCopy& copy) { return copy.Open(a) && WriteMark(copy); });
    std::ofstream(a, std::ios::app | std::ios::binary) << 'y';
    const std::vector<TLeftWorkingCopy> left = FindLeftWorkingCopies({folder.TempFolder()});
    ASSERT_EQ(left.size(), 1u);
    TWorkingCopy recovered(folder.HomeFolder());
    ASSERT_TRUE(recovered.Recover(left[0]));
    EXPECT_TRUE(recovered.ChangedOnDisk());
}
