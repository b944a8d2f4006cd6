// The result lists, their comparisons and the search result file.
#include "Resultlist.h"

#include "InterruptedWrite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// 1-based hits as a search lists them.
TResultList ListOf(std::initializer_list<std::int32_t> hits)
{
    TResultList list;
    for (std::int32_t hit : hits)
        list.Rows.push_back({std::to_string(hit), hit - 1});
    return list;
}

std::vector<std::int32_t> HitsOf(const TResultList& list)
{
    std::vector<std::int32_t> hits;
    if (!list.IsEmpty())
        for (const TResultEntry& row : list.Rows)
            hits.push_back(row.Position + 1);
    return hits;
}

TEST(hex_search_resultlist, EmptinessFollowsTheFirstRow)
{
    TResultList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.RowCount(), 1);
    list.Rows = {{" \t", 0}, {"5", 4}};
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.EntryCount(), 0);
    list.Rows[0].Text = " 3";
    EXPECT_FALSE(list.IsEmpty());
    EXPECT_EQ(list.EntryCount(), 2);
}

TEST(hex_search_resultlist, ComparisonsOfTwoLists)
{
    using Hits = std::vector<std::int32_t>;
    const struct {
        const char* operation;
        TResultList current;
        TResultList previous;
        Hits result;
        const char* label;
    } cases[] = {
        {"diff", ListOf({1, 3, 5}), ListOf({3}), {1, 5}, "2 differences"},
        {"diff", ListOf({1, 3, 5}), ListOf({1, 3, 5}), {}, "0 differences"},
        {"diff", ListOf({5, 1}), TResultList{}, {1, 5}, "2 differences"},
        {"diff", TResultList{}, ListOf({2}), {2}, "1 differences"},
        {"diff", ListOf({3, 3}), ListOf({3}), {3}, "1 differences"},
        {"match", ListOf({1, 3, 5, 7}), ListOf({3, 4, 7}), {3, 7}, "2 matches"},
        {"match", ListOf({1, 3}), TResultList{}, {}, "0 matches"},
        {"match", TResultList{}, ListOf({1}), {}, "0 matches"},
        {"match", ListOf({3}), ListOf({3, 3}), {3, 3}, "2 matches"},
        {"merge", ListOf({1, 5}), ListOf({3, 5}), {1, 3, 5}, "3 merged"},
        {"merge", ListOf({1, 5}), TResultList{}, {1, 5}, "2 merged"},
        {"merge", TResultList{}, ListOf({4, 2}), {2, 4}, "2 merged"},
        {"merge", ListOf({1}), ListOf({3, 3}), {1, 3}, "2 merged"},
        {"merge", TResultList{}, TResultList{{{"abc", -1}}}, {}, "0 merged"},
    };
    for (const auto& c : cases) {
        TResultLists lists;
        lists.Current = c.current;
        lists.Previous = c.previous;
        const std::string op = c.operation;
        const bool done = op == "diff" ? lists.Diff() : op == "match" ? lists.Match() : lists.Merge();
        EXPECT_TRUE(done);
        EXPECT_EQ(HitsOf(lists.Current), c.result) << op << " " << c.label;
        EXPECT_EQ(lists.CurrentLabel, c.label) << op;
        EXPECT_EQ(lists.Previous.Rows, c.previous.Rows) << op << ": the previous list stays";
    }
}

TEST(hex_search_resultlist, ComparisonsOfTwoEmptyListsDoNothing)
{
    TResultLists lists;
    lists.CurrentLabel = "7 matches.";
    EXPECT_FALSE(lists.Diff());
    EXPECT_FALSE(lists.Match());
    EXPECT_FALSE(lists.Merge());
    EXPECT_EQ(lists.CurrentLabel, "7 matches.");
}

