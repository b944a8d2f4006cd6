#include "Workingcopy.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Only a plain file that fits in 32 bits is copied: a device or a pipe would
// be read without end (or block the window), and a larger file would be
// copied whole only to be refused afterwards.
bool IsEditableFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return !error && size <= static_cast<std::uintmax_t>(TWorkingCopy::MaxFileSize);
}

// A save writes a new file or replaces a plain one; a device or a pipe
// would swallow the bytes (or block) and the changes would count as saved.
bool IsSaveTarget(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    return status.type() == std::filesystem::file_type::not_found || std::filesystem::is_regular_file(status);
}

constexpr const char* NameFileSuffix = ".name";

std::string NameFileOf(const std::string& workPath) { return workPath + NameFileSuffix; }

std::string ReadNameFile(const std::string& workPath) {
    std::ifstream in(NameFileOf(workPath), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A working copy is locked by its session for as long as the session has it
// open; the lock goes with the process, however the process ends. The copies
// of other users (in a shared temporary folder) are theirs to find.
bool LeftByThisUser(const std::string& workPath) {
    const int fd = ::open(workPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool left = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                      ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return left;
}

}  // namespace

std::vector<TLeftWorkingCopy> FindLeftWorkingCopies(const std::vector<std::string>& folders) {
    std::vector<TLeftWorkingCopy> found;
    std::vector<std::string> searched;
    for (const std::string& given : folders) {
        const std::string folder = platform::IncludeTrailingPathDelimiter(given);
        if (std::find(searched.begin(), searched.end(), folder) != searched.end()) continue;
        searched.push_back(folder);
        platform::TSearchRec rec;
        for (int more = platform::FindFirst(folder + "Qrm*.tmp", 0, rec); more == 0; more = platform::FindNext(rec)) {
            const std::string path = folder + rec.Name;
            if (!platform::FileExists(NameFileOf(path)) || !LeftByThisUser(path)) continue;
            found.push_back({path, ReadNameFile(path), rec.Size});
        }
        platform::FindClose(rec);
    }
    return found;
}

void DeleteLeftWorkingCopy(const TLeftWorkingCopy& left) {
    platform::DeleteFile(left.WorkPath);
    platform::DeleteFile(NameFileOf(left.WorkPath));
}

std::size_t TFileIO::Write(std::FILE* stream, const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, stream);
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

bool TWorkingCopy::Open(const std::string& dataPath) {
    Close();
    dataPath_ = dataPath;
    if (!IsEditableFile(dataPath_)) return false;
    const std::string copy = platform::GetTempFileNameA(platform::GetTempPathA(), "Qrm");
    if (copy.empty()) return false;
    workPath_ = copy;
    // The times are taken before the copy reads the file, so a save gives
    // back the times the file had before the editor touched it.
    ReadTimes();
    if (!platform::CopyFileA(dataPath_, workPath_, false)) {
        DropCopy();
        return false;
    }
    std::FILE* stream = std::fopen(workPath_.c_str(), "r+b");
    if (!stream || !AdoptCopy(stream, workPath_)) {
        if (stream) std::fclose(stream);
        DropCopy();
        return false;
    }
    modified_ = false;
    return true;
}

bool TWorkingCopy::Reopen() {
    if (workPath_.empty()) return false;
    if (stream_) {
        io_.Close(stream_);
        stream_ = nullptr;
    }
    modified_ = false;
    ReadTimes();
    std::FILE* stream = nullptr;
    if (IsEditableFile(dataPath_) && platform::CopyFileA(dataPath_, workPath_, false))
        stream = std::fopen(workPath_.c_str(), "r+b");
    if (!stream || !AdoptCopy(stream, workPath_)) {
        if (stream) std::fclose(stream);
        DropCopy();
        return false;
    }
    return true;
}

bool TWorkingCopy::Recover(const TLeftWorkingCopy& left) {
    Close();
    dataPath_ = left.DataPath;
    ReadTimes();
    std::FILE* stream = std::fopen(left.WorkPath.c_str(), "r+b");
    if (!stream || !AdoptCopy(stream, left.WorkPath)) {
        if (stream) std::fclose(stream);
        workPath_.clear();
        return false;
    }
    modified_ = true;
    return true;
}

void TWorkingCopy::Close() {
    if (stream_) {
        io_.Close(stream_);
        stream_ = nullptr;
    }
    DropCopy();
    modified_ = false;
}

void TWorkingCopy::DropCopy() {
    if (!workPath_.empty()) {
        platform::DeleteFile(workPath_);
        platform::DeleteFile(NameFileOf(workPath_));
    }
    workPath_.clear();
    fileSize_ = 0;
}

void TWorkingCopy::ReadTimes() {
    timesKnown_ = platform::GetFileTime(dataPath_, &creationTime_, &lastAccessTime_, &lastWriteTime_);
}

// Takes `stream` as the working copy when its size fits in 32 bits, locks
// it for this session and names its data file beside it.
bool TWorkingCopy::AdoptCopy(std::FILE* stream, const std::string& path) {
    if (std::fseek(stream, 0, SEEK_END) != 0) return false;
    const long size = std::ftell(stream);
    if (size < 0 || size > MaxFileSize) return false;
    ::flock(::fileno(stream), LOCK_EX | LOCK_NB);
    stream_ = stream;
    workPath_ = path;
    fileSize_ = static_cast<std::int32_t>(size);
    WriteNameFile();
    return true;
}

// Lets a later session name the data file should this one end without
// closing the copy. Without it the copy still works; only that help is lost.
void TWorkingCopy::WriteNameFile() const {
    const int fd = ::open(NameFileOf(workPath_).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(fd, dataPath_.data(), dataPath_.size());
    ::close(fd);
}

std::size_t TWorkingCopy::Read(std::int32_t position, void* buffer, std::size_t count) {
    if (!stream_ || position < 0 || position >= fileSize_) return 0;
    count = std::min<std::size_t>(count, static_cast<std::size_t>(fileSize_ - position));
    if (std::fseek(stream_, position, SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, count, stream_);
}

std::size_t TWorkingCopy::Write(std::int32_t position, const void* data, std::size_t count) {
    if (!stream_ || position < 0) return 0;
    modified_ = true;
    if (position >= fileSize_) return 0;
    count = std::min<std::size_t>(count, static_cast<std::size_t>(fileSize_ - position));
    if (std::fseek(stream_, position, SEEK_SET) != 0) return 0;
    const std::size_t written = io_.Write(stream_, data, count);
    // Flushed at once, so that a failing disk shows here and not in a later read.
    if (!io_.Flush(stream_)) return 0;
    return written;
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

bool TWorkingCopy::Rebuild(std::initializer_list<TPiece> pieces) {
    const std::string path = platform::GetTempFileNameA(rebuildFolder_, "Qrm");
    if (path.empty()) return false;
    std::FILE* target = std::fopen(path.c_str(), "w+b");
    if (!target) {
        platform::DeleteFile(path);
        return false;
    }
    bool copied = true;
    for (const TPiece& piece : pieces) copied = copied && CopyPiece(piece, target);
    copied = copied && io_.Flush(target);
    std::FILE* const old = stream_;
    const std::string oldPath = workPath_;
    if (!copied || !AdoptCopy(target, path)) {
        io_.Close(target);
        platform::DeleteFile(path);
        return false;
    }
    io_.Close(old);
    platform::DeleteFile(oldPath);
    platform::DeleteFile(NameFileOf(oldPath));
    modified_ = true;
    return true;
}

bool TWorkingCopy::CopyPiece(const TPiece& piece, std::FILE* target) {
    if (piece.length <= 0) return true;
    const bool zeros = piece.from == Zeros;
    if (zeros)
        std::memset(buffer_.get(), 0, BlockSize);
    else if (std::fseek(stream_, piece.from, SEEK_SET) != 0)
        return false;
    for (std::int64_t left = piece.length; left > 0;) {
        const auto block = static_cast<std::size_t>(std::min<std::int64_t>(left, BlockSize));
        if (!zeros && std::fread(buffer_.get(), 1, block, stream_) != block) return false;
        if (io_.Write(target, buffer_.get(), block) != block) return false;
        left -= static_cast<std::int64_t>(block);
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
    std::this_thread::yield();
    if (name != dataPath_) {
        dataPath_ = name;
        WriteNameFile();
    }
    modified_ = false;
    return true;
}
