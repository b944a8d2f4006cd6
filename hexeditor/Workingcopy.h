// The working copy of a channel's data file. The data file itself is never
// edited: it is copied to a "Qrm" file in the temporary folder when it is
// opened, every change lands in that copy, and only a save writes the data
// file back, with the access and write times it had when it was opened.
// Inserting, deleting and resizing rebuild the copy into a new "Qrm" file in
// the rebuild folder (the program folder) through one block buffer, so
// memory stays flat in the file size.
#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Every write, flush and close of a working copy or of a new file passes
// here. The standard one uses the C streams, and one positioned write on the
// descriptor for an edit of the copy in place; a test puts a full disk in
// its place, since nothing else makes writes fail for root.
class TFileIO {
public:
    virtual ~TFileIO() = default;
    virtual std::size_t Write(std::FILE* stream, const void* data, std::size_t size);
    // Writes at `position` of the open file `fd` straight to the file (a
    // failing disk shows here); the number of bytes written.
    virtual std::size_t WriteAt(int fd, const void* data, std::size_t size, std::int64_t position);
    virtual bool Flush(std::FILE* stream);
    // Closes the stream in any case; false when pending bytes could not be written.
    virtual bool Close(std::FILE* stream);

    static TFileIO& Standard();
};

// The caption of a channel's window. Apart from the path it is ASCII, so it
// shows in the path's own encoding.
std::string ChannelCaption(std::int32_t channel, const std::string& dataPath, std::int32_t fileSize);

// Creates (or empties) the file and fills it with `size` zero bytes. On any
// failure the file is deleted and false returned.
bool CreateZeroFile(const std::string& path, std::int32_t size, TFileIO& io = TFileIO::Standard());

// What a data file was on the disk: a save over a file whose state has
// changed since it was read or saved would overwrite another program's work.
struct TDiskState {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t WriteSeconds = 0;
    long WriteNanoseconds = 0;
    bool operator==(const TDiskState&) const = default;

    std::string Text() const;
    static std::optional<TDiskState> FromText(const std::string& text);
    static std::optional<TDiskState> Of(const struct stat& info);
    static std::optional<TDiskState> OfPath(const std::string& path);  // follows links; nothing when missing
};

// A working copy that a session left behind when it ended without closing
// it (it was killed, or the machine went down) while it held changes.
struct TLeftWorkingCopy {
    std::string WorkPath;
    std::string DataPath;  // the data file it was a copy of
    std::int64_t Size = 0;
    std::optional<TDiskState> DataState;  // the data file when the changes began, where known
};

// The "Qrm" working copies in the folders that hold changes their data file
// lacks and that no running session holds. A copy is named for recovery in a
// "<copy>.name" file from its first change until it is saved, and locked by
// its session while the session lives, so a copy that can be locked belongs
// to a session that is gone. Only this user's copies count.
std::vector<TLeftWorkingCopy> FindLeftWorkingCopies(const std::vector<std::string>& folders);
// Deletes the copies of ended sessions that hold nothing to recover: those
// without a name (opened and not changed, or saved) and the partial ones a
// killed rebuild was making.
void DeleteIdleWorkingCopies(const std::vector<std::string>& folders);
// Deletes a left working copy and its name file.
void DeleteLeftWorkingCopy(const TLeftWorkingCopy& left);

class TWorkingCopy {
public:
    // Rebuilds copy through one buffer of this many bytes.
    static constexpr std::int32_t BlockSize = 512000;
    // Positions and sizes are 32-bit signed: larger files are refused.
    static constexpr std::int64_t MaxFileSize = INT32_MAX;

    // `rebuildFolder` receives the copies made by insert, delete and resize.
    explicit TWorkingCopy(std::string rebuildFolder, TFileIO& io = TFileIO::Standard());
    ~TWorkingCopy();  // closes the copy and deletes its file
    TWorkingCopy(const TWorkingCopy&) = delete;
    TWorkingCopy& operator=(const TWorkingCopy&) = delete;

