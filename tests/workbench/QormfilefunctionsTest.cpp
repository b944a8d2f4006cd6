// The host functions on files named by path and the small dialogs, called as
// scripts call them, on real files in a private folder.
#include "ScriptFunctionsFixture.h"

#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Shell.h"

#include <gmock/gmock.h>

#include "QtTestApplication.h"

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Bytes = std::vector<std::uint8_t>;
using platform::DialogResponder;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

class FileFunctions : public ScriptFunctionsFixture {
protected:
    std::string Data(const std::string& name) const { return folder.Path("data/" + name); }
    static std::string Format(double value) { return platform::ShortestText(value); }
    static std::int64_t Size(const std::string& path) { return platform::FileSize(path); }
};

TEST_F(FileFunctions, ConcatFileAppendsTheSourceToTheTarget) {
    const std::string source = folder.MakeFile("source.bin", {1, 2, 3});
    const std::string target = Data("new/folder/target.bin");
    EXPECT_EQ(Text("ConcatFile", {target, source}), target);
    EXPECT_EQ(Text("ConcatFile", {target, source}), target);
    EXPECT_EQ(THexTestFolder::ReadFile(target), (Bytes{1, 2, 3, 1, 2, 3}));

    const std::string missing = Data("other/target.bin");
    EXPECT_EQ(Text("ConcatFile", {missing, Data("missing.bin")}), "");
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(Text("ConcatFile", {missing, Data("new")}), "");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// A file appended to itself would grow until the disk is full; a read or
// write error ends the append and leaves the target as it was.
TEST_F(FileFunctions, ConcatFileRefusesItselfAndUndoesAFailedAppend) {
    const std::string target = folder.MakeFile("target.bin", {7, 7});
    const std::string link = Data("link.bin");
    std::filesystem::create_hard_link(target, link);
    EXPECT_EQ(Text("ConcatFile", {target, target}), "");
    EXPECT_EQ(Text("ConcatFile", {target, link}), "");
    EXPECT_EQ(THexTestFolder::ReadFile(target), (Bytes{7, 7}));

    // Reading at the start of this file fails with an error, not an end of file.
    EXPECT_EQ(Text("ConcatFile", {target, "/proc/self/mem"}), "");
    EXPECT_EQ(THexTestFolder::ReadFile(target), (Bytes{7, 7}));
    const std::string created = Data("created.bin");
    EXPECT_EQ(Text("ConcatFile", {created, "/proc/self/mem"}), "");
    EXPECT_FALSE(std::filesystem::exists(created));

    // Every write to this device fails for want of room.
    EXPECT_EQ(Text("ConcatFile", {"/dev/full", target}), "");
}

TEST_F(FileFunctions, CopyMakesANewFileAndNeverReplacesOne) {
    const std::string source = folder.MakeFile("source.bin", THexTestFolder::Pattern(1000));
    const std::string existing = folder.MakeFile("existing.bin", {9});
    EXPECT_EQ(Number("Copy", {source, existing}), 0);
    EXPECT_EQ(THexTestFolder::ReadFile(existing), (Bytes{9}));
    EXPECT_EQ(Number("Copy", {Data("missing.bin"), Data("copy.bin")}), 0);
    EXPECT_FALSE(std::filesystem::exists(Data("copy.bin")));
    EXPECT_EQ(Number("Copy", {source, Data("deep/er/copy.bin")}), 1);
    EXPECT_EQ(THexTestFolder::ReadFile(Data("deep/er/copy.bin")), THexTestFolder::Pattern(1000));
}

// New files get the permissions the user's umask gives new files; a copy
// takes its source's, as cp gives them.
TEST_F(FileFunctions, NewFilesGetTheUmaskModeAndACopyItsSourcesMode) {
    const std::string source = folder.MakeFile("source.bin", THexTestFolder::Pattern(100));
    ASSERT_EQ(::chmod(source.c_str(), 0750), 0);
    const mode_t mask = ::umask(027);
    EXPECT_EQ(Text("ConcatFile", {Data("joined.bin"), source}), Data("joined.bin"));
    EXPECT_EQ(Number("SplitFile", {source, "60"}), 2);
    EXPECT_EQ(Number("Copy", {source, Data("copy.bin")}), 1);
    ::umask(mask);
    const auto mode = [](const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    };
    EXPECT_EQ(mode(Data("joined.bin")), 0640u);
    EXPECT_EQ(mode(source + ".001"), 0640u);
    EXPECT_EQ(mode(source + ".002"), 0640u);
    EXPECT_EQ(mode(Data("copy.bin")), 0750u);
}

TEST_F(FileFunctions, SplitFileMakesNumberedPiecesOfTheSize) {
    struct Case {
        std::size_t length;
        const char* size;
        double result;
        std::vector<std::int64_t> pieces;  // sizes of .001, .002, ...
    };
    const std::vector<Case> cases = {
        {1000000, "400000", 3, {400000, 400000, 200000}},
        {1000000, "500000", 3, {500000, 500000, 0}},
        {1000, "1", 0, {}},
        {1000, "0", 0, {}},
        {1000, "abc", 0, {}},
        {1000, "-1", 1, {1000}},
        {1000, "1e10", 1, {1000}},
        {1000, "-1e10", 0, {}},
        {1000, "999.9", 2, {999, 1}},
        {0, "10", 1, {0}},
    };
    int row = 0;
    for (const Case& c : cases) {
        const std::string file = folder.MakeFile("split" + std::to_string(row++) + ".bin", THexTestFolder::Pattern(c.length));
        EXPECT_EQ(Number("SplitFile", {file, c.size}), c.result) << c.length << " / " << c.size;
        std::vector<std::int64_t> pieces;
        for (int number = 1; std::filesystem::exists(PieceName(file, number)); ++number)
            pieces.push_back(Size(PieceName(file, number)));
        EXPECT_EQ(pieces, c.pieces) << c.length << " / " << c.size;
    }
    const Bytes whole = THexTestFolder::Pattern(1000000);
    EXPECT_EQ(THexTestFolder::ReadFile(Data("split0.bin.002")), Bytes(whole.begin() + 400000, whole.begin() + 800000));

    // 501 pieces of 2 bytes, the last one empty; an older piece is replaced.
    const std::string file = folder.MakeFile("pairs.bin", THexTestFolder::Pattern(1000));
    folder.MakeFile("pairs.bin.001", Bytes(10, 0xEE));
    EXPECT_EQ(Number("SplitFile", {file, "2"}), 501);
    EXPECT_EQ(THexTestFolder::ReadFile(PieceName(file, 1)), (Bytes{0, 1}));
    EXPECT_EQ(Size(PieceName(file, 500)), 2);
    EXPECT_EQ(Size(PieceName(file, 501)), 0);
    EXPECT_EQ(PieceName(file, 501), file + ".501");
    EXPECT_EQ(Number("SplitFile", {Data("missing.bin"), "2"}), 0);
}

TEST_F(FileFunctions, SplitFileStopsAtAPieceThatCannotBeMade) {
    const std::string file = folder.MakeFile("blocked.bin", THexTestFolder::Pattern(30));
    std::filesystem::create_directory(PieceName(file, 2));
    EXPECT_EQ(Number("SplitFile", {file, "10"}), 0);
    EXPECT_EQ(Size(PieceName(file, 1)), 10);
    EXPECT_FALSE(std::filesystem::exists(PieceName(file, 3)));
}

TEST(DateTimeNumbers, CountDaysSinceTheEndOf1899) {
    struct Case {
        double dateTime;
        std::uint16_t year, month, day, hour, minute, second, millisecond, dayOfWeek;
    };
    const Case cases[] = {
        {0, 1899, 12, 30, 0, 0, 0, 0, 6},
        {2.5, 1900, 1, 1, 12, 0, 0, 0, 1},
        {25569, 1970, 1, 1, 0, 0, 0, 0, 4},
        {-1.25, 1899, 12, 29, 6, 0, 0, 0, 5},
        {-109205, 1601, 1, 1, 0, 0, 0, 0, 1},
        {45000 + (3723.456 / 86400), 2023, 3, 15, 1, 2, 3, 456, 3},
        {2958465.5, 9999, 12, 31, 12, 0, 0, 0, 5},
    };
    for (const Case& c : cases) {
        const std::optional<platform::SYSTEMTIME> time = SystemTimeFromDateTime(c.dateTime);
        ASSERT_TRUE(time) << c.dateTime;
        EXPECT_EQ((std::vector<int>{time->wYear, time->wMonth, time->wDay, time->wHour, time->wMinute, time->wSecond,
                                    time->wMilliseconds, time->wDayOfWeek}),
                  (std::vector<int>{c.year, c.month, c.day, c.hour, c.minute, c.second, c.millisecond, c.dayOfWeek}))
            << c.dateTime;
        EXPECT_NEAR(DateTimeFromSystemTime(*time), c.dateTime, 1e-9) << c.dateTime;
    }
    // A time of day that rounds up to midnight is the next day's.
    const std::optional<platform::SYSTEMTIME> midnight = SystemTimeFromDateTime(0.9999999999);
    ASSERT_TRUE(midnight);
    EXPECT_EQ((std::vector<int>{midnight->wDay, midnight->wHour}), (std::vector<int>{31, 0}));
    for (const double outside : {std::nan(""), 1e300, -1e300, 2958466.0, -693594.5})
        EXPECT_FALSE(SystemTimeFromDateTime(outside)) << outside;
}

TEST_F(FileFunctions, TimeStampsAreReadAndSetOneAtATime) {
    const std::string file = folder.MakeFile("times.bin", {1});
    platform::FILETIME accessBefore;
    ASSERT_TRUE(platform::GetFileTime(file, nullptr, &accessBefore, nullptr));

    const double written = 45000.25 + 0.123 / 86400;  // with milliseconds
    EXPECT_EQ(Number("SetTimeStamp", {file, Format(written), "3"}), 1);
    EXPECT_NEAR(Number("GetTimeStamp", {file, "3"}), written, 0.0005 / 86400);
    EXPECT_EQ(functions->FileStamp().Times[2].Calendar.wMilliseconds, 123);
    platform::FILETIME accessAfter;
    ASSERT_TRUE(platform::GetFileTime(file, nullptr, &accessAfter, nullptr));
    EXPECT_EQ(platform::FileTimeToUInt64(accessAfter), platform::FileTimeToUInt64(accessBefore));

    EXPECT_EQ(Number("SetTimeStamp", {file, "36526.5", "2"}), 1);
    EXPECT_EQ(Number("GetTimeStamp", {file, "2"}), 36526.5);
    EXPECT_NEAR(Number("GetTimeStamp", {file, "3"}), written, 0.0005 / 86400);
    EXPECT_GT(Number("GetTimeStamp", {file, "1"}), 0);

    // Failures change no time of the file: a creation time cannot be set
    // here, and a number before 1601 is no file time.
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {file, "40000", "1"}, {file, "40000", "4"}, {file, "40000", "0"}, {file, "-200000", "3"},
             {file, "1e300", "3"}, {Data("missing.bin"), "40000", "3"}, {Data(""), "40000", "3"}}) {
        EXPECT_EQ(Number("SetTimeStamp", arguments), 0) << arguments[0] << " " << arguments[1] << " " << arguments[2];
    }
    EXPECT_NEAR(Number("GetTimeStamp", {file, "3"}), written, 0.0005 / 86400);
    EXPECT_EQ(Number("GetTimeStamp", {file, "2"}), 36526.5);
    EXPECT_EQ(Number("GetTimeStamp", {file, "4"}), 0);
    EXPECT_EQ(Number("GetTimeStamp", {Data("missing.bin"), "3"}), 0);
    EXPECT_EQ(Number("GetTimeStamp", {Data(""), "3"}), 0);
}

