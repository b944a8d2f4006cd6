// Raw registry keys, as component registration uses them.
#include "platform/Registry.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace platform;
using platform_test::ReadFile;
using platform_test::TempRegistry;
using platform_test::WriteFile;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

constexpr RegistryHive kHive = RegistryHive::ClassesRoot;

class RegistryKeysTest : public ::testing::Test, protected TempRegistry {};

TEST_F(RegistryKeysTest, DefaultAndNamedValuesLiveUnderTheirKey) {
    ASSERT_TRUE(RegSetValue(kHive, "CLSID\\{A}\\InprocServer32", "", "/usr/lib/x.so"));
    ASSERT_TRUE(RegSetValue(kHive, "CLSID\\{A}\\InprocServer32", "ThreadingModel", "Single"));
    EXPECT_EQ(RegQueryValue(kHive, "CLSID\\{A}\\InprocServer32"), "/usr/lib/x.so");
    EXPECT_EQ(RegQueryValue(kHive, "CLSID\\{A}\\InprocServer32", "ThreadingModel"), "Single");
    EXPECT_EQ(RegQueryValue(kHive, "CLSID\\{A}"), std::nullopt);  // the key exists, its default value does not
    EXPECT_TRUE(RegKeyExists(kHive, "CLSID\\{A}"));
    EXPECT_THAT(RegEnumValues(kHive, "CLSID\\{A}\\InprocServer32"), UnorderedElementsAre("", "ThreadingModel"));
    EXPECT_THAT(RegEnumKeys(kHive, "CLSID"), ElementsAre("{A}"));
    EXPECT_THAT(RegEnumKeys(kHive, ""), ElementsAre("CLSID"));
    // The other hive is another file.
    EXPECT_FALSE(RegKeyExists(RegistryHive::CurrentUser, "CLSID"));
}

TEST_F(RegistryKeysTest, KeysAndValuesAreFoundIgnoringCaseAndKeepTheirSpelling) {
    ASSERT_TRUE(RegSetValue(kHive, "Pevox10.TLang\\CLSID", "", "{X}"));
    ASSERT_TRUE(RegSetValue(kHive, "PEVOX10.tlang\\clsid", "Name", "v"));
    EXPECT_EQ(RegQueryValue(kHive, "pevox10.TLANG\\Clsid"), "{X}");
    EXPECT_EQ(RegQueryValue(kHive, "Pevox10.TLang\\CLSID", "NAME"), "v");
    EXPECT_THAT(RegEnumKeys(kHive, ""), ElementsAre("Pevox10.TLang"));
    EXPECT_THAT(RegEnumKeys(kHive, "Pevox10.TLang"), ElementsAre("CLSID"));
}

TEST_F(RegistryKeysTest, AnEmptyKeyExistsAndSurvivesAReread) {
    ASSERT_TRUE(RegCreateKey(kHive, "CLSID\\{A}\\Control"));
    EXPECT_TRUE(RegKeyExists(kHive, "CLSID\\{A}\\Control"));
    EXPECT_TRUE(RegEnumValues(kHive, "CLSID\\{A}\\Control").empty());
    EXPECT_TRUE(RegKeyExists(kHive, "clsid\\{a}"));
    EXPECT_FALSE(RegKeyExists(kHive, "CLSID\\{B}"));
    EXPECT_FALSE(RegCreateKey(kHive, ""));
}

TEST_F(RegistryKeysTest, DeleteTreeRemovesTheKeyAndEverythingBelowOnly) {
    RegSetValue(kHive, "CLSID\\{A}\\Verb\\0", "", "Properties,0,2");
    RegCreateKey(kHive, "CLSID\\{A}\\Control");
    RegSetValue(kHive, "CLSID\\{AB}", "", "kept");
    RegSetValue(kHive, "TypeLib\\{L}\\1.0", "", "kept too");
    ASSERT_TRUE(RegDeleteTree(kHive, "clsid\\{a}"));
    EXPECT_FALSE(RegKeyExists(kHive, "CLSID\\{A}"));
    EXPECT_EQ(RegQueryValue(kHive, "CLSID\\{AB}"), "kept");
    EXPECT_EQ(RegQueryValue(kHive, "TypeLib\\{L}\\1.0"), "kept too");
    EXPECT_TRUE(RegDeleteTree(kHive, "CLSID\\{A}"));  // already gone
    EXPECT_FALSE(RegDeleteTree(kHive, ""));           // never the whole hive
    EXPECT_TRUE(RegKeyExists(kHive, "TypeLib"));
}

TEST_F(RegistryKeysTest, NamesWithSeparatorsAndAnyByteRoundTrip) {
    const std::string value = "C:\\a/b%25 \x80\xE9,x;y=z";
    ASSERT_TRUE(RegSetValue(kHive, "K\\sub", "for/ward%", value));
    EXPECT_EQ(RegQueryValue(kHive, "K\\sub", "for/ward%"), value);
    EXPECT_THAT(RegEnumValues(kHive, "K\\sub"), ElementsAre("for/ward%"));
    EXPECT_TRUE(RegKeyExists(kHive, "K\\\\sub\\"));  // empty parts are ignored
}

TEST_F(RegistryKeysTest, AnUnwritableFolderFailsTheWrites) {
    WriteFile(dir / "registry", "a file where the folder should be");
    EXPECT_FALSE(RegSetValue(kHive, "CLSID\\{A}", "", "x"));
    EXPECT_FALSE(RegCreateKey(kHive, "CLSID\\{A}"));
    EXPECT_EQ(RegQueryValue(kHive, "CLSID\\{A}"), std::nullopt);
    EXPECT_EQ(ReadFile(dir / "registry"), "a file where the folder should be");
}

}  // namespace
