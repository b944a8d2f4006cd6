#include "Tlangmaths.h"
#include "Tlangstrings.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace pevox {
namespace {

constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

TEST(TlangStrings, CodesAndCharacters) {
    EXPECT_EQ(AscCode("A"), 65);
    EXPECT_EQ(AscCode("\xC8"), -56);  // code 200 as a signed 8-bit value
    EXPECT_EQ(AscCode(""), 0);
    EXPECT_EQ(ChrText(65), "A");
    EXPECT_EQ(ChrText(321), "A");
    EXPECT_EQ(ChrText(-191), "A");
    EXPECT_EQ(ChrText(200), "\xC8");
    EXPECT_EQ(ChrText(-56), "\xC8");
    EXPECT_EQ(ChrText(0), "");
    EXPECT_EQ(ChrText(256), "");
}

TEST(TlangStrings, LeftRightMid) {
    EXPECT_EQ(LeftText("abc", 5), "abc");
    EXPECT_EQ(LeftText("abc", 2), "ab");
    EXPECT_EQ(LeftText("abc", 0), "");
    EXPECT_EQ(LeftText("abc", -1), "");
    EXPECT_EQ(LeftText("abc", kMax64), "abc");
    EXPECT_EQ(RightText("abc", 5), "abc");
    EXPECT_EQ(RightText("abc", 3), "abc");
    EXPECT_EQ(RightText("abc", 1), "c");
    EXPECT_EQ(RightText("abc", 0), "");
    EXPECT_EQ(MidText("hello", 2, std::nullopt), "ello");
    EXPECT_EQ(MidText("hello", 2, 2), "el");
    EXPECT_EQ(MidText("hello", 0, std::nullopt), "");
    EXPECT_EQ(MidText("hello", 2, -1), "ello");
    EXPECT_EQ(MidText("hello", 2, 0), "");
    EXPECT_EQ(MidText("hello", 4, 99), "lo");
    EXPECT_EQ(MidText("hello", 5, std::nullopt), "o");
    EXPECT_EQ(MidText("hello", 6, std::nullopt), "");
    EXPECT_EQ(MidText("hello", kMax64, kMax64), "");
    EXPECT_EQ(MidText("", 1, std::nullopt), "");
}

TEST(TlangStrings, Instr) {
    EXPECT_EQ(InstrPosition("abcb", "b", false), 2);
    EXPECT_EQ(InstrPosition("abcb", "b", false, 3), 4);
    EXPECT_EQ(InstrPosition("abc", "B", false), 2);
    EXPECT_EQ(InstrPosition("abc", "B", true), 0);
    EXPECT_EQ(InstrPosition("abc", "x", false), 0);
    EXPECT_EQ(InstrPosition("abc", "", false), 0);
    EXPECT_EQ(InstrPosition("abc", "c", false, 4), 0);
    EXPECT_EQ(InstrPosition("abc", "c", false, kMax64), 0);
    EXPECT_EQ(InstrPosition("\xE9t\xE9", "\xC9T", false), 1);  // accented letters fold too
    EXPECT_EQ(InstrPosition("xAbAB", "ab", false, 3), 4);
    EXPECT_EQ(InstrPosition("ab", "abc", false), 0);
    EXPECT_EQ(InstrPosition("aab", "AB", false), 2);
}

// The case-blind search finds what a search of both texts in upper case
// finds, at every start: over texts of letters whose case forms are Latin-1
// pairs (a A, \xE9 \xC9), pairs outside that block (\x9A \x8A, \xFF \x9F),
// bytes with one form only (\xDF, \xB5, \xD7, \xF7, '1') and every byte
// alone as a one-character text.
TEST(TlangStrings, InstrIgnoringCaseFindsWhatTheUpperCaseTextsFind) {
    const std::string alphabet = "aA\xE9\xC9\x9A\x8A\xFF\x9F\xDF\xB5\xD7\xF7" "1";
    const auto reference = [](const std::string& text, const std::string& wanted, std::int64_t start) {
        const std::size_t found = platform::UpperCase(text).find(platform::UpperCase(wanted), static_cast<std::size_t>(start - 1));
        return found == std::string::npos ? std::int64_t{0} : static_cast<std::int64_t>(found) + 1;
    };
    unsigned seed = 7;
    const auto next = [&seed](std::size_t below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::size_t>((seed >> 16) & 0x7FFF) % below;
    };
    const auto randomText = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += alphabet[next(alphabet.size())];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string text = randomText(1 + next(12));
        const std::string wanted = next(4) == 0 ? text.substr(next(text.size()), 1 + next(3)) : randomText(1 + next(3));
        for (std::int64_t start = 1; start <= static_cast<std::int64_t>(text.size()); ++start)
            ASSERT_EQ(InstrPosition(text, wanted, false, start), reference(text, wanted, start))
                << "[" << text << "] [" << wanted << "] from " << start;
    }
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        for (int c = 1; c < 256; ++c) {
            const std::string text = "x" + std::string(1, static_cast<char>(c)) + "y";
            ASSERT_EQ(InstrPosition(text, one, false), reference(text, one, 1)) << b << " in " << c;
        }
    }
}

