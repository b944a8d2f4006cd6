// The search in files without its window: files of a private folder, the
// hits per file, the caps, the mask, the hand-over of one file's hits to a
// hex window's search session, and the global defaults as criteria.
#include "Searchfiles.h"
#include "Searchsession.h"

#include "HexTestFolder.h"
#include "SearchFakeHost.h"

#include "Mainsettings.h"

#include "platform/Dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using TFileBytes = std::vector<std::uint8_t>;

namespace {

TFileBytes Text(const std::string& text)
{
    return {text.begin(), text.end()};
}

TFileBytes Repeated(std::size_t count, std::uint8_t byte)
{
    return TFileBytes(count, byte);
}

TSearchPageEntries StringSearch(const std::string& value, const std::string& limit = "0")
{
    TSearchPageEntries entries;
    entries.Value = value;
    entries.NumResults = limit;
    return entries;
}

// Each row as "path:position" (1-based, as the grid shows it).
std::vector<std::string> Rows(const TSearchFilesResults& results)
{
    std::vector<std::string> rows;
    for (int row = 0; row < static_cast<int>(results.Hits.size()); ++row)
        rows.push_back(std::filesystem::path(results.PathOfRow(row)).filename().string() + ":" +
                       results.PositionTextOfRow(row));
    return rows;
}

class SearchFilesTest : public ::testing::Test {
protected:
    THexTestFolder folder;
    TSearchFiles search;
};

TEST_F(SearchFilesTest, ListsTheHitsOfEachFileAndOnlyTheFilesWithHits)
{
    const std::string a = folder.MakeFile("a.dat", Text("..XY.....XY"));
    const std::string b = folder.MakeFile("b.dat", Text("nothing here"));
    const std::string c = folder.MakeFile("c.dat", Text("XY"));

    const TFilesSearchReport report = search.Search(StringSearch("XY"), {a, b, c});

    EXPECT_EQ(report.End, TFilesSearchEnd::Completed);
    EXPECT_EQ(report.Searched, 3);
    EXPECT_THAT(Rows(search.Results), ElementsAre("a.dat:3", "a.dat:10", "c.dat:1"));
    EXPECT_THAT(search.Results.Found, ElementsAre(a, c));
    EXPECT_EQ(search.Results.Label, "3 matches.");
    EXPECT_EQ(search.Results.Hits[1].Position, 9);
    // The record's hits describe the last file searched.
    EXPECT_THAT(search.SearchInfo.Hits, ElementsAre(1));
}

TEST_F(SearchFilesTest, SkipsWhatCannotBeSearchedWithoutStopping)
{
    const std::string vanished = folder.Path("data/vanished.dat");
    const std::string pipe = folder.Path("data/pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string good = folder.MakeFile("good.dat", Text("zzXY"));

    // A pipe opened for reading would wait for a writer for ever.
    // A file of the kernel's state passes for a plain file of no size.
    const TFilesSearchReport report =
        search.Search(StringSearch("XY"), {vanished, pipe, folder.Path("data"), "/proc/self/status", good});

    EXPECT_EQ(report.Skipped, 4);
    EXPECT_EQ(report.Searched, 1);
    EXPECT_THAT(Rows(search.Results), ElementsAre("good.dat:3"));
}

TEST_F(SearchFilesTest, NumbersAreSearchedLittleEndian)
{
    const std::string file = folder.MakeFile("n.dat", {0x12, 0x34, 0x00, 0x34, 0x12});
    TSearchPageEntries word;
    word.Value = "4660";
    word.SearchType = stWord;

    search.Search(word, {file});

    EXPECT_THAT(Rows(search.Results), ElementsAre("n.dat:4"));
}

TEST_F(SearchFilesTest, HexEntriesAreNumbersWrittenFromTheLeft)
{
    const std::string file = folder.MakeFile("h.dat", {0x0F, 0x1F, 0x01, 0xFF, 0x01});
    const struct { int type; const char* text; const char* hit; } cases[] = {
        {stByte, "0x1F", "h.dat:2"},
        {stByte, "001F", "h.dat:2"},
        {stWord, "1FF", "h.dat:4"},  // FF 01, not 0F 1F
    };
    for (const auto& c : cases) {
        TSearchPageEntries entries;
        entries.Value = c.text;
        entries.SearchType = c.type;
        entries.HexEntry = true;
        search.Search(entries, {file});
        EXPECT_THAT(Rows(search.Results), ElementsAre(c.hit)) << c.text;
    }
}

TEST_F(SearchFilesTest, ARefusedValueSearchesNothing)
{
    platform::DialogResponder user;
    const std::string file = folder.MakeFile("a.dat", Text("XY"));
    search.Search(StringSearch("XY"), {file});

    const TFilesSearchReport report = search.Search(StringSearch(""), {file});

    EXPECT_EQ(report.End, TFilesSearchEnd::Refused);
    EXPECT_EQ(report.Prepared, TPrepareResult::NoValue);
    EXPECT_EQ(search.Results.RowCount(), 1);
    EXPECT_EQ(search.Results.PathOfRow(0), "");
    EXPECT_THAT(search.Results.Found, IsEmpty());
    EXPECT_EQ(search.Results.Label, "0 matches.");
    EXPECT_THAT(user.calls(), IsEmpty()) << "the window, not the search, tells the user";
}

TEST_F(SearchFilesTest, TheResultLimitHoldsForEachFile)
{
    const std::string a = folder.MakeFile("a.dat", Text("AAAAA"));
    const std::string b = folder.MakeFile("b.dat", Text("AAA"));

    search.Search(StringSearch("A", "2"), {a, b});

    EXPECT_THAT(Rows(search.Results), ElementsAre("a.dat:1", "a.dat:2", "b.dat:1", "b.dat:2"));
}

TEST_F(SearchFilesTest, TheTotalCapCutsTheListAndStopsAfterThatFile)
{
    const std::string a = folder.MakeFile("a.dat", Repeated(600000, 'A'));
    const std::string b = folder.MakeFile("b.dat", Repeated(600000, 'A'));
    const std::string c = folder.MakeFile("c.dat", Text("A"));

    const TFilesSearchReport report = search.Search(StringSearch("A"), {a, b, c});

    EXPECT_EQ(report.End, TFilesSearchEnd::LimitReached);
    EXPECT_EQ(report.Searched, 2);
    EXPECT_EQ(search.Results.TotalHits, TotalHitLimit);
    EXPECT_EQ(search.Results.Hits.size(), static_cast<std::size_t>(TotalHitLimit));
    EXPECT_THAT(search.Results.Found, ElementsAre(a, b));
    EXPECT_EQ(search.Results.PathOfRow(TotalHitLimit - 1), b);
    EXPECT_EQ(search.Results.PositionTextOfRow(TotalHitLimit - 1), std::to_string(TotalHitLimit - 600000));
}

TEST_F(SearchFilesTest, AFileWhoseHitsAreAllCutIsNotListedAsFound)
{
    const std::string a = folder.MakeFile("a.dat", Repeated(TotalHitLimit, 'A'));
    const std::string b = folder.MakeFile("b.dat", Text("AA"));

    const TFilesSearchReport report = search.Search(StringSearch("A"), {a, b});

    EXPECT_EQ(report.End, TFilesSearchEnd::LimitReached);
    EXPECT_THAT(search.Results.Found, ElementsAre(a));
    EXPECT_EQ(search.Results.FirstRowOf(b), -1);
    EXPECT_EQ(search.Results.Label, std::to_string(TotalHitLimit) + " matches.");
}

TEST_F(SearchFilesTest, CancelStopsTheFileWithinABlockAndSearchesNoFurtherFile)
{
    const std::string a = folder.MakeFile("a.dat", Text("A"));
    const std::string b = folder.MakeFile("b.dat", Repeated(1500000, 'A'));
    const std::string c = folder.MakeFile("c.dat", Text("A"));
    TFilesSearchProgress progress;
    progress.FileStarted = [&](const std::string& path) {
        if (path == b)
            search.Cancel();
    };

    const TFilesSearchReport report = search.Search(StringSearch("A"), {a, b, c}, progress);

    EXPECT_EQ(report.End, TFilesSearchEnd::Cancelled);
    EXPECT_THAT(search.Results.Found, ElementsAre(a, b));
    EXPECT_EQ(search.Results.TotalHits, 1 + TBlockScanner::BlockSize);
    EXPECT_FALSE(search.Searching());
    // The next search is not cancelled by the last one.
    EXPECT_EQ(search.Search(StringSearch("A"), {c}).End, TFilesSearchEnd::Completed);
}

TEST_F(SearchFilesTest, ManySmallFilesStillLetTheUserCancel)
{
    // Files shorter than 1000 bytes never reach the scan's own progress calls.
    std::vector<std::string> paths;
    for (const char* name : {"a.dat", "b.dat", "c.dat", "d.dat"})
        paths.push_back(folder.MakeFile(name, Text("XY")));
    search.PumpInterval = std::chrono::milliseconds(0);
    int pumps = 0;
    TFilesSearchProgress progress;
    progress.PumpMessages = [&] {
        if (++pumps == 3)
            search.Cancel();  // the user presses Cancel while the third file's turn comes
    };

    const TFilesSearchReport report = search.Search(StringSearch("XY"), paths, progress);

    EXPECT_EQ(report.End, TFilesSearchEnd::Cancelled);
    EXPECT_EQ(report.Searched, 2);
    EXPECT_THAT(search.Results.Found, ElementsAre(paths[0], paths[1]));
}

TEST_F(SearchFilesTest, TheFolderListTakesTheMaskAndEveryKindOfFile)
{
    folder.MakeFile("b.sav", {});
    folder.MakeFile("a.dat", {});
    folder.MakeFile(".hidden.dat", {});
    folder.MakeFile("A.DAT", {});
    folder.MakeFile("notes.txt", {});
    std::filesystem::create_directory(folder.Path("data/sub.dat"));
    const std::string data = folder.Path("data");

    EXPECT_THAT(ListFolderFiles(data, "*.dat; *.sav"), ElementsAre(".hidden.dat", "a.dat", "b.sav"));
    EXPECT_THAT(ListFolderFiles(data + "/", ""), ElementsAre(".hidden.dat", "A.DAT", "a.dat", "b.sav", "notes.txt"));
    EXPECT_THAT(ListFolderFiles(folder.Path("missing"), "*"), IsEmpty());
}

TEST_F(SearchFilesTest, TheSelectedFilesHoldEachPathOnce)
{
    TSelectedFiles selected;
    selected.AddFromFolder("/data", {"a.dat", "b.dat"});
    selected.AddFromFolder("/data/", {"a.dat", "A.dat"});
    EXPECT_FALSE(selected.Add("/data/b.dat"));
    EXPECT_THAT(selected.Paths(), ElementsAre("/data/a.dat", "/data/b.dat", "/data/A.dat"));

    selected.Remove({2, 0, 7, 0});
    EXPECT_THAT(selected.Paths(), ElementsAre("/data/b.dat"));
    // A removed path may come back, a kept one not twice.
    EXPECT_TRUE(selected.Add("/data/A.dat"));
    EXPECT_FALSE(selected.Add("/data/b.dat"));
    EXPECT_THAT(selected.Paths(), ElementsAre("/data/b.dat", "/data/A.dat"));
    selected.Clear();
    EXPECT_THAT(selected.Paths(), IsEmpty());
    EXPECT_TRUE(selected.Add("/data/b.dat"));
}

class HandOverTest : public ::testing::Test {
protected:
    HandOverTest()
    {
        host.File.Bytes.assign(5000, 0);
        results.AddFileResults("/data/a.sav", {7});
        results.AddFileResults("/data/b.sav", {10, 20, 30, 40, 50});
        results.AddFileResults("/data/c.sav", {1});
        criteria.Value = "1234";
        criteria.SearchType = stWord;
        criteria.HexEntry = false;
        criteria.CaseSensitive = false;
        criteria.NumResults = "25";
        session.Entries.HexEntry = true;
        session.Entries.StartAtBeginning = false;
    }

    TFakeSearchHost host;
    TSearchSession session{host};
    TSearchFilesResults results;
    TSearchPageEntries criteria;
};

TEST_F(HandOverTest, TheWindowTakesTheFilesHitsAndStandsOnTheChosenOne)
{
    const std::optional<THitGroup> group = results.GroupOfRow(3);
    ASSERT_TRUE(group.has_value());
    EXPECT_EQ(group->Path, "/data/b.sav");
    EXPECT_EQ(group->Index, 2);

    ASSERT_TRUE(HandOverHits(*group, criteria, session));

    ASSERT_EQ(session.Lists.Current.Rows.size(), 5u);
    EXPECT_EQ(session.Lists.Current.Rows[0], (TResultEntry{"10", 9}));
    EXPECT_EQ(session.Lists.Current.Rows[4], (TResultEntry{"50", 49}));
    EXPECT_EQ(session.Lists.CurrentLabel, "5 results");
    EXPECT_EQ(session.StepIndex, 2);
    EXPECT_EQ(session.ResultField, "30");
    EXPECT_EQ(host.CurrentPosition, 29);
    EXPECT_EQ(session.Entries.Value, "1234");
    EXPECT_EQ(session.Entries.SearchType, stWord);
    EXPECT_EQ(session.Entries.NumResults, "25");
    EXPECT_FALSE(session.Entries.CaseSensitive);
    EXPECT_TRUE(session.Entries.StartAtBeginning);
    EXPECT_TRUE(session.Entries.HexEntry) << "the window keeps its own decimal/hex choice";
    // Stepping goes on through the file's hits.
    EXPECT_EQ(session.NextSearchHit(), 40);
}

TEST_F(HandOverTest, TheBlankRowHasNoGroup)
{
    TSearchFilesResults none;
    none.Reset();
    EXPECT_FALSE(none.GroupOfRow(0).has_value());
    EXPECT_FALSE(results.GroupOfRow(7).has_value());
    EXPECT_EQ(results.FirstRowOf("/data/c.sav"), 6);
}

TEST_F(HandOverTest, AWindowThatIsSearchingKeepsItsOwnResults)
{
    platform::DialogResponder user;
    session.Entries.Value = "\x01";
    session.PumpInterval = std::chrono::milliseconds(0);
    bool handedOver = true;
    host.OnPump = [&] { handedOver = HandOverHits(*results.GroupOfRow(3), criteria, session); };

    session.BeginSearch();

    EXPECT_GT(host.Pumps, 0);
    EXPECT_FALSE(handedOver);
    EXPECT_TRUE(session.Lists.Current.IsEmpty());
    EXPECT_EQ(session.Entries.Value, "\x01");
}

class DefaultsTest : public ::testing::Test {
protected:
    THexTestFolder folder;
    SEARCHINFO_TAG defaults;
};

TEST_F(DefaultsTest, TheCriteriaShowTheDefaultsAndStoreThemBack)
{
    defaults.Pattern = "abc";
    defaults.StartPosition = 1;
    defaults.CaseSensitive = false;
    defaults.ResultLimit = -5;
    defaults.HexEntry = true;
    defaults.SearchType = stDWord;

    TSearchPageEntries entries = EntriesFromDefaults(defaults);
    EXPECT_EQ(entries.Value, "abc");
    EXPECT_FALSE(entries.StartAtBeginning);
    EXPECT_FALSE(entries.CaseSensitive);
    EXPECT_EQ(entries.NumResults, "4294967291");
    EXPECT_TRUE(entries.HexEntry);
    EXPECT_EQ(entries.SearchType, stDWord);

    // OK twice without a change keeps every field, the start flag too.
    StoreDefaults(entries, defaults);
    StoreDefaults(EntriesFromDefaults(defaults), defaults);
    EXPECT_EQ(defaults.StartPosition, 1);
    EXPECT_EQ(defaults.ResultLimit, -5);
    EXPECT_EQ(defaults.Pattern, "abc");

    entries.Value.clear();
    entries.NumResults = "12x";
    entries.SearchType = -1;
    StoreDefaults(entries, defaults);
    EXPECT_EQ(defaults.Pattern, "abc") << "an empty value keeps the old one";
    EXPECT_EQ(defaults.ResultLimit, 12);
    EXPECT_EQ(defaults.SearchType, -1);
}

TEST_F(DefaultsTest, ASearchTypeOutOfRangeSelectsNothingOrTheLastItem)
{
    defaults.SearchType = 9;
    EXPECT_EQ(EntriesFromDefaults(defaults).SearchType, stQWord);
    defaults.SearchType = -4;
    EXPECT_EQ(EntriesFromDefaults(defaults).SearchType, -1);
}

TEST_F(DefaultsTest, BeginningOfFileIsOneNegationAllTheWayToTheRegistry)
{
    TSearchPageEntries entries = EntriesFromDefaults(defaults);
    entries.StartAtBeginning = false;
    StoreDefaults(entries, defaults);
    {
        platform::TRegIniFile registry(SettingsKey);
        WriteMainSettings(registry, TMainFormSettings{}, defaults, GLOBALINFO_TAG{});
    }
    platform::TRegIniFile registry(SettingsKey);
    EXPECT_FALSE(registry.ReadBool("SearchDefaults", "BOF", true));

    SEARCHINFO_TAG readBack;
    TMainFormSettings form;
    GLOBALINFO_TAG info;
    ReadMainSettings(registry, form, readBack, info);
    EXPECT_EQ(readBack.StartPosition, 1);
    EXPECT_FALSE(EntriesFromDefaults(readBack).StartAtBeginning);
}

}  // namespace
