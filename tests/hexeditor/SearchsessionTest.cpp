// The search of a hex window over a window in memory: the whole search,
// refusals, Cancel, stepping, the script entry points and the result-list
// operations with their questions and dialogs.
#include "Searchsession.h"
#include "SearchFakeHost.h"

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr std::int32_t B = TBlockScanner::BlockSize;

class hex_search_session : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.File.Bytes.assign(1000, '.');
        for (std::size_t at : {10, 20, 30})
            host.File.Put(at, "Key");
        host.CurrentPosition = 500;
        session.Entries.Value = "Key";
        session.PumpInterval = std::chrono::milliseconds(0);
    }

    std::vector<std::int32_t> CurrentHits() const
    {
        std::vector<std::int32_t> hits;
        for (const TResultEntry& row : session.Lists.Current.Rows)
            hits.push_back(row.Position + 1);
        return hits;
    }

    TFakeSearchHost host;
    TSearchSession session{host};
    platform::DialogResponder user;
};

TEST_F(hex_search_session, ASearchListsItsHitsAndPutsTheWindowBack)
{
    unsigned changes = 0;
    session.OnChanged = [&](unsigned c) { changes |= c; };
    EXPECT_EQ(session.BeginSearch(), TSearchOutcome::Finished);
    EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{11, 21, 31}));
    EXPECT_EQ(session.Lists.Current.Rows[0].Text, "11");
    EXPECT_EQ(session.Lists.CurrentLabel, "3 matches.");
    EXPECT_EQ(host.CurrentPosition, 500);
    EXPECT_EQ(host.RunningChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.ResultsPageShown, 1);
    EXPECT_FALSE(session.Scanning());
    EXPECT_EQ(host.Info.StartPosition, 0);
    EXPECT_EQ(changes, unsigned{TSearchSession::ResultsChanged | TSearchSession::StepChanged |
                                TSearchSession::ScanChanged});
    EXPECT_TRUE(user.calls().empty());
}

TEST_F(hex_search_session, ASearchFromTheCurrentPosition)
{
    session.Entries.StartAtBeginning = false;
    // The scan backs off by the pattern length - 1, so a hit reaching into
    // the position counts.
    host.CurrentPosition = 22;
    session.BeginSearch();
    EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{21, 31}));
    host.CurrentPosition = 23;
    session.BeginSearch();
    EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{31}));
    EXPECT_EQ(host.CurrentPosition, 23);
}

TEST_F(hex_search_session, ARefusedSetUpKeepsTheListTheUserIsLookingAt)
{
    session.Lists.SetCurrent({{"7", 6}}, "1 differences");
    session.StepIndex = 0;
    session.ResultField = "7";
    session.Entries.Value.clear();
    EXPECT_EQ(session.BeginSearch(), TSearchOutcome::Refused);
    session.Entries = {"300", stByte, false, true, true, "0"};
    EXPECT_EQ(session.BeginSearch(), TSearchOutcome::Refused);

    ASSERT_EQ(user.calls().size(), 2u);
    EXPECT_EQ(user.calls()[0].text, "Search Value Required!");
    EXPECT_EQ(user.calls()[1].caption, "Value out of range");
    EXPECT_EQ(session.Lists.Current.Rows, (std::vector<TResultEntry>{{"7", 6}}));
    EXPECT_EQ(session.Lists.CurrentLabel, "1 differences");
    EXPECT_EQ(session.StepIndex, -1);
    EXPECT_EQ(session.ResultField, "");
    EXPECT_EQ(host.File.Reads, 0);
    EXPECT_EQ(host.ResultsPageShown, 0);
    EXPECT_EQ(host.RunningChanges, (std::vector<bool>{true, false, true, false}));
}

