#include "Resultlist.h"

#include "Search.h"

#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int CompareResultPositions(const TResultEntry& first, const TResultEntry& second)
{
    return first.Position < second.Position ? -1 : first.Position > second.Position ? 1 : 0;
}

namespace {

// Nothing but characters of codes 0 to 32.
bool IsBlankText(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 32; });
}

}  // namespace

bool TResultList::IsEmpty() const
{
    return Rows.empty() || IsBlankText(Rows.front().Text);
}

int TResultList::RowCount() const
{
    return std::max<int>(1, static_cast<int>(Rows.size()));
}

TResultEntry TResultList::Row(int row) const
{
    if (row < 0 || row >= static_cast<int>(Rows.size()))
        return {};
    return Rows[static_cast<std::size_t>(row)];
}

int TResultList::EntryCount() const
{
    return IsEmpty() ? 0 : static_cast<int>(Rows.size());
}

namespace {

bool Ascending(const TResultEntry& a, const TResultEntry& b)
{
    return CompareResultPositions(a, b) < 0;
}

void SortAndCut(std::vector<TResultEntry>& entries)
{
    if (!std::is_sorted(entries.begin(), entries.end(), Ascending))
        std::stable_sort(entries.begin(), entries.end(), Ascending);
    if (entries.size() > static_cast<std::size_t>(ResultListLimit))
        entries.resize(static_cast<std::size_t>(ResultListLimit));
}

std::string CountLabel(std::size_t count, const char* what)
{
    return std::to_string(count) + what;
}

}  // namespace

std::vector<TResultEntry> TResultList::Hits() const
{
    if (IsEmpty())
        return {};
    std::vector<TResultEntry> hits;
    hits.reserve(Rows.size());
    for (const TResultEntry& row : Rows)
        if (row.Position >= 0 && !IsBlankText(row.Text))
            hits.push_back(row);
    // The walks below need ascending lists; a search makes them so, a file
    // edited by hand may not.
    if (!std::is_sorted(hits.begin(), hits.end(), Ascending))
        std::stable_sort(hits.begin(), hits.end(), Ascending);
    return hits;
}

void TResultLists::ShowHits(const std::vector<std::int32_t>& hits)
{
    Current.Rows.clear();
    Current.Rows.reserve(hits.size());
    for (std::int32_t hit : hits)
        Current.Rows.push_back({std::to_string(hit), hit - 1});
    CurrentLabel = CountLabel(hits.size(), " matches.");
}

void TResultLists::SetCurrent(std::vector<TResultEntry> entries, std::string label)
{
    Current.Rows = std::move(entries);
    CurrentLabel = std::move(label);
}

bool TResultLists::Diff()
{
    if (Current.IsEmpty() && Previous.IsEmpty())
        return false;
    std::vector<TResultEntry> a = Current.Hits();
    std::vector<TResultEntry> b = Previous.Hits();
    // Equal positions pair one to one; what stays unpaired on either side is the difference.
    std::vector<TResultEntry> onlyA;
    std::vector<TResultEntry> onlyB;
    std::size_t i = 0;
    for (TResultEntry& entry : b) {
        while (i < a.size() && a[i].Position < entry.Position)
            onlyA.push_back(std::move(a[i++]));
        if (i < a.size() && a[i].Position == entry.Position)
            ++i;
        else
            onlyB.push_back(std::move(entry));
    }
    std::move(a.begin() + static_cast<std::ptrdiff_t>(i), a.end(), std::back_inserter(onlyA));
    std::vector<TResultEntry> result;
    result.reserve(onlyA.size() + onlyB.size());
    std::merge(std::make_move_iterator(onlyB.begin()), std::make_move_iterator(onlyB.end()),
               std::make_move_iterator(onlyA.begin()), std::make_move_iterator(onlyA.end()),
               std::back_inserter(result), Ascending);
    SortAndCut(result);
    CurrentLabel = CountLabel(result.size(), " differences");
    Current.Rows = std::move(result);
    return true;
}

