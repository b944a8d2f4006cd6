#include "Search.h"

#include "Binaryfilefunctions.h"

#include "platform/Dialogs.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <vector>

std::string NormalizeDecimalText(std::string_view text)
{
    std::string result;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            result += c;
        else if ((c == '+' || c == '-') && result.empty())
            result += c;
    }
    return result;
}

std::int32_t ReadLeadingInt32(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        value = ~value + 1u;
    return static_cast<std::int32_t>(value);
}

TSearchPageEntries EntriesFromDefaults(const SEARCHINFO_TAG& defaults)
{
    TSearchPageEntries entries;
    entries.Value = defaults.Pattern.substr(0, defaults.Pattern.find('\0'));
    entries.NumResults = std::to_string(static_cast<std::uint32_t>(defaults.ResultLimit));
    entries.SearchType = std::clamp<int>(defaults.SearchType, -1, stQWord);
    entries.HexEntry = defaults.HexEntry;
    entries.StartAtBeginning = defaults.StartPosition == 0;
    entries.CaseSensitive = defaults.CaseSensitive;
    return entries;
}

void StoreDefaults(const TSearchPageEntries& entries, SEARCHINFO_TAG& defaults)
{
    if (!entries.Value.empty()) {
        defaults.Pattern = entries.Value;
        defaults.PatternLength = static_cast<std::int32_t>(entries.Value.size());
    }
    defaults.HexEntry = entries.HexEntry;
    defaults.StartPosition = entries.StartAtBeginning ? 0 : 1;
    defaults.CaseSensitive = entries.CaseSensitive;
    defaults.ResultLimit = ReadLeadingInt32(entries.NumResults);
    defaults.SearchType = static_cast<std::int8_t>(entries.SearchType);
}

