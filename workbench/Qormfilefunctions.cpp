#include "Qormfilefunctions.h"

#include "platform/Calendar.h"
#include "platform/Dialogs.h"
#include "platform/Numbers.h"
#include "platform/Shell.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr std::int64_t MillisecondsPerDay = 86400000;
// 30 December 1899, the day of date-time number 0, counted from 1 January 1970.
constexpr std::int64_t DateTimeEpoch = -25569;

static_assert(platform::DaysFromCivil(1899, 12, 30) == DateTimeEpoch);

// A C stream that is closed when it goes out of scope; Close reports whether
// the bytes still buffered reached the file.
class TStream {
public:
    TStream(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
    ~TStream() {
        if (file_) std::fclose(file_);
    }
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    explicit operator bool() const { return file_ != nullptr; }
    std::FILE* get() const { return file_; }
    bool Close() { return std::fclose(std::exchange(file_, nullptr)) == 0; }

private:
    std::FILE* file_;
};

bool SameFile(const TStream& a, const TStream& b) {
    struct stat first {};
    struct stat second {};
    return ::fstat(::fileno(a.get()), &first) == 0 && ::fstat(::fileno(b.get()), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Creates every missing folder of the name's folder part; a failure shows
// later, when the file itself cannot be made.
void CreateFolderOf(const std::string& name) {
    const std::string folder = platform::ExtractFilePath(name);
    if (!folder.empty()) platform::ForceDirectories(folder);
}

// Copies up to `count` bytes (all that remain when `count` is negative) from
// one stream to the other through `buffer`. False on a read or write error;
// reaching the end of the input early is not one.
bool CopyBytes(std::FILE* from, std::FILE* to, std::int64_t count, std::vector<char>& buffer) {
    while (count != 0) {
        const std::size_t wanted =
            count < 0 ? buffer.size() : static_cast<std::size_t>(std::min<std::int64_t>(count, buffer.size()));
        const std::size_t got = std::fread(buffer.data(), 1, wanted, from);
        if (got > 0 && std::fwrite(buffer.data(), 1, got, to) != got) return false;
        if (got < wanted) return std::ferror(from) == 0;
        if (count > 0) count -= static_cast<std::int64_t>(got);
    }
    return true;
}

// How long the file is; -1 when that cannot be learnt.
std::int64_t StreamLength(std::FILE* stream) {
    struct stat info {};
    return ::fstat(::fileno(stream), &info) == 0 ? info.st_size : -1;
}

TFileStampTime StampTime(const platform::FILETIME& fileTime) {
    TFileStampTime time;
    time.FileTime = fileTime;
    if (platform::FileTimeToSystemTime(fileTime, time.Calendar)) time.DateTime = DateTimeFromSystemTime(time.Calendar);
    return time;
}

std::optional<platform::MsgButtons> StyleButtons(std::int32_t style) {
    switch (style & 0xF) {
    case 0: return platform::MsgButtons::OK;
    case 1: return platform::MsgButtons::OKCancel;
    case 2: return platform::MsgButtons::AbortRetryIgnore;
    case 3: return platform::MsgButtons::YesNoCancel;
    case 4: return platform::MsgButtons::YesNo;
    case 5: return platform::MsgButtons::RetryCancel;
    default: return std::nullopt;
    }
}

platform::MsgIcon StyleIcon(std::int32_t style) {
    switch (style & 0xF0) {
    case 0x10: return platform::MsgIcon::Error;
    case 0x20: return platform::MsgIcon::Question;
    case 0x30: return platform::MsgIcon::Warning;
    case 0x40: return platform::MsgIcon::Information;
    default: return platform::MsgIcon::None;
    }
}

int AnswerCode(platform::MsgAnswer answer) {
    switch (answer) {
    case platform::MsgAnswer::OK: return 1;
    case platform::MsgAnswer::Cancel: return 2;
    case platform::MsgAnswer::Abort: return 3;
    case platform::MsgAnswer::Retry: return 4;
    case platform::MsgAnswer::Ignore: return 5;
    case platform::MsgAnswer::Yes: return 6;
    case platform::MsgAnswer::No: return 7;
    }
    return 0;
}

// The editor is started with the name as a command line writes it: a name
// with a blank goes in double quotes, and so does one that is itself quoted,
// since the quotes around a parameter are taken off before the editor gets it.
std::string EditorParameter(const std::string& file) {
    const bool quotedAlready = !file.empty() && file.front() == '"';
    const bool endsQuoted = file.size() >= 2 && quotedAlready && file.back() == '"';
    if ((file.find(' ') != std::string::npos && !quotedAlready) || endsQuoted) return '"' + file + '"';
    return file;
}

bool WithinStep(const platform::FILETIME& kept, const platform::FILETIME& wanted, std::uint64_t step) {
    const std::uint64_t a = platform::FileTimeToUInt64(kept);
    const std::uint64_t b = platform::FileTimeToUInt64(wanted);
    return (a > b ? a - b : b - a) < step;
}

}  // namespace

double DateTimeFromSystemTime(const platform::SYSTEMTIME& time) {
    const std::int64_t days = platform::DaysFromCivil(time.wYear, time.wMonth, time.wDay) - DateTimeEpoch;
    const std::int64_t milliseconds =
        ((std::int64_t{time.wHour} * 60 + time.wMinute) * 60 + time.wSecond) * 1000 + time.wMilliseconds;
    const double fraction = static_cast<double>(milliseconds) / MillisecondsPerDay;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::optional<platform::SYSTEMTIME> SystemTimeFromDateTime(double dateTime) {
    // Far beyond the years 1 to 9999 either way, and still exact in 64 bits.
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 1e8) return std::nullopt;
    auto days = static_cast<std::int64_t>(std::trunc(dateTime));
    std::int64_t milliseconds = std::llround(std::fabs(dateTime - static_cast<double>(days)) * MillisecondsPerDay);
    if (milliseconds >= MillisecondsPerDay) {
        milliseconds -= MillisecondsPerDay;
        ++days;
    }
    const std::int64_t fromUnixEpoch = days + DateTimeEpoch;
    const platform::CivilDate date = platform::CivilFromDays(fromUnixEpoch);
    if (date.year < 1 || date.year > 9999) return std::nullopt;
    platform::SYSTEMTIME time;
    time.wYear = static_cast<std::uint16_t>(date.year);
    time.wMonth = static_cast<std::uint16_t>(date.month);
    time.wDay = static_cast<std::uint16_t>(date.day);
    // 1 January 1970 was a Thursday.
    time.wDayOfWeek = static_cast<std::uint16_t>(((fromUnixEpoch % 7) + 7 + 4) % 7);
    time.wHour = static_cast<std::uint16_t>(milliseconds / 3600000);
    time.wMinute = static_cast<std::uint16_t>(milliseconds / 60000 % 60);
    time.wSecond = static_cast<std::uint16_t>(milliseconds / 1000 % 60);
    time.wMilliseconds = static_cast<std::uint16_t>(milliseconds % 1000);
    return time;
}

std::string ConcatFiles(const std::string& target, const std::string& source) {
    CreateFolderOf(target);
    if (!platform::FileExists(source)) return "";
    const bool created = !platform::FileExists(target);
    TStream out(target, "ab");
    if (!out) return "";
    TStream in(source, "rb");
    const std::int64_t before = StreamLength(out.get());
    std::vector<char> buffer(CopyBlockSize);
    // A file appended to itself would grow for as long as it is read.
    const bool appended = in && before >= 0 && !SameFile(in, out) && CopyBytes(in.get(), out.get(), -1, buffer);
    if (out.Close() && appended) return target;
    // The target goes back to what it was; should that fail too, the result
    // still tells the script that the append did not happen.
    std::error_code ignored;
    if (created)
        platform::DeleteFile(target);
    else if (before >= 0)
        std::filesystem::resize_file(target, static_cast<std::uintmax_t>(before), ignored);
    return "";
}

bool CopyToNewFile(const std::string& source, const std::string& target) {
    if (!platform::FileExists(source)) return false;
    CreateFolderOf(target);
    return platform::CopyFileA(source, target, true);
}

bool ReadFileStamp(const std::string& file, TFileStamp& stamp) {
    platform::FILETIME creation;
    platform::FILETIME lastAccess;
    platform::FILETIME lastWrite;
    if (!platform::FileExists(file) || !platform::GetFileTime(file, &creation, &lastAccess, &lastWrite)) return false;
    stamp.Times = {StampTime(creation), StampTime(lastAccess), StampTime(lastWrite)};
    return true;
}

double GetTimeStamp(const std::string& file, int selector, TFileStamp& stamp) {
    if (!ReadFileStamp(file, stamp) || selector < TS_CREATE || selector > TS_MODIFY) return 0;
    return stamp.Times[static_cast<std::size_t>(selector - 1)].DateTime;
}

bool SetTimeStamp(const std::string& file, double dateTime, int selector, TFileStamp& stamp) {
    if (!ReadFileStamp(file, stamp) || selector < TS_CREATE || selector > TS_MODIFY) return false;
    const std::optional<platform::SYSTEMTIME> calendar = SystemTimeFromDateTime(dateTime);
    platform::FILETIME fileTime;
    if (!calendar || !platform::SystemTimeToFileTime(*calendar, fileTime)) return false;
    // Only the selected time is written, so the other two keep their full precision.
    const auto write = [&](const platform::FILETIME& time) {
        return platform::SetFileTime(file, selector == TS_CREATE ? &time : nullptr,
                                     selector == TS_LASTACCESS ? &time : nullptr,
                                     selector == TS_MODIFY ? &time : nullptr);
    };
    if (!write(fileTime)) return false;
    const std::size_t slot = static_cast<std::size_t>(selector - 1);
    const std::uint64_t step = platform::FileTimeStep(file, selector == TS_LASTACCESS);
    TFileStamp kept;
    if (!ReadFileStamp(file, kept) || !WithinStep(kept.Times[slot].FileTime, fileTime, step)) {
        // The file system stored another time (ext4 holds none before 1901
        // or after 2446): the file gets back the time it had.
        write(stamp.Times[slot].FileTime);
        return false;
    }
    stamp = kept;
    return true;
}

std::string PieceName(const std::string& file, int number) { return file + platform::FormatC(".%03d", number); }

int SplitIntoPieces(const std::string& file, std::uint32_t pieceSize) {
    if (pieceSize == 0 || !platform::FileExists(file)) return 0;
    TStream in(file, "rb");
    if (!in) return 0;
    const std::int64_t length = StreamLength(in.get());
    if (length < 0) return 0;
    const std::uint64_t pieces = static_cast<std::uint64_t>(length) / pieceSize + 1;
    if (pieces >= PieceLimit) return 0;
    std::vector<char> buffer(std::min<std::size_t>(CopyBlockSize, pieceSize));
    for (int number = 1; number <= static_cast<int>(pieces); ++number) {
        const std::string name = PieceName(file, number);
        TStream out(name, "wb");
        if (!out) return 0;
        const bool copied = CopyBytes(in.get(), out.get(), pieceSize, buffer);
        if (!out.Close() || !copied) {
            platform::DeleteFile(name);
            return 0;
        }
    }
    return static_cast<int>(pieces);
}

int ScriptMessageBox(const std::string& text, std::int32_t style, const std::string& caption) {
    const std::optional<platform::MsgButtons> buttons = StyleButtons(style);
    if (!buttons) return 0;
    return AnswerCode(platform::MessageBox(text, caption, *buttons, StyleIcon(style), (style >> 8) & 0xF));
}

std::string ScriptInputBox(const std::string& prompt, const std::string& caption, const std::string& initial) {
    return platform::InputBox(caption, prompt, initial);
}

bool OpenInTextEditor(const std::string& file) {
    if (!platform::FileExists(file)) return false;
    return platform::ShellExecuteA("open", "notepad.exe", EditorParameter(file)) > 32;
}
