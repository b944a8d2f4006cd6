#include "platform/Registry.h"

#include "platform/Files.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using namespace platform;
using platform_test::ReadFile;
using platform_test::ScopedEnv;
using platform_test::TempFolder;
using platform_test::TempRegistry;
using platform_test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

namespace {

const char* const kKey = "Software\\Qorm - Tessaline v2.0";

class RegistryTest : public ::testing::Test, protected TempRegistry {
protected:
    std::string UserFile() const { return dir / "registry/HKEY_CURRENT_USER.ini"; }
};

TEST_F(RegistryTest, ValuesSurviveANewObject) {
    {
        TRegIniFile reg(kKey);
        reg.WriteInteger("MAIN_FORM", "TOP", -120);
        reg.WriteBool("SearchDefaults", "BOF", true);
        reg.WriteBool("SearchDefaults", "Case", false);
        reg.WriteString("MRU_FILES", "File1", "C:\\data\\caf\xE9 \x80.bin");
        reg.WriteString("MRU_FILES", "Blanks", "  a, b;c=d  ");
        reg.WriteString("MRU_FILES", "Empty", "");
    }
    EXPECT_THAT(ReadFile(UserFile()), HasSubstr("TOP=-120"));
    TRegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadInteger("MAIN_FORM", "TOP", 0), -120);
    EXPECT_TRUE(reg.ReadBool("SearchDefaults", "BOF", false));
    EXPECT_FALSE(reg.ReadBool("SearchDefaults", "Case", true));
    EXPECT_EQ(reg.ReadString("MRU_FILES", "File1", ""), "C:\\data\\caf\xE9 \x80.bin");
    EXPECT_EQ(reg.ReadString("MRU_FILES", "Blanks", ""), "  a, b;c=d  ");
    EXPECT_EQ(reg.ReadString("MRU_FILES", "Empty", "default"), "");
    EXPECT_TRUE(reg.ValueExists("MRU_FILES", "Empty"));
}

TEST_F(RegistryTest, MissingValuesGiveTheirDefaults) {
    TRegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadInteger("MAIN_FORM", "TOP", 42), 42);
    EXPECT_TRUE(reg.ReadBool("MAIN_FORM", "X", true));
    EXPECT_EQ(reg.ReadString("MAIN_FORM", "X", "def"), "def");
    EXPECT_FALSE(reg.ValueExists("MAIN_FORM", "TOP"));
    EXPECT_FALSE(reg.SectionExists("MAIN_FORM"));
    EXPECT_TRUE(reg.ReadSections().empty());
    EXPECT_TRUE(reg.ReadSection("MAIN_FORM").empty());
}

TEST_F(RegistryTest, TextValuesReadAsNumbersAndTruthValues) {
    TRegIniFile reg(kKey);
    reg.WriteString("S", "true", "TRUE");
    reg.WriteString("S", "false", "false");
    reg.WriteString("S", "seven", " 7 ");
    reg.WriteString("S", "junk", "12abc");
    EXPECT_TRUE(reg.ReadBool("S", "true", false));
    EXPECT_FALSE(reg.ReadBool("S", "false", true));
    EXPECT_TRUE(reg.ReadBool("S", "seven", false));
    EXPECT_EQ(reg.ReadInteger("S", "seven", 0), 7);
    EXPECT_EQ(reg.ReadInteger("S", "junk", -1), -1);
    EXPECT_TRUE(reg.ReadBool("S", "junk", true));
    EXPECT_FALSE(reg.ReadBool("S", "junk", false));
}

TEST_F(RegistryTest, NamesKeepTheirExactSpelling) {
    const std::vector<std::string> names = {"With Space", "back\\slash", "for/ward", "100%", "%2F", "General"};
    {
        TRegIniFile reg(kKey);
        for (const std::string& name : names) reg.WriteString(name, name, "value of " + name);
    }
    TRegIniFile reg(kKey);
    for (const std::string& name : names) {
        EXPECT_EQ(reg.ReadString(name, name, ""), "value of " + name) << name;
        EXPECT_THAT(reg.ReadSection(name), ElementsAre(name));
    }
    EXPECT_THAT(reg.ReadSections(), UnorderedElementsAre("With Space", "back\\slash", "for/ward", "100%", "%2F",
                                                         "General"));
}

TEST_F(RegistryTest, NamesAreFoundIgnoringCaseAndKeepTheFirstSpelling) {
    TRegIniFile reg(kKey);
    reg.WriteInteger("Colors", "Keyword", 1);
    reg.WriteInteger("COLORS", "KEYWORD", 2);
    EXPECT_EQ(reg.ReadInteger("colors", "keyword", 0), 2);
    EXPECT_TRUE(reg.SectionExists("cOLORS"));
    EXPECT_THAT(reg.ReadSections(), ElementsAre("Colors"));
    EXPECT_THAT(reg.ReadSection("Colors"), ElementsAre("Keyword"));
}

