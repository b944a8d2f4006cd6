#include "Searchfiles.h"

#include "Searchsession.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace {

std::vector<std::string> MaskPatterns(const std::string& mask)
{
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= mask.size()) {
        const std::size_t end = std::min(mask.find(';', start), mask.size());
        std::string pattern = platform::Trim(std::string_view(mask).substr(start, end - start));
        if (!pattern.empty())
            patterns.push_back(std::move(pattern));
        start = end + 1;
    }
    if (patterns.empty())
        patterns.emplace_back("*");
    return patterns;
}

std::string FolderPrefix(const std::string& folder)
{
    return folder.empty() || folder.back() == '/' ? folder : folder + '/';
}

}  // namespace

std::vector<std::string> ListFolderFiles(const std::string& folder, const std::string& mask)
{
    const std::vector<std::string> patterns = MaskPatterns(mask);
    std::vector<std::string> names;
    platform::TSearchRec rec;
    const int everyFile = platform::faReadOnly | platform::faHidden | platform::faSysFile | platform::faArchive;
    for (int found = platform::FindFirst(FolderPrefix(folder) + "*", everyFile, rec); found == 0;
         found = platform::FindNext(rec)) {
        const auto matches = [&rec](const std::string& pattern) { return platform::MatchesWildcard(pattern, rec.Name); };
        if (std::any_of(patterns.begin(), patterns.end(), matches))
            names.push_back(rec.Name);
    }
    platform::FindClose(rec);
    return names;
}

bool TSelectedFiles::Add(const std::string& path)
{
    if (!listed_.insert(path).second)
        return false;
    paths_.push_back(path);
    return true;
}

void TSelectedFiles::AddFromFolder(const std::string& folder, const std::vector<std::string>& names)
{
    const std::string prefix = FolderPrefix(folder);
    for (const std::string& name : names)
        Add(prefix + name);
}

void TSelectedFiles::Remove(const std::vector<int>& indexes)
{
    std::vector<bool> removed(paths_.size(), false);
    for (const int index : indexes)
        if (index >= 0 && index < static_cast<int>(paths_.size()))
            removed[static_cast<std::size_t>(index)] = true;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        if (removed[i])
            listed_.erase(paths_[i]);
        else
            paths_[kept++] = std::move(paths_[i]);
    }
    paths_.resize(kept);
}

void TSelectedFiles::Clear()
{
    paths_.clear();
    listed_.clear();
}

void TSearchFilesResults::Reset()
{
    Found.clear();
    Hits.clear();
    TotalHits = 0;
    Label = "0 matches.";
}

bool TSearchFilesResults::AddFileResults(const std::string& path, const std::vector<std::int32_t>& hits)
{
    auto count = static_cast<std::int64_t>(hits.size());
    const bool cut = TotalHits + count > TotalHitLimit;
    if (cut)
        count = TotalHitLimit - TotalHits;
    if (count > 0) {
        Found.push_back(path);
        const auto file = static_cast<std::int32_t>(Found.size() - 1);
        for (std::int64_t i = 0; i < count; ++i)
            Hits.push_back({file, hits[static_cast<std::size_t>(i)] - 1});
    }
    TotalHits += static_cast<std::int32_t>(count);
    Label = std::to_string(TotalHits) + " matches.";
    return cut;
}

std::string TSearchFilesResults::PathOfRow(int row) const
{
    if (row < 0 || row >= static_cast<int>(Hits.size()))
        return "";
    return Found[static_cast<std::size_t>(Hits[static_cast<std::size_t>(row)].File)];
}

std::string TSearchFilesResults::PositionTextOfRow(int row) const
{
    if (row < 0 || row >= static_cast<int>(Hits.size()))
        return "";
    return std::to_string(static_cast<std::int64_t>(Hits[static_cast<std::size_t>(row)].Position) + 1);
}

int TSearchFilesResults::FirstRowOf(const std::string& path) const
{
    const auto file = std::find(Found.begin(), Found.end(), path);
    if (file == Found.end())
        return -1;
    const auto index = static_cast<std::int32_t>(file - Found.begin());
    const auto row = std::find_if(Hits.begin(), Hits.end(), [index](const TFoundHit& hit) { return hit.File == index; });
    return row == Hits.end() ? -1 : static_cast<int>(row - Hits.begin());
}

std::optional<THitGroup> TSearchFilesResults::GroupOfRow(int row) const
{
    if (row < 0 || row >= static_cast<int>(Hits.size()))
        return std::nullopt;
    const std::string path = PathOfRow(row);
    int first = row;
    while (first > 0 && PathOfRow(first - 1) == path)
        --first;
    int last = row;
    while (last + 1 < static_cast<int>(Hits.size()) && PathOfRow(last + 1) == path)
        ++last;
    THitGroup group;
    group.Path = path;
    group.Index = row - first;
    for (int r = first; r <= last; ++r)
        group.Entries.push_back({PositionTextOfRow(r), Hits[static_cast<std::size_t>(r)].Position});
    return group;
}

