// The fast scan against a plain one: random blocks, patterns, cases and
// types, in the byte and the UTF-16LE forms, on every kernel, and whole
// files whose hits stand across block boundaries.
#include "Search.h"
#include "SearchTestSupport.h"
#include "Searchscan.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t B = TBlockScanner::BlockSize;

// Bytes that make the case rules work: letters in both cases, the code
// page's other letter pairs (é/É, š/Š, ÿ/Ÿ), bytes that differ from a letter
// by the case bit only (@ and `, [ and {), a zero for the UTF-16LE form's high
// bytes, the euro sign and the two bytes of its UTF-16 unit (AC 20).
const std::uint8_t Alphabet[] = {'a', 'A', 'b', 'B', 'z', 'Z', 0x00, 0x00, 0x00, 0xE9, 0xC9, 0x9A, 0x8A,
                                 0xFF, 0x9F, '@', '`', '[', '{', 0x80, 0xAC, 0x20, 'q', 0x01};

struct TCase {
    int type = stString;
    bool caseSensitive = true;
    std::string pattern;
};

std::uint8_t FoldAz(std::uint8_t c)
{
    return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 32) : c;
}

// Whether the pattern matches at `at`, with `available` bytes from there on,
// by the rules as they read: the bytes, then for a longer string their
// UTF-16LE form, exactly; then, ignoring case, the bytes upper-cased, then
// for a longer string the UTF-16LE units folded a-z.
bool PlainMatch(const TCase& c, const std::uint8_t* at, std::size_t available)
{
    const std::string& p = c.pattern;
    const std::size_t n = p.size();
    const bool isString = c.type == stString;
    const bool ignoreCase = isString && !c.caseSensitive;
    const auto byte = [&](std::size_t j) { return static_cast<std::uint8_t>(p[j]); };
    const auto unitAt = [&](std::size_t j) { return static_cast<char16_t>(at[2 * j] | at[2 * j + 1] << 8); };
    const auto upper = [](std::uint8_t b) { return platform::UpperChar(static_cast<char>(b)); };
    bool same = available >= n;
    for (std::size_t j = 0; same && j < n; ++j)
        same = at[j] == byte(j);
    if (same)
        return true;
    if (ignoreCase) {
        bool folded = available >= n;
        for (std::size_t j = 0; folded && j < n; ++j)
            folded = upper(at[j]) == upper(byte(j));
        if (folded)
            return true;
    }
    if (!isString || n == 1 || available < 2 * n)
        return false;
    bool wide = true;
    for (std::size_t j = 0; wide && j < n; ++j)
        wide = unitAt(j) == platform::Cp1252ToUnicode(byte(j));
    if (wide || !ignoreCase)
        return wide;
    for (std::size_t j = 0; j < n; ++j) {
        char16_t unit = unitAt(j);
        if (unit <= 0xFF)
            unit = FoldAz(static_cast<std::uint8_t>(unit));
        if (unit != platform::Cp1252ToUnicode(static_cast<unsigned char>(upper(byte(j)))))
            return false;
    }
    return true;
}

void SetPattern(SEARCHINFO_TAG& info, const TCase& c)
{
    info.SearchType = static_cast<std::int8_t>(c.type);
    info.CaseSensitive = c.caseSensitive;
    info.Pattern = c.pattern;
    info.PatternLength = static_cast<std::int32_t>(c.pattern.size());
}

std::string Describe(const TCase& c)
{
    std::string text = "type " + std::to_string(c.type) + (c.caseSensitive ? " exact" : " ignoring case") + " pattern";
    for (char b : c.pattern)
        text += " " + std::to_string(static_cast<int>(static_cast<std::uint8_t>(b)));
    return text;
}

