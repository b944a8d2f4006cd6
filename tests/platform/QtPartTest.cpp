#include "platform/QtDialogs.h"
#include "platform/Files.h"
#include "platform/QtPath.h"
#include "platform/QtText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(QtTextTest, EveryByteSurvivesAQString) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    const QString text = ToQString(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x81], QChar(0x0081));
    EXPECT_EQ(FromQString(text), bytes);
    EXPECT_EQ(FromQString(QStringLiteral("caf\u00E9 \u03A9")), "caf\xE9 ?");
}

TEST(QtFilterTest, ClassicFiltersBecomeQtFilters) {
    struct Case {
        const char* classic;
        const char* qt;
    };
    const Case cases[] = {
        {"A|*.a;*.b|B|*.*", "A (*.a *.b);;B (*)"},
        {"Data Files (*.gam, *.sav, *.dat)|*.gam;*.sav;*.dat|All Files(*.*)|*.*",
         "Data Files (*.gam *.sav *.dat);;All Files (*)"},
        {"Scripts|*.txt; *.bas", "Scripts (*.txt *.bas)"},
        {"|*.hlp", "*.hlp (*.hlp)"},
        {"Odd|*.x|Dangling", "Odd (*.x)"},
        {"Empty|", ""},
        {"", ""},
        {"Caf\xE9|*.c", "Caf\u00E9 (*.c)"},
    };
    for (const Case& c : cases) EXPECT_EQ(QtDialogs::QtFilter(c.classic), QString::fromUtf8(c.qt)) << c.classic;
}

}  // namespace

namespace {

// The names of the file-name table: ASCII, accented UTF-8, CJK, a blank and
// a byte that is not UTF-8.
const char* const kNames[] = {"plain.sav", "donn\xC3\xA9" "es \xC3\xA9t\xC3\xA9.sav", "\xE4\xB8\xAD\xE6\x96\x87.dat",
                              "with space.dat", "bad\xFF.dat"};

TEST(QtPathTest, PathsCrossIntoQtInTheFileSystemsEncoding) {
    EXPECT_EQ(PathToQString("/d/donn\xC3\xA9" "es/\xE4\xB8\xAD"), QString::fromUtf8("/d/donn\u00E9es/\u4E2D"));
    EXPECT_EQ(PathFromQString(QString::fromUtf8("/d/donn\u00E9es/\u4E2D")), "/d/donn\xC3\xA9" "es/\xE4\xB8\xAD");
    // A message names the path in the code page of texts.
    EXPECT_EQ(PathAsText("/d/\xC3\xA9t\xC3\xA9"), "/d/\xE9t\xE9");
}

TEST(QtPathTest, ANameQtShowsWithAReplacementIsFoundAgainInItsFolder) {
    platform_test::TempFolder dir;
    const std::string folder = dir.path() + "/f\xFE";
    ASSERT_TRUE(CreateDir(folder));
    for (const char* name : kNames) platform_test::WriteFile(folder + "/" + name, "x");
    for (const char* name : kNames) {
        const std::string path = folder + "/" + name;
        // What a Qt dialog or folder view hands back for the entry.
        EXPECT_EQ(PathFromQString(PathToQString(path)), path) << name;
    }
    // Two entries that Qt shows alike stay apart: none of them is guessed.
    platform_test::WriteFile(folder + "/bad\xFE.dat", "y");
    EXPECT_EQ(PathFromQString(PathToQString(folder + "/bad\xFF.dat")), folder + "/bad\xEF\xBF\xBD.dat");
    // A new name typed into a save dialog is encoded as it is.
    EXPECT_EQ(PathFromQString(PathToQString(folder) + QString::fromUtf8("/neu\u00E9")), folder + "/neu\xC3\xA9");
}

}  // namespace
