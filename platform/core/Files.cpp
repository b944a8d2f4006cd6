#include "platform/Files.h"

#include "platform/Calendar.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

// Ticks of 100 ns between 1 January 1601 and 1 January 1970.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

FILETIME FileTimeFromTimespec(std::int64_t seconds, std::int64_t nanoseconds) {
    const std::int64_t ticks = seconds * kTicksPerSecond + nanoseconds / 100 + kUnixEpochTicks;
    return FileTimeFromUInt64(ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks));
}

timespec TimespecFromFileTime(const FILETIME& time) {
    const std::int64_t ticks = static_cast<std::int64_t>(FileTimeToUInt64(time)) - kUnixEpochTicks;
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {  // times before 1970 round toward the past
        rest += kTicksPerSecond;
        --seconds;
    }
    timespec result{};
    result.tv_sec = static_cast<time_t>(seconds);
    result.tv_nsec = static_cast<long>(rest * 100);
    return result;
}

// A file descriptor that closes itself; Close() reports the close's own error.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Keeps errno across clean-up calls that may overwrite it.
class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int saved_;
};

std::string UpperHex(std::uint32_t value, int minDigits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", minDigits, value);
    return buffer;
}

// The candidates for temporary names run in sequence from a random start, so
// callers in one process never race for a name and other processes rarely do.
std::uint32_t NextTempNumber() {
    static std::atomic<std::uint32_t> next{static_cast<std::uint32_t>(std::random_device{}())};
    std::uint32_t number;
    do {
        number = next.fetch_add(1, std::memory_order_relaxed);
    } while (number == 0);
    return number;
}

// Whether the locked `fd` is still the file `path` names: a sweep of
// left-over files may have taken it between its creation and its lock.
bool StillNamed(int fd, const std::string& path) {
    struct stat mine {};
    struct stat named {};
    return ::fstat(fd, &mine) == 0 && mine.st_nlink > 0 && ::stat(path.c_str(), &named) == 0 &&
           named.st_dev == mine.st_dev && named.st_ino == mine.st_ino;
}