// Whether the file system of `file` keeps this write time, told by the
// system's own call: the date number's day as seconds since 1970.
bool FileSystemKeeps(const std::string& file, double dateNumber) {
    const auto seconds = static_cast<time_t>((dateNumber - 25569) * 86400);
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    struct stat info {};
    return ::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0 && ::stat(file.c_str(), &info) == 0 &&
           info.st_mtim.tv_sec == seconds;
}

TEST_F(FileFunctions, ATimeTheFileSystemDidNotKeepIsNoSuccess) {
    const std::string file = folder.MakeFile("times.bin", {1});
    const std::string probe = folder.MakeFile("probe.bin", {1});
    const double kept = 45000.25;
    // 1 January 1800 and 1 June 2500 lie outside what ext4 keeps (1901 to 2446).
    for (const double wanted : {-36522.0, 219299.0}) {
        ASSERT_EQ(Number("SetTimeStamp", {file, Format(kept), "3"}), 1);
        const bool keeps = FileSystemKeeps(probe, wanted);
        EXPECT_EQ(Number("SetTimeStamp", {file, Format(wanted), "3"}), keeps ? 1 : 0) << wanted;
        EXPECT_EQ(Number("GetTimeStamp", {file, "3"}), keeps ? wanted : kept) << wanted;
    }
}

