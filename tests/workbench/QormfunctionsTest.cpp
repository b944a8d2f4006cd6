// The editor's host functions: what they register with the control, the
// dispatch of calls, and the channel functions over real channels.
#include "ScriptFunctionsFixture.h"

#include "Scriptoutfrm.h"
#include "Searchpages.h"

#include "platform/Files.h"

#include <gmock/gmock.h>

#include "QtTestApplication.h"

#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <limits>
#include <set>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Bytes = std::vector<std::uint8_t>;
using Function = TFakeControlApi::Function;
using Variable = TFakeControlApi::Variable;

namespace {

constexpr auto None = ScriptControlApi::TxNone;
constexpr auto Num = ScriptControlApi::TxNumber;
constexpr auto Str = ScriptControlApi::TxString;

TEST(ScriptRegistration, TheHostFunctionsAndConstantsAsTheControlReceivesThem) {
    TFakeControlApi control;
    RegisterScriptFunctions(control);
    // keyword, ParamCount, Ordinal, result type, MinParams, in the byte order of the keywords.
    EXPECT_THAT(control.Functions,
                ElementsAre(Function{"Bye", 0, 1, None, 0}, Function{"Close", 1, 3, Num, 0},
                            Function{"Cls", 0, 2, None, 0}, Function{"ConcatFile", 2, 4, Str, 2},
                            Function{"Copy", 2, 5, Num, 2}, Function{"Delete", 2, 6, Num, 1},
                            Function{"DiffSearchResult", 1, 7, Num, 0}, Function{"GetFileLength", 1, 10, Num, 0},
                            Function{"GetFileName", 1, 9, Str, 0}, Function{"GetNumber", 2, 11, Num, 1},
                            Function{"GetPosition", 1, 8, Num, 0}, Function{"GetString", 2, 12, Str, 1},
                            Function{"GetTimeStamp", 2, 13, Num, 2}, Function{"HideChannel", 1, 14, Num, 1},
                            Function{"InputBox", 3, 15, Str, 3}, Function{"Insert", 2, 16, Num, 1},
                            Function{"Jump", 2, 17, Num, 1}, Function{"JumpRel", 2, 18, Num, 1},
                            Function{"LoadSearchResult", 2, 19, Num, 1}, Function{"MatchSearchResult", 1, 20, Num, 0},
                            Function{"MergeSearchResult", 1, 21, Num, 0}, Function{"MsgBox", 3, 22, Num, 3},
                            Function{"NotePad", 1, 23, None, 1}, Function{"OpenForEdit", 2, 24, Num, 1},
                            Function{"PickFile", 0, 25, Str, 0}, Function{"ResizeFile", 2, 26, Num, 1},
                            Function{"SaveAs", 2, 28, Num, 1}, Function{"SaveChanges", 1, 27, Num, 0},
                            Function{"SaveSearchResult", 2, 29, Num, 1}, Function{"SearchCount", 1, 30, Num, 0},
                            Function{"SearchFirst", 3, 31, Num, 2}, Function{"SearchNext", 1, 32, Num, 0},
                            Function{"SetSearchOption", 3, 34, Num, 2}, Function{"SetTimeStamp", 3, 35, Num, 3},
                            Function{"SetValue", 3, 36, Num, 2}, Function{"ShowChannel", 1, 33, Num, 1},
                            Function{"SplitFile", 2, 37, Num, 2}));
    EXPECT_THAT(control.Variables,
                ElementsAre(Variable{"TYPE_BYTE", Num, true}, Variable{"TYPE_SHORT", Num, true},
                            Variable{"TYPE_USHORT", Num, true}, Variable{"TYPE_LONG", Num, true},
                            Variable{"TYPE_ULONG", Num, true}, Variable{"TYPE_FLOAT", Num, true},
                            Variable{"TYPE_DOUBLE", Num, true}, Variable{"TYPE_INT64", Num, true},
                            Variable{"TYPE_STRING", Num, true}, Variable{"TYPE_WIDESTRING", Num, true},
                            Variable{"TS_CREATE", Num, true}, Variable{"TS_LASTACCESS", Num, true},
                            Variable{"TS_MODIFY", Num, true}));

    std::set<int> ordinals;
    for (const Function& function : control.Functions) ordinals.insert(function.Ordinal);
    EXPECT_EQ(ordinals.size(), 37u);
    EXPECT_EQ(*ordinals.begin(), 1);
    EXPECT_EQ(*ordinals.rbegin(), 37);

    // The constants are 0 until a run starts, and get their values at every start.
    for (const auto& [name, value] : control.Values) EXPECT_EQ(value, 0) << name;
    SetScriptConstants(control);
    control.Values["TS_MODIFY"] = 0;
    SetScriptConstants(control);
    EXPECT_EQ(control.Values, (std::map<std::string, double>{
                                  {"TYPE_STRING", 0}, {"TYPE_BYTE", 1}, {"TYPE_SHORT", 2}, {"TYPE_LONG", 3},
                                  {"TYPE_INT64", 4}, {"TYPE_FLOAT", 5}, {"TYPE_DOUBLE", 6}, {"TYPE_USHORT", 7},
                                  {"TYPE_ULONG", 8}, {"TYPE_WIDESTRING", 9}, {"TS_CREATE", 1},
                                  {"TS_LASTACCESS", 2}, {"TS_MODIFY", 3}}));
}

class HostFunctions : public ScriptFunctionsFixture {};

// The control keeps the last result between calls, so a function that set
// none would hand the script the previous call's value.
TEST_F(HostFunctions, EveryFunctionSetsItsResultOnItsFailurePaths) {
    const std::string nowhere = folder.Path("data/nowhere");
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{}, {"", "", "10"}, {nowhere, nowhere, "-1"}}) {
        for (const TScriptFunction& function : ScriptFunctions) {
            Call(function.Keyword, arguments);
            if (function.ReturnType == ScriptControlApi::TxNumber) {
                EXPECT_TRUE(control.NumberResult.has_value()) << function.Keyword;
            } else if (function.ReturnType == ScriptControlApi::TxString) {
                EXPECT_TRUE(control.TextResult.has_value()) << function.Keyword;
            }
        }
    }
    // One round of messages after every call; Bye adds its own before it quits.
    EXPECT_EQ(pumps, 3 * 37 + 3);
    EXPECT_EQ(quits, 3);
    EXPECT_EQ(clears, 3);
}