bool TResultLists::Match()
{
    if (Current.IsEmpty() && Previous.IsEmpty())
        return false;
    const std::vector<TResultEntry> a = Current.Hits();
    std::vector<TResultEntry> result;
    std::size_t i = 0;
    for (const TResultEntry& entry : Previous.Hits()) {
        while (i < a.size() && a[i].Position < entry.Position)
            ++i;
        if (i < a.size() && a[i].Position == entry.Position)
            result.push_back(entry);
    }
    SortAndCut(result);
    CurrentLabel = CountLabel(result.size(), " matches");
    Current.Rows = std::move(result);
    return true;
}

bool TResultLists::Merge()
{
    if (Current.IsEmpty() && Previous.IsEmpty())
        return false;
    if (!Previous.IsEmpty()) {
        std::vector<TResultEntry> a = Current.Hits();
        // The previous entries whose position the current list lacks, each position once.
        std::vector<TResultEntry> added;
        std::size_t i = 0;
        for (TResultEntry& entry : Previous.Hits()) {
            while (i < a.size() && a[i].Position < entry.Position)
                ++i;
            const bool inCurrent = i < a.size() && a[i].Position == entry.Position;
            const bool repeated = !added.empty() && added.back().Position == entry.Position;
            if (!inCurrent && !repeated)
                added.push_back(std::move(entry));
        }
        std::vector<TResultEntry> result;
        result.reserve(a.size() + added.size());
        std::merge(std::make_move_iterator(a.begin()), std::make_move_iterator(a.end()),
                   std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()),
                   std::back_inserter(result), Ascending);
        SortAndCut(result);
        Current.Rows = std::move(result);
    }
    CurrentLabel = CountLabel(static_cast<std::size_t>(Current.EntryCount()), " merged");
    return true;
}

void TResultLists::MoveRight()
{
    if (Current.IsEmpty())
        Previous.Clear();
    else
        Previous.Rows = Current.Rows;
    PreviousLabel = CountLabel(static_cast<std::size_t>(Current.EntryCount()), " results");
}

void TResultLists::ClearCurrent()
{
    Current.Clear();
    CurrentLabel = "0 results";
}

void TResultLists::ClearPrevious()
{
    Previous.Clear();
    PreviousLabel = "0 results";
}

std::string SearchTypeName(int searchType)
{
    switch (searchType) {
    case stByte: return "BYTE";
    case stWord: return "WORD";
    case stDWord: return "DWORD";
    case stQWord: return "QWORD";
    default: return "String";
    }
}

std::string SearchedForText(const SEARCHINFO_TAG& info, bool littleEndian)
{
    const int width = info.SearchType == stByte ? 1 : info.SearchType == stWord ? 2
                    : info.SearchType == stDWord ? 4 : info.SearchType == stQWord ? 8 : 0;
    if (width == 0)
        return info.Pattern;
    if (info.Pattern.size() < static_cast<std::size_t>(width))
        return {};
    std::uint64_t value = 0;
    for (int b = 0; b < width; ++b) {
        const int index = littleEndian ? width - 1 - b : b;
        value = value << 8 | static_cast<unsigned char>(info.Pattern[static_cast<std::size_t>(index)]);
    }
    switch (width) {
    case 1: return std::to_string(value);
    case 2: return std::to_string(static_cast<std::int16_t>(value));
    case 4: return std::to_string(static_cast<std::int32_t>(value));
    default: return std::to_string(static_cast<std::int64_t>(value));
    }
}

