// The files a script opens by number, and its file search. A script picks the
// number (the file index) when it opens a file and names the file by it in
// every later call; the table closes whatever a run leaves open.
//
// Linux has no text mode of its own, so the table makes one: a file opened in
// text mode reads a carriage return and line feed as one line feed and writes
// each line feed as a carriage return and line feed, as scripts written for
// the classic runtime expect. Binary mode passes every byte as it is. Either
// way positions count bytes of the file.
#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pevox {

enum class FileMode { Text, Binary };

// The FOPEN mode text: trimmed and upper-cased, a first character "B" means
// binary, anything else (the empty text too) text.
FileMode ParseOpenMode(std::string_view mode);

// One open script file.
struct TERP_FILE_TAG {
    struct StreamCloser {
        void operator()(std::FILE* stream) const { std::fclose(stream); }
    };
    enum class Access { None, Read, Write };

    std::string Name;  // as the script gave it
    std::unique_ptr<std::FILE, StreamCloser> Stream;
    std::int32_t Index = 0;
    FileMode Mode = FileMode::Text;
    Access LastAccess = Access::None;  // reads and writes must be parted by a positioning call
    bool AtEnd = false;                // a read has met the end of the file
};

class ScriptFileTable {
public:
    // The longest line one FGETS returns; a longer line comes in pieces.
    static constexpr std::size_t kMaxLineRead = 32766;

    bool IsFileIndexInUse(std::int32_t index) const;
    // Opens an existing file for reading and writing, nothing truncated, or
    // creates a missing one; a file that may not be written is opened for
    // reading only (its writes then fail). The stream starts at the file's
    // start. False, without an entry, when the index is in use or the file
    // does not open (a folder never does).
    bool OpenScriptFile(std::int32_t index, const std::string& name, FileMode mode);
    // Closes the file with the index; false when there is none.
    bool CloseScriptFile(std::int32_t index);
    // 1 once a read has met the end of the file (and when no file has the index), else 0.
    int ScriptFileAtEnd(std::int32_t index);
    // The position in bytes from the start; -1 when no file has the index.
    std::int64_t ScriptFileTell(std::int32_t index);
    // The next byte (0-255); -1 for the read that meets the end, every read
    // after it, and when no file has the index.
    int ScriptFileGetChar(std::int32_t index);
    // The next line without its line end: at most kMaxLineRead characters up
    // to and including a line feed, less one trailing line feed or, failing
    // that, one trailing carriage return. Every byte of the line is kept.
    // "" at the end of the file and when no file has the index.
    std::string ScriptFileGetLine(std::int32_t index);
    // Writes the low 8 bits of the code: the byte written, -1 on failure, 0
    // when no file has the index.
    int ScriptFilePutChar(std::int32_t index, std::int64_t code);
    // Writes the whole text, adding no line end: 0 on success, -1 on failure,
    // 0 when no file has the index.
    int ScriptFilePutText(std::int32_t index, std::string_view text);
    // -1 moves to the end, a positive offset to that byte from the start, 0
    // and any other negative offset back to the start; every move clears the
    // end state. The position afterwards; -1 when no file has the index.
    std::int64_t ScriptFileSeek(std::int32_t index, std::int64_t offset);

    // Writes out what the streams hold, so others see the files complete.
    void FlushAll();
    // Closes every file.
    void CloseAll();
    std::size_t Count() const { return m_Files.size(); }

private:
    TERP_FILE_TAG* Find(std::int32_t index) const;

    // In opening order; a look-up takes the first entry with the index.
    std::vector<std::unique_ptr<TERP_FILE_TAG>> m_Files;
};

// The script's one file search (FINDFIRST and FINDNEXT).
class ScriptFileSearch {
public:
    // Attributes of a search without a second argument: every kind of file
    // but folders.
    static constexpr int kAnyFileButFolders = 47;

    // Starts a new search, ending the one before: the name (without folder)
    // of the first match, "" when there is none. Attributes 0 mean
    // kAnyFileButFolders; otherwise an entry is found when its attributes
    // share a bit with them.
    std::string FindFirst(const std::string& pattern, int attributes);
    // The next match of the search, "" when there is none or no search runs.
    std::string FindNext();
    void Close();

    std::int32_t m_FindAttr = 0;
    platform::TSearchRec m_FindRecord;

private:
    // The name of the first accepted entry from the current one on.
    std::string AcceptedName(int found);
};

// The size in bytes of the first entry the name (which may hold wildcards)
// matches, searching every kind of entry; 0 when none matches.
std::int64_t ScriptFileLength(const std::string& pattern);

// Removes an empty folder. When it is the current folder, the current folder
// first moves to its parent, and back again when the removal fails. The root
// ("/" or "\") is never removed.
bool RemoveScriptFolder(const std::string& path);

}  // namespace pevox
