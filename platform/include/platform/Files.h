// File-system services in the shape the editor and the interpreter expect of
// their platform: temporary names, copies, the three file times, wildcard
// search and folder functions. Paths are native, compared exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace platform {

// 100-nanosecond intervals since 1 January 1601 UTC, split in two 32-bit halves.
struct FILETIME {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;
};

std::uint64_t FileTimeToUInt64(const FILETIME& time);
FILETIME FileTimeFromUInt64(std::uint64_t ticks);

// A calendar time in UTC, as the classic conversions fill it.
struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;      // 1-12
    std::uint16_t wDayOfWeek = 0;  // 0 = Sunday; ignored by SystemTimeToFileTime
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// The calendar time of a file time, to the millisecond (the rest is dropped);
// false for file times of 2^63 ticks and more.
bool FileTimeToSystemTime(const FILETIME& fileTime, SYSTEMTIME& systemTime);
// False, leaving `fileTime` as it is, for a calendar time that does not exist
// (month 13, 30 February, hour 24, ...) or lies outside the years 1601-30827.
bool SystemTimeToFileTime(const SYSTEMTIME& systemTime, FILETIME& fileTime);

// The temporary folder ($TMPDIR, else /tmp), always ending in '/'.
std::string GetTempPathA();

// Creates a new empty file "<folder>/<prefix><unique>.tmp" and returns its
// path; the name is reserved atomically, so two callers never share it. With
// a non-zero `unique` the name is built from that number and the file is not
// created, as the classic call does. Returns "" on failure (errno is set).
std::string GetTempFileNameA(const std::string& folder, const std::string& prefix, unsigned unique = 0);

// Creates a new empty file "<folder>/<prefix><8 hex digits>.tmp" as
// GetTempFileNameA does, and returns it open for reading and writing
// (close-on-exec) and locked (flock, exclusive) before any other process
// could lock it, so that a sweep of unlocked left-overs never takes it.
// -1 with errno set on failure.
int CreateLockedTempFile(const std::string& folder, const std::string& prefix, std::string& path);

// Opens a user's file once, without waiting (a pipe without a writer, a
// device), and checks what it opened: the descriptor (close-on-exec,
// blocking from then on) of a plain file, else -1 with errno set (EISDIR for
// a folder; EINVAL for a pipe, a device, a socket, or a file of /proc, /sys
// and their kind, whose reads may block or take away what they read).
// `access` is O_RDONLY, O_WRONLY or O_RDWR; `info` receives the file's status.
int OpenPlainFile(const std::string& path, int access, struct stat* info = nullptr);

// Copies the bytes of `from` to `to`. An existing target is overwritten in
// place (its identity, and so its creation time, is kept) unless
// `failIfExists` is set, when an existing target makes the copy fail. As the
// classic call does, the copy takes the source's last-write time; a new target
// also takes its permissions. A failed copy removes a target it created; a
// file copied onto itself fails and keeps its bytes. Only a plain file is
// copied (OpenPlainFile); a pipe nobody reads as the target fails at once.
bool CopyFileA(const std::string& from, const std::string& to, bool failIfExists);

// Reads the file's creation, last-access and last-write times; a null pointer
// skips that time. The creation time is the birth time where the file system
// keeps it, else the last status change. Returns false when the file cannot be read.
bool GetFileTime(const std::string& path, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);

// Sets the given times; a null pointer leaves that time as it is. A creation
// time cannot be set on Linux: passing one makes the call fail and change nothing.
bool SetFileTime(const std::string& path, const FILETIME* creation, const FILETIME* lastAccess,
                 const FILETIME* lastWrite);
// The step (in 100-ns ticks) in which the file system holding `path` keeps a
// file's last-access or last-write time: a time set there reads back within
// one step, or the file system did not keep it. FAT keeps write times in 2
// seconds and access times as a date; other file systems keep a second or finer.
std::uint64_t FileTimeStep(const std::string& path, bool lastAccess);