TEST_F(hex_search_session, CancelDuringAScanKeepsTheHitsFoundSoFar)
{
    host.File.Bytes.assign(3 * B, '.');
    host.File.Put(10, "Key");
    host.File.Put(2 * B, "Key");
    TSearchOutcome nested = TSearchOutcome::Finished;
    host.OnPump = [&] {
        EXPECT_TRUE(session.Scanning());
        // A second search asked for while one runs (a script, say) does not start.
        nested = session.BeginSearch();
        session.CancelSearch();
    };
    EXPECT_EQ(session.BeginSearch(), TSearchOutcome::Cancelled);
    EXPECT_EQ(nested, TSearchOutcome::Unavailable);
    EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{11}));
    EXPECT_EQ(session.Lists.CurrentLabel, "1 matches.");
    EXPECT_EQ(host.File.Reads, 1);
    EXPECT_FALSE(session.Scanning());
}

TEST_F(hex_search_session, NoScanWithoutAWorkingCopy)
{
    host.MayRun = false;
    EXPECT_EQ(session.BeginSearch(), TSearchOutcome::Unavailable);
    EXPECT_TRUE(host.RunningChanges.empty());
    EXPECT_EQ(session.FirstSearchHit(false), -1);
    EXPECT_EQ(session.FirstSearchHit(true), 0);
}

TEST_F(hex_search_session, AReadFailureIsToldAndItsHitsKept)
{
    host.File.Bytes.assign(2 * B, '.');
    host.File.Put(10, "Key");
    host.File.FailAt = B + 7;
    EXPECT_EQ(session.BeginSearch(), TSearchOutcome::ReadFailed);
    EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{11}));
    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].caption, "Search incomplete");
}

TEST_F(hex_search_session, SteppingStaysWithinTheList)
{
    session.BeginSearch();
    session.StepFirst();
    EXPECT_EQ(session.StepIndex, 0);
    EXPECT_EQ(session.ResultField, "11");
    EXPECT_EQ(host.CurrentPosition, 10);
    session.StepUp();
    EXPECT_EQ(session.StepIndex, 0);
    session.StepLast();
    EXPECT_EQ(session.StepIndex, 2);
    EXPECT_EQ(session.Selection, 2);
    EXPECT_EQ(host.CurrentPosition, 30);
    session.StepDown();
    EXPECT_EQ(session.StepIndex, 2);

    // A row of the longer previous list, double-clicked, then stepping up.
    session.Lists.Previous.Rows = {{"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}, {"5", 4}, {"6", 5}};
    session.GoToRow(session.Lists.Previous, 5);
    EXPECT_EQ(session.ResultField, "6");
    EXPECT_EQ(host.CurrentPosition, 5);
    session.StepUp();
    EXPECT_EQ(session.StepIndex, 2);
    EXPECT_EQ(session.ResultField, "31");

    session.GoToRow(session.Lists.Previous, 6);
    EXPECT_EQ(session.StepIndex, 2);

    session.Lists.ClearCurrent();
    session.StepDown();
    EXPECT_EQ(session.StepIndex, -1);
    EXPECT_EQ(session.ResultField, "");
}

TEST_F(hex_search_session, FirstAndNextSearchHitFromTheCommandLine)
{
    EXPECT_EQ(session.FirstSearchHit(false), 11);
    EXPECT_EQ(session.NextSearchHit(), 21);
    EXPECT_EQ(session.NextSearchHit(), 31);
    EXPECT_EQ(session.NextSearchHit(), -1);
    EXPECT_EQ(host.CurrentPosition, 30);

    session.Entries.Value = "nothing";
    EXPECT_EQ(session.FirstSearchHit(false), -1);
    session.Entries.Value.clear();
    EXPECT_EQ(session.FirstSearchHit(false), -1);
}

TEST_F(hex_search_session, FirstAndNextSearchHitWhileAScriptRuns)
{
    EXPECT_EQ(session.FirstSearchHit(true), 3);
    EXPECT_EQ(session.StepIndex, -1);
    EXPECT_EQ(session.NextSearchHit(), 11);

    session.Entries.Value = "nothing";
    EXPECT_EQ(session.FirstSearchHit(true), 0);
    EXPECT_EQ(session.NextSearchHit(), -1);

    // A refused set-up gives no stale count of the last scan.
    session.Entries.Value = "Key";
    session.FirstSearchHit(true);
    session.Entries = {"70000", stWord, false, true, true, "0"};
    EXPECT_EQ(session.FirstSearchHit(true), 0);
    session.Entries.Value.clear();
    EXPECT_EQ(session.FirstSearchHit(false), -1);
    // A script learns of a refused set-up from the result alone.
    EXPECT_TRUE(user.calls().empty());
}

TEST_F(hex_search_session, NoStaleHitsAreSteppedAfterARefusedSetUp)
{
    const struct { const char* name; bool scriptRunning; TSearchPageEntries refused; } cases[] = {
        {"empty value, command line", false, {"", stString, false, true, true, "0"}},
        {"too large, command line", false, {"70000", stWord, false, true, true, "0"}},
        {"empty value, script window", true, {"", stString, false, true, true, "0"}},
        {"too large, script window", true, {"70000", stWord, false, true, true, "0"}},
    };
    for (const auto& c : cases) {
        session.Entries = {"Key", stString, false, true, true, "0"};
        session.FirstSearchHit(c.scriptRunning);
        session.Entries = c.refused;
        session.FirstSearchHit(c.scriptRunning);
        EXPECT_EQ(session.NextSearchHit(), -1) << c.name;
        EXPECT_EQ(session.NextSearchHit(), -1) << c.name;
        EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{11, 21, 31})) << c.name << ": the list stays shown";

        // A search that runs steps its own hits again.
        session.Entries = {"Key", stString, false, true, true, "0"};
        session.FirstSearchHit(true);
        EXPECT_EQ(session.NextSearchHit(), 11) << c.name;
    }
}