    // Copies the data file to a new "Qrm" file in the temporary folder
    // (locked and close-on-exec from its making), records its file times and
    // opens the copy. False, leaving no file behind, when the file cannot be
    // copied, is too large or is no plain file (a device, a pipe, a file of
    // /proc); those are refused before anything is copied.
    bool Open(const std::string& dataPath);
    // Copies the data file over the working copy again: the changes are
    // gone and the times are read anew. On failure the working copy is
    // closed and deleted.
    bool Reopen();
    // Takes over a working copy left by an ended session: its bytes stand as
    // unsaved changes to the data file, whose times are read now. False
    // when another session holds it.
    bool Recover(const TLeftWorkingCopy& left);
    // Closes the stream and deletes the working copy; the changes are gone.
    void Close();
    bool IsOpen() const { return stream_ != nullptr; }

    // Up to `count` bytes at `position`; the number of bytes read.
    std::size_t Read(std::int32_t position, void* buffer, std::size_t count);
    // Writes at `position`, cut at the end of the file (the file never
    // grows); marks the copy modified. The number of bytes written.
    std::size_t Write(std::int32_t position, const void* data, std::size_t count);
    // `count` bytes at `position` (at most one block), cut at the first zero byte and at the end of the file.
    std::string ReadString(std::int32_t position, std::int32_t count);

    // The rebuilds. Each leaves the copy exactly as it was and returns false
    // when the count is refused, the new file cannot be made, or any read or
    // write fails; a size that would pass 32 bits is refused.
    bool InsertBytes(std::int32_t position, std::int32_t count);  // zero bytes before `position`
    bool DeleteBytes(std::int32_t position, std::int32_t count);
    bool SetFileSize(std::int32_t size);  // grows with zero bytes or cuts

    // Replaces `target` ("" = the data file) whole with the working copy's
    // bytes and the recorded access and write times (platform::ReplaceFile: a
    // kill leaves the old file or the new one). A new file gets 0666 less the
    // umask. A save under a new name switches the data file to it, once the
    // copy stands. A target that exists and is no plain file is refused. On
    // failure nothing changes. A save does not ask: see ChangedOnDisk.
    bool Save(const std::string& target = "");
    // Whether a save to `target` ("" = the data file) would overwrite a data
    // file that changed on the disk (its size, write time or identity) since
    // it was copied, saved or, for a recovered copy, since the changes began.
    bool ChangedOnDisk(const std::string& target = "") const;

    // What of the old data file the last save could not give the new one
    // (platform::ReplaceOptions::notKept); empty when it kept everything.
    const std::vector<std::string>& NotKept() const { return notKept_; }

    const std::string& DataPath() const { return dataPath_; }
    const std::string& WorkPath() const { return workPath_; }
    std::int32_t FileSize() const { return fileSize_; }
    bool Modified() const { return modified_; }
    // The data file's times recorded at open or reopen; false when they could not be read.
    bool TimesKnown() const { return timesKnown_; }
    platform::FILETIME CreationTime() const { return creationTime_; }
    platform::FILETIME LastAccessTime() const { return lastAccessTime_; }
    platform::FILETIME LastWriteTime() const { return lastWriteTime_; }

private:
    // A run of the rebuilt file: `length` bytes of the old copy from `from`, or zero bytes when `from` is negative.
    struct TPiece {
        std::int64_t from;
        std::int64_t length;
    };
    static constexpr std::int64_t Zeros = -1;

    bool Rebuild(std::initializer_list<TPiece> pieces);
    bool CopyPiece(const TPiece& piece, std::FILE* target);
    std::size_t ReadAt(std::int64_t position, void* buffer, std::size_t count) const;
    int OpenDataFile(struct stat& info) const;
    bool FillFrom(int source, const struct stat& info);
    std::string NameFileText() const;
    void MarkModified();
    void ForgetChanges();
    void ReadTimes();

    std::string rebuildFolder_;
    TFileIO& io_;
    std::unique_ptr<char[]> buffer_;  // one block and a terminating zero
    std::FILE* stream_ = nullptr;
    std::string workPath_;
    std::string dataPath_;
    std::int32_t fileSize_ = 0;
    bool modified_ = false;
    bool named_ = false;  // the copy's name file is on the disk
    std::optional<TDiskState> dataState_;
    bool timesKnown_ = false;
    platform::FILETIME creationTime_;
    platform::FILETIME lastAccessTime_;
    platform::FILETIME lastWriteTime_;
    std::vector<std::string> notKept_;
};
