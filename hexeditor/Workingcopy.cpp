#include "Workingcopy.h"

#include "platform/Numbers.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Repeats a positioned read or write, `transfer(done)`, until `count` bytes
// are through, the file ends or it fails; the number of bytes through.
template <typename TTransfer>
std::size_t WholeTransfer(std::size_t count, TTransfer transfer) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t step = transfer(done);
        if (step < 0 && errno == EINTR) continue;
        if (step <= 0) break;
        done += static_cast<std::size_t>(step);
    }
    return done;
}

// A save writes a new file or replaces a plain one; a device or a pipe
// would swallow the bytes (or block) and the changes would count as saved.
bool IsSaveTarget(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return status.type() == std::filesystem::file_type::not_found || std::filesystem::is_regular_file(status);
}

// A copy that holds changes its data file lacks is named for recovery in
// "<copy>.name": the data file's path, then, after a zero byte, what the
// data file was when the changes began (TDiskState::Text). A copy that a
// rebuild is making is marked by "<copy>.rebuilding" until it stands.
constexpr const char* NameFileSuffix = ".name";
constexpr const char* RebuildMarkSuffix = ".rebuilding";

std::string NameFileOf(const std::string& workPath) { return workPath + NameFileSuffix; }
std::string RebuildMarkOf(const std::string& workPath) { return workPath + RebuildMarkSuffix; }

// A name file is a path and a few numbers: anything longer is no name file.
constexpr std::size_t MaxNameFileBytes = 64 * 1024;

std::optional<std::string> ReadNameFile(const std::string& workPath) {
    const int fd = platform::OpenPlainFile(NameFileOf(workPath), O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::string bytes(MaxNameFileBytes + 1, '\0');
    std::size_t got = 0;
    for (ssize_t n; got < bytes.size() && (n = ::read(fd, bytes.data() + got, bytes.size() - got)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > MaxNameFileBytes) return std::nullopt;
    bytes.resize(got);
    return bytes;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && written;
}

// A working copy is locked by its session for as long as the session has it
// open; the lock goes with the process, however the process ends. The copies
// of other users (in a shared temporary folder) are theirs to find. A pipe
// named like a copy is never waited on.
bool LeftByThisUser(const std::string& workPath) {
    const int fd = ::open(workPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool left = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                      ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return left;
}

// Calls `found` with the path and size of every "Qrm" copy in the folders
// that this user's ended sessions left (each folder once).
void ForEachLeftCopy(const std::vector<std::string>& folders,
                     const std::function<void(const std::string&, std::int64_t)>& found) {
    std::vector<std::string> searched;
    for (const std::string& given : folders) {
        const std::string folder = platform::IncludeTrailingPathDelimiter(given);
        if (std::find(searched.begin(), searched.end(), folder) != searched.end()) continue;
        searched.push_back(folder);
        platform::TSearchRec rec;
        for (int more = platform::FindFirst(folder + "Qrm*.tmp", 0, rec); more == 0; more = platform::FindNext(rec)) {
            const std::string path = folder + rec.Name;
            if (LeftByThisUser(path)) found(path, rec.Size);
        }
        platform::FindClose(rec);
    }
}

void DeleteCopyFiles(const std::string& workPath) {
    platform::DeleteFile(workPath);
    platform::DeleteFile(NameFileOf(workPath));
    platform::DeleteFile(RebuildMarkOf(workPath));
}

}  // namespace

std::string TDiskState::Text() const {
    return platform::FormatC("%llu %llu %lld %lld %ld", static_cast<unsigned long long>(Device),
                             static_cast<unsigned long long>(Inode), static_cast<long long>(Size),
                             static_cast<long long>(WriteSeconds), static_cast<long>(WriteNanoseconds));
}

std::optional<TDiskState> TDiskState::FromText(const std::string& text) {
    unsigned long long device = 0, inode = 0;
    long long size = 0, seconds = 0;
    long nanoseconds = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%llu %llu %lld %lld %ld%c", &device, &inode, &size, &seconds, &nanoseconds, &rest) !=
        5)
        return std::nullopt;
    return TDiskState{device, inode, size, seconds, nanoseconds};
}

std::optional<TDiskState> TDiskState::Of(const struct stat& info) {
    return TDiskState{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                      static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec),
                      static_cast<long>(info.st_mtim.tv_nsec)};
}

std::optional<TDiskState> TDiskState::OfPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return Of(info);
}