TEST(hex_search_resultlist, BlankAndMalformedRowsAreNoHits)
{
    // A loaded file that claims five hits and holds two, one of them without a number.
    TResultLists lists;
    lists.Current = ListOf({1, 3, 5});
    lists.Previous.Rows = {{"3", 2}, {"abc", -1}, {"7", 6}, {"", 0}, {"", 0}};
    ASSERT_TRUE(lists.Diff());
    EXPECT_EQ(HitsOf(lists.Current), (std::vector<std::int32_t>{1, 5, 7}));
    EXPECT_FALSE(lists.Current.IsEmpty());

    lists.Current = TResultList{};
    ASSERT_TRUE(lists.Merge());
    EXPECT_EQ(HitsOf(lists.Current), (std::vector<std::int32_t>{3, 7}));
}

TEST(hex_search_resultlist, ComparisonsKeepTheLowestPositionsUpToTheLimit)
{
    TResultLists lists;
    for (std::int32_t p = 0; p <= ResultListLimit; ++p)
        lists.Current.Rows.push_back({std::to_string(p + 1), p});
    ASSERT_TRUE(lists.Diff());
    ASSERT_EQ(lists.Current.Rows.size(), static_cast<std::size_t>(ResultListLimit));
    EXPECT_EQ(lists.Current.Rows.back().Position, ResultListLimit - 1);

    // The previous list's lowest entry is kept, its highest dropped.
    lists.Previous.Rows = {{"1", 0}, {std::to_string(ResultListLimit + 10), ResultListLimit + 9}};
    lists.Current.Rows.erase(lists.Current.Rows.begin());
    ASSERT_TRUE(lists.Merge());
    ASSERT_EQ(lists.Current.Rows.size(), static_cast<std::size_t>(ResultListLimit));
    EXPECT_EQ(lists.Current.Rows.front().Position, 0);
    EXPECT_EQ(lists.Current.Rows.back().Position, ResultListLimit - 1);
}

TEST(hex_search_resultlist, MoveAndClear)
{
    TResultLists lists;
    lists.MoveRight();
    EXPECT_TRUE(lists.Previous.IsEmpty());
    EXPECT_EQ(lists.PreviousLabel, "0 results");

    lists.ShowHits({10, 100});
    EXPECT_EQ(lists.CurrentLabel, "2 matches.");
    lists.MoveRight();
    EXPECT_EQ(lists.Previous.Rows, lists.Current.Rows);
    EXPECT_EQ(lists.PreviousLabel, "2 results");
    EXPECT_EQ(lists.CurrentLabel, "2 matches.");

    lists.ClearCurrent();
    EXPECT_TRUE(lists.Current.IsEmpty());
    EXPECT_EQ(lists.CurrentLabel, "0 results");
    lists.ClearPrevious();
    EXPECT_TRUE(lists.Previous.IsEmpty());
    EXPECT_EQ(lists.PreviousLabel, "0 results");
}