TEST_F(hex_search_session, SearchOptions)
{
    EXPECT_TRUE(session.ApplySearchOption(" bof ", "0"));
    EXPECT_FALSE(session.Entries.StartAtBeginning);
    EXPECT_EQ(host.Info.StartPosition, 1);
    EXPECT_TRUE(session.ApplySearchOption("Bof", "7"));
    EXPECT_TRUE(session.Entries.StartAtBeginning);
    EXPECT_EQ(host.Info.StartPosition, 0);

    EXPECT_TRUE(session.ApplySearchOption("CASE", "0"));
    EXPECT_FALSE(session.Entries.CaseSensitive);
    EXPECT_FALSE(host.Info.CaseSensitive);

    EXPECT_TRUE(session.ApplySearchOption("maxresults", "-5"));
    EXPECT_EQ(session.Entries.NumResults, "4294967291");
    EXPECT_EQ(host.Info.ResultLimit, -5);
    session.BeginSearch();
    EXPECT_EQ(host.Info.ResultLimit, 0);
    EXPECT_TRUE(session.ApplySearchOption("MAXRESULTS", "2"));
    session.BeginSearch();
    EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{11, 21}));

    const TSearchPageEntries before = session.Entries;
    EXPECT_FALSE(session.ApplySearchOption("FOO", "1"));
    EXPECT_EQ(session.Entries.NumResults, before.NumResults);
}

TEST_F(hex_search_session, DefaultsFillThePage)
{
    SEARCHINFO_TAG defaults;
    defaults.Pattern = std::string("abc\0", 4);
    defaults.ResultLimit = -5;
    defaults.SearchType = stDWord;
    defaults.HexEntry = true;
    defaults.CaseSensitive = false;
    defaults.StartPosition = 1;
    session.LoadDefaults(defaults);
    EXPECT_EQ(session.Entries.Value, "abc");
    EXPECT_EQ(session.Entries.NumResults, "4294967291");
    EXPECT_EQ(session.Entries.SearchType, stDWord);
    EXPECT_TRUE(session.Entries.HexEntry);
    EXPECT_FALSE(session.Entries.CaseSensitive);
    EXPECT_FALSE(session.Entries.StartAtBeginning);
}