// Creates a new file under the first free name `nextName` gives and locks it
// (flock, exclusive). A file some sweep removed before the lock was taken is
// left for the next name, so the file returned is locked and named.
Fd CreateNamedLocked(const std::function<std::string()>& nextName, int access, mode_t mode, std::string& path) {
    for (int attempt = 0; attempt < 100000; ++attempt) {
        path = nextName();
        Fd fd(::open(path.c_str(), access | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (!fd.valid()) {
            if (errno != EEXIST) return fd;
            continue;
        }
        if (::flock(fd.get(), LOCK_EX) != 0) {
            ErrnoKeeper keep;
            ::unlink(path.c_str());
            return Fd();
        }
        if (StillNamed(fd.get(), path)) return fd;
    }
    errno = EEXIST;
    return Fd();
}

// File systems whose files show the kernel's state: a read of one may wait
// for ever (/proc/kmsg) or take what it reads away, and their sizes say nothing.
bool IsKernelFileSystem(int fd) {
    constexpr long kKernelFileSystems[] = {
        0x9fa0,      // proc
        0x62656572,  // sysfs
        0x64626720,  // debugfs
        0x74726163,  // tracefs
        0x73636673,  // securityfs
        0x62656570,  // configfs
        0x27e0eb,    // cgroup
        0x63677270,  // cgroup2
        0xcafe4a11,  // bpf
        0x6165676C,  // pstore
        0xde5e81e4,  // efivarfs
    };
    struct statfs info {};
    if (::fstatfs(fd, &info) != 0) return false;
    return std::find(std::begin(kKernelFileSystems), std::end(kKernelFileSystems), static_cast<long>(info.f_type)) !=
           std::end(kKernelFileSystems);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CopyBytes(int from, int to) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return false;
    }
}

// Makes sure the first `size` bytes of the file have room on the disk. A file
// system that cannot reserve space is written without the reservation.
bool ReserveSpace(int fd, off_t size) {
    if (size <= 0) return true;
    int result;
    do result = ::fallocate(fd, 0, 0, size);
    while (result != 0 && errno == EINTR);
    return result == 0 || errno == EOPNOTSUPP || errno == ENOSYS;
}

// Ends the file where the last write ended.
bool CutAtPosition(int fd) {
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    return end >= 0 && ::ftruncate(fd, end) == 0;
}

// Opens the target of a copy. `created` tells whether this call made the file,
// so that a failed copy removes only what it made.
// An existing target is opened without waiting (a pipe nobody reads fails
// at once) and then written blocking.
Fd OpenCopyTarget(const std::string& to, bool failIfExists, mode_t mode, bool& created) {
    Fd fd(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    created = fd.valid();
    if (fd.valid() || errno != EEXIST || failIfExists) return fd;
    Fd existing(::open(to.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (existing.valid() && ::fcntl(existing.get(), F_SETFL, ::fcntl(existing.get(), F_GETFL) & ~O_NONBLOCK) != 0)
        return Fd();
    return existing;
}

int AttributesOf(const std::string& name, const struct stat& info) {
    int attr = 0;
    if (S_ISDIR(info.st_mode))
        attr |= faDirectory;
    else if (S_ISREG(info.st_mode))
        attr |= faArchive;
    else
        attr |= faSysFile;  // devices, pipes and sockets
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= faReadOnly;
    if (!name.empty() && name[0] == '.') attr |= faHidden;
    return attr;
}

// Whether an entry with `attr` is found by a search asking for `wanted`:
// plain files always, the special kinds only when asked for.
bool Wanted(int attr, int wanted) {
    const int special = attr & (faDirectory | faHidden | faSysFile);
    return (special & ~wanted) == 0;
}

bool MatchesPlain(const char* pattern, const char* name) {
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (starPattern) {
            pattern = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

struct FileSearchState {
    std::string folder;            // with its trailing '/', or "" for the current folder
    std::vector<std::string> names;  // matching names, sorted
    std::size_t next = 0;
    int attributes = 0;
};

std::uint64_t FileTimeToUInt64(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FileTimeFromUInt64(std::uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<std::uint32_t>(ticks);
    time.dwHighDateTime = static_cast<std::uint32_t>(ticks >> 32);
    return time;
}

namespace {

constexpr std::int64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kTicksPerDay = 86400 * kTicksPerSecond;
// 1 January 1601, where file times start, counted from 1 January 1970.
constexpr std::int64_t kDay1601 = DaysFromCivil(1601, 1, 1);

}  // namespace

bool FileTimeToSystemTime(const FILETIME& fileTime, SYSTEMTIME& systemTime) {
    const std::uint64_t ticks = FileTimeToUInt64(fileTime);
    if (ticks >= (std::uint64_t{1} << 63)) return false;
    const auto signedTicks = static_cast<std::int64_t>(ticks);
    const std::int64_t days = signedTicks / kTicksPerDay;
    const std::int64_t ofDay = signedTicks % kTicksPerDay;
    const CivilDate date = CivilFromDays(days + kDay1601);
    systemTime.wYear = static_cast<std::uint16_t>(date.year);
    systemTime.wMonth = static_cast<std::uint16_t>(date.month);
    systemTime.wDay = static_cast<std::uint16_t>(date.day);
    systemTime.wDayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);  // 1 January 1601 was a Monday
    systemTime.wHour = static_cast<std::uint16_t>(ofDay / (3600 * kTicksPerSecond));
    systemTime.wMinute = static_cast<std::uint16_t>(ofDay / (60 * kTicksPerSecond) % 60);
    systemTime.wSecond = static_cast<std::uint16_t>(ofDay / kTicksPerSecond % 60);
    systemTime.wMilliseconds = static_cast<std::uint16_t>(ofDay / kTicksPerMillisecond % 1000);
    return true;
}

bool SystemTimeToFileTime(const SYSTEMTIME& t, FILETIME& fileTime) {
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 ||
        t.wMilliseconds > 999)
        return false;
    const std::int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay) - kDay1601;
    const std::int64_t ticks = days * kTicksPerDay + ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * kTicksPerSecond +
                               t.wMilliseconds * kTicksPerMillisecond;
    fileTime = FileTimeFromUInt64(static_cast<std::uint64_t>(ticks));
    return true;
}

std::string GetTempPathA() {
    const char* tmp = std::getenv("TMPDIR");
    return IncludeTrailingPathDelimiter(tmp && *tmp ? tmp : "/tmp");
}

std::string GetTempFileNameA(const std::string& folder, const std::string& prefix, unsigned unique) {
    const std::string base = IncludeTrailingPathDelimiter(folder) + prefix;
    if (unique != 0) return base + UpperHex(unique, 4) + ".tmp";
    // Every candidate is created with O_EXCL: a name that exists, however it
    // came to exist, is skipped and never opened.
    for (int attempt = 0; attempt < 100000; ++attempt) {
        const std::string path = base + UpperHex(NextTempNumber(), 8) + ".tmp";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return "";
    }
    errno = EEXIST;
    return "";
}

int CreateLockedTempFile(const std::string& folder, const std::string& prefix, std::string& path) {
    const std::string base = IncludeTrailingPathDelimiter(folder) + prefix;
    return CreateNamedLocked([&] { return base + UpperHex(NextTempNumber(), 8) + ".tmp"; }, O_RDWR, 0600, path)
        .Release();
}

int OpenPlainFile(const std::string& path, int access, struct stat* info) {
    Fd fd(::open(path.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return -1;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return -1;
    if (!S_ISREG(status.st_mode) || IsKernelFileSystem(fd.get())) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    if (::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK) != 0) return -1;
    if (info) *info = status;
    return fd.Release();
}

bool CopyFileA(const std::string& from, const std::string& to, bool failIfExists) {
    struct stat sourceInfo {};
    Fd source(OpenPlainFile(from, O_RDONLY, &sourceInfo));
    if (!source.valid()) return false;

    bool created = false;
    Fd target = OpenCopyTarget(to, failIfExists, sourceInfo.st_mode & 0777, created);
    if (!target.valid()) return false;
    const auto fail = [&] {
        ErrnoKeeper keep;
        if (created) ::unlink(to.c_str());
        return false;
    };
    struct stat targetInfo {};
    if (::fstat(target.get(), &targetInfo) != 0) return fail();
    if (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino) {
        errno = EINVAL;  // a file copied over itself would be emptied
        return false;
    }
    // The target is written over, not replaced, so it stays the same file. Room
    // for the whole copy is taken first: a full disk then fails the copy while
    // the target still holds every byte it held.
    const bool regular = S_ISREG(targetInfo.st_mode);
    if (regular && !ReserveSpace(target.get(), sourceInfo.st_size)) return fail();
    if (!CopyBytes(source.get(), target.get())) return fail();
    if (regular && !CutAtPosition(target.get())) return fail();

    // As the classic copy does, the copy carries the source's last-write time.
    const timespec times[2] = {{0, UTIME_OMIT}, sourceInfo.st_mtim};
    if (S_ISREG(targetInfo.st_mode)) ::futimens(target.get(), times);
    if (!target.Close()) return fail();
    return true;
}

bool GetFileTime(const std::string& path, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return false;
    const auto fromStatx = [](const statx_timestamp& t) { return FileTimeFromTimespec(t.tv_sec, t.tv_nsec); };
    if (creation) *creation = fromStatx((info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime);
    if (lastAccess) *lastAccess = fromStatx(info.stx_atime);
    if (lastWrite) *lastWrite = fromStatx(info.stx_mtime);
    return true;
}

bool SetFileTime(const std::string& path, const FILETIME* creation, const FILETIME* lastAccess,
                 const FILETIME* lastWrite) {
    if (creation) {
        errno = EOPNOTSUPP;
        return false;
    }
    timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (lastAccess) times[0] = TimespecFromFileTime(*lastAccess);
    if (lastWrite) times[1] = TimespecFromFileTime(*lastWrite);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::uint64_t FileTimeStep(const std::string& path, bool lastAccess) {
    constexpr long kFatMagic = 0x4d44;
    constexpr long kExFatMagic = 0x2011BAB0;
    constexpr std::uint64_t kSecond = kTicksPerSecond;
    struct statfs info {};
    const bool fat = ::statfs(path.c_str(), &info) == 0 && (info.f_type == kFatMagic || info.f_type == kExFatMagic);
    if (!fat) return kSecond;
    return lastAccess && info.f_type == kFatMagic ? 24 * 3600 * kSecond : 2 * kSecond;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EXDEV && FileExists(from)) {
        // Another file system: copy to a new file, then remove the original.
        if (!CopyFileA(from, to, true)) return false;
        if (::unlink(from.c_str()) == 0) return true;
        ErrnoKeeper keep;
        ::unlink(to.c_str());
        return false;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a hard link never replaces.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    if (::unlink(from.c_str()) == 0) return true;
    ErrnoKeeper keep;
    ::unlink(to.c_str());
    return false;
}

bool CreateDir(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool RemoveDir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool ForceDirectories(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && part.back() != '/' && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        if (end == std::string::npos) break;
    }
    if (DirectoryExists(path)) return true;
    errno = ENOTDIR;
    return false;
}

std::string GetCurrentDir() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return "";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool SetCurrentDir(const std::string& path) { return ::chdir(path.c_str()) == 0; }

std::int64_t FileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return -1;
    return info.st_size;
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    std::string folder = GetCurrentDir();
    if (folder.empty()) return path;
    std::string_view rest = path;
    while (!rest.empty()) {
        if (rest == "." || rest.starts_with("./")) {
            rest.remove_prefix(rest.size() == 1 ? 1 : 2);
        } else if (rest == ".." || rest.starts_with("../")) {
            rest.remove_prefix(rest.size() == 2 ? 2 : 3);
            const std::size_t slash = folder.find_last_of('/');
            folder.resize(slash == 0 || slash == std::string::npos ? 1 : slash);
        } else if (rest.front() == '/') {
            rest.remove_prefix(1);
        } else {
            break;
        }
    }
    if (rest.empty()) return folder;
    return IncludeTrailingPathDelimiter(folder) + std::string(rest);
}

std::string ExtractFilePath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string IncludeTrailingPathDelimiter(const std::string& folder) {
    if (folder.empty()) return "./";
    return folder.back() == '/' ? folder : folder + '/';
}

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    if (MatchesPlain(pattern.c_str(), name.c_str())) return true;
    // A trailing ".*" also matches a name without an extension, so "*.*"
    // finds every file as scripts written for the classic search expect.
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
        return MatchesPlain(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
    return false;
}

int FindFirst(const std::string& pattern, int attributes, TSearchRec& rec) {
    FindClose(rec);
    auto state = std::make_shared<FileSearchState>();
    state->folder = ExtractFilePath(pattern);
    state->attributes = attributes;
    const std::string mask = ExtractFileName(pattern);

    DIR* dir = ::opendir(state->folder.empty() ? "." : state->folder.c_str());
    if (!dir) return errno ? errno : ENOENT;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && MatchesWildcard(mask, name)) state->names.push_back(name);
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) return readError;
    std::sort(state->names.begin(), state->names.end());

    rec.state = std::move(state);
    const int result = FindNext(rec);
    if (result != 0) FindClose(rec);
    return result;
}

int FindNext(TSearchRec& rec) {
    FileSearchState* state = rec.state.get();
    if (!state) return EBADF;
    while (state->next < state->names.size()) {
        const std::string& name = state->names[state->next++];
        const std::string path = state->folder + name;
        struct stat info {};
        // A link that leads nowhere is still an entry of the folder.
        if (::stat(path.c_str(), &info) != 0 && ::lstat(path.c_str(), &info) != 0) continue;
        const int attr = AttributesOf(name, info);
        if (!Wanted(attr, state->attributes)) continue;
        rec.Name = name;
        rec.Size = S_ISDIR(info.st_mode) ? 0 : info.st_size;
        rec.Attr = attr;
        rec.Time = FileTimeFromTimespec(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
        return 0;
    }
    return ENOENT;
}

void FindClose(TSearchRec& rec) { rec.state.reset(); }

namespace {

// A chain of symbolic links longer than this is taken for a loop, as the kernel does.
constexpr int kMaxLinkHops = 40;
// Bytes of the target's name kept in the name of its temporary, so that the
// temporary's name stays within the longest name a folder holds.
constexpr std::size_t kKeptNameBytes = 200;
constexpr std::string_view kTemporarySuffix = ".saving";
constexpr std::size_t kTemporaryNumberDigits = 8;

// The file that a chain of symbolic links ends at: `path` itself when it is
// no link or does not exist (a link to a missing file gives that file).
std::optional<std::string> FollowLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::vector<char> target(4096);
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) return std::nullopt;
        if (static_cast<std::size_t>(length) == target.size()) {
            errno = ENAMETOOLONG;
            return std::nullopt;
        }
        const std::string next(target.data(), static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : ExtractFilePath(path) + next;
    }
    errno = ELOOP;
    return std::nullopt;
}

// The temporaries of a save of `target` are "<folder>/.<name>.<number>.saving".
std::string TemporaryPrefix(const std::string& target) {
    std::string prefix(1, '.');
    prefix.append(ExtractFileName(target), 0, kKeptNameBytes);
    prefix.push_back('.');
    return prefix;
}

bool IsTemporaryOf(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + kTemporaryNumberDigits + kTemporarySuffix.size() ||
        name.substr(0, prefix.size()) != prefix || name.substr(name.size() - kTemporarySuffix.size()) != kTemporarySuffix)
        return false;
    const std::string_view number = name.substr(prefix.size(), kTemporaryNumberDigits);
    return std::all_of(number.begin(), number.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// A save holds its temporary locked while it writes; the lock goes with the
// process, so a temporary that can be locked belongs to a save that was killed.
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    ErrnoKeeper keep;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryOf(entry->d_name, prefix)) continue;
        const std::string path = folder + entry->d_name;
        Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (fd.valid() && ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

std::string TemporaryName(const std::string& folder, const std::string& prefix) {
    return folder + prefix + UpperHex(NextTempNumber(), kTemporaryNumberDigits) + std::string(kTemporarySuffix);
}

// Gives the unnamed file `fd` the name `path`: through its own descriptor
// where the process may, else through its entry in /proc.
bool LinkUnnamed(int fd, const std::string& path) {
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The temporary is made without a name, locked, and only then named, so no
// sweep of stale temporaries ever sees it unlocked. Empty, with errno set,
// where the file system cannot make unnamed files (or name them).
Fd CreateUnnamedLockedTemporary(const std::string& folder, const std::string& prefix, mode_t mode,
                                std::string& path) {
    Fd fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (!fd.valid()) return fd;
    if (::flock(fd.get(), LOCK_EX) != 0) return Fd();
    for (int attempt = 0; attempt < 100000; ++attempt) {
        path = TemporaryName(folder, prefix);
        if (LinkUnnamed(fd.get(), path)) return fd;
        if (errno != EEXIST) {
            errno = EOPNOTSUPP;
            return Fd();
        }
    }
    errno = EEXIST;
    return Fd();
}

Fd CreateLockedTemporary(const std::string& folder, const std::string& prefix, mode_t mode, std::string& path) {
    Fd unnamed = CreateUnnamedLockedTemporary(folder, prefix, mode, path);
    if (unnamed.valid() || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return unnamed;
    return CreateNamedLocked([&] { return TemporaryName(folder, prefix); }, O_WRONLY, mode, path);
}

void SetTimes(int fd, const ReplaceOptions& options) {
    if (!options.lastAccess && !options.lastWrite) return;
    timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (options.lastAccess) times[0] = TimespecFromFileTime(*options.lastAccess);
    if (options.lastWrite) times[1] = TimespecFromFileTime(*options.lastWrite);
    // A time that cannot be set leaves the one the write gave; the bytes count.
    ::futimens(fd, times);
}

// The names of the extended attributes of `path` (or of `fd` when `path`
// is empty), the POSIX ACLs among them; empty where the file system keeps none.
std::vector<std::string> AttributeNames(const std::string& path, int fd) {
    std::vector<char> list;
    for (;;) {
        const ssize_t size = path.empty() ? ::flistxattr(fd, nullptr, 0) : ::listxattr(path.c_str(), nullptr, 0);
        if (size <= 0) return {};
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got =
            path.empty() ? ::flistxattr(fd, list.data(), list.size()) : ::listxattr(path.c_str(), list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) return {};
    }
    std::vector<std::string> names;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = std::find(list.begin() + static_cast<std::ptrdiff_t>(at), list.end(), '\0') - list.begin();
        if (end > at) names.emplace_back(list.data() + at, end - at);
        at = end + 1;
    }
    return names;
}

std::optional<std::string> AttributeValue(const std::string& path, const std::string& name) {
    for (;;) {
        const ssize_t size = ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
        if (size < 0) return std::nullopt;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return value;
        }
        if (errno != ERANGE) return std::nullopt;
    }
}

// Gives the new file the extended attributes of the old one, and takes away
// those it got from its folder (an inherited ACL) that the old one lacked.
void TakeAttributes(int fd, const std::string& target, std::vector<std::string>& notKept) {
    const std::vector<std::string> wanted = AttributeNames(target, -1);
    for (const std::string& name : AttributeNames("", fd))
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() && ::fremovexattr(fd, name.c_str()) != 0 &&
            errno != ENODATA)
            notKept.push_back(name);
    for (const std::string& name : wanted) {
        const std::optional<std::string> value = AttributeValue(target, name);
        if (!value || ::fsetxattr(fd, name.c_str(), value->data(), value->size(), 0) != 0) notKept.push_back(name);
    }
}

// The owner and group first: a change of owner clears the set-user and
// set-group bits and the file capabilities, which the attributes and the
// mode then put back. An owner the process may not give is left (the group
// alone is tried: a user may pass a file to a group of their own). The mode
// comes last, so its group bits stand as the ACL's mask.
bool TakeOwnerAttributesAndMode(int fd, const std::string& target, const struct stat& old,
                                std::vector<std::string>& notKept) {
    struct stat mine {};
    if (::fstat(fd, &mine) != 0) return false;
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        mine.st_gid != old.st_gid)
        ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    TakeAttributes(fd, target, notKept);
    if (::fchmod(fd, old.st_mode & 07777) != 0) return false;
    if (::fstat(fd, &mine) != 0) return false;
    if (mine.st_uid != old.st_uid) notKept.insert(notKept.begin(), "owner");
    if (mine.st_gid != old.st_gid) notKept.insert(notKept.begin(), "group");
    if ((mine.st_mode & 07777) != (old.st_mode & 07777)) notKept.insert(notKept.begin(), "mode");
    return true;
}

std::function<int(int)>& DiskSyncSeam() {
    static std::function<int(int)> sync = ::fsync;
    return sync;
}

int SyncToDisk(int fd) { return DiskSyncSeam()(fd); }

bool SyncFolder(const std::string& folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return false;
    // Some file systems cannot flush a folder; their renames are as durable as they get.
    return SyncToDisk(fd.get()) == 0 || errno == EINVAL;
}

bool WriteWhole(int fd, std::int64_t size, const ContentWriter& write) {
    return ReserveSpace(fd, static_cast<off_t>(size)) && write(fd) && CutAtPosition(fd);
}

bool WriteInPlace(const std::string& target, std::int64_t size, const ContentWriter& write,
                  const ReplaceOptions& options) {
    Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd.valid() || !WriteWhole(fd.get(), size, write)) return false;
    SetTimes(fd.get(), options);
    return SyncToDisk(fd.get()) == 0 && fd.Close();
}

// A save asks the disk to start writing each step of this many bytes as soon
// as it is written, so the disk works while the copy goes on and the flush
// that makes the save durable finds little left to write.
constexpr std::size_t kWritebackStep = std::size_t{16} << 20;

// Counts what a save has written and starts the disk on every full step.
// Only a start: the save's fsync still waits for every byte.
class TWriteback {
public:
    explicit TWriteback(int fd) : fd_(fd) {}
    void Written(std::size_t bytes) {
        written_ += static_cast<off_t>(bytes);
        if (written_ - started_ < static_cast<off_t>(kWritebackStep)) return;
        ::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
        started_ = written_;
    }

private:
    int fd_;
    off_t written_ = 0;
    off_t started_ = 0;
};

bool WriteInSteps(int fd, std::string_view bytes) {
    TWriteback writeback(fd);
    for (std::size_t at = 0; at < bytes.size(); at += kWritebackStep) {
        const std::size_t step = std::min(kWritebackStep, bytes.size() - at);
        if (!WriteAll(fd, bytes.data() + at, step)) return false;
        writeback.Written(step);
    }
    return true;
}

// Copies to the end of `from`, in the kernel where the two file systems
// allow it, else through a buffer.
bool CopyToEnd(int from, int to) {
    TWriteback writeback(to);
    std::vector<char> buffer;
    for (;;) {
        ssize_t copied = 0;
        if (buffer.empty()) {
            copied = ::copy_file_range(from, nullptr, to, nullptr, kWritebackStep, 0);
            if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                buffer.resize(std::size_t{1} << 20);
                continue;
            }
        } else {
            copied = ::read(from, buffer.data(), buffer.size());
            if (copied > 0 && !WriteAll(to, buffer.data(), static_cast<std::size_t>(copied))) return false;
        }
        if (copied > 0) {
            writeback.Written(static_cast<std::size_t>(copied));
            continue;
        }
        if (copied == 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace

DiskSync SetDiskSync(DiskSync sync) {
    return std::exchange(DiskSyncSeam(), sync ? std::move(sync) : DiskSync(::fsync));
}

bool ReplaceFile(const std::string& path, std::int64_t size, const ContentWriter& write,
                 const ReplaceOptions& options) {
    if (options.notKept) options.notKept->clear();
    const std::optional<std::string> target = FollowLinks(path);
    if (!target) return false;
    struct stat existing {};
    const bool exists = ::stat(target->c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && !S_ISREG(existing.st_mode)) {
        errno = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    // A file the user keeps read-only is not replaced behind its back.
    if (exists && ::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0) return false;
    // Other names of the file must see the new bytes: a rename would leave them the old ones.
    if (exists && existing.st_nlink > 1) return WriteInPlace(*target, size, write, options);

    const std::string folder = IncludeTrailingPathDelimiter(ExtractFilePath(*target));
    const std::string prefix = TemporaryPrefix(*target);
    RemoveStaleTemporaries(folder, prefix);
    std::string temporary;
    Fd fd = CreateLockedTemporary(folder, prefix, exists ? 0600 : options.newFileMode, temporary);
    if (!fd.valid()) {
        // A folder the user may not write to, holding a file they may write.
        if (exists && (errno == EACCES || errno == EPERM)) return WriteInPlace(*target, size, write, options);
        return false;
    }
    const auto fail = [&] {
        ErrnoKeeper keep;
        ::unlink(temporary.c_str());
        return false;
    };
    std::vector<std::string> notKept;
    if (!WriteWhole(fd.get(), size, write) ||
        (exists && !TakeOwnerAttributesAndMode(fd.get(), *target, existing, notKept)))
        return fail();
    SetTimes(fd.get(), options);
    // Still locked while it is renamed, so that no other save takes it for stale.
    if (SyncToDisk(fd.get()) != 0 || ::rename(temporary.c_str(), target->c_str()) != 0) return fail();
    if (!fd.Close()) return false;
    if (options.notKept) *options.notKept = std::move(notKept);
    return SyncFolder(folder);
}

bool ReplaceFileWithBytes(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
    return ReplaceFile(
        path, static_cast<std::int64_t>(bytes.size()),
        [bytes](int fd) { return WriteInSteps(fd, bytes); }, options);
}

bool ReplaceFileWithCopy(const std::string& path, const std::string& source, const ReplaceOptions& options) {
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!in.valid() || ::fstat(in.get(), &info) != 0) return false;
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && target.st_dev == info.st_dev && target.st_ino == info.st_ino) {
        errno = EINVAL;
        return false;
    }
    return ReplaceFile(path, info.st_size, [&in](int fd) { return CopyToEnd(in.get(), fd); }, options);
}

}  // namespace platform
