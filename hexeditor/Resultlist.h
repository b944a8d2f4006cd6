// The current and the previous result list of a hex window, their
// comparisons (diff, match, merge) and the search result file. No widgets
// here: the "Search Results" page shows these lists.
#pragma once

#include "Searchinfo.h"

#include <cstdint>
#include <string>
#include <vector>

// A diff, match or merge keeps at most this many entries (the lowest positions).
constexpr std::int32_t ResultListLimit = 1048560;

struct TResultEntry {
    std::string Text;           // what the list shows: the 1-based position in decimal
    std::int32_t Position = 0;  // 0-based byte position
    bool operator==(const TResultEntry&) const = default;
};

// -1, 0 or 1 as the first entry's position is below, equal to or above the second's.
int CompareResultPositions(const TResultEntry& first, const TResultEntry& second);

// A list of hits as its grid shows it: always at least one row, so a list
// without rows shows one blank row. A loaded file may leave blank rows and
// rows without a number; those are shown but are not hits.
class TResultList {
public:
    std::vector<TResultEntry> Rows;

    // Empty when the text of the first row, trimmed of codes 0 to 32, is empty.
    bool IsEmpty() const;
    // Rows shown, at least 1.
    int RowCount() const;
    // The row's entry; a blank entry outside the rows.
    TResultEntry Row(int row) const;
    // Entries of a non-empty list: its rows; 0 for an empty list.
    int EntryCount() const;
    // The rows that are hits (a text and a position of 0 or more), ascending.
    std::vector<TResultEntry> Hits() const;
    void Clear() { Rows.clear(); }
};

// "String", "BYTE", "WORD", "DWORD", "QWORD"; any other type "String".
std::string SearchTypeName(int searchType);
// The value a result file names as searched for: the text of a string search,
// the number that a number pattern holds (in the given byte order; WORD,
// DWORD and QWORD signed), empty while there is no pattern.
std::string SearchedForText(const SEARCHINFO_TAG& info, bool littleEndian);

// The two lists of a hex window with their labels.
class TResultLists {
public:
    TResultList Current;
    TResultList Previous;
    std::string CurrentLabel = "0 results";   // lblSearchCount
    std::string PreviousLabel = "0 results";  // lblPrevFile

    // The current list becomes the hits of a scan (1-based positions).
    void ShowHits(const std::vector<std::int32_t>& hits);
    // The current list becomes the given entries under the given label.
    void SetCurrent(std::vector<TResultEntry> entries, std::string label);

    // Each returns false and changes nothing when both lists are empty.
    bool Diff();   // positions in exactly one list: "N differences"
    bool Match();  // positions in both lists: "N matches"
    bool Merge();  // positions in either list: "N merged"
    void MoveRight();      // previous := current: "N results"
    void ClearCurrent();   // "0 results"
    void ClearPrevious();  // "0 results"

    // Writes the current list as a search result file, replacing the file
    // only once the new contents are written. False for an empty list, a
    // file that cannot be written or one that is not a plain file; an
    // existing file then stays as it was.
    bool SaveResults(const std::string& fileName, const SEARCHINFO_TAG& info, bool littleEndian,
                     const std::string& dataPath) const;
    // Fills the previous list from a search result file. False, changing
    // nothing, when the file is not a plain file, cannot be opened for
    // reading and writing, has fewer than 5 lines or its fifth line does not
    // begin with "matches:". A hit line is a number: the text of a line
    // longer than 255 bytes is cut there, and the label says how many were.
    bool LoadResults(const std::string& fileName);
};