TEST_F(hex_search_session, ComparisonsResetTheStepping)
{
    session.BeginSearch();
    session.Lists.Previous.Rows = {{"21", 20}};
    for (auto operation : {&TSearchSession::Diff, &TSearchSession::Merge, &TSearchSession::Match}) {
        session.StepLast();
        (session.*operation)();
        EXPECT_EQ(session.StepIndex, -1);
        EXPECT_EQ(session.ResultField, "");
        EXPECT_EQ(session.Selection, 0);
    }
    EXPECT_EQ(CurrentHits(), (std::vector<std::int32_t>{21}));
}

TEST_F(hex_search_session, ClearsAskFirst)
{
    session.BeginSearch();
    session.StepFirst();
    session.Lists.Previous.Rows = {{"5", 4}};
    user.Answer(platform::MsgAnswer::No);
    user.Answer(platform::MsgAnswer::No);
    session.ClearCurrent();
    session.ClearPrevious();
    EXPECT_FALSE(session.Lists.Current.IsEmpty());
    EXPECT_FALSE(session.Lists.Previous.IsEmpty());
    EXPECT_EQ(session.StepIndex, 0);

    user.Answer(platform::MsgAnswer::Yes);
    user.Answer(platform::MsgAnswer::Yes);
    session.ClearCurrent();
    session.ClearPrevious();
    EXPECT_TRUE(session.Lists.Current.IsEmpty());
    EXPECT_TRUE(session.Lists.Previous.IsEmpty());
    EXPECT_EQ(session.StepIndex, -1);
    EXPECT_EQ(session.ResultField, "");
    ASSERT_EQ(user.calls().size(), 4u);
    EXPECT_EQ(user.calls()[0].text, "Clear current search results?");
    EXPECT_EQ(user.calls()[1].text, "Clear previous search results?");
    EXPECT_EQ(user.calls()[0].caption, "Clear Search");
    EXPECT_EQ(user.calls()[0].buttons, platform::MsgButtons::YesNo);
}

TEST_F(hex_search_session, ResultFilesThroughTheDialogs)
{
    char pattern[] = "/tmp/hex_search_session_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string file = std::string(pattern) + "/hits.srt";

    session.SaveResultsWithDialog();
    EXPECT_TRUE(user.calls().empty());

    session.BeginSearch();
    user.Type(file);
    session.SaveResultsWithDialog();
    user.Type(file);
    session.LoadResultsWithDialog();
    ASSERT_EQ(user.calls().size(), 2u);
    EXPECT_EQ(user.calls()[0].text, "Save Qorm 2 Search Results");
    EXPECT_EQ(user.calls()[1].text, "Open Qorm 2 Search Results");
    EXPECT_EQ(session.Lists.Previous.Rows, session.Lists.Current.Rows);
    EXPECT_EQ(session.Lists.PreviousLabel, "3 matches");
    std::filesystem::remove_all(pattern);
}

TEST_F(hex_search_session, AReopenKeepsBothListsAndStartsSteppingAnew)
{
    session.BeginSearch();
    session.Lists.Previous.Rows = {{"5", 4}, {"6", 5}};
    const std::vector<TResultEntry> hits = session.Lists.Current.Rows;
    ASSERT_GT(hits.size(), 1u);
    session.StepFirst();
    session.RestartStepping();
    EXPECT_EQ(session.Lists.Current.Rows, hits);
    EXPECT_EQ(session.Lists.Previous.Rows, (std::vector<TResultEntry>{{"5", 4}, {"6", 5}}));
    EXPECT_EQ(session.StepIndex, -1);
    EXPECT_EQ(session.ResultField, "");
}

}  // namespace