TEST(hex_search_resultfile, SearchedForAndTypeNames)
{
    const struct {
        int type;
        std::string pattern;
        bool little;
        const char* expected;
    } cases[] = {
        {stString, "abc", true, "abc"},
        {9, "xyz", true, "xyz"},
        {stByte, "\xC8", true, "200"},
        {stWord, "\xFF\xFF", true, "-1"},
        {stWord, std::string("\x01\x00", 2), false, "256"},
        {stDWord, "\xFF\xFF\xFF\xFF", true, "-1"},
        {stQWord, std::string("\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8), true, "-2"},
        {stDWord, "", true, ""},
    };
    for (const auto& c : cases) {
        SEARCHINFO_TAG info;
        info.SearchType = static_cast<std::int8_t>(c.type);
        info.Pattern = c.pattern;
        EXPECT_EQ(SearchedForText(info, c.little), c.expected) << c.type;
    }
    EXPECT_EQ(SearchTypeName(stString), "String");
    EXPECT_EQ(SearchTypeName(stByte), "BYTE");
    EXPECT_EQ(SearchTypeName(stWord), "WORD");
    EXPECT_EQ(SearchTypeName(stDWord), "DWORD");
    EXPECT_EQ(SearchTypeName(stQWord), "QWORD");
    EXPECT_EQ(SearchTypeName(-1), "String");
}

class hex_search_resultfile_io : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/hex_search_resultfile_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void Write(const std::string& path, const std::string& contents)
    {
        std::ofstream(path, std::ios::binary) << contents;
    }

    fs::path folder_;
};

TEST_F(hex_search_resultfile_io, SavesTheExactFormat)
{
    TResultLists lists;
    lists.ShowHits({10, 100, 1000});
    SEARCHINFO_TAG info;
    info.Pattern = "abc";
    info.PatternLength = 3;
    const std::string file = PathOf("hits.srt");
    ASSERT_TRUE(lists.SaveResults(file, info, true, "/data/a.sav"));
    EXPECT_EQ(Contents(file),
              "Qorm Search Result File ver2\r\nSearched for abc\r\ntype: String\r\nin file /data/a.sav\r\n"
              "matches: 3\r\n10\r\n100\r\n1000\r\n");
}

TEST_F(hex_search_resultfile_io, SaveRefusesAnEmptyListAndAnUnwritablePlace)
{
    TResultLists lists;
    SEARCHINFO_TAG info;
    const std::string file = PathOf("none.srt");
    EXPECT_FALSE(lists.SaveResults(file, info, true, "/d"));
    EXPECT_FALSE(fs::exists(file));

    lists.ShowHits({1});
    Write(PathOf("plain"), "x");
    EXPECT_FALSE(lists.SaveResults(PathOf("plain") + "/hits.srt", info, true, "/d"));
}

TEST_F(hex_search_resultfile_io, SaveReplacesAnExistingFileKeepingItsPermissions)
{
    const std::string file = PathOf("old.srt");
    Write(file, "old contents");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    TResultLists lists;
    lists.ShowHits({42});
    SEARCHINFO_TAG info;
    ASSERT_TRUE(lists.SaveResults(file, info, true, "/d"));
    EXPECT_NE(Contents(file).find("matches: 1\r\n42\r\n"), std::string::npos);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator{}), 1);
}

// A full disk, or a kill in the middle of the write, leaves the old result
// file whole; the temporary the kill left goes with the next save.
TEST_F(hex_search_resultfile_io, AFailedOrKilledSaveLeavesTheOldFileWhole)
{
    const std::string file = PathOf("kept.srt");
    Write(file, "old contents");
    TResultLists lists;
    for (std::int32_t hit = 1; hit <= 1000; ++hit)
        lists.Current.Rows.push_back({std::to_string(hit), hit - 1});
    SEARCHINFO_TAG info;
    const auto files = [this] { return std::distance(fs::directory_iterator(folder_), fs::directory_iterator{}); };

    bool written = true;
    {
        const qorm_test::FullDisk disk(100);
        written = lists.SaveResults(file, info, true, "/d");
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(Contents(file), "old contents");
    EXPECT_EQ(files(), 1);

    EXPECT_TRUE(qorm_test::KilledWhileWriting(100, [&] { lists.SaveResults(file, info, true, "/d"); }));
    EXPECT_EQ(Contents(file), "old contents");
    EXPECT_EQ(files(), 2);

    ASSERT_TRUE(lists.SaveResults(file, info, true, "/d"));
    EXPECT_NE(Contents(file).find("matches: 1000\r\n1\r\n"), std::string::npos);
    EXPECT_EQ(files(), 1);
}

TEST_F(hex_search_resultfile_io, LongHeaderLinesAreCut)
{
    TResultLists lists;
    lists.ShowHits({1});
    SEARCHINFO_TAG info;
    info.Pattern = std::string(2000, 'p');
    const std::string file = PathOf("long.srt");
    ASSERT_TRUE(lists.SaveResults(file, info, true, "/d"));
    const std::string contents = Contents(file);
    const std::size_t second = contents.find("\r\n") + 2;
    EXPECT_EQ(contents.find("\r\n", second) - second, 1023u);
}

TEST_F(hex_search_resultfile_io, LineBreaksInTheHeaderDoNotBreakTheFile)
{
    // A script may search for a text with a line break; a Linux file name may hold one.
    TResultLists lists;
    lists.ShowHits({5, 6});
    SEARCHINFO_TAG info;
    info.Pattern = "a\r\nb";
    const std::string file = PathOf("breaks.srt");
    ASSERT_TRUE(lists.SaveResults(file, info, true, "/data/x\ny.sav"));
    EXPECT_EQ(Contents(file),
              "Qorm Search Result File ver2\r\nSearched for a  b\r\ntype: String\r\nin file /data/x y.sav\r\n"
              "matches: 2\r\n5\r\n6\r\n");
    ASSERT_TRUE(lists.LoadResults(file));
    EXPECT_EQ(lists.Previous.Rows, lists.Current.Rows);
}

TEST_F(hex_search_resultfile_io, OnlyPlainFilesAreLoadedOrReplaced)
{
    // Reading a pipe would wait for ever, and opening one for writing too.
    const std::string pipe = PathOf("pipe.srt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    TResultLists lists;
    lists.ShowHits({1});
    SEARCHINFO_TAG info;
    EXPECT_FALSE(lists.LoadResults(pipe));
    EXPECT_FALSE(lists.SaveResults(pipe, info, true, "/d"));
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_FALSE(lists.LoadResults(folder_.string()));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator{}), 1);
}