TEST(TlangStrings, Val) {
    struct Case {
        const char* text;
        long double value;
    };
    const Case cases[] = {
        {"0x1F", 31}, {"0X1f", 31}, {"0xFFFFFFFF", 4294967295.0L}, {"2.5", 2.5L}, {" 2.5 ", 2.5L},
        {"-3", -3},   {"1e3", 1000}, {"abc", 0},  {"", 0},  {"12abc", 0}, {"0x", 0},
        {"0xG", 0},   {"0x11112222333344445", 0},  // more than 64 bits
        {"1e400", 0},  // beyond a double
        {"inf", 0},   {"nan", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ValNumber(c.text), c.value) << c.text;
}

TEST(TlangStrings, TrimKeepsUpperHalfCharacters) {
    EXPECT_EQ(TrimLeftText("\t a \x01"), "a \x01");
    EXPECT_EQ(TrimRightText("\t a \x01"), "\t a");
    EXPECT_EQ(TrimLeftText("\xC8" "a"), "\xC8" "a");
    EXPECT_EQ(TrimRightText("a\xA0"), "a\xA0");
    EXPECT_EQ(TrimRightText("   "), "");
}

TEST(TlangStrings, Hex) {
    EXPECT_EQ(HexText(255), "FF");
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(HexText(-1), "FFFFFFFF");
    EXPECT_EQ(HexText(4294967296LL), "0");
    EXPECT_EQ(HexText(0xABCDEF12LL), "ABCDEF12");
}

TEST(TlangMaths, Values) {
    struct Case {
        MathFunction function;
        long double argument;
        long double value;
        long double tolerance;
    };
    const Case cases[] = {
        {MathFunction::Sqr, 4, 2, 0},
        {MathFunction::Sqr, 0, 0, 0},
        {MathFunction::Sin, 30, 0.5L, 1e-18L},
        {MathFunction::Sin, 360 * 1000 + 30, 0.5L, 1e-18L},
        {MathFunction::Cos, 90, 0, 0},
        {MathFunction::Cos, 60, 0.5L, 1e-18L},
        {MathFunction::Cos, -270, 0, 0},
        {MathFunction::Tan, 45, 1, 1e-18L},
        {MathFunction::Tan, 90, 0, 0},
        {MathFunction::Atn, 1, 45, 1e-15L},
        {MathFunction::Asin, 1, 90, 1e-15L},
        {MathFunction::Acos, -1, 180, 1e-15L},
        {MathFunction::Abs, -3, 3, 0},
        {MathFunction::Sgn, -0.1L, -1, 0},
        {MathFunction::Sgn, 0, 0, 0},
        {MathFunction::Sgn, 7, 1, 0},
        {MathFunction::Int, -2.5L, -2, 0},
        {MathFunction::Int, 2.9L, 2, 0},
        {MathFunction::Exp, 1, 2.718281828459045235360287L, 1e-18L},  // the exact e
        {MathFunction::Exp2, 10, 1024, 0},
        {MathFunction::Exp10, 2, 100, 0},
        {MathFunction::Log, 2.718281828459045235360287L, 1, 1e-18L},
        {MathFunction::Log2, 1024, 10, 0},
        {MathFunction::Log10, 1000, 3, 1e-18L},
    };
    for (const Case& c : cases) {
        const NumberResult result = ApplyMath(c.function, c.argument);
        ASSERT_TRUE(result.Ok()) << static_cast<int>(c.function) << " " << result.Error;
        EXPECT_NEAR(static_cast<double>(result.Value), static_cast<double>(c.value), static_cast<double>(c.tolerance))
            << static_cast<int>(c.function) << "(" << static_cast<double>(c.argument) << ")";
    }
}

// "^" multiplies whole powers of whole numbers out: each gives what
// std::pow gives, to the last bit, up to where the value leaves 2^64 and
// beside fractional, negative and huge operands.
TEST(TlangMaths, PowersAreStdPowsToTheLastBit) {
    const long double bases[] = {0, -0.0L, 1, -1, 2, -2, 3, -3, 10, -7, 255, 65535, 4294967295.0L, 4294967296.0L,
                                 2.5L, -0.5L, 1e20L};
    const long double exponents[] = {0, -0.0L, 1, 2, 3, 7, 16, 31, 32, 33, 40, 63, 64, 65, 0.5L, 1.5L, -1, -2};
    for (long double base : bases)
        for (long double exponent : exponents) {
            const long double power = Power(base, exponent);
            const long double expected = std::pow(base, exponent);
            const bool same = std::isnan(expected) ? std::isnan(power)
                                                    : power == expected && std::signbit(power) == std::signbit(expected);
            EXPECT_TRUE(same)
                << static_cast<double>(base) << " ^ " << static_cast<double>(exponent);
        }
}

TEST(TlangMaths, ErrorsInPlaceOfInfinityOrNotANumber) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    struct Case {
        MathFunction function;
        long double argument;
        std::string_view error;
    };
    const Case cases[] = {
        {MathFunction::Sqr, -1, msg::DomainError},     {MathFunction::Log, 0, msg::DomainError},
        {MathFunction::Log2, -1, msg::DomainError},    {MathFunction::Log10, 0, msg::DomainError},
        {MathFunction::Asin, 2, msg::AngleRange},      {MathFunction::Acos, -1.5L, msg::AngleRange},
        {MathFunction::Exp, 1000, msg::Overflow},      {MathFunction::Exp2, 1025, msg::Overflow},
        {MathFunction::Exp10, 309, msg::Overflow},     {MathFunction::Sqr, 1e4000L, msg::Overflow},
        {MathFunction::Abs, -1e4000L, msg::Overflow},  {MathFunction::Cos, inf, msg::FloatException},
        {MathFunction::Tan, nan, msg::FloatException}, {MathFunction::Sin, -inf, msg::FloatException},
        {MathFunction::Int, 1e300L, msg::IntegerRange}, {MathFunction::Int, -1e19L, msg::IntegerRange},
    };
    for (const Case& c : cases) {
        const NumberResult result = ApplyMath(c.function, c.argument);
        EXPECT_EQ(result.Error, c.error) << static_cast<int>(c.function) << "(" << static_cast<double>(c.argument) << ")";
    }
    EXPECT_TRUE(ApplyMath(MathFunction::Exp, -100000).Ok());
    EXPECT_EQ(ApplyMath(MathFunction::Exp, -100000).Value, 0);
}