std::vector<TLeftWorkingCopy> FindLeftWorkingCopies(const std::vector<std::string>& folders) {
    std::vector<TLeftWorkingCopy> found;
    ForEachLeftCopy(folders, [&found](const std::string& path, std::int64_t size) {
        const std::optional<std::string> named = ReadNameFile(path);
        if (!named || platform::FileExists(RebuildMarkOf(path))) return;
        const std::size_t zero = named->find('\0');
        TLeftWorkingCopy left{path, named->substr(0, zero), size, std::nullopt};
        if (zero != std::string::npos) left.DataState = TDiskState::FromText(named->substr(zero + 1));
        found.push_back(std::move(left));
    });
    return found;
}

void DeleteIdleWorkingCopies(const std::vector<std::string>& folders) {
    ForEachLeftCopy(folders, [](const std::string& path, std::int64_t) {
        if (!platform::FileExists(NameFileOf(path)) || platform::FileExists(RebuildMarkOf(path)))
            DeleteCopyFiles(path);
    });
}

void DeleteLeftWorkingCopy(const TLeftWorkingCopy& left) { DeleteCopyFiles(left.WorkPath); }

std::size_t TFileIO::Write(std::FILE* stream, const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, stream);
}

std::size_t TFileIO::WriteAt(int fd, const void* data, std::size_t size, std::int64_t position) {
    const auto* bytes = static_cast<const char*>(data);
    return WholeTransfer(size, [&](std::size_t done) {
        return ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(position + done));
    });
}

bool TFileIO::Flush(std::FILE* stream) { return std::fflush(stream) == 0; }

bool TFileIO::Close(std::FILE* stream) { return std::fclose(stream) == 0; }

TFileIO& TFileIO::Standard() {
    static TFileIO io;
    return io;
}

std::string ChannelCaption(std::int32_t channel, const std::string& dataPath, std::int32_t fileSize) {
    return "Ch: " + std::to_string(channel) + " " + dataPath + " - " + std::to_string(fileSize) + " bytes";
}

bool CreateZeroFile(const std::string& path, std::int32_t size, TFileIO& io) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const auto zeros = std::make_unique<char[]>(TWorkingCopy::BlockSize);
    bool written = true;
    for (std::int32_t left = size; written && left > 0;) {
        const std::size_t block = std::min(left, TWorkingCopy::BlockSize);
        written = io.Write(file, zeros.get(), block) == block;
        left -= static_cast<std::int32_t>(block);
    }
    written = io.Flush(file) && written;
    written = io.Close(file) && written;
    if (!written) platform::DeleteFile(path);
    return written;
}

TWorkingCopy::TWorkingCopy(std::string rebuildFolder, TFileIO& io)
    : rebuildFolder_(platform::IncludeTrailingPathDelimiter(rebuildFolder)),
      io_(io),
      buffer_(std::make_unique<char[]>(BlockSize + 1)) {}

TWorkingCopy::~TWorkingCopy() { Close(); }

// Only a plain file that fits in 32 bits is copied: a device or a pipe would
// be read without end (or block the window), and a larger file would be
// copied whole only to be refused afterwards. The file is opened once and
// what was opened is checked, so nothing can be swapped in between.
int TWorkingCopy::OpenDataFile(struct stat& info) const {
    const int fd = platform::OpenPlainFile(dataPath_, O_RDONLY, &info);
    if (fd >= 0 && info.st_size > MaxFileSize) {
        ::close(fd);
        errno = EFBIG;
        return -1;
    }
    return fd;
}

bool TWorkingCopy::Open(const std::string& dataPath) {
    Close();
    dataPath_ = dataPath;
    struct stat info {};
    const int source = OpenDataFile(info);
    if (source < 0) return false;
    // The times are taken before the copy reads the file, so a save gives
    // back the times the file had before the editor touched it.
    ReadTimes();
    std::string path;
    const int fd = platform::CreateLockedTempFile(platform::GetTempPathA(), "Qrm", path);
    std::FILE* stream = fd >= 0 ? ::fdopen(fd, "r+b") : nullptr;
    if (!stream) {
        if (fd >= 0) {
            ::close(fd);
            platform::DeleteFile(path);
        }
        ::close(source);
        return false;
    }
    stream_ = stream;
    workPath_ = path;
    const bool filled = FillFrom(source, info);
    ::close(source);
    if (!filled) {
        Close();
        return false;
    }
    return true;
}

