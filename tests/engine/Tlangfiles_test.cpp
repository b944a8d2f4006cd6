#include "Tlangfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sys/stat.h>

namespace pevox {
namespace {

namespace fs = std::filesystem;

class TlangFiles : public ::testing::Test {
protected:
    void SetUp() override {
        savedDir_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "tlangfiles_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        table.CloseAll();
        search.Close();
        fs::current_path(savedDir_);
        fs::remove_all(dir);
    }

    std::string Path(const std::string& name) const { return dir + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Open(int index, const std::string& name, FileMode mode = FileMode::Text) {
        return table.OpenScriptFile(index, Path(name), mode);
    }
    std::vector<std::string> Lines(int index) {
        std::vector<std::string> lines;
        while (table.ScriptFileAtEnd(index) == 0) lines.push_back(table.ScriptFileGetLine(index));
        return lines;
    }

    ScriptFileTable table;
    ScriptFileSearch search;
    std::string dir;

private:
    fs::path savedDir_;
};

TEST_F(TlangFiles, OpenCreatesAMissingFileAndKeepsAnExistingOne) {
    ASSERT_TRUE(Open(1, "new.txt"));
    EXPECT_TRUE(fs::exists(Path("new.txt")));
    EXPECT_EQ(fs::file_size(Path("new.txt")), 0u);

    Write("old.txt", "hello world");
    ASSERT_TRUE(Open(2, "old.txt"));
    EXPECT_EQ(table.ScriptFileTell(2), 0);
    EXPECT_EQ(table.ScriptFilePutText(2, "hi"), 0);
    EXPECT_TRUE(table.CloseScriptFile(2));
    EXPECT_EQ(Read("old.txt"), "hillo world");
}

TEST_F(TlangFiles, AnIndexServesOneFileAtATime) {
    ASSERT_TRUE(Open(1, "a"));
    EXPECT_TRUE(table.IsFileIndexInUse(1));
    EXPECT_FALSE(Open(1, "b"));
    EXPECT_FALSE(fs::exists(Path("b")));
    EXPECT_TRUE(table.CloseScriptFile(1));
    EXPECT_FALSE(table.CloseScriptFile(1));
    EXPECT_FALSE(table.IsFileIndexInUse(1));
    EXPECT_TRUE(Open(1, "b"));
    // Every integer is an index, -1 included.
    EXPECT_TRUE(Open(-1, "c"));
    EXPECT_TRUE(Open(std::numeric_limits<std::int32_t>::min(), "d"));
    EXPECT_EQ(table.Count(), 3u);
    table.CloseAll();
    EXPECT_EQ(table.Count(), 0u);
}

TEST_F(TlangFiles, WhatDoesNotOpen) {
    fs::create_directory(Path("folder"));
    Write("plain", "x");
    EXPECT_FALSE(Open(1, "folder"));
    EXPECT_FALSE(table.OpenScriptFile(1, "", FileMode::Text));
    EXPECT_FALSE(Open(1, "plain/inside"));  // the folder part is a file
    EXPECT_FALSE(Open(1, "missing/inside"));
    EXPECT_EQ(table.Count(), 0u);
}

TEST_F(TlangFiles, OnlyPlainFilesOpen) {
    // A pipe with no writer would block the first read (or a read-only open) for ever.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Path("readonly-pipe").c_str(), 0400), 0);
    fs::create_symlink(Path("pipe"), Path("link-to-pipe"));
    for (const std::string name : {"pipe", "readonly-pipe", "link-to-pipe"})
        EXPECT_FALSE(Open(1, name)) << name;
    EXPECT_FALSE(table.OpenScriptFile(1, "/dev/null", FileMode::Binary));
    EXPECT_FALSE(table.OpenScriptFile(1, "/dev/zero", FileMode::Binary));
    EXPECT_EQ(table.Count(), 0u);
    Write("plain", "x");
    fs::create_symlink(Path("plain"), Path("link-to-plain"));
    ASSERT_TRUE(Open(1, "link-to-plain"));
    EXPECT_EQ(table.ScriptFileGetChar(1), 'x');
}

TEST_F(TlangFiles, AFileThatMayNotBeWrittenOpensForReading) {
    // Nobody, not even root, may open this one for writing.
    ASSERT_TRUE(table.OpenScriptFile(1, "/proc/sys/kernel/ostype", FileMode::Text));
    EXPECT_EQ(table.ScriptFileGetLine(1), "Linux");
    EXPECT_EQ(table.ScriptFilePutText(1, "x"), -1);
    EXPECT_EQ(table.ScriptFilePutChar(1, 'x'), -1);
}

TEST_F(TlangFiles, CharacterReadsTellTheEndFromARealByte) {
    Write("bytes", std::string("\x00\xFF" "A", 3));
    ASSERT_TRUE(Open(1, "bytes", FileMode::Binary));
    EXPECT_EQ(table.ScriptFileGetChar(1), 0);
    EXPECT_EQ(table.ScriptFileGetChar(1), 255);
    EXPECT_EQ(table.ScriptFileTell(1), 2);
    EXPECT_EQ(table.ScriptFileGetChar(1), 'A');
    EXPECT_EQ(table.ScriptFileAtEnd(1), 0);
    EXPECT_EQ(table.ScriptFileGetChar(1), -1);
    EXPECT_EQ(table.ScriptFileAtEnd(1), 1);
    EXPECT_EQ(table.ScriptFileGetChar(1), -1);
    EXPECT_EQ(table.ScriptFileSeek(1, 0), 0);
    EXPECT_EQ(table.ScriptFileAtEnd(1), 0);
    EXPECT_EQ(table.ScriptFileGetChar(1), 0);
}

TEST_F(TlangFiles, LineReads) {
    struct Case {
        std::string bytes;
        FileMode mode;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a\n\nb", FileMode::Text, {"a", "", "b"}},
        {"a\n\nb\n", FileMode::Text, {"a", "", "b", ""}},
        {"x\r\ny\r\n", FileMode::Text, {"x", "y", ""}},
        {"x\r\ny", FileMode::Binary, {"x\r", "y"}},
        {"a\rb\r", FileMode::Text, {"a\rb"}},
        {std::string("a\xFF" "b\0c\n", 6), FileMode::Binary, {std::string("a\xFF" "b\0c", 5), ""}},
        {"", FileMode::Text, {""}},
    };
    for (const Case& c : cases) {
        Write("lines", c.bytes);
        ASSERT_TRUE(Open(1, "lines", c.mode));
        EXPECT_EQ(Lines(1), c.lines) << c.bytes;
        EXPECT_EQ(table.ScriptFileGetLine(1), "");
        table.CloseScriptFile(1);
    }
}

TEST_F(TlangFiles, ALongLineComesInPieces) {
    Write("long", std::string(40000, 'x') + "\nend");
    ASSERT_TRUE(Open(1, "long"));
    EXPECT_EQ(table.ScriptFileGetLine(1).size(), ScriptFileTable::kMaxLineRead);
    EXPECT_EQ(table.ScriptFileGetLine(1).size(), 40000 - ScriptFileTable::kMaxLineRead);
    EXPECT_EQ(table.ScriptFileGetLine(1), "end");
}

TEST_F(TlangFiles, WritesInTextAndBinaryMode) {
    ASSERT_TRUE(Open(1, "text"));
    EXPECT_EQ(table.ScriptFilePutText(1, std::string("a\nb\0c", 5)), 0);
    EXPECT_EQ(table.ScriptFilePutChar(1, '\n'), '\n');
    EXPECT_EQ(table.ScriptFilePutChar(1, 321), 'A');
    EXPECT_EQ(table.ScriptFilePutChar(1, -1), 255);
    ASSERT_TRUE(Open(2, "binary", FileMode::Binary));
    EXPECT_EQ(table.ScriptFilePutText(2, "a\nb"), 0);
    EXPECT_EQ(table.ScriptFilePutChar(2, '\n'), '\n');
    table.CloseAll();
    EXPECT_EQ(Read("text"), std::string("a\r\nb\0c\r\nA\xFF", 10));
    EXPECT_EQ(Read("binary"), "a\nb\n");
}

TEST_F(TlangFiles, SeekAndTell) {
    Write("three", "abc");
    ASSERT_TRUE(Open(1, "three", FileMode::Binary));
    table.ScriptFileGetChar(1);
    table.ScriptFileGetChar(1);
    EXPECT_EQ(table.ScriptFileTell(1), 2);
    EXPECT_EQ(table.ScriptFileSeek(1, -1), 3);
    EXPECT_EQ(table.ScriptFileSeek(1, -7), 0);
    EXPECT_EQ(table.ScriptFileSeek(1, 5), 5);
    EXPECT_EQ(table.ScriptFilePutChar(1, 'Z'), 'Z');
    EXPECT_EQ(table.ScriptFileTell(1), 6);
    table.CloseAll();
    EXPECT_EQ(Read("three"), std::string("abc\0\0Z", 6));
}

TEST_F(TlangFiles, ReadsAndWritesMixOnOneStream) {
    Write("mixed", "12345");
    ASSERT_TRUE(Open(1, "mixed", FileMode::Binary));
    EXPECT_EQ(table.ScriptFilePutText(1, "ab"), 0);
    EXPECT_EQ(table.ScriptFileGetChar(1), '3');
    EXPECT_EQ(table.ScriptFilePutText(1, "Z"), 0);
    EXPECT_EQ(table.ScriptFileGetLine(1), "5");
    table.CloseAll();
    EXPECT_EQ(Read("mixed"), "ab3Z5");
}

TEST_F(TlangFiles, AnUnknownIndexHasNothing) {
    EXPECT_EQ(table.ScriptFileAtEnd(7), 1);
    EXPECT_EQ(table.ScriptFileTell(7), -1);
    EXPECT_EQ(table.ScriptFileGetChar(7), -1);
    EXPECT_EQ(table.ScriptFileGetLine(7), "");
    EXPECT_EQ(table.ScriptFilePutChar(7, 65), 0);
    EXPECT_EQ(table.ScriptFilePutText(7, "x"), 0);
    EXPECT_EQ(table.ScriptFileSeek(7, 1), -1);
}

TEST_F(TlangFiles, FlushShowsTheFileBeforeItCloses) {
    ASSERT_TRUE(Open(1, "out"));
    table.ScriptFilePutText(1, "data");
    table.FlushAll();
    EXPECT_EQ(Read("out"), "data");
}

TEST_F(TlangFiles, OpenModeText) {
    for (const char* binary : {"binary", " b ", "B", "bT"}) EXPECT_EQ(ParseOpenMode(binary), FileMode::Binary) << binary;
    for (const char* text : {"", "rw", "t", " ", "text b"}) EXPECT_EQ(ParseOpenMode(text), FileMode::Text) << text;
}

TEST_F(TlangFiles, SearchFindsFilesOrFolders) {
    Write("a.txt", "abc");
    Write("b.dat", "");
    Write(".hidden", "");
    Write("locked", "");
    fs::permissions(Path("locked"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory(Path("sub"));

    std::vector<std::string> found;
    for (std::string name = search.FindFirst(dir + "/*", 0); !name.empty(); name = search.FindNext())
        found.push_back(name);
    EXPECT_EQ(found, (std::vector<std::string>{".hidden", "a.txt", "b.dat", "locked"}));
    EXPECT_EQ(search.m_FindAttr, ScriptFileSearch::kAnyFileButFolders);
    EXPECT_EQ(search.FindNext(), "");

    EXPECT_EQ(search.FindFirst(dir + "/*", platform::faDirectory), "sub");
    EXPECT_EQ(search.FindNext(), "");
    EXPECT_EQ(search.FindFirst(dir + "/*", platform::faReadOnly), "locked");
    EXPECT_EQ(search.FindNext(), "");
    EXPECT_EQ(search.FindFirst(dir + "/*.txt", 0), "a.txt");
    EXPECT_EQ(search.FindFirst(dir + "/*.none", 0), "");
    EXPECT_EQ(search.FindFirst(dir + "/missing/*", 0), "");
    EXPECT_EQ(search.FindNext(), "");
}

TEST_F(TlangFiles, FileLength) {
    Write("a.txt", "abc");
    Write("z.txt", "longer");
    EXPECT_EQ(ScriptFileLength(Path("a.txt")), 3);
    EXPECT_EQ(ScriptFileLength(Path("*.txt")), 3);
    EXPECT_EQ(ScriptFileLength(Path("missing")), 0);
}

TEST_F(TlangFiles, RemovingTheCurrentFolderMovesToItsParent) {
    fs::create_directory(Path("gone"));
    fs::current_path(Path("gone"));
    EXPECT_TRUE(RemoveScriptFolder("."));
    EXPECT_FALSE(fs::exists(Path("gone")));
    EXPECT_EQ(fs::current_path(), fs::path(dir).lexically_normal());
}

TEST_F(TlangFiles, AFolderThatStaysKeepsTheCurrentFolder) {
    fs::create_directories(Path("full/inner"));
    fs::current_path(Path("full"));
    EXPECT_FALSE(RemoveScriptFolder(Path("full/")));
    EXPECT_EQ(fs::current_path(), fs::path(Path("full")));
    EXPECT_FALSE(RemoveScriptFolder("/"));
    EXPECT_FALSE(RemoveScriptFolder("\\"));
    EXPECT_FALSE(RemoveScriptFolder(Path("missing")));

    fs::create_directory(Path("target"));
    fs::create_directory_symlink(Path("target"), Path("link"));
    fs::current_path(Path("target"));
    EXPECT_FALSE(RemoveScriptFolder(Path("link")));
    EXPECT_TRUE(fs::exists(Path("target")));
    EXPECT_TRUE(RemoveScriptFolder(Path("full/inner")));
}

}  // namespace
}  // namespace pevox
