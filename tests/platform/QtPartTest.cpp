#include "platform/QtDialogs.h"
#include "platform/QtText.h"

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