class TRandomCases {
public:
    explicit TRandomCases(unsigned seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    std::uint8_t Letter() { return Alphabet[Below(static_cast<int>(sizeof Alphabet))]; }

    // Strings of 1 to 17 bytes and some longer, numbers of their widths, and
    // a type outside 0-4, which compares the bytes as they stand.
    TCase Pattern()
    {
        static const int Widths[] = {0, 1, 2, 4, 8};
        TCase c;
        const int kind = Below(10);
        c.type = kind < 7 ? stString : kind < 9 ? 1 + Below(4) : 7;
        c.caseSensitive = Below(2) == 0;
        const int length = c.type >= stByte && c.type <= stQWord ? Widths[c.type]
                           : Below(8) == 0                          ? 18 + Below(20)
                                                                     : 1 + Below(17);
        for (int j = 0; j < length; ++j)
            c.pattern += static_cast<char>(Letter());
        return c;
    }

    // The pattern as it might stand in a file: in its bytes or its UTF-16LE
    // form, each letter in either case.
    std::string Occurrence(const TCase& c)
    {
        const bool wide = c.type == stString && Below(2) == 0;
        std::string placed;
        for (char b : c.pattern) {
            const int variant = Below(3);
            const char letter = variant == 0 ? platform::UpperChar(b) : variant == 1 ? platform::LowerChar(b) : b;
            if (!wide) {
                placed += letter;
                continue;
            }
            const char16_t unit = platform::Cp1252ToUnicode(static_cast<unsigned char>(letter));
            placed += static_cast<char>(unit & 0xFF);
            placed += static_cast<char>(unit >> 8);
        }
        return placed;
    }

    void Fill(std::uint8_t* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = Letter();
    }

private:
    std::mt19937 random_;
};

const char* KernelName(TScanKernel kernel)
{
    switch (kernel) {
    case TScanKernel::Plain: return "plain";
    case TScanKernel::Sse2: return "SSE2";
    case TScanKernel::Avx2: return "AVX2";
    }
    return "?";
}

TEST(hex_search_fast_scan, EveryKernelFindsWhatThePlainScanFinds)
{
    TRandomCases random(17);
    for (TScanKernel kernel : AvailableScanKernels()) {
        for (int round = 0; round < 3000; ++round) {
            const TCase c = random.Pattern();
            SEARCHINFO_TAG info;
            SetPattern(info, c);
            const TPatternMatcher matcher(info, kernel);
            // A block of random bytes with occurrences planted in it, and
            // random bytes in the read-ahead after it too: nothing there may
            // count.
            const auto available = static_cast<std::size_t>(random.Below(400));
            std::vector<std::uint8_t> block(available + matcher.ReadAhead());
            random.Fill(block.data(), block.size());
            for (int k = random.Below(6); k > 0 && available > 0; --k) {
                const std::string placed = random.Occurrence(c);
                const auto at = static_cast<std::size_t>(random.Below(static_cast<int>(available)));
                std::copy(placed.begin(), placed.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
            }
            const auto below = [&](std::size_t n) { return static_cast<std::size_t>(random.Below(static_cast<int>(n))); };
            const std::size_t from = available == 0 ? 0 : below(available);
            const std::size_t to = from + below(available - from + 1);
            const auto limit = static_cast<std::size_t>(random.Below(4) == 0 ? 1 + random.Below(3) : 1 << 20);

            std::vector<std::int32_t> expected;
            for (std::size_t i = from; i < to && expected.size() < limit; ++i)
                if (PlainMatch(c, block.data() + i, available - i))
                    expected.push_back(static_cast<std::int32_t>(i + 1));
            std::vector<std::int32_t> hits;
            matcher.Scan(block.data(), available, from, to, 1, hits, limit);
            ASSERT_EQ(hits, expected) << KernelName(kernel) << " round " << round << ": " << Describe(c) << " in ["
                                      << from << ", " << to << ") of " << available;
        }
    }
}

// Texts whose first letter is not a-z: each form the search compares is found
// whatever the first letter is (the euro sign's UTF-16 unit is AC 20, not 80).
TEST(hex_search_fast_scan, TextsFoundWhateverTheirFirstLetter)
{
    struct TRow {
        bool caseSensitive;
        std::string pattern;
        std::string text;
        bool found;
    };
    const std::string elan = "\xE9lan", ELAN = "\xC9LAN";
    const TRow rows[] = {
        {false, elan, ELAN, true},
        {false, ELAN, elan, true},
        {true, elan, ELAN, false},
        {false, "\xE9", "\xC9", true},
        {false, "\xFF", "\x9F", true},
        {true, "\x80uro", std::string("\xAC\x20u\0r\0o\0", 8), true},
        {true, "\x9A" "a", std::string("\x61\x01\x61\0", 4), true},
        {false, "\x80URO", std::string("\xAC\x20u\0r\0o\0", 8), true},
        {false, "\xE9t\xE9", std::string("\xC9\0T\0\xC9\0", 6), true},
    };
    for (TScanKernel kernel : AvailableScanKernels()) {
        for (const TRow& row : rows) {
            SEARCHINFO_TAG info;
            SetPattern(info, {stString, row.caseSensitive, row.pattern});
            const TPatternMatcher matcher(info, kernel);
            std::vector<std::uint8_t> block(100 + matcher.ReadAhead(), '.');
            std::copy(row.text.begin(), row.text.end(), block.begin() + 40);
            std::vector<std::int32_t> hits;
            matcher.Scan(block.data(), 100, 0, 100, 0, hits, 10);
            const std::vector<std::int32_t> expected = row.found ? std::vector<std::int32_t>{40} : std::vector<std::int32_t>{};
            EXPECT_EQ(hits, expected) << KernelName(kernel) << ": "
                                      << Describe({stString, row.caseSensitive, row.pattern});
        }
    }
}

TEST(hex_search_fast_scan, HitsKeptAfterEarlierOnesAndUpToTheLimit)
{
    SEARCHINFO_TAG info;
    SetPattern(info, {stString, false, "ab"});
    const TPatternMatcher matcher(info);
    std::vector<std::uint8_t> block(200 + matcher.ReadAhead(), '.');
    for (std::size_t at : {3, 70, 150})
        block[at] = 'A', block[at + 1] = 'b';
    std::vector<std::int32_t> hits{-7};
    matcher.Scan(block.data(), 200, 0, 200, 1000, hits, 3);
    EXPECT_EQ(hits, (std::vector<std::int32_t>{-7, 1003, 1070}));
    matcher.Scan(block.data(), 200, 0, 200, 1000, hits, 3);
    EXPECT_EQ(hits.size(), 3u);
}

// The whole scan of a file of two blocks and a bit, with occurrences at its
// ends and on each side of and across every block boundary, from random
// start positions and with random limits.
TEST(hex_search_fast_scan, BlockScanFindsWhatThePlainScanFindsAcrossBlockEdges)
{
    TRandomCases random(1705);
    TMemorySource file;
    file.Bytes.resize(2 * B + 123);
    random.Fill(file.Bytes.data(), file.Bytes.size());
    TBlockScanner scanner;
    for (int round = 0; round < 40; ++round) {
        const TCase c = random.Pattern();
        std::vector<std::uint8_t> original = file.Bytes;
        const auto put = [&](std::int64_t at, const std::string& placed) {
            for (std::size_t k = 0; k < placed.size(); ++k)
                if (at + static_cast<std::int64_t>(k) >= 0 && at + static_cast<std::int64_t>(k) < file.Size())
                    file.Bytes[static_cast<std::size_t>(at) + k] = static_cast<std::uint8_t>(placed[k]);
        };
        for (std::int64_t edge : {std::int64_t{0}, std::int64_t{B}, std::int64_t{2 * B}}) {
            for (int k = 0; k < 6; ++k) {
                const std::string placed = random.Occurrence(c);
                put(edge - random.Below(static_cast<int>(placed.size()) + 2), placed);
            }
        }
        const std::string last = random.Occurrence(c);
        put(file.Size() - static_cast<std::int64_t>(last.size()), last);

        SEARCHINFO_TAG info;
        SetPattern(info, c);
        const int startKind = random.Below(3);
        info.StartPosition = startKind == 0 ? 0 : startKind == 1 ? B - random.Below(40) : 1 + random.Below(file.Size());
        info.ResultLimit = random.Below(3) == 0 ? 1 + random.Below(20) : 0;
        const std::int32_t start = info.StartPosition;

        std::int64_t first = std::clamp<std::int64_t>(info.StartPosition, 0, file.Size() - 1);
        if (first != 0)
            first = std::max<std::int64_t>(0, first - static_cast<std::int64_t>(c.pattern.size()) + 1);
        std::vector<std::int32_t> expected;
        const auto limit = static_cast<std::size_t>(info.EffectiveResultLimit());
        for (std::int64_t i = first; i < file.Size() && expected.size() < limit; ++i)
            if (PlainMatch(c, file.Bytes.data() + i, static_cast<std::size_t>(file.Size() - i)))
                expected.push_back(static_cast<std::int32_t>(i + 1));

        scanner.Run(info, file, file.Size(), nullptr);
        ASSERT_EQ(info.Hits, expected) << "round " << round << ": " << Describe(c) << " from " << start
                                       << " limit " << info.ResultLimit;
        EXPECT_EQ(info.HitCount, static_cast<std::int32_t>(expected.size()));
        file.Bytes = std::move(original);
    }
}

}  // namespace