TEST_F(HostFunctions, AnUnknownOrdinalOnlyLetsMessagesThrough) {
    for (const int ordinal : {0, 38, -1, 255}) {
        control.StartCall({"1"});
        functions->UserFunction(ordinal, 1);
        EXPECT_FALSE(control.NumberResult.has_value());
        EXPECT_FALSE(control.TextResult.has_value());
    }
    EXPECT_EQ(pumps, 4);
    EXPECT_EQ(control.Terminations, 0);
}

TEST_F(HostFunctions, TheChannelArgumentSelectsAnOpenChannel) {
    TFrmHexEdit& zero = OpenChannel(0, "zero.dat", THexTestFolder::Pattern(100));
    TFrmHexEdit& nine = OpenChannel(9, "nine.dat", THexTestFolder::Pattern(10));
    zero.SetPosition(4);
    struct Case {
        std::vector<std::string> channel;  // the argument as given, or none
        TFrmHexEdit* window;               // the channel it selects, nullptr for none
    };
    const std::vector<Case> cases = {
        {{}, &zero},        {{"-5"}, &zero}, {{"0"}, &zero},      {{"0.9"}, &zero},     {{"abc"}, &zero},
        {{"9.9"}, &nine},   {{"10"}, nullptr}, {{"3"}, nullptr},  {{"1e10"}, nullptr},  {{"-1e10"}, &zero},
    };
    for (const Case& c : cases) {
        const std::string shown = c.channel.empty() ? "<none>" : c.channel[0];
        EXPECT_EQ(Number("GetPosition", c.channel), c.window ? c.window->Position() + 1 : 0) << shown;
        EXPECT_EQ(Text("GetFileName", c.channel), c.window ? c.window->DataPath() : "") << shown;
        EXPECT_EQ(Number("GetFileLength", c.channel), c.window ? c.window->FileSize() : 0) << shown;
        std::vector<std::string> search = {"zzz", "0"};
        search.insert(search.end(), c.channel.begin(), c.channel.end());
        EXPECT_EQ(Number("SearchFirst", search), -1) << shown;
        // Any other function of a channel that is not usable gives 0.
        EXPECT_EQ(Number("SearchNext", c.channel), c.window ? -1 : 0) << shown;
    }
}

