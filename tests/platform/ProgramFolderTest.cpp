#include "platform/ProgramFolder.h"

#include "platform/Files.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace platform;
using platform_test::ScopedEnv;
using platform_test::TempFolder;

namespace {

TEST(ProgramFolderTest, HomeVariableWinsAndIsCreated) {
    TempFolder dir;
    ScopedEnv home("QORM20_HOME", dir / "home");
    EXPECT_EQ(AppDir(), dir / "home/");
    EXPECT_TRUE(DirectoryExists(dir / "home"));
    EXPECT_EQ(AppDirFor("/unused/", false), dir / "home/");
}

TEST(ProgramFolderTest, WithoutItTheWritableProgramFolderIsUsed) {
    ScopedEnv home("QORM20_HOME", std::nullopt);
    const std::string program = ProgramDir();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(), '/');
    EXPECT_TRUE(FileExists(program + "platform_programfolder"));
    EXPECT_EQ(AppDir(), program);  // the build folder is writable
}

TEST(ProgramFolderTest, AnUnwritableProgramFolderGivesWayToTheUsersDataFolder) {
    TempFolder dir;
    ScopedEnv home("QORM20_HOME", std::nullopt);
    {
        ScopedEnv data("XDG_DATA_HOME", dir / "data");
        EXPECT_EQ(AppDirFor("/usr/bin/", false), dir / "data/qorm20/");
        EXPECT_TRUE(DirectoryExists(dir / "data/qorm20"));
    }
    ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    ScopedEnv user("HOME", dir / "user");
    EXPECT_EQ(AppDirFor("/usr/bin/", false), dir / "user/.local/share/qorm20/");
    EXPECT_TRUE(DirectoryExists(dir / "user/.local/share/qorm20"));
}

}  // namespace