bool TWorkingCopy::Reopen() {
    if (!stream_) return false;
    struct stat info {};
    const int source = OpenDataFile(info);
    ReadTimes();
    const bool filled = source >= 0 && FillFrom(source, info);
    if (source >= 0) ::close(source);
    if (!filled) {
        Close();
        return false;
    }
    return true;
}

// Replaces the copy's bytes with those of the open data file `source`: at
// most the size it had when opened, so a file that grows meanwhile is not
// followed past 32 bits. The copy then holds no changes.
bool TWorkingCopy::FillFrom(int source, const struct stat& info) {
    const int target = ::fileno(stream_);
    if (!io_.Flush(stream_) || ::ftruncate(target, 0) != 0 || ::lseek(target, 0, SEEK_SET) != 0) return false;
    std::int64_t copied = 0;
    while (copied < info.st_size) {
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(info.st_size - copied, BlockSize));
        const ssize_t got = ::read(source, buffer_.get(), wanted);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        for (ssize_t at = 0; at < got;) {
            const ssize_t written = ::write(target, buffer_.get() + at, static_cast<std::size_t>(got - at));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            at += written;
        }
        copied += got;
    }
    if (std::fseek(stream_, 0, SEEK_SET) != 0) return false;
    fileSize_ = static_cast<std::int32_t>(copied);
    dataState_ = TDiskState::Of(info);
    ForgetChanges();
    return true;
}

bool TWorkingCopy::Recover(const TLeftWorkingCopy& left) {
    Close();
    dataPath_ = left.DataPath;
    ReadTimes();
    const int fd = ::open(left.WorkPath.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    std::FILE* stream = nullptr;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= MaxFileSize &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        stream = ::fdopen(fd, "r+b");
    if (!stream) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    stream_ = stream;
    workPath_ = left.WorkPath;
    fileSize_ = static_cast<std::int32_t>(info.st_size);
    dataState_ = left.DataState;
    modified_ = true;
    named_ = true;
    return true;
}

void TWorkingCopy::Close() {
    if (stream_) {
        io_.Close(stream_);
        stream_ = nullptr;
    }
    if (!workPath_.empty()) DeleteCopyFiles(workPath_);
    workPath_.clear();
    fileSize_ = 0;
    modified_ = false;
    named_ = false;
    dataState_.reset();
}

void TWorkingCopy::ReadTimes() {
    timesKnown_ = platform::GetFileTime(dataPath_, &creationTime_, &lastAccessTime_, &lastWriteTime_);
}

std::string TWorkingCopy::NameFileText() const {
    return dataState_ ? dataPath_ + '\0' + dataState_->Text() : dataPath_;
}

// From the first change on, a later session can name the data file should
// this one end without closing the copy. Without the name the copy still
// works; only that help is lost.
void TWorkingCopy::MarkModified() {
    modified_ = true;
    if (!named_) named_ = WriteWholeFile(NameFileOf(workPath_), NameFileText());
}

// The copy holds the data file's bytes again: nothing is left to recover.
void TWorkingCopy::ForgetChanges() {
    modified_ = false;
    if (named_) platform::DeleteFile(NameFileOf(workPath_));
    named_ = false;
}

bool TWorkingCopy::ChangedOnDisk(const std::string& target) const {
    if (!stream_ || !dataState_ || (!target.empty() && target != dataPath_)) return false;
    const std::optional<TDiskState> now = TDiskState::OfPath(dataPath_);
    return now && *now != *dataState_;
}

std::size_t TWorkingCopy::Read(std::int32_t position, void* buffer, std::size_t count) {
    if (!stream_ || position < 0 || position >= fileSize_) return 0;
    count = std::min<std::size_t>(count, static_cast<std::size_t>(fileSize_ - position));
    return ReadAt(position, buffer, count);
}

// Reads and in-place writes go to the descriptor, past the stream's buffer,
// which only a rebuild's copy fills and flushes before the stream stands.
std::size_t TWorkingCopy::ReadAt(std::int64_t position, void* buffer, std::size_t count) const {
    auto* bytes = static_cast<char*>(buffer);
    const int fd = ::fileno(stream_);
    return WholeTransfer(count, [&](std::size_t done) {
        return ::pread(fd, bytes + done, count - done, static_cast<off_t>(position + done));
    });
}

std::size_t TWorkingCopy::Write(std::int32_t position, const void* data, std::size_t count) {
    if (!stream_ || position < 0) return 0;
    MarkModified();
    if (position >= fileSize_) return 0;
    count = std::min<std::size_t>(count, static_cast<std::size_t>(fileSize_ - position));
    return io_.WriteAt(::fileno(stream_), data, count, position);
}

std::string TWorkingCopy::ReadString(std::int32_t position, std::int32_t count) {
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(count, 0, BlockSize));
    const std::size_t got = Read(position, buffer_.get(), wanted);
    const std::string_view text(buffer_.get(), got);
    return std::string(text.substr(0, text.find('\0')));
}