TEST_F(HostFunctions, JumpsCountFromOneAndAreClampedIntoTheFile) {
    TFrmHexEdit& window = OpenChannel(0, "a.dat", THexTestFolder::Pattern(100));
    struct Case {
        const char* function;
        const char* argument;
        std::int32_t position;  // 0-based afterwards
        double result;
    };
    const Case cases[] = {
        {"Jump", "1", 0, 0},        {"Jump", "2", 1, 1},        {"Jump", "50.9", 49, 1},   {"Jump", "1e6", 99, 1},
        {"Jump", "1e12", 99, 1},    {"Jump", "-5", 0, 0},       {"Jump", "abc", 0, 0},     {"Jump", "10", 9, 1},
        {"JumpRel", "10", 19, 1},   {"JumpRel", "-0.5", 18, 1}, {"JumpRel", "-19", 0, 0},  {"JumpRel", "150", 99, 1},
        {"JumpRel", "-1e9", 0, 0},  {"JumpRel", "5e12", 99, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Number(c.function, {c.argument}), c.result) << c.function << "(" << c.argument << ")";
        EXPECT_EQ(window.Position(), c.position) << c.function << "(" << c.argument << ")";
        EXPECT_EQ(Number("GetPosition"), c.position + 1);
    }
}

TEST_F(HostFunctions, InsertDeleteAndResizeReportWhatTheyDid) {
    const Bytes original = THexTestFolder::Pattern(100);
    TFrmHexEdit& window = OpenChannel(0, "a.dat", original);
    window.SetPosition(10);
    struct Case {
        const char* function;
        const char* argument;
        double result;
        std::int32_t size;  // afterwards
    };
    const Case cases[] = {
        {"Insert", "0", 0, 100},       {"Insert", "-3", 0, 100},        {"Insert", "3e9", 0, 100},
        {"Insert", "4.7", 1, 104},     {"Delete", "0", 0, 104},          {"Delete", "0.5", 0, 104},
        {"Delete", "4", 1, 100},       {"ResizeFile", "0", 0, 100},      {"ResizeFile", "0.5", 0, 100},
        {"ResizeFile", "2147483648", 0, 100}, {"ResizeFile", "-1", 0, 100}, {"ResizeFile", "150", 150, 150},
        {"ResizeFile", "100", 100, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Number(c.function, {c.argument}), c.result) << c.function << "(" << c.argument << ")";
        EXPECT_EQ(window.FileSize(), c.size) << c.function << "(" << c.argument << ")";
    }
    EXPECT_EQ(WindowBytes(window), original);

    // Deleting every byte works and still reports 0; inserting into the empty file works.
    window.SetPosition(0);
    EXPECT_EQ(Number("Delete", {"1000"}), 0);
    EXPECT_EQ(window.FileSize(), 0);
    EXPECT_EQ(Number("Insert", {"2"}), 1);
    EXPECT_EQ(WindowBytes(window), (Bytes{0, 0}));
    EXPECT_THAT(user.calls(), IsEmpty());
}