namespace {

constexpr const char* FileIdentification = "Qorm Search Result File ver2";
constexpr std::size_t HeaderLineLimit = 1023;

// A line break inside a header value (a searched text or a file name may
// hold one) would move the count line that readers look for, so it is
// written as a blank.
std::string HeaderLine(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    if (text.size() > HeaderLineLimit)
        text.resize(HeaderLineLimit);
    return text + "\r\n";
}

// A hit line is a number; the text of a longer one is kept to this many
// bytes, so that a damaged file of one endless line costs no more memory
// (nor time in the grid) than a list of short ones.
constexpr std::size_t HitLineLimit = 255;

// The lines of a result file: the header, then the hit lines.
struct TReadLines {
    std::vector<std::string> Lines;
    std::size_t CutHitLines = 0;  // hit lines longer than HitLineLimit
};

// The first `limit` lines of a file, the first `headerLines` of them kept to
// HeaderLineLimit bytes and the others to HitLineLimit; a line ends at CR,
// LF or CR LF. Only a plain file is read, opened once and checked as opened:
// a pipe would wait for ever and a device such as /dev/zero would never
// end. Reading stops at the limit, so a file of many more lines than a list
// holds costs no more memory than the list.
bool ReadLines(const std::string& fileName, std::size_t limit, std::size_t headerLines, TReadLines& read)
{
    const int fd = platform::OpenPlainFile(fileName, O_RDWR);
    if (fd < 0)
        return false;
    std::FILE* file = ::fdopen(fd, "r+b");
    if (file == nullptr) {
        ::close(fd);
        return false;
    }
    std::vector<std::string>& lines = read.Lines;
    std::string line;
    bool cut = false;
    bool afterCarriageReturn = false;
    const auto endLine = [&] {
        if (cut && lines.size() >= headerLines)
            ++read.CutHitLines;
        cut = false;
        lines.push_back(std::exchange(line, {}));
    };
    char chunk[65536];
    std::size_t n = 0;
    while (lines.size() < limit && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        for (std::size_t i = 0; i < n && lines.size() < limit; ++i) {
            const char c = chunk[i];
            const bool secondOfCrLf = afterCarriageReturn && c == '\n';
            afterCarriageReturn = c == '\r';
            if (secondOfCrLf)
                continue;
            if (c == '\r' || c == '\n')
                endLine();
            else if (line.size() < (lines.size() < headerLines ? HeaderLineLimit : HitLineLimit))
                line += c;
            else
                cut = true;
        }
    }
    if ((!line.empty() || cut) && lines.size() < limit)
        endLine();
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

}  // namespace

bool TResultLists::SaveResults(const std::string& fileName, const SEARCHINFO_TAG& info, bool littleEndian,
                               const std::string& dataPath) const
{
    if (Current.IsEmpty())
        return false;
    std::string contents = HeaderLine(FileIdentification);
    contents += HeaderLine("Searched for " + SearchedForText(info, littleEndian));
    contents += HeaderLine("type: " + SearchTypeName(info.SearchType));
    contents += HeaderLine("in file " + dataPath);
    contents += HeaderLine("matches: " + std::to_string(Current.RowCount()));
    for (const TResultEntry& row : Current.Rows)
        contents += row.Text + "\r\n";
    return platform::ReplaceFileWithBytes(fileName, contents);
}

bool TResultLists::LoadResults(const std::string& fileName)
{
    constexpr std::size_t headerLines = 5;
    TReadLines read;
    if (!ReadLines(fileName, headerLines + ResultListLimit, headerLines, read))
        return false;
    std::vector<std::string>& lines = read.Lines;
    constexpr std::string_view countTag = "matches:";
    if (lines.size() < headerLines || !lines[4].starts_with(countTag))
        return false;
    const std::string claimed = platform::Trim(std::string_view(lines[4]).substr(countTag.size()));
    const std::size_t hitLines = lines.size() - headerLines;
    // The count comes from the file: rows beyond the hit lines it holds are
    // blank, and no more rows are made than a result list holds.
    const std::int32_t count = std::max(1, ReadLeadingInt32(claimed));
    const std::size_t rows = static_cast<std::size_t>(std::min(count, ResultListLimit));

    std::vector<TResultEntry> loaded;
    loaded.reserve(rows);
    for (std::size_t k = 0; k < rows; ++k) {
        if (k < hitLines) {
            std::string& line = lines[headerLines + k];
            const auto position = static_cast<std::uint32_t>(ReadLeadingInt32(line)) - 1u;
            loaded.push_back({std::move(line), static_cast<std::int32_t>(position)});
        } else {
            loaded.push_back({});
        }
    }
    Previous.Rows = std::move(loaded);
    PreviousLabel = claimed + " matches";
    if (count > ResultListLimit)
        PreviousLabel += " (the first " + std::to_string(ResultListLimit) + " loaded)";
    if (read.CutHitLines > 0)
        PreviousLabel += " (" + std::to_string(read.CutHitLines) + (read.CutHitLines == 1 ? " line" : " lines") +
                         " longer than " + std::to_string(HitLineLimit) + " bytes cut)";
    return true;
}
