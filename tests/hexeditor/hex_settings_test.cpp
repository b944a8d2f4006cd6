#include "Mainsettings.h"

#include "HexTestFolder.h"

#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    THexTestFolder folder;
    GLOBALINFO_TAG info;
    SEARCHINFO_TAG defaults;
};

TEST_F(SettingsTest, AnEmptyStoreGivesTheDefaults) {
    platform::TRegIniFile registry(SettingsKey);
    TMainFormSettings form;
    form.WindowState = wsMaximized;  // the window's current state is the default
    defaults.Pattern = "kept";
    ReadMainSettings(registry, form, defaults, info);

    EXPECT_EQ(form.WindowState, wsMaximized);
    EXPECT_EQ(form.Bounds.Top, 0);
    EXPECT_EQ(form.Bounds.Left, 0);
    EXPECT_EQ(form.Bounds.Height, 100);
    EXPECT_EQ(form.Bounds.Width, 400);
    EXPECT_FALSE(form.Script || form.Watches || form.Output);
    EXPECT_EQ(defaults.Pattern, "kept");  // an empty value keeps the pattern
    EXPECT_EQ(defaults.StartPosition, 0);
    EXPECT_TRUE(defaults.CaseSensitive);
    EXPECT_EQ(defaults.ResultLimit, 0);
    EXPECT_FALSE(defaults.HexEntry);
    EXPECT_EQ(defaults.SearchType, stString);
    for (const std::string& entry : info.MRUFiles) EXPECT_EQ(entry, "");
}

TEST_F(SettingsTest, WhatIsWrittenIsReadBack) {
    TMainFormSettings form;
    form.WindowState = wsNormal;
    form.Bounds = {12, 34, 96, 700};
    form.Watches = true;
    defaults.Pattern = "abc\\def";
    defaults.StartPosition = 1;
    defaults.CaseSensitive = false;
    defaults.ResultLimit = 77;
    defaults.HexEntry = true;
    defaults.SearchType = stDWord;
    info.MRUFiles = {"/d/one & two.dat", "/d/b.dat", "", "", "/d/e.dat"};
    {
        platform::TRegIniFile registry(SettingsKey);
        WriteMainSettings(registry, form, defaults, info);
    }
    platform::TRegIniFile registry(SettingsKey);
    EXPECT_FALSE(registry.ReadBool("SearchDefaults", "BOF", true));

    TMainFormSettings read;
    SEARCHINFO_TAG readDefaults;
    GLOBALINFO_TAG readInfo;
    ReadMainSettings(registry, read, readDefaults, readInfo);
    EXPECT_EQ(read.WindowState, wsNormal);
    EXPECT_EQ(read.Bounds.Top, 12);
    EXPECT_EQ(read.Bounds.Left, 34);
    EXPECT_EQ(read.Bounds.Height, 96);
    EXPECT_EQ(read.Bounds.Width, 700);
    EXPECT_FALSE(read.Script);
    EXPECT_TRUE(read.Watches);
    EXPECT_FALSE(read.Output);
    EXPECT_EQ(readDefaults.Pattern, "abc\\def");
    EXPECT_EQ(readDefaults.PatternLength, 7);
    EXPECT_EQ(readDefaults.StartPosition, 1);
    EXPECT_FALSE(readDefaults.CaseSensitive);
    EXPECT_EQ(readDefaults.ResultLimit, 77);
    EXPECT_TRUE(readDefaults.HexEntry);
    EXPECT_EQ(readDefaults.SearchType, stDWord);
    EXPECT_EQ(readInfo.MRUFiles, info.MRUFiles);
}

TEST_F(SettingsTest, BeginningOfFileIsTheNegationOfStartAtCurrentPosition) {
    for (const bool bof : {true, false}) {
        {
            platform::TRegIniFile registry(SettingsKey);
            registry.WriteBool("SearchDefaults", "BOF", bof);
        }
        TMainFormSettings form;
        {
            platform::TRegIniFile registry(SettingsKey);
            ReadMainSettings(registry, form, defaults, info);
            EXPECT_EQ(defaults.StartPosition, bof ? 0 : 1);
            WriteMainSettings(registry, form, defaults, info);
        }
        platform::TRegIniFile registry(SettingsKey);
        EXPECT_EQ(registry.ReadBool("SearchDefaults", "BOF", !bof), bof);
    }
}

TEST_F(SettingsTest, AMinimisedWindowKeepsItsStoredBounds) {
    {
        platform::TRegIniFile registry(SettingsKey);
        TMainFormSettings form;
        form.Bounds = {5, 6, 97, 600};
        WriteMainSettings(registry, form, defaults, info);
        form.WindowState = wsMinimized;
        form.Bounds = {-32000, -32000, 20, 160};
        WriteMainSettings(registry, form, defaults, info);
    }
    platform::TRegIniFile registry(SettingsKey);
    TMainFormSettings read;
    ReadMainSettings(registry, read, defaults, info);
    EXPECT_EQ(read.WindowState, wsMinimized);
    EXPECT_EQ(read.Bounds.Top, 5);
    EXPECT_EQ(read.Bounds.Left, 6);
    EXPECT_EQ(read.Bounds.Height, 97);
    EXPECT_EQ(read.Bounds.Width, 600);
}

TEST_F(SettingsTest, ValuesOutsideTheirRangeFallBack) {
    {
        platform::TRegIniFile registry(SettingsKey);
        registry.WriteInteger("SearchDefaults", "SearchType", 9);
        registry.WriteInteger("MAIN_FORM", "WindowState", -4);
    }
    platform::TRegIniFile registry(SettingsKey);
    TMainFormSettings form;
    defaults.SearchType = stQWord;
    ReadMainSettings(registry, form, defaults, info);
    EXPECT_EQ(defaults.SearchType, stString);
    EXPECT_EQ(form.WindowState, wsNormal);
}

TEST_F(SettingsTest, EachChannelKeepsItsPlaceAndANewOneTakesTheLastClosed) {
    const TFormBounds current{1, 2, 3, 4};
    {
        platform::TRegIniFile registry(SettingsKey);
        EXPECT_FALSE(ReadHexEditPlace(registry, 0, current));
        WriteHexEditBounds(registry, 0, {10, 20, 300, 400});
        WriteHexEditBounds(registry, 1, {50, 60, 480, 650});
    }
    platform::TRegIniFile registry(SettingsKey);
    const std::optional<THexEditPlace> first = ReadHexEditPlace(registry, 0, current);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->Shared);
    EXPECT_EQ(first->Bounds.Top, 10);
    EXPECT_EQ(first->Bounds.Width, 400);
    const std::optional<THexEditPlace> fresh = ReadHexEditPlace(registry, 5, current);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->Shared);
    const TFormBounds read = fresh->Bounds;
    EXPECT_EQ(read.Top, 50);
    EXPECT_EQ(read.Left, 60);
    EXPECT_EQ(read.Height, 480);
    EXPECT_EQ(read.Width, 650);
}

}  // namespace