TEST_F(HostFunctions, SetValueWritesInTheWindowsByteOrderOnlyWhatFits) {
    TFrmHexEdit& window = OpenChannel(0, "v.dat", Bytes(16, 0xAA));
    struct Case {
        const char* type;
        const char* text;
        bool littleEndian;
        double result;
        Bytes written;  // at position 4; nothing when refused
    };
    const Case cases[] = {
        {"1", "256", true, 0, {}},
        {"1", "255", true, 1, {0xFF}},
        {"1", "-0.5", true, 0, {}},
        {"2", "-1", true, 1, {0xFF, 0xFF}},
        {"7", "258", true, 1, {0x02, 0x01}},
        {"7", "258", false, 1, {0x01, 0x02}},
        {"7", "65536", true, 0, {}},
        {"3", "1", false, 1, {0, 0, 0, 1}},
        {"3", "1", true, 1, {1, 0, 0, 0}},
        {"3", "abc", true, 0, {}},
        {"3", "1,5", true, 0, {}},
        {"3", "2147483648", true, 0, {}},
        {"3", " -2147483648 ", true, 1, {0, 0, 0, 0x80}},
        {"8", "4294967295", true, 1, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"4", "-2", false, 1, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}},
        {"4", "9223372036854775807", true, 1, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
        {"4", "9223372036854775808", true, 0, {}},
        {"5", "-1.5", true, 1, {0x00, 0x00, 0xC0, 0xBF}},
        {"5", "-1.5", false, 1, {0x00, 0x00, 0xC0, 0xBF}},
        {"5", "1e39", true, 0, {}},
        {"5.5", "2", true, 1, {0x00, 0x00, 0x00, 0x40}},
        {"6", "0", true, 1, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"6", "1e400", true, 0, {}},
        {"0", "", true, 0, {}},
        {"0", "Hi", true, 1, {'H', 'i'}},
        {"9", "H\xE9", true, 1, {'H', 0, 0xE9, 0}},
        {"0.5", "abc", true, 0, {}},
        {"0.5", "12", true, 1, {'1', '2'}},
        {"99", "1", true, 0, {}},
        {"-1", "1", true, 0, {}},
    };
    for (const Case& c : cases) {
        window.WriteBytes(0, Bytes(16, 0xAA).data(), 16);
        window.Views->SetByteOrder(c.littleEndian);
        window.SetPosition(4);
        EXPECT_EQ(Number("SetValue", {c.type, c.text}), c.result) << c.type << " " << c.text;
        Bytes expected(16, 0xAA);
        std::copy(c.written.begin(), c.written.end(), expected.begin() + 4);
        EXPECT_EQ(WindowBytes(window), expected) << c.type << " " << c.text;
    }

    // A number must fit before the end of the file; a string is cut there.
    window.WriteBytes(0, Bytes(16, 0xAA).data(), 16);
    window.Views->SetByteOrder(true);
    window.SetPosition(14);
    EXPECT_EQ(Number("SetValue", {"3", "1"}), 0);
    EXPECT_EQ(Number("SetValue", {"2", "1"}), 1);
    EXPECT_EQ(Number("SetValue", {"0", "xyz"}), 1);
    Bytes expected(16, 0xAA);
    expected[14] = 'x';
    expected[15] = 'y';
    EXPECT_EQ(WindowBytes(window), expected);
    window.SetPosition(0);
    Number("Delete", {"16"});
    EXPECT_EQ(Number("SetValue", {"1", "1"}), 0);
    EXPECT_EQ(Number("SetValue", {"0", "x"}), 0);
}