TEST_F(RegistryTest, SectionsAndValuesAreRemoved) {
    TRegIniFile reg(kKey);
    reg.WriteInteger("WINDOWS", "A", 1);
    reg.WriteInteger("WINDOWS", "B", 2);
    reg.WriteInteger("HEXEDIT_FORM", "TOP", 3);
    reg.DeleteKey("WINDOWS", "A");
    EXPECT_THAT(reg.ReadSection("WINDOWS"), ElementsAre("B"));
    reg.EraseSection("WINDOWS");
    EXPECT_FALSE(reg.SectionExists("WINDOWS"));
    EXPECT_FALSE(reg.ValueExists("WINDOWS", "B"));
    EXPECT_THAT(reg.ReadSections(), ElementsAre("HEXEDIT_FORM"));
    reg.EraseSection("");
    EXPECT_EQ(reg.ReadInteger("HEXEDIT_FORM", "TOP", 0), 3);
}

TEST_F(RegistryTest, KeysAndHivesAreSeparate) {
    {
        TRegIniFile user(kKey);
        TRegIniFile other("Software\\Other");
        TRegIniFile classes("CLSID\\{1}", RegistryHive::ClassesRoot);
        user.WriteInteger("S", "V", 1);
        other.WriteInteger("S", "V", 2);
        classes.WriteString("", "InprocServer32", "/lib/x.so");
    }
    EXPECT_TRUE(FileExists(dir / "registry/HKEY_CLASSES_ROOT.ini"));
    EXPECT_EQ(TRegIniFile(kKey).ReadInteger("S", "V", 0), 1);
    EXPECT_EQ(TRegIniFile("Software\\Other").ReadInteger("S", "V", 0), 2);
    EXPECT_EQ(TRegIniFile("CLSID\\{1}", RegistryHive::ClassesRoot).ReadString("", "InprocServer32", ""), "/lib/x.so");
    EXPECT_EQ(TRegIniFile("CLSID\\{1}").ReadString("", "InprocServer32", "none"), "none");
}

TEST_F(RegistryTest, ADamagedFileReadsAsDefaultsAndCanBeWrittenAgain) {
    ForceDirectories(dir / "registry");
    std::mt19937 random(20261210);
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(random());
    garbage += "\n[Software\\Qorm%20-%20Tessaline%20v2.0\\MAIN_FORM\nTOP=\"unterminated\n=\n[[]]\n"
               "[Software\\Qorm%20-%20Tessaline%20v2.0\\MAIN_FORM]\n"
               "LEFT=@Variant(\\0\\0\\0\\x7f\\xff\\xff\\xff\\xffjunk)\nWIDTH=@ByteArray(\nHEIGHT=1,2,,\n";
    WriteFile(UserFile(), garbage);
    {
        TRegIniFile reg(kKey);
        EXPECT_EQ(reg.ReadInteger("MAIN_FORM", "TOP", 5), 5);
        EXPECT_EQ(reg.ReadInteger("MAIN_FORM", "LEFT", 6), 6);
        EXPECT_EQ(reg.ReadInteger("MAIN_FORM", "WIDTH", 7), 7);
        EXPECT_EQ(reg.ReadInteger("MAIN_FORM", "HEIGHT", 8), 8);
        (void)reg.ReadSections();
        reg.WriteInteger("MAIN_FORM", "TOP", 9);
    }
    EXPECT_EQ(TRegIniFile(kKey).ReadInteger("MAIN_FORM", "TOP", 0), 9);
}

TEST_F(RegistryTest, AnUnreadableFileReadsAsDefaultsAndReportsTheFailedWrite) {
    ForceDirectories(UserFile());  // a folder where the file should be
    TRegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadInteger("MAIN_FORM", "TOP", 5), 5);
    reg.WriteInteger("MAIN_FORM", "TOP", 9);
    EXPECT_FALSE(reg.UpdateFile());
}

TEST_F(RegistryTest, AFolderThatCannotBeMadeReportsTheFailedWrite) {
    WriteFile(dir / "plain", "x");
    ScopedEnv inside("QORM_REGISTRY_DIR", dir / "plain/registry");
    TRegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadString("S", "V", "d"), "d");
    reg.WriteString("S", "V", "x");
    EXPECT_FALSE(reg.UpdateFile());
}

TEST_F(RegistryTest, UpdateFileWritesNow) {
    TRegIniFile reg(kKey);
    reg.WriteInteger("OUTPUT_FORM", "WIDTH", 640);
    EXPECT_TRUE(reg.UpdateFile());
    EXPECT_THAT(ReadFile(UserFile()), HasSubstr("WIDTH=640"));
}

TEST(RegistryFolderTest, EnvironmentOrTheUsersConfigurationFolder) {
    TempFolder dir;
    {
        ScopedEnv registry("QORM_REGISTRY_DIR", dir / "r");
        EXPECT_EQ(RegistryFolder(), dir / "r/");
    }
    ScopedEnv registry("QORM_REGISTRY_DIR", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", dir / "config");
    EXPECT_EQ(RegistryFolder(), dir / "config/qorm20/");
}

}  // namespace
