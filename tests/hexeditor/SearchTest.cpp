// The set-up of a search (texts to pattern bytes, refusals) and the block
// scan over files held in memory and on disk.
#include "Search.h"
#include "SearchTestSupport.h"

#include "Binaryfilefunctions.h"
#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace {

constexpr std::int32_t B = TBlockScanner::BlockSize;

TEST(hex_search_texts, NormalizeDecimalKeepsDigitsAndOneLeadingSign)
{
    const struct { const char* text; const char* expected; } cases[] = {
        {"x-12 34", "-1234"}, {"5-3", "53"}, {"--1", "-1"}, {"+7", "+7"}, {"abc", ""}, {"1.5", "15"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeDecimalText(c.text), c.expected) << c.text;
}

// Each group of digits is a number written from the left.
TEST(hex_search_texts, NormalizeHexRegroupsToWholeBytes)
{
    const struct { const char* text; const char* expected; } cases[] = {
        {"A BC D", "0ABC0D"},
        {"1 2", "0102"},
        {"ABC", "0ABC"},
        {"1FF", "01FF"},
        {"12345", "012345"},
        {"0x1F", "1F"},
        {"0X1f", "1F"},
        {"0x1FF", "01FF"},
        {"0x1 0x2", "0102"},
        {"0xAB-0xC", "AB0C"},
        {"001F", "001F"},
        {"00x1F", "001F"},  // not a "0x" in front: the x alone is dropped
        {"x1F", "1F"},
        {"0x", ""},
        {"zz", ""},
        {"ff", "FF"},
        {"de-ad be ef", "DEADBEEF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeHexText(c.text), c.expected) << c.text;
}

TEST(hex_search_texts, LeadingInt32WrapsAsCountsDo)
{
    EXPECT_EQ(ReadLeadingInt32("4294967291"), -5);
    EXPECT_EQ(ReadLeadingInt32("  -12abc"), -12);
    EXPECT_EQ(ReadLeadingInt32("+3"), 3);
    EXPECT_EQ(ReadLeadingInt32("none"), 0);
}

TEST(hex_search_pattern, NumbersAndStringsBecomeTheirBytes)
{
    const struct {
        int type;
        bool hex;
        bool little;
        const char* text;
        std::optional<std::string> bytes;
    } cases[] = {
        {stString, false, true, "abc", std::string("abc")},
        {7, false, true, "abc", std::string("abc")},  // an unknown type searches the text's bytes
        {stByte, false, true, "65", Bytes({0x41})},
        {stByte, false, true, "255", Bytes({0xFF})},
        {stByte, false, true, "300", std::nullopt},
        {stByte, false, true, "-1", std::nullopt},
        {stByte, false, true, "4294967296", std::nullopt},  // not wrapped to 0
        {stByte, true, true, "1F", Bytes({0x1F})},
        {stByte, true, true, "0x1F", Bytes({0x1F})},
        {stByte, true, true, "001F", Bytes({0x1F})},  // zeros in front do not count against the width
        {stByte, true, true, "F", Bytes({0x0F})},
        {stByte, true, true, "1FF", std::nullopt},
        {stByte, true, true, "100", std::nullopt},
        {stByte, true, true, "zz", std::nullopt},
        {stWord, false, true, "4660", Bytes({0x34, 0x12})},
        {stWord, false, false, "4660", Bytes({0x12, 0x34})},
        {stWord, true, false, "1234", Bytes({0x12, 0x34})},
        {stWord, true, true, "1FF", Bytes({0xFF, 0x01})},
        {stWord, true, false, "ABC", Bytes({0x0A, 0xBC})},
        {stWord, true, true, "0x00001FF", Bytes({0xFF, 0x01})},
        {stWord, false, true, "65536", std::nullopt},
        {stDWord, true, true, "1 2", Bytes({0x02, 0x01, 0x00, 0x00})},
        {stDWord, false, true, "-1", Bytes({0xFF, 0xFF, 0xFF, 0xFF})},
        {stDWord, false, false, "16909060", Bytes({0x01, 0x02, 0x03, 0x04})},
        {stDWord, false, true, "4294967296", std::nullopt},
        {stDWord, false, true, "99999999999", std::nullopt},
        {stDWord, true, true, "123456789", std::nullopt},
        {stQWord, true, true, "FF", Bytes({0xFF, 0, 0, 0, 0, 0, 0, 0})},
        {stQWord, true, true, "0x123", Bytes({0x23, 0x01, 0, 0, 0, 0, 0, 0})},
        {stQWord, true, false, "FF", Bytes({0, 0, 0, 0, 0, 0, 0, 0xFF})},
        {stQWord, true, true, "11 2233445566778899", Bytes({0x99, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22})},
        {stQWord, false, true, "-2", Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {stQWord, false, true, "x-12 34", Bytes({0x2E, 0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {stQWord, false, true, "99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildSearchPattern(c.type, c.hex, c.little, c.text), c.bytes)
            << "type " << c.type << " hex " << c.hex << " little " << c.little << " text " << c.text;
    }
}

TEST(hex_search_prepare, AcceptedEntriesFillTheRecord)
{
    SEARCHINFO_TAG info;
    TSearchPageEntries entries;
    entries.Value = "4660";
    entries.SearchType = stWord;
    entries.StartAtBeginning = false;
    entries.CaseSensitive = false;
    entries.NumResults = "25";
    ASSERT_EQ(PrepareSearch(entries, 77, true, info), TPrepareResult::Accepted);
    EXPECT_FALSE(info.Stop);
    EXPECT_EQ(info.StartPosition, 77);
    EXPECT_FALSE(info.CaseSensitive);
    EXPECT_EQ(info.ResultLimit, 25);
    EXPECT_EQ(info.SearchType, stWord);
    EXPECT_EQ(info.Pattern, Bytes({0x34, 0x12}));
    EXPECT_EQ(info.PatternLength, 2);

    entries.NumResults = "4294967291";  // -5 after wrapping: no limit
    entries.StartAtBeginning = true;
    ASSERT_EQ(PrepareSearch(entries, 77, true, info), TPrepareResult::Accepted);
    EXPECT_EQ(info.ResultLimit, 0);
    EXPECT_EQ(info.StartPosition, 0);
}

TEST(hex_search_prepare, RefusedEntriesSetTheStopFlagAndKeepTheRecord)
{
    SEARCHINFO_TAG info;
    TSearchPageEntries entries;
    entries.Value = "abc";
    ASSERT_EQ(PrepareSearch(entries, 0, true, info), TPrepareResult::Accepted);

    entries.Value = "300";
    entries.SearchType = stByte;
    entries.NumResults = "9";
    EXPECT_EQ(PrepareSearch(entries, 5, true, info), TPrepareResult::OutOfRange);
    EXPECT_TRUE(info.Stop);
    EXPECT_EQ(info.SearchType, stString);
    EXPECT_EQ(info.Pattern, "abc");
    EXPECT_EQ(info.PatternLength, 3);
    EXPECT_EQ(info.ResultLimit, 0);

    entries.Value.clear();
    EXPECT_EQ(PrepareSearch(entries, 0, true, info), TPrepareResult::NoValue);
    EXPECT_TRUE(info.Stop);
}

// A number entry without digits where the number is read is refused, not
// searched for as 0.
TEST(hex_search_prepare, EntriesWithoutDigitsAreNotNumbers)
{
    struct Case {
        int type;
        bool hex;
        const char* text;
        TPrepareResult result;
    };
    const Case cases[] = {
        {stDWord, false, "DEADBEEF", TPrepareResult::NotANumber},
        {stDWord, false, "x12", TPrepareResult::NotANumber},
        {stByte, false, "-", TPrepareResult::NotANumber},
        {stWord, false, " +", TPrepareResult::NotANumber},
        {stQWord, false, "abc", TPrepareResult::NotANumber},
        {stDWord, true, "xyz", TPrepareResult::NotANumber},
        {stByte, true, "0x", TPrepareResult::NotANumber},
        {stDWord, false, " -12", TPrepareResult::Accepted},
        {stDWord, false, "0", TPrepareResult::Accepted},
        {stQWord, false, "x-12 34", TPrepareResult::Accepted},
        {stDWord, true, "DEADBEEF", TPrepareResult::Accepted},
        {stByte, true, "00", TPrepareResult::Accepted},
        {stString, false, "DEADBEEF", TPrepareResult::Accepted},
        {stByte, false, "300", TPrepareResult::OutOfRange},
    };
    for (const Case& c : cases) {
        SEARCHINFO_TAG info;
        TSearchPageEntries entries;
        entries.Value = c.text;
        entries.SearchType = c.type;
        entries.HexEntry = c.hex;
        EXPECT_EQ(PrepareSearch(entries, 0, true, info), c.result) << c.type << " " << c.hex << " \"" << c.text << '"';
        EXPECT_EQ(info.Stop, c.result != TPrepareResult::Accepted) << c.text;
    }
}

TEST(hex_search_prepare, RefusalsAreTold)
{
    platform::DialogResponder user;
    TSearchPageEntries entries;
    ShowPrepareRefusal(TPrepareResult::NoValue, entries);
    ShowPrepareRefusal(TPrepareResult::OutOfRange, entries);
    ShowPrepareRefusal(TPrepareResult::Accepted, entries);
    entries.Value = "DEADBEEF";
    ShowPrepareRefusal(TPrepareResult::NotANumber, entries);
    entries.Value = "xyz";
    entries.HexEntry = true;
    ShowPrepareRefusal(TPrepareResult::NotANumber, entries);
    ASSERT_EQ(user.calls().size(), 4u);
    EXPECT_EQ(user.calls()[0].text, "Search Value Required!");
    EXPECT_EQ(user.calls()[0].caption, "No Search Value Entered");
    EXPECT_EQ(user.calls()[1].text, "Value too large for selected type");
    EXPECT_EQ(user.calls()[1].caption, "Value out of range");
    EXPECT_EQ(user.calls()[2].text, "\"DEADBEEF\" is not a decimal number");
    EXPECT_EQ(user.calls()[2].caption, "Invalid Entry");
    EXPECT_EQ(user.calls()[3].text, "\"xyz\" is not a hex number");
    for (const auto& call : user.calls())
        EXPECT_EQ(call.icon, platform::MsgIcon::Warning) << call.text;
}

// A record for a scan, as an accepted set-up leaves it.
struct TPattern {
    const char* name;
    int type;
    std::string pattern;
    bool caseSensitive;
    std::string placed;  // the bytes that stand in the file where it is found
};

std::vector<std::int32_t> Scan(TMemorySource& file, const TPattern& p, std::int32_t start = 0,
                               std::int32_t limit = 0)
{
    SEARCHINFO_TAG info;
    info.SearchType = static_cast<std::int8_t>(p.type);
    info.Pattern = p.pattern;
    info.PatternLength = static_cast<std::int32_t>(p.pattern.size());
    info.CaseSensitive = p.caseSensitive;
    info.StartPosition = start;
    info.ResultLimit = limit;
    TBlockScanner().Run(info, file, file.Size(), nullptr);
    EXPECT_EQ(info.StartPosition, 0);
    EXPECT_EQ(info.HitCount, static_cast<std::int32_t>(info.Hits.size()));
    return info.Hits;
}

const TPattern Patterns[] = {
    {"word little-endian", stWord, Bytes({0x34, 0x12}), true, Bytes({0x34, 0x12})},
    {"word big-endian", stWord, Bytes({0x12, 0x34}), true, Bytes({0x12, 0x34})},
    {"dword", stDWord, Bytes({0x78, 0x56, 0x34, 0x12}), true, Bytes({0x78, 0x56, 0x34, 0x12})},
    {"qword", stQWord, Bytes({1, 2, 3, 4, 5, 6, 7, 8}), true, Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
    {"byte", stByte, Bytes({0x99}), true, Bytes({0x99})},
    {"string", stString, "Key", true, "Key"},
    {"string, case off", stString, "Key", false, "kEY"},
    {"wide string", stString, "Key", true, Bytes({'K', 0, 'e', 0, 'y', 0})},
    {"wide string, case off", stString, "Key", false, Bytes({'k', 0, 'E', 0, 'y', 0})},
};

// Every position where the placed bytes start within the file's first and
// last bytes and across each block boundary of a file of 2 blocks and a bit.
std::vector<std::int32_t> InterestingOffsets(std::int32_t size, std::int32_t span)
{
    std::vector<std::int32_t> offsets{0, size - span};
    for (std::int32_t boundary : {B, 2 * B})
        for (std::int32_t o = boundary - span; o <= boundary; ++o)
            offsets.push_back(o);
    return offsets;
}

TEST(hex_search_scan, FindsEachPatternOnceWhereverItStands)
{
    TMemorySource file;
    file.Bytes.assign(2 * B + 100, '.');
    for (const TPattern& p : Patterns) {
        const auto span = static_cast<std::int32_t>(p.placed.size());
        for (std::int32_t offset : InterestingOffsets(file.Size(), span)) {
            file.Put(static_cast<std::size_t>(offset), p.placed);
            EXPECT_EQ(Scan(file, p), std::vector<std::int32_t>{offset + 1}) << p.name << " at " << offset;
            file.Put(static_cast<std::size_t>(offset), std::string(p.placed.size(), '.'));
        }
    }
}

TEST(hex_search_scan, FindsAHitInAShortTailAfterAFullBlock)
{
    // 512,001 bytes with a WORD standing across the last boundary.
    TMemorySource file;
    file.Bytes.assign(B + 1, 0);
    file.Put(B - 1, Bytes({0x34, 0x12}));
    EXPECT_EQ(Scan(file, Patterns[0]), std::vector<std::int32_t>{B});
}

TEST(hex_search_scan, CaseAndWideForms)
{
    const struct {
        const char* file;
        std::size_t fileSize;
        const char* pattern;
        bool caseSensitive;
        std::vector<std::int32_t> hits;
    } cases[] = {
        {"AAAA", 4, "AA", true, {1, 2, 3}},
        {"xaAx", 4, "a", true, {2}},
        {"xaAx", 4, "a", false, {2, 3}},
        {"aB-ab-AB", 8, "ab", false, {1, 4, 7}},
        {"aB-ab-AB", 8, "ab", true, {4}},
        {"a\0B\0", 4, "ab", false, {1}},
        {"A\0B\0", 4, "AB", true, {1}},
        {"A\0B", 3, "AB", true, {}},
        {"Ab", 2, "Abc", true, {}},
    };
    for (const auto& c : cases) {
        TMemorySource file;
        file.Bytes.assign(c.file, c.file + c.fileSize);
        const TPattern p{"", stString, c.pattern, c.caseSensitive, ""};
        EXPECT_EQ(Scan(file, p), c.hits) << c.pattern << " in " << c.file << " case " << c.caseSensitive;
    }
}

TEST(hex_search_scan, NumberPatternsIgnoreTheCaseFlagAndTheFileEnd)
{
    TMemorySource file;
    file.Bytes = {0x61, 0x41, 0x00, 0x41};
    EXPECT_EQ(Scan(file, {"", stByte, Bytes({0x61}), false, ""}), std::vector<std::int32_t>{1});
    EXPECT_EQ(Scan(file, {"", stWord, Bytes({0x41, 0x00}), true, ""}), std::vector<std::int32_t>{2});
    file.Bytes.clear();
    EXPECT_TRUE(Scan(file, {"", stWord, Bytes({0x41, 0x00}), true, ""}).empty());
}

TEST(hex_search_scan, ResultLimitAndStartPosition)
{
    TMemorySource file;
    file.Bytes.assign(100, '.');
    for (std::size_t at : {10, 20, 30, 40, 50})
        file.Put(at, "xy");
    const TPattern xy{"", stString, "xy", true, ""};
    EXPECT_EQ(Scan(file, xy, 0, 2), (std::vector<std::int32_t>{11, 21}));
    // From position 21 the scan backs off by one byte, so the hit at 20 is found.
    EXPECT_EQ(Scan(file, xy, 21), (std::vector<std::int32_t>{21, 31, 41, 51}));
    EXPECT_EQ(Scan(file, xy, 22), (std::vector<std::int32_t>{31, 41, 51}));
    EXPECT_EQ(Scan(file, xy, 5000), std::vector<std::int32_t>{});
}

TEST(hex_search_scan, NoLimitGivenStopsAtTheDefaultLimit)
{
    TMemorySource file;
    file.Bytes.assign(DefaultResultLimit + 10, 0x7A);
    const std::vector<std::int32_t> hits = Scan(file, {"", stByte, Bytes({0x7A}), true, ""});
    ASSERT_EQ(hits.size(), static_cast<std::size_t>(DefaultResultLimit));
    EXPECT_EQ(hits.back(), DefaultResultLimit);
}

TEST(hex_search_scan, StopFlagEndsTheScanBeforeTheNextBlockAndKeepsTheHits)
{
    TMemorySource file;
    file.Bytes.assign(3 * B, '.');
    file.Put(10, "Key");
    file.Put(2 * B + 10, "Key");
    SEARCHINFO_TAG info;
    info.Pattern = "Key";
    info.PatternLength = 3;
    info.CaseSensitive = true;
    int progressCalls = 0;
    const TScanEnd end = TBlockScanner().Run(info, file, file.Size(), [&] {
        ++progressCalls;
        info.Stop = true;
    });
    EXPECT_EQ(end, TScanEnd::Stopped);
    EXPECT_EQ(info.Hits, std::vector<std::int32_t>{11});
    EXPECT_EQ(file.Reads, 1);
    EXPECT_EQ(progressCalls, B / TBlockScanner::ProgressInterval - 1);
}

TEST(hex_search_scan, AReadFailureEndsTheScanAsFailed)
{
    TMemorySource file;
    file.Bytes.assign(2 * B, '.');
    file.Put(100, "Key");
    file.Put(B + 100, "Key");
    file.FailAt = B + 50;
    SEARCHINFO_TAG info;
    info.Pattern = "Key";
    info.PatternLength = 3;
    info.StartPosition = 7;
    EXPECT_EQ(TBlockScanner().Run(info, file, file.Size(), nullptr), TScanEnd::ReadFailed);
    EXPECT_EQ(info.Hits, std::vector<std::int32_t>{101});
    EXPECT_EQ(info.StartPosition, 0);
}

TEST(hex_search_scan, ThePumpIsThrottled)
{
    int pumps = 0;
    TPumpThrottle everyCall([&] { ++pumps; }, std::chrono::milliseconds(0));
    everyCall();
    everyCall();
    EXPECT_EQ(pumps, 2);
    TPumpThrottle hourly([&] { ++pumps; }, std::chrono::hours(1));
    hourly();
    hourly();
    EXPECT_EQ(pumps, 2);
}

TEST(hex_search_scan, ReadsAStreamInBlocks)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    std::string contents(B + 300, '\0');
    contents.replace(B - 2, 4, Bytes({0x78, 0x56, 0x34, 0x12}));
    ASSERT_EQ(std::fwrite(contents.data(), 1, contents.size(), stream), contents.size());
    SEARCHINFO_TAG info;
    info.SearchType = stDWord;
    info.Pattern = Bytes({0x78, 0x56, 0x34, 0x12});
    info.PatternLength = 4;
    TStreamSearchSource source(stream);
    EXPECT_EQ(TBlockScanner().Run(info, source, static_cast<std::int32_t>(contents.size()), nullptr),
              TScanEnd::Finished);
    EXPECT_EQ(info.Hits, std::vector<std::int32_t>{B - 1});
    std::fclose(stream);
}

}  // namespace