TEST_F(HostFunctions, GetNumberReadsBackWhatSetValueWrote) {
    TFrmHexEdit& window = OpenChannel(0, "n.dat", Bytes(16, 0));
    struct Case {
        int type;
        const char* text;
        double value;
    };
    const Case cases[] = {
        {TYPE_BYTE, "200", 200},          {TYPE_SHORT, "-1234", -1234},       {TYPE_USHORT, "65000", 65000},
        {TYPE_LONG, "-70000", -70000},    {TYPE_ULONG, "4000000000", 4e9},    {TYPE_FLOAT, "-1.5", -1.5},
        {TYPE_DOUBLE, "0.1", 0.1},
    };
    for (const bool littleEndian : {true, false}) {
        window.Views->SetByteOrder(littleEndian);
        for (const Case& c : cases) {
            window.SetPosition(3);
            ASSERT_EQ(Number("SetValue", {std::to_string(c.type), c.text}), 1) << c.text;
            EXPECT_EQ(Number("GetNumber", {std::to_string(c.type)}), c.value) << c.text << " " << littleEndian;
        }
    }
    // The 64-bit and string codes read nothing; a code counts as 8 bits.
    Number("SetValue", {"1", "7"});
    for (const char* type : {"4", "0", "9", "99", "-1"}) EXPECT_EQ(Number("GetNumber", {type}), 0) << type;
    EXPECT_EQ(Number("GetNumber", {"257"}), 7);
}

TEST_F(HostFunctions, GetStringReadsTheBytesUpToAZeroByte) {
    const std::string content("Hello\0World", 11);
    TFrmHexEdit& window = OpenChannel(0, "s.dat", Bytes(content.begin(), content.end()));
    EXPECT_EQ(Text("GetString", {"5"}), "Hello");
    EXPECT_EQ(Text("GetString", {"3"}), "Hel");
    EXPECT_EQ(Text("GetString", {"100"}), "Hello");
    EXPECT_EQ(Text("GetString", {"1e10"}), "Hello");
    EXPECT_EQ(Text("GetString", {"0"}), "");
    EXPECT_EQ(Text("GetString", {"-3"}), "");
    window.SetPosition(6);
    EXPECT_EQ(Text("GetString", {"100", "-1"}), "World");
    EXPECT_EQ(Text("GetString", {"100", "1"}), "");
}

TEST_F(HostFunctions, SearchFirstAndNextStepThroughTheHits) {
    Bytes bytes(1000, '.');
    for (const std::size_t at : {10, 20, 30}) std::copy_n("Key", 3, bytes.begin() + static_cast<std::ptrdiff_t>(at));
    bytes[500] = 0x34;
    bytes[501] = 0x12;
    TFrmHexEdit& window = OpenChannel(0, "k.dat", bytes);

    // From the script window: the hit count, and stepping starts at the first hit.
    GlobalInfo().ScriptRunning = 1;
    EXPECT_EQ(Number("SearchFirst", {"Key", "0"}), 3);
    EXPECT_EQ(Number("SearchCount"), 3);
    EXPECT_EQ(Number("SearchNext"), 11);
    EXPECT_EQ(Number("SearchNext", {"0"}), 21);
    EXPECT_EQ(Number("SearchNext"), 31);
    EXPECT_EQ(Number("SearchNext"), -1);
    EXPECT_EQ(window.Position(), 30);
    EXPECT_EQ(Number("SearchFirst", {"4660", "7"}), 1);
    EXPECT_EQ(Number("SearchNext"), 501);

    // From the command line: the position of the first hit, and the window is there.
    GlobalInfo().ScriptRunning = 0;
    EXPECT_EQ(Number("SearchFirst", {"Key", "0"}), 11);
    EXPECT_EQ(window.Position(), 10);
    EXPECT_EQ(Number("SearchFirst", {"nothing", "0"}), -1);
    EXPECT_EQ(Number("SearchCount"), 0);

    // Refused entries give the result only; no message stops the script.
    EXPECT_EQ(Number("SearchFirst", {"", "0"}), -1);
    EXPECT_EQ(Number("SearchFirst", {"300", "1"}), -1);
    GlobalInfo().ScriptRunning = 1;
    EXPECT_EQ(Number("SearchFirst", {"70000", "2"}), 0);
    EXPECT_THAT(user.calls(), IsEmpty());
}