namespace {

std::string NumberBytes(std::uint64_t value, int count, bool littleEndian)
{
    std::string bytes(static_cast<std::size_t>(count), '\0');
    for (int b = 0; b < count; ++b) {
        const int shift = 8 * (littleEndian ? b : count - 1 - b);
        bytes[static_cast<std::size_t>(b)] = static_cast<char>((value >> shift) & 0xFF);
    }
    return bytes;
}

// BYTE, WORD and DWORD entries: a 32-bit number, refused beyond the type's
// unsigned range (a negative decimal entry is taken as its 32-bit pattern).
std::optional<std::uint64_t> ReadSmallNumber(int searchType, bool hexEntry, std::string_view text)
{
    const std::optional<std::uint64_t> value =
        hexEntry ? ReadHexNumber(NormalizeHexText(text), 32) : ReadDecimalInteger(text, 32);
    if (!value)
        return std::nullopt;
    const std::uint64_t maximum = searchType == stByte ? 0xFF : searchType == stWord ? 0xFFFF : 0xFFFFFFFF;
    if (*value > maximum)
        return std::nullopt;
    return value;
}

// QWORD entries: of more than 16 hex digits the last 16 count.
std::optional<std::uint64_t> ReadQWordNumber(bool hexEntry, std::string_view text)
{
    if (!hexEntry)
        return ReadDecimalInteger(NormalizeDecimalText(text), 64);
    const std::string digits = NormalizeHexText(text);
    const std::size_t keep = std::min<std::size_t>(digits.size(), 16);
    return ReadHexNumber(std::string_view(digits).substr(digits.size() - keep), 64);
}

int PatternWidth(int searchType)
{
    switch (searchType) {
    case stByte: return 1;
    case stWord: return 2;
    case stDWord: return 4;
    case stQWord: return 8;
    default: return 0;
    }
}

// Whether a number entry has digits where they are read: hex digits anywhere
// (hex entries are read group by group), decimal digits anywhere for a QWORD
// (which reads every digit), and for the smaller types a decimal digit at the
// start, after blanks and a sign. A string entry always holds its value.
bool HoldsNumber(int searchType, bool hexEntry, std::string_view text)
{
    if (PatternWidth(searchType) == 0)
        return true;
    if (hexEntry)
        return !NormalizeHexText(text).empty();
    if (searchType == stQWord)
        return NormalizeDecimalText(text).find_first_of("0123456789") != std::string::npos;
    std::size_t i = text.find_first_not_of(" \t");
    if (i != std::string_view::npos && (text[i] == '+' || text[i] == '-'))
        ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

}  // namespace

std::optional<std::string> BuildSearchPattern(int searchType, bool hexEntry, bool littleEndian,
                                              std::string_view text)
{
    const int width = PatternWidth(searchType);
    if (width == 0)
        return std::string(text);
    const std::optional<std::uint64_t> value =
        searchType == stQWord ? ReadQWordNumber(hexEntry, text) : ReadSmallNumber(searchType, hexEntry, text);
    if (!value)
        return std::nullopt;
    return NumberBytes(*value, width, littleEndian);
}

TPrepareResult PrepareSearch(const TSearchPageEntries& entries, std::int32_t currentPosition, bool littleEndian,
                             SEARCHINFO_TAG& info)
{
    info.Stop = false;
    if (entries.Value.empty()) {
        info.Stop = true;
        return TPrepareResult::NoValue;
    }
    if (!HoldsNumber(entries.SearchType, entries.HexEntry, entries.Value)) {
        info.Stop = true;
        return TPrepareResult::NotANumber;
    }
    std::optional<std::string> pattern =
        BuildSearchPattern(entries.SearchType, entries.HexEntry, littleEndian, entries.Value);
    if (!pattern) {
        info.Stop = true;
        return TPrepareResult::OutOfRange;
    }
    info.StartPosition = entries.StartAtBeginning ? 0 : currentPosition;
    info.CaseSensitive = entries.CaseSensitive;
    info.ResultLimit = std::max(0, ReadLeadingInt32(entries.NumResults));
    info.SearchType = static_cast<std::int8_t>(entries.SearchType);
    info.Pattern = std::move(*pattern);
    info.PatternLength = static_cast<std::int32_t>(info.Pattern.size());
    return TPrepareResult::Accepted;
}

void ShowPrepareRefusal(TPrepareResult result, const TSearchPageEntries& entries)
{
    switch (result) {
    case TPrepareResult::Accepted:
        return;
    case TPrepareResult::NoValue:
        platform::MessageBox("Search Value Required!", "No Search Value Entered", platform::MsgButtons::OK,
                             platform::MsgIcon::Warning);
        return;
    case TPrepareResult::OutOfRange:
        platform::MessageBox("Value too large for selected type", "Value out of range", platform::MsgButtons::OK,
                             platform::MsgIcon::Warning);
        return;
    case TPrepareResult::NotANumber:
        platform::MessageBox("\"" + entries.Value + "\" is not a " + (entries.HexEntry ? "hex" : "decimal") + " number",
                             "Invalid Entry", platform::MsgButtons::OK, platform::MsgIcon::Warning);
        return;
    }
}

std::size_t ReadStreamAt(std::FILE* stream, std::int32_t offset, std::uint8_t* buffer, std::size_t count)
{
    if (stream == nullptr || std::fseek(stream, offset, SEEK_SET) != 0)
        return 0;
    return std::fread(buffer, 1, count, stream);
}

std::size_t TStreamSearchSource::ReadBytes(std::int32_t offset, std::uint8_t* buffer, std::size_t count)
{
    return ReadStreamAt(stream_, offset, buffer, count);
}

namespace {

std::uint8_t FoldAsciiLetter(std::uint8_t c)
{
    return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - 'a' + 'A') : c;
}

// Tests one position of a block against the pattern in every form the
// search compares: the bytes themselves and, for strings, their UTF-16LE
// form, exactly and (without the case flag) ignoring case.
class TPatternMatcher {
public:
    explicit TPatternMatcher(const SEARCHINFO_TAG& info)
        : bytes_(info.Pattern.substr(0, static_cast<std::size_t>(std::max(0, info.PatternLength)))),
          isString_(info.SearchType == stString),
          ignoreCase_(isString_ && !info.CaseSensitive)
    {
        if (!isString_)
            return;
        for (char16_t unit : platform::Cp1252ToUtf16(bytes_)) {
            wide_ += static_cast<char>(unit & 0xFF);
            wide_ += static_cast<char>(unit >> 8);
        }
        upper_ = platform::UpperCase(bytes_);
        wideUpper_ = platform::Cp1252ToUtf16(upper_);
    }

    std::size_t Length() const { return bytes_.size(); }
    // The most bytes one test reads: the UTF-16LE form for a longer string.
    std::size_t Span() const { return isString_ && Length() > 1 ? 2 * Length() : Length(); }

    // The positions in [from, to) of `block` (which holds `available` bytes)
    // where the pattern matches are passed to `hit`; stops early when `hit`
    // returns false.
    template <typename Hit>
    bool Scan(const std::uint8_t* block, std::size_t available, std::size_t from, std::size_t to, Hit&& hit) const
    {
        if (Length() == 0)
            return true;
        if (!ignoreCase_)
            return ScanExact(block, available, from, to, hit);
        const std::uint8_t first = FoldAsciiLetter(static_cast<std::uint8_t>(bytes_[0]));
        for (std::size_t i = from; i < to; ++i) {
            if (FoldAsciiLetter(block[i]) != first)
                continue;
            if ((MatchesExactly(block + i, available - i) || MatchesIgnoringCase(block + i, available - i)) &&
                !hit(i))
                return false;
        }
        return true;
    }

private:
    template <typename Hit>
    bool ScanExact(const std::uint8_t* block, std::size_t available, std::size_t from, std::size_t to,
                   Hit& hit) const
    {
        const auto first = static_cast<unsigned char>(bytes_[0]);
        const std::uint8_t* end = block + to;
        for (const std::uint8_t* p = block + from; p < end; ++p) {
            p = static_cast<const std::uint8_t*>(std::memchr(p, first, static_cast<std::size_t>(end - p)));
            if (p == nullptr)
                break;
            const std::size_t i = static_cast<std::size_t>(p - block);
            if (MatchesExactly(p, available - i) && !hit(i))
                return false;
        }
        return true;
    }