bool FileExists(const std::string& path);       // an existing entry that is not a folder
bool DirectoryExists(const std::string& path);
bool DeleteFile(const std::string& path);
// Renames; never replaces an existing target.
bool RenameFile(const std::string& from, const std::string& to);
bool CreateDir(const std::string& path);
bool RemoveDir(const std::string& path);        // only an empty folder
bool ForceDirectories(const std::string& path); // creates every missing folder of the chain
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& path);
// The path from the root: a relative path is taken from the current folder,
// its leading "./" and "../" resolved against it (the current folder has no
// links in it, so this names the same file). Names after that stay as they
// are. The path as it is when the current folder cannot be read.
std::string AbsolutePath(const std::string& path);
std::int64_t FileSize(const std::string& path); // -1 when it cannot be read

std::string ExtractFilePath(const std::string& path); // folder part with its trailing '/'
std::string ExtractFileName(const std::string& path);
std::string IncludeTrailingPathDelimiter(const std::string& folder);

// File attributes of a search, with their classic values.
enum : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

// '*' matches any run of characters, '?' any one character; case matters.
// As in the classic search, a trailing ".*" also matches a name without an
// extension, so "*.*" matches every name and "data.*" matches "data".
bool MatchesWildcard(const std::string& pattern, const std::string& name);

struct FileSearchState;

struct TSearchRec {
    std::string Name;       // the entry's name, without its folder
    std::int64_t Size = 0;
    int Attr = 0;
    FILETIME Time;          // last write
    std::shared_ptr<FileSearchState> state;
};

// Searches the folder part of `pattern` (the current folder when it has none)
// for entries whose name matches its last part, in the byte order of their
// names. Plain files always match; folders only when `attributes` includes
// faDirectory, hidden entries (leading '.') only with faHidden, devices, pipes
// and sockets only with faSysFile; "." and ".." are never found. A found
// entry's Attr holds faArchive for a plain file, faDirectory for a folder,
// faSysFile for the other kinds, plus faHidden for a leading '.' and
// faReadOnly when nobody may write it. Returns 0 on a match, non-zero
// otherwise. FindFirst replaces a search still held by `rec`.
int FindFirst(const std::string& pattern, int attributes, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

}  // namespace platform

namespace platform {

// --- Replacing a user's file whole.
//
// The new bytes go to a temporary file in the target's own folder, which is
// given the target's mode (the set-user, set-group and sticky bits too), its
// owner and group where the process may, and its extended attributes (the
// POSIX ACLs among them), is flushed to the disk and is renamed over the
// target; then the folder is flushed. The temporary is locked from its
// making, so no other save takes it for the left-over of a killed one. A kill at any instant leaves the target with its old
// bytes or its new bytes, never a mix. The target is the file a symbolic link
// leads to, so the link stays a link. A temporary left behind by a save that
// was killed is removed by the next save into that folder.
//
// Two cases keep the target's identity instead and write over it in place,
// after taking the room the new bytes need (a full disk then fails the save
// with the old bytes whole, but a kill halfway leaves a mix): a file with more
// than one hard link, whose other names must see the new bytes, and a folder
// the process may not write to while the file itself is writable.
//
// A target that exists and is no plain file (a folder, a device, a pipe), or
// that the process may not write, is refused. On failure (errno set) the target is as it was and no temporary
// is left.

struct ReplaceOptions {
    // Given to the new file when set (a creation time cannot be set on Linux).
    const FILETIME* lastAccess = nullptr;
    const FILETIME* lastWrite = nullptr;
    // Permissions of a file that did not exist, less the umask.
    unsigned newFileMode = 0666;
    // When set, receives what of the old file the new one does not carry
    // because the process may not give it: "mode", "owner", "group" or the
    // name of an extended attribute; empty when everything was kept.
    std::vector<std::string>* notKept = nullptr;
};

// Every flush to the disk that a save makes (of the new file, of its folder,
// of a file written in place) goes through this call, fsync by default; a
// test puts an observer in its place. Returns the call it replaces; an
// empty one puts fsync back.
using DiskSync = std::function<int(int fd)>;
DiskSync SetDiskSync(DiskSync sync);

// Writes the new bytes at the descriptor's position; false with errno set on failure.
using ContentWriter = std::function<bool(int fd)>;

// `size` is the number of bytes `write` produces: room for them is taken first.
bool ReplaceFile(const std::string& path, std::int64_t size, const ContentWriter& write,
                 const ReplaceOptions& options = {});
bool ReplaceFileWithBytes(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});
// The bytes of the file `source`; a source that is the target itself is refused.
bool ReplaceFileWithCopy(const std::string& path, const std::string& source, const ReplaceOptions& options = {});

}  // namespace platform
