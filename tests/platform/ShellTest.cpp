#include "platform/Shell.h"

#include "platform/Files.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
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

TEST_F(ShellTest, NotepadMeansTheUsersTextEditor) {
    const std::string file = dir / "my script.txt";
    {
        ScopedEnv v("VISUAL", "kate");
        ScopedEnv e("EDITOR", "vi");
        EXPECT_GT(ShellExecuteA("open", "notepad.exe", "\"" + file + "\""), 32);
    }
    {
        ScopedEnv e("EDITOR", "vi");
        EXPECT_GT(ShellExecuteA("open", "notepad.exe", file), 32);
    }
    EXPECT_GT(ShellExecuteA("open", "notepad.exe", file), 32);
    ASSERT_EQ(launched.size(), 3u);
    EXPECT_EQ(launched[0].program, "kate");
    EXPECT_EQ(launched[0].argument, file);  // the command line's quotes are not part of the name
    EXPECT_EQ(launched[1].program, "vi");
    EXPECT_EQ(launched[2].program, "xdg-open");
    EXPECT_EQ(launched[2].argument, file);
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
    // "touch" as the editor makes the file it is given: the name arrives whole,
    // blanks and shell signs included, only when no shell stands in between.
    ScopedEnv visual("VISUAL", "touch");
    const std::string file = dir / "a b;$(echo no) `x`.txt";
    ASSERT_GT(ShellExecuteA("open", "notepad.exe", file), 32);
    for (int i = 0; i < 500 && !FileExists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir / "a b"));

    ScopedEnv missing("VISUAL", "/nonexistent/editor");
    EXPECT_EQ(ShellExecuteA("open", "notepad.exe", file), 2);
}

}  // namespace