// With the window's hex entry on, a script's search value is hex read as the
// page reads it: each group a number written from the left, "0x" dropped.
TEST_F(HostFunctions, SearchFirstReadsAHexValueAsAGroupWrittenFromTheLeft) {
    Bytes bytes(100, '.');
    bytes[40] = 0x0F;
    bytes[41] = 0x1F;
    bytes[60] = 0xFF;
    bytes[61] = 0x01;
    TFrmHexEdit& window = OpenChannel(0, "h.dat", bytes);
    window.SearchPages->Session().Entries.HexEntry = true;
    GlobalInfo().ScriptRunning = 0;
    EXPECT_EQ(Number("SearchFirst", {"1FF", "7"}), 61) << "FF 01, not 0F 1F";
    EXPECT_EQ(Number("SearchFirst", {"0x1F", "1"}), 42);
    EXPECT_EQ(Number("SearchFirst", {"001F", "1"}), 42);
}

TEST_F(HostFunctions, TheTypeCodeSelectsASearchTypeByItsLowEightBits) {
    struct Case {
        std::int32_t code;
        std::optional<int> item;
    };
    const Case cases[] = {
        {0, stString}, {1, stByte},  {2, stWord},  {7, stWord},  {3, stDWord},   {8, stDWord},
        {4, stQWord},  {9, stQWord}, {127, stQWord}, {5, std::nullopt}, {6, std::nullopt},
        {128, -1},     {255, -1},    {-1, -1},     {256, stString}, {258, stWord},
    };
    for (const Case& c : cases) EXPECT_EQ(SearchTypeItem(c.code), c.item) << c.code;

    TFrmHexEdit& window = OpenChannel(0, "t.dat", Bytes(10, 0));
    TSearchSession& session = window.SearchPages->Session();
    Number("SearchFirst", {"1", "2"});
    EXPECT_EQ(session.Entries.SearchType, stWord);
    Number("SearchFirst", {"1", "5"});
    EXPECT_EQ(session.Entries.SearchType, stWord);
    EXPECT_EQ(session.Entries.Value, "1");
    Number("SearchFirst", {"1", "200"});
    EXPECT_EQ(session.Entries.SearchType, -1);
}

TEST_F(HostFunctions, SearchOptionsReachTheWindowsSearch) {
    TFrmHexEdit& window = OpenChannel(0, "o.dat", Bytes(10, 0));
    TSearchSession& session = window.SearchPages->Session();
    EXPECT_EQ(Number("SetSearchOption", {"case", "0"}), 1);
    EXPECT_FALSE(session.Entries.CaseSensitive);
    EXPECT_EQ(Number("SetSearchOption", {" MAXRESULTS ", "2.000000000000000000"}), 1);
    EXPECT_EQ(session.Entries.NumResults, "2");
    EXPECT_EQ(Number("SetSearchOption", {"FOO", "1"}), 0);
    EXPECT_EQ(Number("SetSearchOption", {"CASE", "1", "4"}), 0);
}

TEST_F(HostFunctions, ResultListOperationsAndResultFiles) {
    TFrmHexEdit& window = OpenChannel(0, "r.dat", Bytes(10, 0));
    TResultLists& lists = window.SearchPages->Session().Lists;
    const auto rows = [](std::initializer_list<std::int32_t> hits) {
        std::vector<TResultEntry> entries;
        for (const std::int32_t hit : hits) entries.push_back({std::to_string(hit), hit - 1});
        return entries;
    };
    struct Case {
        const char* function;
        std::initializer_list<std::int32_t> current;
        std::initializer_list<std::int32_t> previous;
        double result;
        int count;
    };
    const Case cases[] = {
        {"MatchSearchResult", {1, 3, 5, 7}, {3, 4, 7}, 1, 2},
        {"MatchSearchResult", {1, 2}, {3, 4}, 0, 0},
        {"DiffSearchResult", {1, 3, 5}, {1, 3, 5}, 0, 0},
        {"DiffSearchResult", {1, 3, 5}, {3, 4}, 1, 3},
        {"MergeSearchResult", {1, 5}, {3, 5}, 1, 3},
        {"MergeSearchResult", {}, {}, 0, 0},
    };
    for (const Case& c : cases) {
        lists.Current.Rows = rows(c.current);
        lists.Previous.Rows = rows(c.previous);
        EXPECT_EQ(Number(c.function), c.result) << c.function;
        EXPECT_EQ(Number("SearchCount"), c.count) << c.function;
    }

    const std::string file = folder.Path("data/hits.srt");
    lists.Current.Rows = rows({2, 9});
    lists.Previous.Rows.clear();
    EXPECT_EQ(Number("SaveSearchResult", {file}), 1);
    EXPECT_EQ(Number("LoadSearchResult", {file}), 1);
    EXPECT_EQ(lists.Previous.Hits(), rows({2, 9}));
    EXPECT_EQ(Number("LoadSearchResult", {folder.Path("data/missing.srt")}), 0);
    lists.Current.Rows.clear();
    EXPECT_EQ(Number("SaveSearchResult", {folder.Path("data/empty.srt")}), 0);
    EXPECT_FALSE(platform::FileExists(folder.Path("data/empty.srt")));
}