TEST_F(hex_search_resultfile_io, RoundTrip)
{
    TResultLists lists;
    lists.ShowHits({10, 100, 1000, 2147483647});
    SEARCHINFO_TAG info;
    const std::string file = PathOf("trip.srt");
    ASSERT_TRUE(lists.SaveResults(file, info, true, "/d"));
    ASSERT_TRUE(lists.LoadResults(file));
    EXPECT_EQ(lists.Previous.Rows, lists.Current.Rows);
    EXPECT_EQ(lists.PreviousLabel, "4 matches");
}

TEST_F(hex_search_resultfile_io, LoaderTable)
{
    const std::string head = "Qorm Search Result File ver2\r\nSearched for x\r\ntype: String\r\nin file f\r\n";
    const struct {
        const char* name;
        std::string contents;
        bool loads;
        std::vector<TResultEntry> rows;
        const char* label;
    } cases[] = {
        {"four lines", "a\r\nb\r\nc\r\nd\r\n", false, {}, ""},
        {"capital M", head + "Matches: 3\r\n1\r\n", false, {}, ""},
        {"more hit lines than claimed", head + "matches: 3\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", true,
         {{"1", 0}, {"2", 1}, {"3", 2}}, "3 matches"},
        {"fewer hit lines than claimed", head + "matches: 5\r\n1\r\n2\r\n", true,
         {{"1", 0}, {"2", 1}, {"", 0}, {"", 0}, {"", 0}}, "5 matches"},
        {"blanks before a number", head + "matches: 1\r\n  42\r\n", true, {{"  42", 41}}, "1 matches"},
        {"no number", head + "matches: 1\r\nabc\r\n", true, {{"abc", -1}}, "1 matches"},
        {"negative count", head + "matches: -4\r\n9\r\n", true, {{"9", 8}}, "-4 matches"},
        {"mixed line ends", "h\nh\rh\r\nh\nmatches:  2 \r7\n8", true, {{"7", 6}, {"8", 7}}, "2 matches"},
    };
    for (const auto& c : cases) {
        const std::string file = PathOf("load.srt");
        Write(file, c.contents);
        TResultLists lists;
        lists.Previous.Rows = {{"keep", 1}};
        lists.PreviousLabel = "kept";
        EXPECT_EQ(lists.LoadResults(file), c.loads) << c.name;
        if (c.loads) {
            EXPECT_EQ(lists.Previous.Rows, c.rows) << c.name;
            EXPECT_EQ(lists.PreviousLabel, c.label) << c.name;
        } else {
            EXPECT_EQ(lists.Previous.Rows, (std::vector<TResultEntry>{{"keep", 1}})) << c.name;
            EXPECT_EQ(lists.PreviousLabel, "kept") << c.name;
        }
    }
}

