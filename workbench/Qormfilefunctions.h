// The script functions of the editor that work on files named by their paths
// and on small dialogs: concatenate, copy, split, read and set file times,
// message box, input box and the text editor. No channel and no widget here;
// the dialogs go through the platform's dialog seam.
#pragma once

#include "platform/Files.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Which time of a file the time-stamp functions read or set; scripts know
// them as the constants TS_CREATE, TS_LASTACCESS and TS_MODIFY.
enum TTimeStampSelector : int {
    TS_CREATE = 1,
    TS_LASTACCESS = 2,
    TS_MODIFY = 3,
};

// Concatenation and splitting move the data through one buffer of this size.
inline constexpr std::size_t CopyBlockSize = 512000;
// A split that would need this many pieces or more is refused.
inline constexpr std::uint64_t PieceLimit = 999;

// One time of a file in the three forms the library keeps.
struct TFileStampTime {
    platform::FILETIME FileTime;
    platform::SYSTEMTIME Calendar;
    double DateTime = 0;
};

// The times of the file last read by the time-stamp functions, indexed by
// selector - 1: creation, last access, last write.
struct TFileStamp {
    std::array<TFileStampTime, 3> Times;
};

// A date-time number counts days since 30 December 1899 00:00 UTC, with the
// time of day as its fraction (1 January 1900 12:00 is 2.5). Before that day
// the whole part counts back while the fraction still counts into the day, so
// -1.25 is 29 December 1899 06:00.
double DateTimeFromSystemTime(const platform::SYSTEMTIME& time);
// The calendar time of a date-time number, to the nearest millisecond;
// nothing when the number is not finite or falls outside the years 1 to 9999.
std::optional<platform::SYSTEMTIME> SystemTimeFromDateTime(double dateTime);

// Appends the source file to the target, creating the target and its missing
// folders. The target's name on success; "" when the source is missing, is
// the target itself, or a file cannot be opened, read or written. A failed
// append leaves the target as it was (a target it created is removed).
std::string ConcatFiles(const std::string& target, const std::string& source);

// Copies an existing file to a new name, creating missing folders of the
// target; never replaces an existing target.
bool CopyToNewFile(const std::string& source, const std::string& target);

// Reads the three times of an existing file (not a folder) into `stamp`;
// false, leaving `stamp` as it was, when they cannot be read.
bool ReadFileStamp(const std::string& file, TFileStamp& stamp);
// The file's time of the selector as a date-time number, after reading all
// three into `stamp`; 0 when the file cannot be read or the selector is not 1 to 3.
double GetTimeStamp(const std::string& file, int selector, TFileStamp& stamp);
// Sets the one time of the selector to the date-time number and keeps the
// file's other two times. False, with the file untouched, when its times
// cannot be read, the selector is not 1 to 3, the number is no calendar time
// of a file, or the time cannot be set (a creation time never can here); also
// false, with the time put back, when the file system keeps another time.
bool SetTimeStamp(const std::string& file, double dateTime, int selector, TFileStamp& stamp);

// "<file>.001", "<file>.002", ...: the number with at least three digits.
std::string PieceName(const std::string& file, int number);
// Splits the file into pieces of `pieceSize` bytes named by PieceName. There
// are length / pieceSize + 1 pieces, so an exact multiple ends with an empty
// piece. The number of pieces; 0 when the file is missing or unreadable, the
// size is 0, 999 or more pieces would be needed, or a piece cannot be written
// (the pieces finished before it stay, the broken one is removed).
int SplitIntoPieces(const std::string& file, std::uint32_t pieceSize);

// Shows a message box in the classic style word: buttons in the lowest four
// bits (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel), the icon in the next four (0x10 stop, 0x20 question, 0x30
// exclamation, 0x40 information), the default button in the next (0x100 the
// second, 0x200 the third). The classic code of the button pressed: 1 OK,
// 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No; 0, showing nothing, for
// buttons the style word does not name.
int ScriptMessageBox(const std::string& text, std::int32_t style, const std::string& caption);
// The edited text, or `initial` when the user cancels.
std::string ScriptInputBox(const std::string& prompt, const std::string& caption, const std::string& initial);
// Opens an existing file in the user's text editor and returns at once;
// false when the file does not exist or the editor cannot be started.
bool OpenInTextEditor(const std::string& file);
