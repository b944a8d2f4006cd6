#include "platform/Text.h"

#include <gtest/gtest.h>

#include <map>

using namespace platform;

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
}

TEST(Cp1252Test, EveryByteSurvivesUtf16AndUtf8) {
    const std::string bytes = AllBytes();
    const std::u16string utf16 = Cp1252ToUtf16(bytes);
    ASSERT_EQ(utf16.size(), 256u);
    EXPECT_EQ(Utf16ToCp1252(utf16), bytes);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(bytes)), bytes);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(static_cast<unsigned char>(b))), b);
}

TEST(Cp1252Test, CharactersOfTheCodePage) {
    const std::map<unsigned char, char16_t> expected = {
        {0x41, u'A'},     {0x80, u'\u20AC'}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F},
        {0x90, 0x0090},   {0x9D, 0x009D},    {0x8A, u'Š'},   {0x92, u'\u2019'}, {0x99, u'\u2122'},
        {0x9F, u'Ÿ'},     {0xA0, 0x00A0},    {0xE9, u'é'},   {0xFF, u'ÿ'},
    };
    for (const auto& [byte, unit] : expected) EXPECT_EQ(Cp1252ToUnicode(byte), unit) << int(byte);
    EXPECT_EQ(Cp1252ToUtf8("\x80 caf\xE9"), "€ café");
}

TEST(Cp1252Test, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(UnicodeToCp1252(u'Ω'), '?');
    EXPECT_EQ(Utf16ToCp1252(u"a\U0001F600b"), "a?b");        // a surrogate pair is one character
    EXPECT_EQ(Utf16ToCp1252(std::u16string(1, char16_t(0xD800))), "?");  // a lone surrogate
    EXPECT_EQ(Utf8ToCp1252("x\xE2\x82\xACy"), "x\x80y");
    EXPECT_EQ(Utf8ToCp1252("\xFF\xC3"), "??");                 // not UTF-8
    EXPECT_EQ(Utf8ToCp1252("\xC0\x80"), "??");                 // an overlong zero
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80!"), "?!");
}

TEST(CaseTest, LettersOfTheCodePageChangeCaseAndNothingElse) {
    // The pairs of the code page; every other byte keeps its case.
    std::map<unsigned char, unsigned char> upperOf;
    for (int c = 'a'; c <= 'z'; ++c) upperOf[c] = static_cast<unsigned char>(c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) upperOf[c] = static_cast<unsigned char>(c - 32);
    upperOf[0x9A] = 0x8A;  // š Š
    upperOf[0x9C] = 0x8C;  // œ Œ
    upperOf[0x9E] = 0x8E;  // ž Ž
    upperOf[0xFF] = 0x9F;  // ÿ Ÿ
    std::map<unsigned char, unsigned char> lowerOf;
    for (const auto& [lower, upper] : upperOf) lowerOf[upper] = lower;

    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const unsigned char upper = upperOf.count(byte) ? upperOf[byte] : byte;
        const unsigned char lower = lowerOf.count(byte) ? lowerOf[byte] : byte;
        EXPECT_EQ(static_cast<unsigned char>(UpperChar(static_cast<char>(b))), upper) << b;
        EXPECT_EQ(static_cast<unsigned char>(LowerChar(static_cast<char>(b))), lower) << b;
    }
    EXPECT_EQ(UpperCase("abc \xE9t\xE9 \xDF"), "ABC \xC9T\xC9 \xDF");  // ß has no capital here
    EXPECT_EQ(LowerCase("ABC \xC9T\xC9 \xD7"), "abc \xE9t\xE9 \xD7");  // × is no letter
}

TEST(CaseTest, SameTextIgnoresOnlyCase) {
    EXPECT_TRUE(SameTextIgnoringCase("R\xC9SUM\xC9", "r\xE9sum\xE9"));
    EXPECT_TRUE(SameTextIgnoringCase("", ""));
    EXPECT_FALSE(SameTextIgnoringCase("abc", "abd"));
    EXPECT_FALSE(SameTextIgnoringCase("abc", "abcd"));
}

TEST(TrimTest, RemovesControlsAndBlanksAtBothEnds) {
    EXPECT_EQ(Trim(std::string("\0\t a b \r\n\x1F", 9)), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // the no-break space is above 32
}

}  // namespace
