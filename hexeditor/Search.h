// The byte-pattern search of a hex window: reading the "Search" page into a
// SEARCHINFO_TAG, the page as the global search defaults fill it, the number
// and string patterns, and the block scan over a file. No widgets here; the
// search pages and the search in files drive it.
#pragma once

#include "Searchinfo.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text's decimal digits with at most one leading sign: a '+' or '-' is
// kept only while nothing has been kept yet ("x-12 34" gives -1234).
std::string NormalizeDecimalText(std::string_view text);

// Leading blanks, an optional sign, then digits up to the first other
// character, accumulated modulo 2^32 ("4294967291" gives -5); no digits give 0.
// Counts and limits are read this way.
std::int32_t ReadLeadingInt32(std::string_view text);

// What the "Search" page holds, as the user or a script left it.
struct TSearchPageEntries {
    std::string Value;            // edtSearchValue
    int SearchType = stString;    // optSearchType item index; -1 when none is selected
    bool HexEntry = false;        // optNumberOptions on "Entry is Hex"
    bool StartAtBeginning = true; // chkBOF
    bool CaseSensitive = true;    // chkCase
    std::string NumResults = "0"; // edtNumResults
};

// --- The page and the global search defaults.

// The criteria as a window shows them from the defaults: the value text, the
// limit as an unsigned decimal, the type (a radio group shows nothing for a
// negative index and its last item for one past the end), the hex-entry
// flag, "Start search at beginning of file" = NOT the start-at-current flag,
// the case flag.
TSearchPageEntries EntriesFromDefaults(const SEARCHINFO_TAG& defaults);
// Stores the criteria into the defaults, as the defaults dialog's OK does: an
// empty value keeps the old one; the limit is read as typed (a negative limit
// means no limit to the windows that take it); the type is the item index.
void StoreDefaults(const TSearchPageEntries& entries, SEARCHINFO_TAG& defaults);

// NotANumber: a number entry without digits where the number is read
// (a decimal DWORD entry "DEADBEEF", a hex entry "xyz").
enum class TPrepareResult { Accepted, NoValue, OutOfRange, NotANumber };

// The width of the numbers a search of the type looks for: 1, 2, 4 or 8; 0 for a string.
int PatternWidth(int searchType);

// The pattern bytes of a value in the given search type, with a number in the
// given byte order; nothing when the value does not fit the type. Any type
// other than 1 to 4 searches the text's bytes as they stand.
std::optional<std::string> BuildSearchPattern(int searchType, bool hexEntry, bool littleEndian,
                                              std::string_view text);

// Validates the page and fills the record for a scan. A refused entry sets
// the stop flag and leaves every other field of the record as it was.
TPrepareResult PrepareSearch(const TSearchPageEntries& entries, std::int32_t currentPosition, bool littleEndian,
                             SEARCHINFO_TAG& info);

// Tells the user why a set-up of `entries` was refused (an OK message box);
// nothing for Accepted.
void ShowPrepareRefusal(TPrepareResult result, const TSearchPageEntries& entries);

// Where a scan reads its file: up to `count` bytes at `offset`, returning how
// many were read. Fewer than asked before the end of the file is a read failure.
class TSearchSource {
public:
    virtual std::size_t ReadBytes(std::int32_t offset, std::uint8_t* buffer, std::size_t count) = 0;

protected:
    ~TSearchSource() = default;
};

// A C stream as a search source (the working copy, or a file searched in place).
class TStreamSearchSource final : public TSearchSource {
public:
    explicit TStreamSearchSource(std::FILE* stream) : stream_(stream) {}
    std::size_t ReadBytes(std::int32_t offset, std::uint8_t* buffer, std::size_t count) override;

private:
    std::FILE* stream_;
};

// Seeks the stream and reads; 0 when the seek fails.
std::size_t ReadStreamAt(std::FILE* stream, std::int32_t offset, std::uint8_t* buffer, std::size_t count);

enum class TScanEnd { Finished, LimitReached, Stopped, ReadFailed };

// The block scan. The file is read in blocks of 512,000 positions; every
// position is tested once, with enough bytes after it for the longest form
// of the pattern, so no hit is lost across a block boundary. The stop flag is
// read before each block; `progress` runs at every 1000th position of a block
// so that the caller can let the application process its messages.
class TBlockScanner {
public:
    static constexpr std::int32_t BlockSize = 512000;
    static constexpr std::int32_t ProgressInterval = 1000;

    // Scans from the record's start position (0 = the beginning; otherwise
    // pattern length - 1 bytes before it, so that a hit reaching into the
    // start is found) and collects the 1-based hit positions into the record.
    // The record's pattern, type and case flag are read once, at the start.
    TScanEnd Run(SEARCHINFO_TAG& info, TSearchSource& source, std::int32_t fileSize,
                 const std::function<void()>& progress);

private:
    // The block read, with room after it for the matcher's read-ahead; kept
    // from one run to the next, so that a search of many files reads each
    // into the same memory.
    std::vector<std::uint8_t> buffer_;
};

// Lets the application process its messages at most once per interval, so
// that a scan calling it at every 1000th position stays fast while the
// window and its Cancel button still answer promptly. Reading the clock costs
// more than scanning the thousand positions between two calls, so with an
// interval the clock is read at every few calls only.
class TPumpThrottle {
public:
    explicit TPumpThrottle(std::function<void()> pump,
                           std::chrono::milliseconds interval = std::chrono::milliseconds(10));
    void operator()();

private:
    std::function<void()> pump_;
    std::chrono::steady_clock::duration interval_;
    std::chrono::steady_clock::time_point last_;
    int callsSinceClockRead_ = 0;
};