TEST_F(HostFunctions, SavesReportWhetherTheFileWasWritten) {
    TFrmHexEdit& window = OpenChannel(0, "save.dat", Bytes(8, 1));
    const std::string original = window.DataPath();
    Number("SetValue", {"1", "9"});
    EXPECT_EQ(Number("SaveChanges"), 1);
    EXPECT_EQ(THexTestFolder::ReadFile(original), (Bytes{9, 1, 1, 1, 1, 1, 1, 1}));

    const std::string copy = folder.Path("data/copy.dat");
    Number("SetValue", {"1", "5"});
    EXPECT_EQ(Number("SaveAs", {copy}), 1);
    EXPECT_EQ(control.TextResult, copy);
    EXPECT_EQ(Text("GetFileName"), copy);
    EXPECT_EQ(THexTestFolder::ReadFile(copy)[0], 5);
    EXPECT_EQ(THexTestFolder::ReadFile(original)[0], 9);

    // A blank name is refused and the channel keeps its file.
    EXPECT_EQ(Number("SaveAs", {"  "}), 0);
    EXPECT_EQ(control.TextResult, copy);
    EXPECT_EQ(Number("SaveAs", {copy, "5"}), 0);
    EXPECT_EQ(control.TextResult, "");

    // A file that cannot be written any more: the save fails and says so.
    std::filesystem::remove(copy);
    std::filesystem::create_directory(copy);
    EXPECT_EQ(Number("SaveChanges"), 0);
    EXPECT_THAT(user.calls(), IsEmpty());
}

// A script cannot be asked: over a data file another program wrote since
// it was opened, SaveChanges and SaveAs to its name give 0 and the file
// keeps that program's bytes.
TEST_F(HostFunctions, ASaveOverAFileChangedOnDiskFails) {
    TFrmHexEdit& window = OpenChannel(0, "save.dat", Bytes(8, 1));
    const std::string path = window.DataPath();
    Number("SetValue", {"1", "9"});
    std::ofstream(path, std::ios::app | std::ios::binary) << "theirs";
    const Bytes theirs = THexTestFolder::ReadFile(path);

    EXPECT_EQ(Number("SaveChanges"), 0);
    EXPECT_EQ(Number("SaveAs", {path}), 0);
    EXPECT_EQ(THexTestFolder::ReadFile(path), theirs);
    EXPECT_TRUE(window.Modified());
    EXPECT_THAT(user.calls(), IsEmpty());
}

