#include "platform/Shell.h"

#include "platform/Files.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <set>
#include <thread>
#include <vector>

using namespace platform;
using platform_test::ScopedEnv;
using platform_test::TempFolder;
using platform_test::WriteFile;

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallLauncher([this](const LaunchRecord& launch) {
            launched.push_back(launch);
            return launcherSucceeds;
        });
    }
    void TearDown() override { InstallLauncher({}); }

    TempFolder dir;
    ScopedEnv visual{"VISUAL", std::nullopt};
    ScopedEnv editor{"EDITOR", std::nullopt};
    std::vector<LaunchRecord> launched;
    bool launcherSucceeds = true;
};

TEST_F(ShellTest, NotepadIsTheDesktopsHandlerAndATerminalEditorOnlyInATerminal) {
    const std::string file = dir / "my script.txt";
    // A program in this set is not installed: its start fails with ENOENT.
    std::set<std::string> missing;
    InstallLauncher([&](const LaunchRecord& launch) {
        launched.push_back(launch);
        if (!missing.count(launch.program.substr(0, launch.program.find(' ')))) return true;
        errno = ENOENT;
        return false;
    });
    struct Case {
        const char* what;
        std::set<std::string> missing;
        std::optional<std::string> visual, editor;
        std::intptr_t result;
        std::vector<std::string> programs;  // started in this order, each with the file
    };
    const Case cases[] = {
        {"a desktop handler wins over the editor variables", {}, "kate", "vi", 33, {"xdg-open"}},
        {"without one $VISUAL runs in a terminal", {"xdg-open"}, "kate", "vi", 33,
         {"xdg-open", "x-terminal-emulator -e kate"}},
        {"then $EDITOR, options and all", {"xdg-open"}, std::nullopt, "emacs -nw", 33,
         {"xdg-open", "x-terminal-emulator -e emacs -nw"}},
        {"no editor named: nothing else starts", {"xdg-open"}, std::nullopt, std::nullopt, 2, {"xdg-open"}},
        {"no terminal: the editor never runs bare", {"xdg-open", "x-terminal-emulator"}, std::nullopt, "vi", 2,
         {"xdg-open", "x-terminal-emulator -e vi"}},
    };
    for (const Case& c : cases) {
        launched.clear();
        missing = c.missing;
        ScopedEnv v("VISUAL", c.visual);
        ScopedEnv e("EDITOR", c.editor);
        EXPECT_EQ(ShellExecuteA("open", "notepad.exe", "\"" + file + "\""), c.result) << c.what;
        std::vector<std::string> programs;
        for (const LaunchRecord& launch : launched) {
            programs.push_back(launch.program);
            // The command line's quotes are not part of the name.
            EXPECT_EQ(launch.argument, file) << c.what;
        }
        EXPECT_EQ(programs, c.programs) << c.what;
    }
}

TEST_F(ShellTest, FilesAndAddressesGoToTheDesktopHandler) {
    WriteFile(dir / "page.html", "<p>");
    EXPECT_GT(ShellExecuteA("open", "https://example.invalid/x?a=1&b=2"), 32);
    EXPECT_GT(ShellExecuteA("open", dir / "page.html"), 32);
    EXPECT_GT(ShellExecuteA("", "page.html", "", dir.path()), 32);
    ASSERT_EQ(launched.size(), 3u);
    EXPECT_EQ(launched[0].program, "xdg-open");
    EXPECT_EQ(launched[0].argument, "https://example.invalid/x?a=1&b=2");
    EXPECT_EQ(launched[1].argument, dir / "page.html");
    EXPECT_EQ(launched[2].argument, dir.path() + "/page.html");
}

TEST_F(ShellTest, FailuresAreReportedWithTheClassicCodes) {
    EXPECT_EQ(ShellExecuteA("open", dir / "missing.txt"), 2);
    EXPECT_EQ(ShellExecuteA("print", "https://example.invalid"), 0);
    EXPECT_TRUE(launched.empty());
    launcherSucceeds = false;
    EXPECT_LE(ShellExecuteA("open", "notepad.exe", "x"), 32);
}

TEST_F(ShellTest, HelpOpensAnExistingHelpFileOnly) {
    EXPECT_FALSE(WinHelpA(dir / "Qorm20.hlp", HELP_CONTEXT, 1490));
    EXPECT_TRUE(launched.empty());
    WriteFile(dir / "Qorm20.hlp", "help");
    EXPECT_TRUE(WinHelpA(dir / "Qorm20.hlp", HELP_KEY, 0));
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].program, "xdg-open");
    EXPECT_EQ(launched[0].argument, dir / "Qorm20.hlp");
}

TEST_F(ShellTest, TheInstalledManualAnswersForItsHelpFileOnly) {
    std::vector<HelpRequest> requests;
    const std::string helpFile = dir / "Qorm20.hlp";
    InstallHelpHandler({helpFile, [&requests](const HelpRequest& request) {
                           requests.push_back(request);
                           return true;
                       }});
    const std::string keyword = "Mid";
    EXPECT_TRUE(WinHelpA(helpFile, HELP_KEY, reinterpret_cast<std::uintptr_t>(keyword.c_str())));
    EXPECT_TRUE(WinHelpA(helpFile, HELP_KEY, 0));
    EXPECT_TRUE(WinHelpA(helpFile, HELP_CONTEXT, 1490));
    EXPECT_TRUE(WinHelpA(helpFile, HELP_QUIT, 0));
    // Another help file is not the manual's; it does not exist, so nothing opens.
    EXPECT_FALSE(WinHelpA(dir / "Other.hlp", HELP_CONTEXT, 1));
    InstallHelpHandler({});
    EXPECT_FALSE(WinHelpA(helpFile, HELP_CONTENTS, 0));

    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].command, HELP_KEY);
    EXPECT_EQ(requests[0].keyword, "Mid");
    EXPECT_EQ(requests[0].helpFile, helpFile);
    EXPECT_EQ(requests[1].keyword, "");
    EXPECT_EQ(requests[2].command, HELP_CONTEXT);
    EXPECT_EQ(requests[2].context, 1490u);
    EXPECT_EQ(requests[3].command, HELP_QUIT);
    EXPECT_TRUE(launched.empty());
}

TEST(RealLauncherTest, StartsTheProgramWithTheNameAsOneArgumentAndNoShell) {
    TempFolder dir;
    // A desktop handler that makes the file it is given: the name arrives
    // whole, blanks and shell signs included, only when no shell stands in between.
    ASSERT_TRUE(CreateDir(dir / "bin"));
    WriteFile(dir / "bin/xdg-open", "#!/bin/sh\n: > \"$1\"\n");
    ASSERT_EQ(::chmod((dir / "bin/xdg-open").c_str(), 0755), 0);
    ScopedEnv path("PATH", dir / "bin");
    ScopedEnv visual("VISUAL", "touch");
    const std::string file = dir / "a b;$(echo no) `x`.txt";
    ASSERT_GT(ShellExecuteA("open", "notepad.exe", file), 32);
    for (int i = 0; i < 500 && !FileExists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir / "a b"));

    // Neither a desktop handler nor a terminal emulator on the path.
    ScopedEnv bare("PATH", dir / "none");
    EXPECT_EQ(ShellExecuteA("open", "notepad.exe", file), 2);
}

}  // namespace
