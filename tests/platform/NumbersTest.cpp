#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

using namespace platform;

namespace {

bool UsesComma() { return std::localeconv()->decimal_point[0] == ','; }

// Switches the whole process to a locale whose decimal separator is ',', as
// Qt does from the environment: de_DE when the machine has it, else any other.
bool SelectCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if (std::setlocale(LC_ALL, name) && UsesComma()) return true;
    FILE* list = ::popen("locale -a 2>/dev/null", "r");
    if (!list) return false;
    char line[256];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, list)) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        found = std::setlocale(LC_ALL, name.c_str()) && UsesComma();
    }
    ::pclose(list);
    return found;
}

class CommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::setlocale(LC_ALL, nullptr);
        if (!SelectCommaLocale()) {
            std::setlocale(LC_ALL, previous_.c_str());
            GTEST_SKIP() << "the machine has no locale with ',' as decimal separator";
        }
    }
    void TearDown() override { std::setlocale(LC_ALL, previous_.c_str()); }

private:
    std::string previous_;
};

TEST_F(CommaLocaleTest, TheLocaleReallyUsesAComma) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    EXPECT_STREQ(buffer, "1,5");
}

TEST_F(CommaLocaleTest, FormatUsesAPoint) {
    EXPECT_EQ(FormatC("%.3f|%g|%.18Lf", 1.5, 0.25, 2.5L), "1.500|0.25|2.500000000000000000");
    EXPECT_EQ(FormatC("%'d", 1234567), "1234567");  // no thousands separator
    const std::string longText(1000, 'x');
    EXPECT_EQ(FormatC("%s%.1f", longText.c_str(), 0.5), longText + "0.5");
}

TEST_F(CommaLocaleTest, ParseReadsAPointAndStopsAtAComma) {
    long double value = 0;
    EXPECT_EQ(ParseLeadingFloat("3.25", value), 4u);
    EXPECT_EQ(value, 3.25L);
    EXPECT_EQ(ParseLeadingFloat("3,25", value), 1u);
    EXPECT_EQ(value, 3.0L);
    EXPECT_FALSE(ParseFloat("3,25", value));
}

TEST_F(CommaLocaleTest, ShortestTextUsesAPoint) {
    EXPECT_EQ(ShortestText(0.1), "0.1");
    EXPECT_EQ(ShortestText(-2.5L), "-2.5");
}

TEST(ParseTest, LeadingNumberTable) {
    struct Case {
        const char* text;
        std::size_t used;
        long double value;
    };
    const Case cases[] = {
        {"12", 2, 12},          {"  12.5e3x", 8, 12500},  {"-.5", 3, -0.5},     {"+7.", 3, 7},
        {"1e", 1, 1},           {"1e+", 1, 1},            {"2E-2", 4, 0.02L},   {"\t\n 4", 4, 4},
        {"", 0, 0},             {"   ", 0, 0},            {"abc", 0, 0},        {".", 0, 0},
        {"-", 0, 0},            {"- 1", 0, 0},            {"inf", 0, 0},        {"nan", 0, 0},
        {"0x10", 1, 0},         {"1.2.3", 3, 1.2L},       {"007", 3, 7},
    };
    for (const Case& c : cases) {
        long double value = -99;
        EXPECT_EQ(ParseLeadingFloat(c.text, value), c.used) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(ParseTest, OutOfRangeGivesInfinityAndDoubleRoundsOnce) {
    long double big = 0;
    EXPECT_EQ(ParseLeadingFloat("1e99999", big), 7u);
    EXPECT_EQ(big, std::numeric_limits<long double>::infinity());
    double minus = 0;
    EXPECT_EQ(ParseLeadingFloat("-1e400", minus), 6u);
    EXPECT_EQ(minus, -std::numeric_limits<double>::infinity());
    double tenth = 0;
    ParseLeadingFloat("0.1", tenth);
    EXPECT_EQ(tenth, 0.1);
    long double longTenth = 0;
    ParseLeadingFloat("0.1", longTenth);
    EXPECT_EQ(longTenth, 0.1L);
    EXPECT_NE(longTenth, static_cast<long double>(0.1));
}

TEST(ParseTest, WholeTextMustBeOneNumber) {
    long double value = 0;
    EXPECT_TRUE(ParseFloat("  -1.5e2  ", value));
    EXPECT_EQ(value, -150);
    EXPECT_FALSE(ParseFloat("1.5x", value));
    EXPECT_FALSE(ParseFloat("", value));
    EXPECT_FALSE(ParseFloat("1 2", value));
}

TEST(ShortestTextTest, ReadsBackAsTheSameValue) {
    EXPECT_EQ(ShortestText(0.1), "0.1");
    EXPECT_EQ(ShortestText(1e300), "1e+300");
    EXPECT_EQ(ShortestText(100.0), "100");
    EXPECT_EQ(ShortestText(0.0), "0");
    for (double value : {1.0 / 3, 2.0 / 3e-200, 123456789.125, -5e-324, 1.7976931348623157e308}) {
        double back = 0;
        const std::string text = ShortestText(value);
        ParseLeadingFloat(text, back);
        EXPECT_EQ(back, value) << text;
    }
    for (long double value : {1.0L / 3, 0.1L, -1e4000L}) {
        long double back = 0;
        const std::string text = ShortestText(value);
        ParseLeadingFloat(text, back);
        EXPECT_EQ(back, value) << text;
    }
}

}  // namespace
