// The search in files without its window: the list of files chosen, the
// search of each of them with the block scan of the in-window search, the
// hits of all of them as the window's result grid lists them, the hand-over
// of one file's hits to a hex window. The search-in-files window shows these;
// the tests drive them without windows.
#pragma once

#include "Resultlist.h"
#include "Search.h"
#include "Searchinfo.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

class TSearchSession;

// The hits listed over all files of one search stop at this many (2^20 - 17).
constexpr std::int32_t TotalHitLimit = 1048559;

// --- The files chosen.

// The names of the files of a folder that match the mask (wildcard patterns
// separated by ';' or blanks; an empty mask matches every name), in the byte
// order of their names. Every kind of file is listed, hidden ones too; folders are not.
std::vector<std::string> ListFolderFiles(const std::string& folder, const std::string& mask);

// The paths to search, in the order they were added, each once (paths are
// compared exactly). A set beside the order finds a listed path at once, so
// adding many thousands of files takes time in proportion to their number.
class TSelectedFiles {
public:
    const std::vector<std::string>& Paths() const { return paths_; }
    // False when the path is listed already.
    bool Add(const std::string& path);
    // Adds folder + '/' + name for each name.
    void AddFromFolder(const std::string& folder, const std::vector<std::string>& names);
    // Removes the entries at these indexes; indexes outside the list are ignored.
    void Remove(const std::vector<int>& indexes);
    void Clear();

private:
    std::vector<std::string> paths_;
    std::unordered_set<std::string> listed_;
};

// --- The hits of a search.

// One row of the result grid after its header: a file of the found list and
// the hit's 0-based position.
struct TFoundHit {
    std::int32_t File = 0;
    std::int32_t Position = 0;
};

// The hits of one file as a hex window takes them: its rows in order, and
// the place of the chosen row among them.
struct THitGroup {
    std::string Path;
    std::vector<TResultEntry> Entries;
    int Index = 0;
};

// The result grid ("Filename", "Position"; always at least one row) and the
// list of files that gave hits.
class TSearchFilesResults {
public:
    std::vector<std::string> Found;  // lstFound: every file that has rows, in search order
    std::vector<TFoundHit> Hits;     // the grid's rows, file by file, ascending within a file
    std::int32_t TotalHits = 0;
    std::string Label = "0 results";  // lblSearchCount

    // The grid's blank row, no file found, no hit.
    void Reset();
    // Lists the hits (1-based) of one file, cut so that no more than
    // TotalHitLimit are listed in all. True when the cut was needed: the
    // search must stop. A file none of whose hits is listed is not found.
    bool AddFileResults(const std::string& path, const std::vector<std::int32_t>& hits);

    int RowCount() const { return Hits.empty() ? 1 : static_cast<int>(Hits.size()); }
    // Column 0 and column 1 of a row; "" for the blank row or outside the rows.
    std::string PathOfRow(int row) const;
    std::string PositionTextOfRow(int row) const;
    // The first row of the file, or -1.
    int FirstRowOf(const std::string& path) const;
    // The rows of the row's file around it; nothing for the blank row.
    std::optional<THitGroup> GroupOfRow(int row) const;
};

// Gives a hex window's search the hits of one file: its current list becomes
// the group under "N results", its "Search" page takes the criteria of the
// search in files (value, type, limit and case; it keeps its own
// decimal/hex choice) to start at the beginning of the file, and it steps to
// the chosen hit. False, changing nothing, while the window's own scan runs.
bool HandOverHits(const THitGroup& group, const TSearchPageEntries& criteria, TSearchSession& session);

// --- The search.

enum class TFilesSearchEnd {
    Completed,     // every listed file was searched
    Refused,       // the criteria were refused; no file was searched
    LimitReached,  // the total limit was reached; the files after it were not searched
    Cancelled,     // the user stopped it; the files after it were not searched
};

struct TFilesSearchReport {
    TFilesSearchEnd End = TFilesSearchEnd::Completed;
    TPrepareResult Prepared = TPrepareResult::Accepted;
    int Searched = 0;    // files scanned (to their end, unless the search was cancelled)
    int Skipped = 0;     // files that could not be searched at all: gone, unreadable, not a plain file, 2 GB or more
    int Incomplete = 0;  // files whose reading failed part way; their hits so far are listed
};

// What the search tells its window while it runs.
struct TFilesSearchProgress {
    // Before each file is scanned.
    std::function<void(const std::string& path)> FileStarted;
    // Lets the application process its messages (throttled by the search).
    std::function<void()> PumpMessages;
};

class TSearchFiles {
public:
    TSearchFiles() = default;
    TSearchFiles(const TSearchFiles&) = delete;
    TSearchFiles& operator=(const TSearchFiles&) = delete;

    // The pattern, the options and the hits of the file searched last.
    SEARCHINFO_TAG SearchInfo;
    TSearchFilesResults Results;
    // A search lets the application process its messages at most this often:
    // before each file and at every 1000th position of a file.
    std::chrono::milliseconds PumpInterval{10};

    // The set-up of the in-window search, from the beginning of each file and
    // with numbers always little-endian.
    TPrepareResult BuildSearchPattern(const TSearchPageEntries& entries);
    // Scans one file from its beginning, collecting its hits into SearchInfo
    // (at most the record's limit, or the default limit).
    TScanEnd SearchOneFile(TSearchSource& source, std::int32_t fileSize, const std::function<void()>& progress);
    // The whole search: the results are reset, then every path is searched
    // in order and its hits listed, until the total limit or a cancel.
    TFilesSearchReport Search(const TSearchPageEntries& entries, const std::vector<std::string>& paths,
                              const TFilesSearchProgress& progress = {});

    bool Searching() const { return searching_; }
    // Asks a running search to stop; the file being scanned stops within a
    // block and no further file is searched.
    void Cancel();

private:
    enum class TFileScan { Searched, Skipped, Incomplete };
    TFileScan SearchPath(const std::string& path, const std::function<void()>& progress);

    // One scanner for every file, so that its block memory is made once.
    TBlockScanner scanner_;
    bool searching_ = false;
    bool cancelled_ = false;
};