TEST_F(FileFunctions, MsgBoxShowsTheStylesButtonsAndReturnsTheButtonsCode) {
    struct Case {
        const char* flags;
        MsgButtons buttons;
        MsgIcon icon;
        int defaultButton;
        MsgAnswer answer;
        double result;
    };
    const Case cases[] = {
        {"0", MsgButtons::OK, MsgIcon::None, 0, MsgAnswer::OK, 1},
        {"1", MsgButtons::OKCancel, MsgIcon::None, 0, MsgAnswer::Cancel, 2},
        {"2", MsgButtons::AbortRetryIgnore, MsgIcon::None, 0, MsgAnswer::Abort, 3},
        {"274", MsgButtons::AbortRetryIgnore, MsgIcon::Error, 1, MsgAnswer::Retry, 4},
        {"514", MsgButtons::AbortRetryIgnore, MsgIcon::None, 2, MsgAnswer::Ignore, 5},
        {"35", MsgButtons::YesNoCancel, MsgIcon::Question, 0, MsgAnswer::Yes, 6},
        {"4", MsgButtons::YesNo, MsgIcon::None, 0, MsgAnswer::No, 7},
        {"48.9", MsgButtons::OK, MsgIcon::Warning, 0, MsgAnswer::OK, 1},
        {"69", MsgButtons::RetryCancel, MsgIcon::Information, 0, MsgAnswer::Retry, 4},
    };
    for (const Case& c : cases) user.Answer(c.answer);
    for (const Case& c : cases) EXPECT_EQ(Number("MsgBox", {"The text", c.flags, "The caption"}), c.result) << c.flags;
    ASSERT_EQ(user.calls().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const DialogResponder::Call& call = user.calls()[i];
        EXPECT_EQ(call.text, "The text");
        EXPECT_EQ(call.caption, "The caption");
        EXPECT_EQ(call.buttons, cases[i].buttons) << cases[i].flags;
        EXPECT_EQ(call.icon, cases[i].icon) << cases[i].flags;
        EXPECT_EQ(call.defaultButton, cases[i].defaultButton) << cases[i].flags;
    }
    // Buttons the style does not name show no box.
    EXPECT_EQ(Number("MsgBox", {"t", "6", "c"}), 0);
    EXPECT_EQ(Number("MsgBox", {"t", "1e12", "c"}), 0);
    EXPECT_EQ(user.calls().size(), std::size(cases));
}