bool TWorkingCopy::InsertBytes(std::int32_t position, std::int32_t count) {
    if (!stream_ || count <= 0 || std::int64_t{fileSize_} + count > MaxFileSize) return false;
    const std::int64_t at = std::clamp(position, 0, fileSize_);
    return Rebuild({{0, at}, {Zeros, count}, {at, fileSize_ - at}});
}

bool TWorkingCopy::DeleteBytes(std::int32_t position, std::int32_t count) {
    if (!stream_ || count <= 0) return false;
    const std::int64_t at = std::clamp(position, 0, fileSize_);
    const std::int64_t end = std::min<std::int64_t>(at + count, fileSize_);
    return Rebuild({{0, at}, {end, fileSize_ - end}});
}

bool TWorkingCopy::SetFileSize(std::int32_t size) {
    if (!stream_) return false;
    const std::int64_t kept = std::clamp(size, 0, fileSize_);
    // In 64 bits: a size near the smallest int must not overflow the difference.
    return Rebuild({{0, kept}, {Zeros, std::max<std::int64_t>(0, std::int64_t{size} - fileSize_)}});
}

// The new copy is marked as a rebuild's before a byte goes into it, so a
// session killed halfway leaves a copy the next start knows to delete; the
// copy it was made from stays named until the new one stands.
bool TWorkingCopy::Rebuild(std::initializer_list<TPiece> pieces) {
    std::string path;
    const int fd = platform::CreateLockedTempFile(rebuildFolder_, "Qrm", path);
    if (fd < 0) return false;
    std::FILE* target = ::fdopen(fd, "w+b");
    if (!target) {
        ::close(fd);
        platform::DeleteFile(path);
        return false;
    }
    WriteWholeFile(RebuildMarkOf(path), dataPath_);
    bool copied = true;
    for (const TPiece& piece : pieces) copied = copied && CopyPiece(piece, target);
    copied = copied && io_.Flush(target);
    const long size = copied ? std::ftell(target) : -1;
    if (size < 0 || size > MaxFileSize) {
        io_.Close(target);
        DeleteCopyFiles(path);
        return false;
    }
    const bool named = WriteWholeFile(NameFileOf(path), NameFileText());
    platform::DeleteFile(RebuildMarkOf(path));
    io_.Close(stream_);
    DeleteCopyFiles(workPath_);
    stream_ = target;
    workPath_ = path;
    fileSize_ = static_cast<std::int32_t>(size);
    modified_ = true;
    named_ = named;
    return true;
}

bool TWorkingCopy::CopyPiece(const TPiece& piece, std::FILE* target) {
    if (piece.length <= 0) return true;
    const bool zeros = piece.from == Zeros;
    if (zeros) std::memset(buffer_.get(), 0, BlockSize);
    for (std::int64_t done = 0; done < piece.length;) {
        const auto block = static_cast<std::size_t>(std::min<std::int64_t>(piece.length - done, BlockSize));
        if (!zeros && ReadAt(piece.from + done, buffer_.get(), block) != block) return false;
        if (io_.Write(target, buffer_.get(), block) != block) return false;
        done += static_cast<std::int64_t>(block);
    }
    return true;
}

bool TWorkingCopy::Save(const std::string& target) {
    const std::string name = target.empty() ? dataPath_ : target;
    if (!stream_ || platform::Trim(name).empty() || !IsSaveTarget(name)) return false;
    // A creation time cannot be set here; the access and write times are.
    platform::ReplaceOptions options;
    options.notKept = &notKept_;
    if (timesKnown_) {
        options.lastAccess = &lastAccessTime_;
        options.lastWrite = &lastWriteTime_;
    }
    if (!io_.Flush(stream_) || !platform::ReplaceFileWithCopy(name, workPath_, options)) return false;
    dataPath_ = name;
    dataState_ = TDiskState::OfPath(dataPath_);
    ForgetChanges();
    return true;
}