bool HandOverHits(const THitGroup& group, const TSearchPageEntries& criteria, TSearchSession& session)
{
    if (session.Scanning())
        return false;
    const std::string label = std::to_string(group.Entries.size()) + " results";
    session.SetCurrentResults(group.Entries, label);
    session.SetSearchType(criteria.SearchType);
    session.SetSearchValue(criteria.Value);
    session.ApplySearchOption("BOF", "1");
    session.ApplySearchOption("MAXRESULTS", criteria.NumResults);
    session.ApplySearchOption("CASE", criteria.CaseSensitive ? "1" : "0");
    session.SetStepIndex(group.Index - 1);
    session.StepDown();
    return true;
}

TPrepareResult TSearchFiles::BuildSearchPattern(const TSearchPageEntries& entries)
{
    TSearchPageEntries fromTheBeginning = entries;
    fromTheBeginning.StartAtBeginning = true;
    return PrepareSearch(fromTheBeginning, 0, true, SearchInfo);
}

TScanEnd TSearchFiles::SearchOneFile(TSearchSource& source, std::int32_t fileSize,
                                     const std::function<void()>& progress)
{
    SearchInfo.StartPosition = 0;
    return scanner_.Run(SearchInfo, source, fileSize, progress);
}

void TSearchFiles::Cancel()
{
    if (searching_)
        cancelled_ = true;
}

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Marks the search busy for its length, however it ends.
class TSearchingFlag {
public:
    explicit TSearchingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TSearchingFlag() { flag_ = false; }
    TSearchingFlag(const TSearchingFlag&) = delete;
    TSearchingFlag& operator=(const TSearchingFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

TSearchFiles::TFileScan TSearchFiles::SearchPath(const std::string& path, const std::function<void()>& progress)
{
    // Only plain files, opened once and checked as opened: a pipe or a device
    // may wait for ever. Positions are 32-bit, so larger files cannot be searched.
    struct stat status {};
    const int fd = platform::OpenPlainFile(path, O_RDONLY, &status);
    if (fd < 0)
        return TFileScan::Skipped;
    const std::unique_ptr<std::FILE, TFileCloser> stream(::fdopen(fd, "rb"));
    if (!stream) {
        ::close(fd);
        return TFileScan::Skipped;
    }
    if (status.st_size > std::numeric_limits<std::int32_t>::max())
        return TFileScan::Skipped;
    TStreamSearchSource source(stream.get());
    const TScanEnd end = SearchOneFile(source, static_cast<std::int32_t>(status.st_size), progress);
    return end == TScanEnd::ReadFailed ? TFileScan::Incomplete : TFileScan::Searched;
}

TFilesSearchReport TSearchFiles::Search(const TSearchPageEntries& entries, const std::vector<std::string>& paths,
                                        const TFilesSearchProgress& progress)
{
    TFilesSearchReport report;
    if (searching_) {
        report.End = TFilesSearchEnd::Cancelled;
        return report;
    }
    const TSearchingFlag busy(searching_);
    cancelled_ = false;
    Results.Reset();
    report.Prepared = BuildSearchPattern(entries);
    if (report.Prepared != TPrepareResult::Accepted) {
        report.End = TFilesSearchEnd::Refused;
        return report;
    }

    TPumpThrottle pump(
        [&progress] {
            if (progress.PumpMessages)
                progress.PumpMessages();
        },
        PumpInterval);
    // The scan clears the stop flag when it starts a file, so a cancel
    // reaches it through the progress calls.
    const auto tick = [this, &pump] {
        pump();
        if (cancelled_)
            SearchInfo.Stop = true;
    };
    // The list is copied: whatever the messages processed meanwhile do to
    // the window's list, this search goes through the files it started with.
    const std::vector<std::string> files = paths;
    for (const std::string& path : files) {
        // A file shorter than the progress interval never reaches the scan's
        // own calls, so a search of many small files would not answer.
        tick();
        if (cancelled_)
            break;
        if (progress.FileStarted)
            progress.FileStarted(path);
        const TFileScan scan = SearchPath(path, tick);
        if (scan == TFileScan::Skipped) {
            ++report.Skipped;
            continue;
        }
        ++(scan == TFileScan::Searched ? report.Searched : report.Incomplete);
        if (Results.AddFileResults(path, SearchInfo.Hits)) {
            report.End = TFilesSearchEnd::LimitReached;
            return report;
        }
    }
    if (cancelled_)
        report.End = TFilesSearchEnd::Cancelled;
    return report;
}
