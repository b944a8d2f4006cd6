#include "Tlangfiles.h"

#include "platform/Text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pevox {

namespace {

using Access = TERP_FILE_TAG::Access;

// Reads and writes of one stream must be parted by a positioning call.
void Prepare(TERP_FILE_TAG& file, Access access) {
    if (file.LastAccess != Access::None && file.LastAccess != access)
        fseeko(file.Stream.get(), 0, SEEK_CUR);
    file.LastAccess = access;
}

// The next byte as the script sees it, or -1 at the end.
int ReadByte(TERP_FILE_TAG& file) {
    if (file.AtEnd) return -1;
    Prepare(file, Access::Read);
    std::FILE* stream = file.Stream.get();
    const int c = std::getc(stream);
    if (c == EOF) {
        file.AtEnd = true;
        return -1;
    }
    if (c == '\r' && file.Mode == FileMode::Text) {
        const int next = std::getc(stream);
        if (next == '\n') return '\n';
        // A carriage return alone stays; the end it may have met is met
        // again by the next read.
        if (next == EOF)
            std::clearerr(stream);
        else
            std::ungetc(next, stream);
    }
    return c;
}

bool WriteBytes(TERP_FILE_TAG& file, std::string_view bytes) {
    Prepare(file, Access::Write);
    std::FILE* stream = file.Stream.get();
    if (file.Mode == FileMode::Binary) return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    std::size_t start = 0;
    for (std::size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n', start)) {
        const std::size_t run = lf - start;
        if (std::fwrite(bytes.data() + start, 1, run, stream) != run || std::fputs("\r\n", stream) == EOF)
            return false;
        start = lf + 1;
    }
    const std::size_t rest = bytes.size() - start;
    return std::fwrite(bytes.data() + start, 1, rest, stream) == rest;
}

// Opens without waiting: a pipe with no writer would otherwise hold the open
// (read-only) or the first read for ever.
int OpenDescriptor(const std::string& name, int access) {
    return ::open(name.c_str(), access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

// Only a plain file opens: a pipe, device or socket would block a read or
// never end, and a folder holds no bytes.
std::FILE* PlainFileStream(int fd, const char* mode) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* stream = ::fdopen(fd, mode);
    if (!stream) ::close(fd);
    return stream;
}

std::FILE* OpenStream(const std::string& name) {
    if (name.empty()) return nullptr;
    struct stat info {};
    if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return nullptr;
    int fd = OpenDescriptor(name, O_RDWR);
    if (fd >= 0) return PlainFileStream(fd, "r+");
    if (errno == ENOENT) {
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd >= 0 ? PlainFileStream(fd, "w+") : nullptr;
    }
    if (errno == EACCES || errno == EROFS || errno == EPERM || errno == ETXTBSY) {
        fd = OpenDescriptor(name, O_RDONLY);
        return fd >= 0 ? PlainFileStream(fd, "r") : nullptr;
    }
    return nullptr;
}

std::string CanonicalPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool IsLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

FileMode ParseOpenMode(std::string_view mode) {
    const std::string text = platform::UpperCase(platform::Trim(mode));
    return !text.empty() && text[0] == 'B' ? FileMode::Binary : FileMode::Text;
}

TERP_FILE_TAG* ScriptFileTable::Find(std::int32_t index) const {
    for (const auto& file : m_Files)
        if (file->Index == index) return file.get();
    return nullptr;
}

bool ScriptFileTable::IsFileIndexInUse(std::int32_t index) const { return Find(index) != nullptr; }

bool ScriptFileTable::OpenScriptFile(std::int32_t index, const std::string& name, FileMode mode) {
    if (IsFileIndexInUse(index)) return false;
    auto file = std::make_unique<TERP_FILE_TAG>();
    file->Stream.reset(OpenStream(name));
    if (!file->Stream) return false;
    file->Name = name;
    file->Index = index;
    file->Mode = mode;
    m_Files.push_back(std::move(file));
    return true;
}

bool ScriptFileTable::CloseScriptFile(std::int32_t index) {
    for (auto it = m_Files.begin(); it != m_Files.end(); ++it) {
        if ((*it)->Index != index) continue;
        m_Files.erase(it);
        return true;
    }
    return false;
}

int ScriptFileTable::ScriptFileAtEnd(std::int32_t index) {
    const TERP_FILE_TAG* file = Find(index);
    return !file || file->AtEnd ? 1 : 0;
}

std::int64_t ScriptFileTable::ScriptFileTell(std::int32_t index) {
    const TERP_FILE_TAG* file = Find(index);
    return file ? static_cast<std::int64_t>(ftello(file->Stream.get())) : -1;
}

int ScriptFileTable::ScriptFileGetChar(std::int32_t index) {
    TERP_FILE_TAG* file = Find(index);
    return file ? ReadByte(*file) : -1;
}

std::string ScriptFileTable::ScriptFileGetLine(std::int32_t index) {
    TERP_FILE_TAG* file = Find(index);
    std::string line;
    if (!file) return line;
    while (line.size() < kMaxLineRead) {
        const int c = ReadByte(*file);
        if (c < 0) break;
        line += static_cast<char>(c);
        if (c == '\n') break;
    }
    if (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

int ScriptFileTable::ScriptFilePutChar(std::int32_t index, std::int64_t code) {
    TERP_FILE_TAG* file = Find(index);
    if (!file) return 0;
    const char byte = static_cast<char>(static_cast<std::uint64_t>(code) & 0xFF);
    return WriteBytes(*file, std::string_view(&byte, 1)) ? static_cast<unsigned char>(byte) : -1;
}

int ScriptFileTable::ScriptFilePutText(std::int32_t index, std::string_view text) {
    TERP_FILE_TAG* file = Find(index);
    if (!file) return 0;
    return WriteBytes(*file, text) ? 0 : -1;
}

std::int64_t ScriptFileTable::ScriptFileSeek(std::int32_t index, std::int64_t offset) {
    TERP_FILE_TAG* file = Find(index);
    if (!file) return -1;
    std::FILE* stream = file->Stream.get();
    if (offset == -1)
        fseeko(stream, 0, SEEK_END);
    else if (offset > 0)
        fseeko(stream, static_cast<off_t>(offset), SEEK_SET);
    else
        std::rewind(stream);
    std::clearerr(stream);
    file->AtEnd = false;
    file->LastAccess = Access::None;
    return ScriptFileTell(index);
}

void ScriptFileTable::FlushAll() {
    for (const auto& file : m_Files) std::fflush(file->Stream.get());
}

void ScriptFileTable::CloseAll() { m_Files.clear(); }

std::string ScriptFileSearch::FindFirst(const std::string& pattern, int attributes) {
    Close();
    m_FindAttr = attributes == 0 ? kAnyFileButFolders : attributes;
    return AcceptedName(platform::FindFirst(pattern, m_FindAttr, m_FindRecord));
}

std::string ScriptFileSearch::FindNext() {
    if (!m_FindRecord.state) return std::string();
    return AcceptedName(platform::FindNext(m_FindRecord));
}

void ScriptFileSearch::Close() { platform::FindClose(m_FindRecord); }

std::string ScriptFileSearch::AcceptedName(int found) {
    for (; found == 0; found = platform::FindNext(m_FindRecord)) {
        if ((m_FindRecord.Attr & m_FindAttr) != 0 || m_FindAttr == kAnyFileButFolders) return m_FindRecord.Name;
    }
    Close();
    return std::string();
}

std::int64_t ScriptFileLength(const std::string& pattern) {
    platform::TSearchRec record;
    const std::int64_t size = platform::FindFirst(pattern, platform::faAnyFile, record) == 0 ? record.Size : 0;
    platform::FindClose(record);
    return size;
}

bool RemoveScriptFolder(const std::string& path) {
    if (path == "/" || path == "\\") return false;
    const std::string target = CanonicalPath(path);
    if (target == "/") return false;
    const std::string previous = platform::GetCurrentDir();
    // A link is removed as the link (which fails), never the folder it leads to.
    if (IsLink(path) || target.empty() || CanonicalPath(previous) != target) return platform::RemoveDir(path);
    if (!platform::SetCurrentDir(platform::ExtractFilePath(target))) return false;
    if (platform::RemoveDir(target)) return true;
    platform::SetCurrentDir(previous);
    return false;
}

}  // namespace pevox