TEST_F(hex_search_resultfile_io, AHugeClaimedCountMakesNoHugeList)
{
    const std::string file = PathOf("huge.srt");
    Write(file, "1\r\n2\r\n3\r\n4\r\nmatches: 2000000000\r\n5\r\n");
    TResultLists lists;
    ASSERT_TRUE(lists.LoadResults(file));
    EXPECT_EQ(lists.Previous.Rows.size(), static_cast<std::size_t>(ResultListLimit));
    EXPECT_EQ(lists.Previous.Rows.front(), (TResultEntry{"5", 4}));
    EXPECT_EQ(lists.PreviousLabel, "2000000000 matches (the first 1048560 loaded)");
}

TEST_F(hex_search_resultfile_io, LoadingStopsAtTheListLimitAndTheLabelSaysSo)
{
    const std::int32_t held = ResultListLimit + 10;
    std::string contents = "1\r\n2\r\n3\r\n4\r\nmatches: " + std::to_string(held) + "\r\n";
    for (std::int32_t hit = 1; hit <= held; ++hit)
        contents += std::to_string(hit) + "\r\n";
    const std::string file = PathOf("many.srt");
    Write(file, contents);
    TResultLists lists;
    ASSERT_TRUE(lists.LoadResults(file));
    ASSERT_EQ(lists.Previous.Rows.size(), static_cast<std::size_t>(ResultListLimit));
    EXPECT_EQ(lists.Previous.Rows.back(), (TResultEntry{std::to_string(ResultListLimit), ResultListLimit - 1}));
    EXPECT_EQ(lists.PreviousLabel, "1048570 matches (the first 1048560 loaded)");

    // A count that a list holds is shown as the file gives it.
    Write(file, "1\r\n2\r\n3\r\n4\r\nmatches: 1048560\r\n7\r\n");
    ASSERT_TRUE(lists.LoadResults(file));
    EXPECT_EQ(lists.Previous.Rows.size(), static_cast<std::size_t>(ResultListLimit));
    EXPECT_EQ(lists.PreviousLabel, "1048560 matches");
}

// A hit line is a number: a damaged file with a line of many megabytes (the
// last one without its line break) loads its texts cut to 255 bytes, their
// positions read as ever, and the label says how many were cut.
TEST_F(hex_search_resultfile_io, LongHitLinesAreCutAndTheLabelSaysSo)
{
    const std::string huge = "17" + std::string(20 << 20, 'x');
    const std::string longHeader(5000, 'h');
    const std::string file = PathOf("long.srt");
    Write(file, longHeader + "\r\n2\r\n3\r\n4\r\nmatches: 4\r\n" + huge + "\r\n9\r\n" + std::string(300, '5') + "\r\n" + huge);
    TResultLists lists;
    ASSERT_TRUE(lists.LoadResults(file));
    ASSERT_EQ(lists.Previous.Rows.size(), 4u);
    EXPECT_EQ(lists.Previous.Rows[0].Text, huge.substr(0, 255));
    EXPECT_EQ(lists.Previous.Rows[0].Position, 16);
    EXPECT_EQ(lists.Previous.Rows[1], (TResultEntry{"9", 8}));
    EXPECT_EQ(lists.Previous.Rows[2].Text.size(), 255u);
    EXPECT_EQ(lists.Previous.Rows[3].Text.size(), 255u);
    EXPECT_EQ(lists.PreviousLabel, "4 matches (3 lines longer than 255 bytes cut)");

    Write(file, "1\r\n2\r\n3\r\n4\r\nmatches: 1\r\n" + std::string(255, '7') + "\r\n");
    ASSERT_TRUE(lists.LoadResults(file));
    EXPECT_EQ(lists.PreviousLabel, "1 matches") << "a line of 255 bytes is whole";
}

TEST_F(hex_search_resultfile_io, AMissingFileDoesNotLoad)
{
    TResultLists lists;
    EXPECT_FALSE(lists.LoadResults(PathOf("missing.srt")));
    EXPECT_FALSE(fs::exists(PathOf("missing.srt")));
}

}  // namespace
