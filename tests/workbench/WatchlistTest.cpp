// The watch list: adding, refreshing and deleting watches, and the watched
// names kept in the settings between two watch windows.
#include "Watchlist.h"

#include "hexeditor/HexTestFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

constexpr const char* Key = "Software\\WatchlistTest";

std::vector<std::pair<std::string, std::string>> RowsOf(const TWatchList& list) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int row = 0; row < list.RowCount(); ++row) rows.emplace_back(list.Row(row).Name, list.Row(row).Value);
    return rows;
}

TWatchList ListOf(std::initializer_list<const char*> names) {
    TWatchList list;
    for (const char* name : names) list.AddWatch(name, "");
    return list;
}

// The control as far as the watches see it: string and number variables by
// upper-case name; any other name fails and leaves the value empty.
class FakeControl : public TWatchSource {
public:
    std::map<std::string, std::string> Variables;
    std::vector<std::string> Asked;

    bool GetSVariable(const std::string& name, std::string& value) override {
        Asked.push_back(name);
        value.clear();
        const auto found = Variables.find(name);
        if (found == Variables.end()) return false;
        value = found->second;
        return true;
    }
};

TEST(WatchListTest, StartsWithTheCaptionsAndOneEmptyRow) {
    EXPECT_THAT(RowsOf(TWatchList()), ElementsAre(Pair("Variable Name", "Value"), Pair("", "")));
}

TEST(WatchListTest, AddWatchFindsANameWhateverItsCaseAndBlanks) {
    TWatchList list;
    list.AddWatch("count", "1");
    list.AddWatch("count", "2");
    list.AddWatch(" count ", "3");
    list.AddWatch("COUNT", "4");
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair("COUNT", "1")));

    // The stored cell keeps the blanks it was given, and is still found by
    // the trimmed name.
    TWatchList padded;
    padded.AddWatch(" x", "");
    padded.AddWatch("x", "");
    padded.AddWatch("y", "5");
    EXPECT_THAT(RowsOf(padded), ElementsAre(Pair("Variable Name", "Value"), Pair(" X", ""), Pair("Y", "5")));
}

TEST(WatchListTest, BlankNamesAreNotWatched) {
    TWatchList list;
    for (const char* blank : {"", " ", "\t"}) list.AddWatch(blank, "v");
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair("", "")));
}

TEST(WatchListTest, DeleteWatchKeepsTheOrderAndTheCaptions) {
    TWatchList list = ListOf({"a", "b", "c"});
    list.DeleteWatch(2);
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair("A", ""), Pair("C", "")));

    for (int outside : {0, -1, 3, 99}) {
        list.DeleteWatch(outside);
        EXPECT_EQ(list.RowCount(), 3) << outside;
    }
    list.DeleteWatch(1);
    list.DeleteWatch(1);
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair("", "")));
}

TEST(WatchListTest, DeleteAllLeavesOneEmptyRowThatTheNextWatchFills) {
    TWatchList list = ListOf({"a", "b", "c"});
    list.DeleteAllWatches();
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair("", "")));
    list.AddWatch("d", "1");
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair("D", "1")));
}

TEST(WatchListTest, UpdateValuesAsksForEachWatchAndEmptiesUnknownNames) {
    TWatchList list = ListOf({" x ", "s", "nosuch"});
    list.AddWatch("arr", "old");
    FakeControl control;
    control.Variables = {{"X", "1.5"}, {"S", "text"}};
    list.UpdateValues(control);
    EXPECT_THAT(control.Asked, ElementsAre("X", "S", "NOSUCH", "ARR"));
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair(" X ", "1.5"), Pair("S", "text"),
                                          Pair("NOSUCH", ""), Pair("ARR", "")));

    // The empty row of a fresh list is not asked about.
    TWatchList empty;
    FakeControl unused;
    empty.UpdateValues(unused);
    EXPECT_THAT(unused.Asked, IsEmpty());
}

class WatchSettingsTest : public ::testing::Test {
protected:
    THexTestFolder folder;
};

TEST_F(WatchSettingsTest, TheWatchedNamesComeBackWithEmptyValues) {
    TWatchList list = ListOf({"a", "b"});
    list.AddWatch("c", "value");
    {
        platform::TRegIniFile registry(Key);
        registry.WriteString("CURRENT_WATCHES", "WATCH_9", "stale");
        WriteCurrentWatches(registry, list, {120, 180});
    }
    platform::TRegIniFile registry(Key);
    EXPECT_THAT(registry.ReadSection("CURRENT_WATCHES"), ElementsAre("WATCH_1", "WATCH_2", "WATCH_3"));
    EXPECT_EQ(registry.ReadString("CURRENT_WATCHES", "WATCH_3", ""), "C");
    EXPECT_EQ(registry.ReadInteger("WATCH_GRID", "GRID_0", 0), 120);
    EXPECT_EQ(registry.ReadInteger("WATCH_GRID", "GRID_1", 0), 180);

    TWatchList reopened;
    ReadCurrentWatches(registry, reopened);
    EXPECT_THAT(RowsOf(reopened),
                ElementsAre(Pair("Variable Name", "Value"), Pair("A", ""), Pair("B", ""), Pair("C", "")));
    EXPECT_EQ(ReadColumnWidths(registry, {10, 20, 30}), (std::vector<int>{120, 180, 30}));
}

TEST_F(WatchSettingsTest, NoWatchesErasesTheNamesAndKeepsTheWidths) {
    {
        platform::TRegIniFile registry(Key);
        WriteCurrentWatches(registry, ListOf({"a"}), {100, 150});
    }
    TWatchList list = ListOf({"a"});
    list.DeleteAllWatches();
    {
        platform::TRegIniFile registry(Key);
        WriteCurrentWatches(registry, list, {1, 2});
    }
    platform::TRegIniFile registry(Key);
    EXPECT_FALSE(registry.SectionExists("CURRENT_WATCHES"));
    EXPECT_EQ(registry.ReadInteger("WATCH_GRID", "GRID_0", 0), 100);
    TWatchList reopened;
    ReadCurrentWatches(registry, reopened);
    EXPECT_THAT(RowsOf(reopened), ElementsAre(Pair("Variable Name", "Value"), Pair("", "")));
}

TEST_F(WatchSettingsTest, ReadingStopsAtTheFirstMissingNumber) {
    platform::TRegIniFile registry(Key);
    registry.WriteString("CURRENT_WATCHES", "WATCH_1", "A");
    registry.WriteString("CURRENT_WATCHES", "WATCH_3", "C");
    TWatchList list;
    ReadCurrentWatches(registry, list);
    EXPECT_THAT(RowsOf(list), ElementsAre(Pair("Variable Name", "Value"), Pair("A", "")));
}

TEST_F(WatchSettingsTest, NamesWithBlanksSurviveTheRoundTrip) {
    TWatchList list;
    list.AddWatch(" x ", "");
    {
        platform::TRegIniFile registry(Key);
        WriteCurrentWatches(registry, list, {1, 1});
    }
    platform::TRegIniFile registry(Key);
    TWatchList reopened;
    ReadCurrentWatches(registry, reopened);
    EXPECT_THAT(RowsOf(reopened), ElementsAre(Pair("Variable Name", "Value"), Pair(" X ", "")));
}

}  // namespace
