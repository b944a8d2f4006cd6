#include "Search.h"

#include "Binaryfilefunctions.h"
#include "Searchscan.h"

#include "platform/Dialogs.h"

#include <algorithm>
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
    const auto limit = static_cast<std::size_t>(info.EffectiveResultLimit());
    const auto overlap = static_cast<std::int64_t>(matcher.Span() > 0 ? matcher.Span() - 1 : 0);

    info.HitCount = 0;
    info.Hits.clear();
    info.Stop = false;
    if (matcher.Length() == 0)
        return TScanEnd::Finished;

    std::int64_t blockStart = std::clamp<std::int64_t>(info.StartPosition, 0, std::max(0, fileSize - 1));
    if (blockStart != 0)
        blockStart = std::max<std::int64_t>(0, blockStart - static_cast<std::int64_t>(matcher.Length()) + 1);

    // Room for the hits the scan may keep, so that keeping one costs no more
    // than storing it; beyond the default limit (a limit a user raised) the
    // array grows as the hits come, so a large limit claims no memory ahead.
    const auto positions = static_cast<std::size_t>(std::max<std::int64_t>(0, fileSize - blockStart));
    info.Hits.reserve(std::min({limit, positions, static_cast<std::size_t>(DefaultResultLimit)}));
    const std::int64_t largestBlock = std::min<std::int64_t>(BlockSize + overlap, fileSize - blockStart);
    if (buffer_.size() < static_cast<std::size_t>(largestBlock) + matcher.ReadAhead())
        buffer_.resize(static_cast<std::size_t>(largestBlock) + matcher.ReadAhead());

    while (blockStart < fileSize && info.Hits.size() < limit) {
        if (info.Stop)
            return TScanEnd::Stopped;
        const std::int64_t wanted = std::min<std::int64_t>(BlockSize + overlap, fileSize - blockStart);
        const std::size_t read =
            source.ReadBytes(static_cast<std::int32_t>(blockStart), buffer_.data(), static_cast<std::size_t>(wanted));
        const bool lastBlock = blockStart + wanted >= fileSize || static_cast<std::int64_t>(read) < wanted;
        const std::size_t tested = lastBlock ? read : read - static_cast<std::size_t>(overlap);

        for (std::size_t from = 0; from < tested && info.Hits.size() < limit; from += ProgressInterval) {
            if (from != 0 && progress)
                progress();
            const std::size_t to = std::min<std::size_t>(from + ProgressInterval, tested);
            matcher.Scan(buffer_.data(), read, from, to, blockStart + 1, info.Hits, limit);
            info.HitCount = static_cast<std::int32_t>(info.Hits.size());
        }
        if (static_cast<std::int64_t>(read) < wanted)
            return TScanEnd::ReadFailed;
        blockStart += static_cast<std::int64_t>(tested);
    }
    return info.Hits.size() >= limit ? TScanEnd::LimitReached : TScanEnd::Finished;
}

TPumpThrottle::TPumpThrottle(std::function<void()> pump, std::chrono::milliseconds interval)
    : pump_(std::move(pump)), interval_(interval), last_(std::chrono::steady_clock::now())
{
}

void TPumpThrottle::operator()()
{
    constexpr int CallsPerClockRead = 8;
    if (interval_ > std::chrono::steady_clock::duration::zero() && ++callsSinceClockRead_ < CallsPerClockRead)
        return;
    callsSinceClockRead_ = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval_)
        return;
    last_ = now;
    pump_();
}