    // The first byte has matched already.
    bool MatchesExactly(const std::uint8_t* at, std::size_t available) const
    {
        const std::size_t n = Length();
        if (static_cast<unsigned char>(bytes_[0]) != at[0])
            return false;
        if (n == 1)
            return true;
        if (available >= n && std::memcmp(at, bytes_.data(), n) == 0)
            return true;
        return isString_ && available >= 2 * n && std::memcmp(at, wide_.data(), 2 * n) == 0;
    }

    bool MatchesIgnoringCase(const std::uint8_t* at, std::size_t available) const
    {
        const std::size_t n = Length();
        if (n == 1)
            return true;
        if (available >= n) {
            std::size_t j = 0;
            while (j < n && platform::UpperChar(static_cast<char>(at[j])) == upper_[j])
                ++j;
            if (j == n)
                return true;
        }
        if (available < 2 * n)
            return false;
        for (std::size_t j = 0; j < n; ++j) {
            char16_t unit = static_cast<char16_t>(at[2 * j] | at[2 * j + 1] << 8);
            if (unit <= 0xFF)
                unit = FoldAsciiLetter(static_cast<std::uint8_t>(unit));
            if (unit != wideUpper_[j])
                return false;
        }
        return true;
    }

    std::string bytes_;
    bool isString_;
    bool ignoreCase_;
    std::string wide_;         // UTF-16LE bytes of the pattern
    std::string upper_;        // the pattern upper-cased
    std::u16string wideUpper_; // UTF-16 of the upper-cased pattern
};

// Puts the record's start position back to "from the beginning" however the
// scan ends.
class TStartPositionReset {
public:
    explicit TStartPositionReset(SEARCHINFO_TAG& info) : info_(info) {}
    ~TStartPositionReset() { info_.StartPosition = 0; }
    TStartPositionReset(const TStartPositionReset&) = delete;
    TStartPositionReset& operator=(const TStartPositionReset&) = delete;

private:
    SEARCHINFO_TAG& info_;
};

}  // namespace

TScanEnd TBlockScanner::Run(SEARCHINFO_TAG& info, TSearchSource& source, std::int32_t fileSize,
                            const std::function<void()>& progress)
{
    TStartPositionReset resetStart(info);
    const TPatternMatcher matcher(info);
    const std::int64_t limit = info.EffectiveResultLimit();
    const auto overlap = static_cast<std::int64_t>(matcher.Span() > 0 ? matcher.Span() - 1 : 0);

    info.HitCount = 0;
    info.Hits.clear();
    info.Stop = false;
    if (matcher.Length() == 0)
        return TScanEnd::Finished;

    std::int64_t blockStart = std::clamp<std::int64_t>(info.StartPosition, 0, std::max(0, fileSize - 1));
    if (blockStart != 0)
        blockStart = std::max<std::int64_t>(0, blockStart - static_cast<std::int64_t>(matcher.Length()) + 1);

    std::vector<std::uint8_t> block(static_cast<std::size_t>(BlockSize + overlap) + 1);
    while (blockStart < fileSize && info.HitCount < limit) {
        if (info.Stop)
            return TScanEnd::Stopped;
        const std::int64_t wanted = std::min<std::int64_t>(BlockSize + overlap, fileSize - blockStart);
        std::fill_n(block.begin(), wanted + 1, std::uint8_t{0});
        const std::size_t read =
            source.ReadBytes(static_cast<std::int32_t>(blockStart), block.data(), static_cast<std::size_t>(wanted));
        const bool lastBlock = blockStart + wanted >= fileSize || static_cast<std::int64_t>(read) < wanted;
        const std::size_t tested = lastBlock ? read : read - static_cast<std::size_t>(overlap);

        auto collect = [&](std::size_t i) {
            info.Hits.push_back(static_cast<std::int32_t>(blockStart + static_cast<std::int64_t>(i) + 1));
            return ++info.HitCount < limit;
        };
        for (std::size_t from = 0; from < tested && info.HitCount < limit; from += ProgressInterval) {
            if (from != 0 && progress)
                progress();
            const std::size_t to = std::min<std::size_t>(from + ProgressInterval, tested);
            if (!matcher.Scan(block.data(), read, from, to, collect))
                break;
        }
        if (static_cast<std::int64_t>(read) < wanted)
            return TScanEnd::ReadFailed;
        blockStart += static_cast<std::int64_t>(tested);
    }
    return info.HitCount >= limit ? TScanEnd::LimitReached : TScanEnd::Finished;
}

TPumpThrottle::TPumpThrottle(std::function<void()> pump, std::chrono::milliseconds interval)
    : pump_(std::move(pump)), interval_(interval), last_(std::chrono::steady_clock::now())
{
}

void TPumpThrottle::operator()()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval_)
        return;
    last_ = now;
    pump_();
}
