// The search state of one hex window and its operations: the entries of the
// "Search" page, the scan, the current and previous result lists, stepping
// from hit to hit, and the entry points that scripts use. Plain C++: the
// search pages show this state and forward the user's actions here.
#pragma once

#include "Resultlist.h"
#include "Search.h"
#include "Searchhost.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

enum class TSearchOutcome {
    Finished,      // the whole file was scanned
    LimitReached,  // the scan stopped at the result limit
    Cancelled,     // the stop flag ended the scan
    ReadFailed,    // the working copy could not be read to its end
    Refused,       // the set-up refused the entries; nothing was scanned
    Unavailable,   // no scan can run now (no working copy, or a scan runs already)
};

class TSearchSession {
public:
    // What changed, for whoever shows the session.
    enum TChange : unsigned {
        EntriesChanged = 1,  // Entries (the "Search" page)
        ResultsChanged = 2,  // Lists and their labels
        StepChanged = 4,     // StepIndex, ResultField, Selection
        ScanChanged = 8,     // Scanning()
    };

    explicit TSearchSession(TSearchHost& host);
    TSearchSession(const TSearchSession&) = delete;
    TSearchSession& operator=(const TSearchSession&) = delete;

    TSearchPageEntries Entries;
    TResultLists Lists;
    std::int32_t StepIndex = -1;  // hit step index: the current list's row stepped to
    std::string ResultField;      // edtSearchResult
    int Selection = 0;            // the selected row of the current list

    // Called after every change with the TChange bits that apply.
    std::function<void(unsigned)> OnChanged;
    // A scan lets the application process its messages at most this often.
    std::chrono::milliseconds PumpInterval{10};

    // The page as a new window shows it, from the global search defaults.
    void LoadDefaults(const SEARCHINFO_TAG& defaults);
    // Tells the views that Entries were changed from outside.
    void EntriesEdited();
    // What a script or a search in files puts on the page before it searches.
    void SetSearchValue(const std::string& text);
    // Selects a search type as the radio group does: below -1 gives -1 (none), above 4 gives 4.
    void SetSearchType(int index);

    bool Scanning() const { return scanning_; }
    // The whole search: set-up, scan and the hits as the current list. A
    // refused set-up keeps the current list; it and a read failure are told
    // to the user when `tellUser` (scripts learn them from the outcome alone).
    TSearchOutcome BeginSearch(bool tellUser = true);
    // Asks a running scan to stop before its next block.
    void CancelSearch();

    void StepDown();   // btnSearchesDownClick
    void StepUp();     // btnSearchesUpClick
    void StepFirst();  // btnFirstSearchClick
    void StepLast();   // btnLastResultClick
    // A double-click on a row of either list.
    void GoToRow(const TResultList& list, int row);
    // Stepping starts from this row (-1 = before the first hit).
    void SetStepIndex(std::int32_t index);

    // Script entry points. FirstSearchHit searches without showing a message;
    // while a script runs from the script window it returns the hit count (0
    // when the search did not run), otherwise it steps to the first hit and
    // returns its 1-based position, or -1.
    std::int32_t FirstSearchHit(bool scriptRunning);
    // Steps to the next hit: its 1-based position, or -1 at the last hit.
    // After a refused set-up it gives -1 until a search runs: the list still
    // shows the hits of an earlier search, which the script did not ask for.
    std::int32_t NextSearchHit();
    // "BOF", "CASE" or "MAXRESULTS" (any case, blanks around); false for another name.
    bool ApplySearchOption(const std::string& name, const std::string& value);

    // The result-list operations of the "Search Results" page.
    void Diff();
    void Match();
    void Merge();
    void MoveRight();
    void ClearCurrent();   // asks first
    void ClearPrevious();  // asks first
    bool SaveResults(const std::string& fileName);
    bool LoadResults(const std::string& fileName);
    void SaveResultsWithDialog();  // nothing for an empty current list
    void LoadResultsWithDialog();
    // The current list becomes the given entries (a search in files hands its hits over).
    void SetCurrentResults(std::vector<TResultEntry> entries, std::string label);
    // The window reopened its file: the lists keep their hits, which name
    // the same places of the same file, and stepping starts anew.
    void RestartStepping();

private:
    void Notify(unsigned changes);
    void ResetStep();
    void Step(int delta);
    std::int32_t ResultFieldValue() const;
    TScanEnd RunScan();

    TSearchHost& host_;
    bool scanning_ = false;
    bool setUpRefused_ = false;
};