TEST_F(HostFunctions, OpenCloseHideAndShowChannels) {
    const std::string a = folder.MakeFile("a.dat", Bytes(5, 1));
    const std::string b = folder.MakeFile("b.dat", Bytes(7, 2));
    EXPECT_EQ(Number("OpenForEdit", {a, "3"}), 1);
    EXPECT_EQ(Text("GetFileName", {"3"}), a);
    EXPECT_EQ(Number("OpenForEdit", {folder.Path("data/missing.dat"), "3"}), 0);
    EXPECT_EQ(Text("GetFileName", {"3"}), a);
    EXPECT_EQ(Number("OpenForEdit", {b, "10"}), 0);
    EXPECT_EQ(Number("OpenForEdit", {b, "-2"}), 1);
    EXPECT_EQ(Text("GetFileName"), b);
    EXPECT_EQ(Number("OpenForEdit", {b, "1e10"}), 0);

    TFrmHexEdit* window = main->ChannelWindow(3);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Number("HideChannel", {"3"}), 1);
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(Number("ShowChannel", {"3"}), 1);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Number("HideChannel", {"4"}), 0);
    EXPECT_EQ(Number("ShowChannel", {"4"}), 0);

    // While a script of the script window runs, a modified channel closes without a question.
    GlobalInfo().ScriptRunning = 1;
    Number("SetValue", {"1", "9", "3"});
    EXPECT_EQ(Number("Close", {"3"}), 1);
    EXPECT_FALSE(main->IsChannelOpen(3));
    EXPECT_EQ(Number("Close", {"3"}), 0);
    EXPECT_THAT(user.calls(), IsEmpty());
    EXPECT_EQ(THexTestFolder::ReadFile(a), Bytes(5, 1));
}

// Otherwise the channel offers its changes for saving; a save that fails
// keeps the channel open, and the script learns that it did not close.
TEST_F(HostFunctions, ACloseThatTheWindowRefusedIsNoSuccess) {
    TFrmHexEdit& window = OpenChannel(0, "c.dat", Bytes(4, 0));
    const std::string path = window.DataPath();
    Number("SetValue", {"1", "9"});
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    user.Answer(platform::MsgAnswer::Yes);
    EXPECT_EQ(Number("Close"), 0);
    EXPECT_TRUE(main->IsChannelOpen(0));
    ASSERT_GE(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].caption, "Save Changes?");

    user.Answer(platform::MsgAnswer::No);
    EXPECT_EQ(Number("Close"), 1);
    EXPECT_FALSE(main->IsChannelOpen(0));
}

TEST_F(HostFunctions, PickFileAsksForAnExistingFileInTheProgramFolder) {
    user.Type("/some/file.dat");
    EXPECT_EQ(Text("PickFile"), "/some/file.dat");
    user.Cancel();
    EXPECT_EQ(Text("PickFile"), "");
    ASSERT_EQ(user.calls().size(), 2u);
    EXPECT_EQ(user.calls()[0].kind, platform::DialogResponder::Kind::Open);
    EXPECT_EQ(user.calls()[0].text, "Select a file to open");
}

TEST_F(HostFunctions, ByeStopsTheScriptAndQuitsWithoutTheClosingSequence) {
    OpenChannel(0, "b.dat", Bytes(4, 0));
    Number("SetValue", {"1", "9"});
    pumps = 0;
    Call("Bye");
    EXPECT_EQ(control.Terminations, 1);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(pumps, 2);
    EXPECT_FALSE(control.NumberResult.has_value());
    // No channel was offered for saving and no setting was written.
    EXPECT_THAT(user.calls(), IsEmpty());
    EXPECT_THAT(folder.Entries("registry"), IsEmpty());
}

TEST_F(HostFunctions, ClsEmptiesTheOutputWindowWhenItIsOpen) {
    TQormFunctions program(control, *main);
    control.StartCall({});
    program.UserFunction(OrdinalOf("Cls"), 0);

    auto* output = new TFrmScriptOut(main.get());
    FrmScriptOut = output;
    output->AddLine("printed", true);
    program.UserFunction(OrdinalOf("Cls"), 0);
    EXPECT_TRUE(output->rtfOutput->toPlainText().isEmpty());
    FrmScriptOut = nullptr;
}

// The program's quit waits for the message loop when none runs yet, as for
// a script started from the command line, and then ends it.
TEST(ScriptHostHooks, TheProgramsQuitEndsTheMessageLoopOnceItRuns) {
    ProgramScriptHostHooks().QuitApplication();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
    EXPECT_EQ(loop.exec(), 0);
}

}  // namespace