TEST_F(FileFunctions, InputBoxGivesTheEditedTextOrTheDefault) {
    user.Type("edited");
    EXPECT_EQ(Text("InputBox", {"The prompt", "The caption", "default"}), "edited");
    user.Cancel();
    EXPECT_EQ(Text("InputBox", {"The prompt", "The caption", "default"}), "default");
    ASSERT_EQ(user.calls().size(), 2u);
    EXPECT_EQ(user.calls()[0].text, "The prompt");
    EXPECT_EQ(user.calls()[0].caption, "The caption");
}

// The editor receives the exact name of the file, whatever blanks or quotes
// it holds; a name relative to the current folder may begin with a quote.
TEST_F(FileFunctions, NotePadOpensAnExistingFileInTheTextEditor) {
    std::vector<std::string> started;
    const platform::Launcher previous = platform::InstallLauncher([&started](const platform::LaunchRecord& launch) {
        started.push_back(launch.argument);
        return true;
    });
    const std::string home = platform::GetCurrentDir();
    ASSERT_TRUE(platform::SetCurrentDir(Data("")));
    const std::vector<std::string> names = {Data("plain.txt"), Data("with blank.txt"), "with blank.txt",
                                            "\"quoted.txt", "\"quoted both\"", "\"q\""};
    for (const std::string& name : names) folder.MakeFile(platform::ExtractFileName(name), {'x'});
    for (const std::string& name : names) {
        Call("NotePad", {name});
        EXPECT_EQ(control.NumberResult, 1) << name;
    }
    Call("NotePad", {"missing.txt"});
    EXPECT_EQ(control.NumberResult, 0);
    platform::SetCurrentDir(home);
    platform::InstallLauncher(previous);
    EXPECT_EQ(started, names);
}

}  // namespace