TEST(TlangMaths, IntegerConversionsRefuseWhatDoesNotFit) {
    EXPECT_EQ(TruncToInt64(-2.5L), -2);
    EXPECT_EQ(TruncToInt64(9223372036854775807.0L), kMax64);
    EXPECT_EQ(TruncToInt64(-9223372036854775808.0L), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(TruncToInt64(9223372036854775808.0L), std::nullopt);
    EXPECT_EQ(TruncToInt64(std::numeric_limits<long double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(TruncToInt32(2147483647.9L), 2147483647);
    EXPECT_EQ(TruncToInt32(-2147483648.9L), -2147483648LL);
    EXPECT_EQ(TruncToInt32(2147483648.0L), std::nullopt);
    EXPECT_EQ(TruncToInt32(1e20L), std::nullopt);
    EXPECT_EQ(SaturatingCount(1e300L), kMax64);
    EXPECT_EQ(SaturatingCount(-1e300L), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(SaturatingCount(-3.7L), -3);
    EXPECT_EQ(SaturatingCount(std::numeric_limits<long double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(TruncToInt64(-9223372036854775808.5L), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(TruncToInt64(-9223372036854775809.0L), std::nullopt);
}

// The whole part agrees with std::trunc, also where a value is closer to the
// next whole number than a double can tell apart, and beyond the range of a
// double's exact whole numbers.
TEST(TlangMaths, TruncatedWholeAgreesWithTrunc) {
    const long double below = 1.0L - std::numeric_limits<long double>::epsilon();
    const long double values[] = {
        0.0L, -0.0L, 0.5L, -0.5L, below, -below, 3.0L - 4 * std::numeric_limits<long double>::epsilon(),
        -3.0L + 4 * std::numeric_limits<long double>::epsilon(), 2.5L, -2.5L, 7.0L, -7.0L,
        9007199254740991.75L, -9007199254740991.75L, 9007199254740992.5L, -9007199254740992.5L,
        4611686018427387904.5L, -4611686018427387904.5L, 9223372036854775807.0L, -9223372036854775808.0L,
        1e15L + 0.999999L, -1e15L - 0.999999L,
    };
    for (const long double value : values)
        EXPECT_EQ(static_cast<long double>(TruncatedWhole(value)), std::trunc(value)) << static_cast<double>(value);
}

}  // namespace
}  // namespace pevox
