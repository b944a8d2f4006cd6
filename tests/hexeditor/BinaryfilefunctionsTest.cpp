#include "Binaryfilefunctions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::array<std::uint8_t, 8>;

// "01 00 FF ..." to the 8 current bytes.
Bytes B(const std::string& hex)
{
    Bytes bytes{};
    std::istringstream in(hex);
    std::string pair;
    for (std::size_t i = 0; i < bytes.size() && in >> pair; ++i)
        bytes[i] = static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16));
    return bytes;
}

std::string Hex(const Bytes& bytes)
{
    std::string text;
    for (std::uint8_t byte : bytes) {
        static const char digits[] = "0123456789ABCDEF";
        if (!text.empty())
            text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

TByteConversions Loaded(const std::string& hex, std::uint8_t byteOrder)
{
    TByteConversions conversions;
    conversions.SetByteOrder(byteOrder);
    conversions.LoadValueBytes(B(hex));
    return conversions;
}

constexpr std::uint8_t LE = 1;
constexpr std::uint8_t BE = 0;
using V = TValueView;

struct ViewCase {
    const char* Bytes;
    std::uint8_t Order;
    TValueView View;
    int Index;
    const char* Text;
};

// Bytes chosen so that every sign, width and float class shows.
const ViewCase viewCases[] = {
    {"01 00 00 00 00 00 00 80", LE, V::Word, 0, "1"},
    {"01 00 00 00 00 00 00 80", LE, V::Short, 3, "-32768"},
    {"01 00 00 00 00 00 00 80", LE, V::Word, 3, "32768"},
    {"01 00 00 00 00 00 00 80", LE, V::DWord, 1, "2147483648"},
    {"01 00 00 00 00 00 00 80", LE, V::Long, 1, "-2147483648"},
    {"01 00 00 00 00 00 00 80", LE, V::Int64, 0, "-9223372036854775807"},
    {"01 00 00 00 00 00 00 80", LE, V::HexShort, 0, "00 01"},
    {"01 00 00 00 00 00 00 80", LE, V::HexLong, 1, "80 00 00 00"},
    {"01 00 00 00 00 00 00 80", LE, V::Hex64, 0, "80 00 00 00 00 00 00 01"},
    {"01 00 00 00 00 00 00 80", LE, V::BinShort, 0, "0000-0000-0000-0001"},
    {"01 00 00 00 00 00 00 80", LE, V::BinLong, 1, "1000-0000-0000-0000-0000-0000-0000-0000"},
    {"01 00 00 00 00 00 00 80", LE, V::Bin64, 0,
     "1000000000000000000000000000000000000000000000000000000000000001"},
    {"01 00 00 00 00 00 00 80", LE, V::Binary, 0, "0000-0001"},
    {"01 00 00 00 00 00 00 80", LE, V::Dec, 7, "128"},
    {"01 00 00 00 00 00 00 80", LE, V::Hex, 7, "80"},
    {"01 00 00 00 00 00 00 80", LE, V::Char, 0, "."},
    {"01 00 00 00 00 00 00 80", BE, V::Word, 0, "256"},
    {"01 00 00 00 00 00 00 80", BE, V::Word, 3, "128"},
    {"01 00 00 00 00 00 00 80", BE, V::DWord, 0, "16777216"},
    {"01 00 00 00 00 00 00 80", BE, V::Long, 1, "128"},
    {"01 00 00 00 00 00 00 80", BE, V::Int64, 0, "72057594037928064"},
    {"01 00 00 00 00 00 00 80", BE, V::HexShort, 0, "01 00"},
    {"01 00 00 00 00 00 00 80", BE, V::Hex64, 0, "01 00 00 00 00 00 00 80"},
    {"01 00 00 00 00 00 00 80", BE, V::BinShort, 3, "0000-0000-1000-0000"},
    {"01 00 00 00 00 00 00 80", BE, V::Dec, 0, "1"},
    {"FF FF FF FF FF FF FF FF", LE, V::Short, 1, "-1"},
    {"FF FF FF FF FF FF FF FF", LE, V::Word, 1, "65535"},
    {"FF FF FF FF FF FF FF FF", BE, V::Long, 0, "-1"},
    {"FF FF FF FF FF FF FF FF", BE, V::DWord, 1, "4294967295"},
    {"FF FF FF FF FF FF FF FF", LE, V::Int64, 0, "-1"},
    {"FF FF FF FF FF FF FF FF", LE, V::Float, 0, "NAN"},
    {"FF FF FF FF FF FF FF FF", LE, V::Double, 0, "NAN"},
    {"FF FF FF FF FF FF FF FF", LE, V::Binary, 7, "1111-1111"},
    {"FF FF FF FF FF FF FF FF", LE, V::Char, 7, "."},
    {"FF FF FF FF FF FF FF FF", LE, V::Dec, 7, "255"},
    {"41 7E 20 7F 1F 00 00 00", LE, V::Char, 0, "A"},
    {"41 7E 20 7F 1F 00 00 00", LE, V::Dec, 0, "65"},
    {"41 7E 20 7F 1F 00 00 00", LE, V::Hex, 0, "41"},
    {"41 7E 20 7F 1F 00 00 00", LE, V::Char, 1, "~"},
    {"41 7E 20 7F 1F 00 00 00", LE, V::Char, 2, " "},
    {"41 7E 20 7F 1F 00 00 00", LE, V::Char, 3, "."},
    {"41 7E 20 7F 1F 00 00 00", LE, V::Char, 4, "."},
    {"12 34 56 78 9A BC DE F0", LE, V::HexShort, 0, "34 12"},
    {"12 34 56 78 9A BC DE F0", BE, V::HexShort, 0, "12 34"},
    {"12 34 56 78 9A BC DE F0", LE, V::HexLong, 0, "78 56 34 12"},
    {"12 34 56 78 9A BC DE F0", BE, V::HexLong, 1, "9A BC DE F0"},
    {"12 34 56 78 9A BC DE F0", LE, V::Hex64, 0, "F0 DE BC 9A 78 56 34 12"},
    {"12 34 56 78 9A BC DE F0", LE, V::Int64, 0, "-1090226688147180526"},
    // Singles and the double read the bytes as stored whatever the byte order.
    {"CD CC CC 3D 00 00 C0 3F", LE, V::Float, 0, "0.100000001490116"},
    {"CD CC CC 3D 00 00 C0 3F", BE, V::Float, 0, "0.100000001490116"},
    {"CD CC CC 3D 00 00 C0 3F", BE, V::Float, 1, "1.5"},
    {"00 00 00 00 00 00 F8 3F", LE, V::Double, 0, "1.5"},
    {"00 00 00 00 00 00 F8 3F", BE, V::Double, 0, "1.5"},
    {"00 00 80 7F 00 00 80 FF", LE, V::Float, 0, "INF"},
    {"00 00 80 7F 00 00 80 FF", LE, V::Float, 1, "-INF"},
    {"00 00 C0 7F 01 00 80 7F", LE, V::Float, 0, "NAN"},
    {"00 00 C0 7F 01 00 80 7F", LE, V::Float, 1, "NAN"},
    {"01 00 00 00 00 00 00 80", LE, V::Float, 0, "1.40129846432482E-45"},
    {"01 00 00 00 00 00 00 80", LE, V::Float, 1, "-0"},
    {"FF FF 7F 7F FF FF 7F FF", LE, V::Float, 0, "3.40282346638529E38"},
    {"FF FF 7F 7F FF FF 7F FF", LE, V::Float, 1, "-3.40282346638529E38"},
    {"00 00 00 00 00 00 F0 7F", LE, V::Double, 0, "INF"},
    {"01 00 00 00 00 00 F0 7F", LE, V::Double, 0, "NAN"},
    {"01 00 00 00 00 00 00 00", LE, V::Double, 0, "4.94065645841247E-324"},
    {"FF FF FF FF FF FF EF 7F", LE, V::Double, 0, "1.79769313486232E308"},
    {"00 00 00 00 00 00 00 80", LE, V::Double, 0, "-0"},
};

TEST(hex_values_Views, BytesShowAsEveryViewText)
{
    for (const ViewCase& c : viewCases) {
        const TByteConversions conversions = Loaded(c.Bytes, c.Order);
        EXPECT_EQ(ViewText(conversions, c.View, c.Index), c.Text)
            << c.Bytes << (c.Order == LE ? " little" : " big") << " view " << static_cast<int>(c.View)
            << " index " << c.Index;
    }
}

TEST(hex_values_Views, ByteOrderSwitchRebuildsFromTheBytes)
{
    TByteConversions conversions = Loaded("01 02 03 04 05 06 07 08", LE);
    EXPECT_EQ(conversions.Words[0], 0x0201);
    EXPECT_EQ(conversions.DWords[1], 0x08070605u);
    const float single = conversions.Singles[0];
    conversions.SetByteOrder(BE);
    EXPECT_EQ(conversions.Words[0], 0x0102);
    EXPECT_EQ(conversions.DWords[1], 0x05060708u);
    EXPECT_EQ(conversions.QWord, 0x0102030405060708);
    EXPECT_EQ(conversions.Singles[0], single);
    EXPECT_EQ(Hex(conversions.Raw), "01 02 03 04 05 06 07 08");
}

TEST(hex_values_Views, OutOfRangeIndexesAreClamped)
{
    const TByteConversions conversions = Loaded("12 34 56 78 9A BC DE F0", LE);
    EXPECT_EQ(FormatHexByte(conversions, 9), "F0");
    EXPECT_EQ(FormatHexByte(conversions, -1), "12");
    EXPECT_EQ(FormatHexWord(conversions, 7), "F0 DE");
    EXPECT_EQ(FormatHexDWord(conversions, 5), "F0 DE BC 9A");
    EXPECT_EQ(conversions.GetFloatElement(3), conversions.GetFloatElement(1));
    EXPECT_EQ(ViewText(conversions, V::Word, 9), ViewText(conversions, V::Word, 3));
}

TEST(hex_values_Page, ShortReadAtTheEndIsZeroFilled)
{
    // Position 100 in a 300-byte file: 200 file bytes, then zeros.
    std::vector<std::uint8_t> file(300);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i);
    TByteConversions conversions;
    conversions.LoadPage(file.data() + 100, 200);
    EXPECT_EQ(conversions.PageCount, 256);
    EXPECT_EQ(Hex(conversions.Raw), "64 65 66 67 68 69 6A 6B");
    EXPECT_EQ(conversions.Page[199], 299 % 256);
    EXPECT_EQ(conversions.Page[200], 0);
    EXPECT_EQ(conversions.Page[256], 0);

    const std::string hex = PageHexText(conversions);
    ASSERT_EQ(hex.size(), 767u);
    EXPECT_EQ(hex.substr(48 * 12, 48), "24 25 26 27 28 29 2A 2B 00 00 00 00 00 00 00 00 ");
    EXPECT_EQ(hex.substr(48 * 15), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    const std::string chars = PageCharText(conversions);
    ASSERT_EQ(chars.size(), 256u);
    EXPECT_EQ(chars.substr(0, 16), "defghijklmnopqrs");
    EXPECT_EQ(chars.substr(16 * 13, 16), "................");

    // Three bytes left: the views see them and zeros beyond.
    conversions.LoadPage(file.data() + 297, 3);
    EXPECT_EQ(Hex(conversions.Raw), "29 2A 2B 00 00 00 00 00");
    EXPECT_EQ(ViewText(conversions, V::DWord, 0), "2828841");
    EXPECT_EQ(ViewText(conversions, V::DWord, 1), "0");
}

TEST(hex_values_Format, BinaryAndHexDigits)
{
    struct Case {
        std::uint64_t Value;
        int Width;
        bool Grouped;
        const char* Text;
    };
    const Case cases[] = {
        {1, 8, true, "0000-0001"},
        {0xA5, 8, false, "10100101"},
        {1, 16, true, "0000-0000-0000-0001"},
        {0x80000001u, 32, true, "1000-0000-0000-0000-0000-0000-0000-0001"},
        {0x1FF, 8, true, "1111-1111"},
        {0, 0, true, ""},
        {0x8000000000000001u, 64, true,
         "1000-0000-0000-0000-0000-0000-0000-0000-0000-0000-0000-0000-0000-0000-0000-0001"},
        {0x8000000000000001u, 64, false, "1000000000000000000000000000000000000000000000000000000000000001"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatBinary(c.Value, c.Width, c.Grouped), c.Text) << c.Value << " width " << c.Width;

    EXPECT_EQ(NibbleToHexChar(0), '0');
    EXPECT_EQ(NibbleToHexChar(9), '9');
    EXPECT_EQ(NibbleToHexChar(10), 'A');
    EXPECT_EQ(NibbleToHexChar(15), 'F');
    EXPECT_EQ(NibbleToHexChar(16), 'F');
    EXPECT_EQ(NibbleToHexChar(255), 'F');
}

TEST(hex_values_Format, BinaryDigitsToNumbers)
{
    EXPECT_EQ(GetValueFromBinString("101"), 5);
    EXPECT_EQ(GetValueFromBinString("1-0"), 4);
    EXPECT_EQ(GetValueFromBinString(""), 0);
    EXPECT_EQ(GetValueFromBinString(std::string(64, '1')), 18446744073709551615.0L);
    EXPECT_EQ(BinStringToHex("111100001"), "F0");
    EXPECT_EQ(BinStringToHex("0001101011111111"), "1AFF");
    EXPECT_EQ(BinStringToHex("111"), "");
    EXPECT_EQ(BinStringToHex(""), "");
}

TEST(hex_values_Format, FloatTextIsGeneralWithFifteenDigits)
{
    struct Case {
        double Value;
        const char* Text;
    };
    const Case cases[] = {
        {static_cast<double>(0.1f), "0.100000001490116"},
        {1.5, "1.5"},
        {-2.25, "-2.25"},
        {100, "100"},
        {0.1 + 0.2, "0.3"},
        {1e14, "100000000000000"},
        {123456789012345, "123456789012345"},
        {999999999999999.9, "1E15"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {123456789012345678.0, "1.23456789012346E17"},
        {0.00001, "0.00001"},
        {0.000012345, "0.000012345"},
        {0.000001, "1E-6"},
        {-1.5e-7, "-1.5E-7"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {0.0, "0"},
        {-0.0, "-0"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloatText(c.Value), c.Text) << c.Text;
}

// Under a regional setting with ',' as the decimal separator the views still
// show '.' and typed texts are read with '.'.
TEST(hex_values_Format, NumberTextsIgnoreTheLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    EXPECT_EQ(FormatFloatText(1.5), "1.5");
    EXPECT_EQ(FormatFloatText(-1.5e-7), "-1.5E-7");
    EXPECT_EQ(ReadDoubleText("2.75"), 2.75);
    EXPECT_EQ(ReadDoubleText("0,5"), 0.0);
    EXPECT_EQ(ReadSingleText("0.25"), 0.25f);
    EXPECT_EQ(DecimalText(std::int64_t{-1234567}), "-1234567");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(hex_values_Read, DecimalIntegersWithinTheViewRange)
{
    struct Case {
        const char* Text;
        int Bits;
        std::optional<std::uint64_t> Value;
    };
    const Case cases[] = {
        {"70000", 16, std::nullopt},
        {"65535", 16, 65535},
        {"-32768", 16, 0x8000},
        {"-32769", 16, std::nullopt},
        {"-1", 16, 0xFFFF},
        {"-1", 32, 0xFFFFFFFF},
        {"4294967295", 32, 0xFFFFFFFF},
        {"4294967296", 32, std::nullopt},
        {"-2147483648", 32, 0x80000000},
        {"-2147483649", 32, std::nullopt},
        {"9999999999", 32, std::nullopt},
        {"18446744073709551615", 64, 0xFFFFFFFFFFFFFFFF},
        {"18446744073709551616", 64, std::nullopt},
        {"99999999999999999999999", 64, std::nullopt},
        {"-9223372036854775808", 64, 0x8000000000000000},
        {"-9223372036854775809", 64, std::nullopt},
        {"300", 8, std::nullopt},
        {"-128", 8, 0x80},
        {"  +12abc", 32, 12},
        {"0x1F", 32, 0},
        {"", 32, 0},
        {"-", 32, 0},
        {"abc", 32, 0},
        {" - 5", 32, 0},
        {"--5", 32, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadDecimalInteger(c.Text, c.Bits), c.Value) << '"' << c.Text << "\" in " << c.Bits << " bits";
}

TEST(hex_values_Read, HexAndBinaryTextsWithinTheWidth)
{
    EXPECT_EQ(NormalizeHexText("1 2"), "0102");
    EXPECT_EQ(NormalizeHexText("ABC"), "0ABC");
    EXPECT_EQ(NormalizeHexText("A BC D"), "0ABC0D");
    EXPECT_EQ(NormalizeHexText("0x1F"), "1F");
    EXPECT_EQ(NormalizeHexText("de-ad be ef"), "DEADBEEF");
    EXPECT_EQ(NormalizeHexText("xyz"), "");

    EXPECT_EQ(ReadHexNumber("FF", 8), 0xFFu);
    EXPECT_EQ(ReadHexNumber("ff", 8), 0xFFu);
    EXPECT_EQ(ReadHexNumber("7", 8), 7u);
    EXPECT_EQ(ReadHexNumber("100", 8), std::nullopt);
    EXPECT_EQ(ReadHexNumber("000000FF", 8), 0xFFu);
    EXPECT_EQ(ReadHexNumber("7G", 8), 7u);
    EXPECT_EQ(ReadHexNumber("0x1F", 8), 0x1Fu);
    EXPECT_EQ(ReadHexNumber("0X001F", 8), 0x1Fu);
    EXPECT_EQ(ReadHexNumber("0x", 8), std::nullopt);
    EXPECT_EQ(ReadHexNumber(" 7", 8), std::nullopt);
    EXPECT_EQ(ReadHexNumber("-", 8), std::nullopt);
    EXPECT_EQ(ReadHexNumber("", 16), std::nullopt);
    EXPECT_EQ(ReadHexNumber("FFFFFFFFFFFFFFFF", 64), 0xFFFFFFFFFFFFFFFFu);
    EXPECT_EQ(ReadHexNumber("10000000000000000", 64), std::nullopt);

    EXPECT_EQ(NormalizeBinaryText("1-0-1", 8), "00000101");
    EXPECT_EQ(NormalizeBinaryText("0000-0101", 8), "00000101");
    EXPECT_EQ(NormalizeBinaryText("111100001", 8), std::nullopt);
    EXPECT_EQ(NormalizeBinaryText("011110000", 8), "11110000");
    EXPECT_EQ(NormalizeBinaryText("1012", 8), "00000101");
    EXPECT_EQ(NormalizeBinaryText("", 16), "0000000000000000");
}

TEST(hex_values_Read, FloatTextsWithinTheRange)
{
    EXPECT_EQ(ReadSingleText("1.5"), 1.5f);
    EXPECT_EQ(ReadSingleText("  -2.5e1x"), -25.0f);
    EXPECT_EQ(ReadSingleText("abc"), 0.0f);
    EXPECT_EQ(ReadSingleText("3.40282346638529E38"), std::numeric_limits<float>::max());
    EXPECT_EQ(ReadSingleText("-3.4028235677973e38"), -std::numeric_limits<float>::max());
    EXPECT_EQ(ReadSingleText("3.4028236e38"), std::nullopt);
    EXPECT_EQ(ReadSingleText("1e39"), std::nullopt);
    EXPECT_EQ(ReadSingleText("1e-50"), 0.0f);
    EXPECT_EQ(ReadDoubleText("1.79769313486232E308"), std::nullopt);
    EXPECT_EQ(ReadDoubleText("1.7976931348623157E308"), std::numeric_limits<double>::max());
    EXPECT_EQ(ReadDoubleText("1e309"), std::nullopt);
    EXPECT_EQ(ReadDoubleText("-4.94065645841247E-324"), -std::numeric_limits<double>::denorm_min());
}

TEST(hex_values_Read, CountsAndStepsTakeTheLeadingIntegerHeldAt32Bits)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {" +16x", 16}, {"12abc", 12}, {"  +7", 7}, {"-8", -8}, {"abc", 0}, {"", 0}, {" 3 4", 3}, {"+", 0},
        {"0x10", 0}, {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN},
        {"99999999999999999999999", INT32_MAX}, {"-99999999999999999999999", INT32_MIN},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ReadLeadingInteger(text), value) << text;
}

// The jump box takes decimal and "0x" hex positions; anything else is refused, never read as 1.
TEST(hex_values_conversions, JumpPositionsAreDecimalOrHexAndJunkIsRefused)
{
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"8001", 8001}, {" 0x1F41 ", 8001}, {"0X1f41", 8001}, {"+12", 12}, {"-3", -3}, {"0", 0},
        {"99999999999999999999", std::int64_t{1} << 32}, {"0xFFFFFFFFFFFFFFFFFF", std::int64_t{1} << 32},
        {"0x1F41 junk", std::nullopt}, {"1F41", std::nullopt}, {"12abc", std::nullopt}, {"abc", std::nullopt},
        {"", std::nullopt}, {"  ", std::nullopt}, {"0x", std::nullopt}, {"-0x10", std::nullopt},
        {"+", std::nullopt}, {"1 2", std::nullopt},
    };
    for (const auto& [text, position] : cases)
        EXPECT_EQ(ReadJumpPosition(text), position) << '"' << text << '"';
}

struct EditCase {
    const char* Start;
    std::uint8_t Order;
    TValueView View;
    int Index;
    const char* Text;
    const char* Result;  // nullptr: refused
};

const EditCase editCases[] = {
    {"00 00 00 00 00 00 00 00", LE, V::Word, 1, "4464", "00 00 70 11 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", BE, V::Word, 1, "4464", "00 00 11 70 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Word, 1, "70000", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Short, 0, "-32768", "00 80 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Short, 0, "-32769", nullptr},
    {"11 22 33 44 55 66 77 88", LE, V::Word, 3, "0", "11 22 33 44 55 66 00 00"},
    {"11 22 33 44 55 66 77 88", LE, V::Short, 2, "", "11 22 33 44 00 00 77 88"},
    {"00 00 00 00 00 00 00 00", LE, V::DWord, 0, "-1", "FF FF FF FF 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Long, 1, "-2147483648", "00 00 00 00 00 00 00 80"},
    {"00 00 00 00 00 00 00 00", BE, V::DWord, 0, "1", "00 00 00 01 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::DWord, 0, "4294967296", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Int64, 0, "-1", "FF FF FF FF FF FF FF FF"},
    {"00 00 00 00 00 00 00 00", LE, V::Int64, 0, "9223372036854775808", "00 00 00 00 00 00 00 80"},
    {"00 00 00 00 00 00 00 00", BE, V::Int64, 0, "1", "00 00 00 00 00 00 00 01"},
    {"00 00 00 00 00 00 00 00", LE, V::Int64, 0, "18446744073709551616", nullptr},
    {"11 22 33 44 55 66 77 88", LE, V::Int64, 0, "no number", "00 00 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Dec, 3, "255", "00 00 00 FF 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Dec, 3, "-1", "00 00 00 FF 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Dec, 3, "300", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Dec, 3, "", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Hex, 0, "7", "07 00 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", BE, V::Hex, 6, "ff", "00 00 00 00 00 00 FF 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Hex, 0, " 7", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Hex, 0, "-", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Binary, 2, "1-0-1", "00 00 05 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Binary, 2, "1111-0000", "00 00 F0 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Binary, 2, "111100001", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Binary, 2, "", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Char, 5, "A", "00 00 00 00 00 41 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Char, 5, "\xE9", "00 00 00 00 00 E9 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Char, 5, "", nullptr},
    {"FF FF FF FF FF FF FF FF", LE, V::BinShort, 0, "", "00 00 FF FF FF FF FF FF"},
    {"00 00 00 00 00 00 00 00", LE, V::BinShort, 1, "1000-0000-0000-0001", "00 00 01 80 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", BE, V::BinShort, 1, "1000-0000-0000-0001", "00 00 80 01 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::BinShort, 1, "1-0000-0000-0000-0001", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::BinLong, 1, "1000-0000-0000-0000-0000-0000-0000-0010",
     "00 00 00 00 02 00 00 80"},
    {"00 00 00 00 00 00 00 00", LE, V::Bin64, 0,
     "1000000000000000000000000000000000000000000000000000000000000011", "03 00 00 00 00 00 00 80"},
    {"00 00 00 00 00 00 00 00", LE, V::Bin64, 0,
     "11000000000000000000000000000000000000000000000000000000000000011", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::HexShort, 0, "1 2", "02 01 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", BE, V::HexShort, 0, "1 2", "01 02 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::HexShort, 3, "00 12 34", "00 00 00 00 00 00 34 12"},
    {"00 00 00 00 00 00 00 00", LE, V::HexShort, 0, "12 34 56", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::HexShort, 0, "", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::HexShort, 0, "ABC", "BC 0A 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", BE, V::HexShort, 1, "1FF", "00 00 01 FF 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::HexShort, 0, "0x1F", "1F 00 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::HexLong, 0, "0x12345", "45 23 01 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Hex64, 0, "0x0000000000000000123", "23 01 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Hex, 1, "0x1F", "00 1F 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::HexLong, 0, "DE AD BE EF", "EF BE AD DE 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::HexLong, 0, "1 2 3 4 5", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Hex64, 0, "FF", "FF 00 00 00 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", BE, V::Hex64, 0, "FF", "00 00 00 00 00 00 00 FF"},
    {"00 00 00 00 00 00 00 00", LE, V::Hex64, 0, "00 01 02 03 04 05 06 07 08", "08 07 06 05 04 03 02 01"},
    {"00 00 00 00 00 00 00 00", LE, V::Hex64, 0, "01 00 00 00 00 00 00 00 00", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Float, 0, "1.5", "00 00 C0 3F 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", BE, V::Float, 0, "1.5", "00 00 C0 3F 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Float, 1, "-2", "00 00 00 00 00 00 00 C0"},
    {"FF FF FF FF FF FF FF FF", LE, V::Float, 0, "abc", "00 00 00 00 FF FF FF FF"},
    {"00 00 00 00 00 00 00 00", LE, V::Float, 0, "3.40282346638529E38", "FF FF 7F 7F 00 00 00 00"},
    {"00 00 00 00 00 00 00 00", LE, V::Float, 0, "1e39", nullptr},
    {"00 00 00 00 00 00 00 00", LE, V::Double, 0, "1.5", "00 00 00 00 00 00 F8 3F"},
    {"00 00 00 00 00 00 00 00", BE, V::Double, 0, "-0", "00 00 00 00 00 00 00 80"},
    {"00 00 00 00 00 00 00 00", LE, V::Double, 0, "1e309", nullptr},
};

TEST(hex_values_Edits, ViewTextsBecomeBytes)
{
    for (const EditCase& c : editCases) {
        TByteConversions conversions = Loaded(c.Start, c.Order);
        const bool stored = EditView(conversions, c.View, c.Index, c.Text);
        const std::string label = std::string("\"") + c.Text + "\" into view " +
                                  std::to_string(static_cast<int>(c.View)) + " index " + std::to_string(c.Index) +
                                  (c.Order == LE ? " little" : " big");
        if (c.Result) {
            EXPECT_TRUE(stored) << label;
            EXPECT_EQ(Hex(conversions.Raw), c.Result) << label;
        } else {
            EXPECT_FALSE(stored) << label;
            EXPECT_EQ(Hex(conversions.Raw), Hex(B(c.Start))) << label;
        }
        // The views always follow the bytes.
        EXPECT_EQ(conversions.Words[0], Loaded(Hex(conversions.Raw), c.Order).Words[0]) << label;
    }
}

// Every text a view shows reads back as the same bytes, in both byte orders.
TEST(hex_values_Edits, ShownTextsReadBackUnchanged)
{
    const char* const fixtures[] = {"01 00 00 00 00 00 00 80", "FF FE FD FC 7F 80 81 41", "CD CC CC 3D 00 00 C0 3F",
                                    "12 34 56 78 9A BC DE F0", "01 00 00 00 00 00 F0 3F"};
    const TValueView views[] = {V::Dec,   V::Hex,    V::Binary,   V::Word,    V::Short,    V::DWord,
                                V::Long,  V::Float,  V::Int64,    V::Double,  V::BinShort, V::BinLong,
                                V::Bin64, V::HexShort, V::HexLong, V::Hex64};
    for (const char* fixture : fixtures)
        for (std::uint8_t order : {LE, BE})
            for (TValueView view : views)
                for (int index = 0; index < 8; ++index) {
                    if (ClampViewIndex(view, index) != index)
                        continue;
                    TByteConversions conversions = Loaded(fixture, order);
                    const std::string shown = ViewText(conversions, view, index);
                    // Fifteen digits hold every single but not every double.
                    if (view == V::Double && ReadDoubleText(shown) != conversions.DoubleValue)
                        continue;
                    ASSERT_TRUE(EditView(conversions, view, index, shown)) << fixture << " " << shown;
                    EXPECT_EQ(Hex(conversions.Raw), fixture)
                        << "view " << static_cast<int>(view) << " index " << index << " text " << shown;
                }
}

TEST(hex_values_Edits, ScriptStoresUseTheSameByteOrder)
{
    TByteConversions conversions = Loaded("00 00 00 00 00 00 00 00", BE);
    SetIntegerElement(conversions, 0, 2, 0x1234);
    SetIntegerElement(conversions, 4, 4, 0xAABBCCDD);
    EXPECT_EQ(Hex(conversions.Raw), "12 34 00 00 AA BB CC DD");
    EXPECT_EQ(conversions.Words[0], 0x1234);
    SetFloatValue(conversions, 1.5f, 7);
    EXPECT_EQ(Hex(conversions.Raw), "12 34 00 00 00 00 C0 3F");
    SetDoubleValue(conversions, -2.0);
    EXPECT_EQ(Hex(conversions.Raw), "00 00 00 00 00 00 00 C0");
    EXPECT_EQ(conversions.DoubleValue, -2.0);
}

TEST(hex_values_Edits, ARefusedTextSaysWhy)
{
    struct Case {
        TValueView view;
        int index;
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {TValueView::Dec, 0, "442", "\"442\" does not fit in 8 bits (-128 to 255)"},
        {TValueView::Dec, 3, "", ""},
        {TValueView::Hex, 0, "-5", "\"-5\" is not a hex number"},
        {TValueView::Hex, 0, "1FF", "\"1FF\" does not fit in 8 bits (0 to FF)"},
        {TValueView::HexShort, 1, "  ", "\"  \" is not a hex number"},
        {TValueView::Word, 2, "70000000", "\"70000000\" does not fit in 16 bits (-32768 to 65535)"},
        {TValueView::Int64, 0, "99999999999999999999",
         "\"99999999999999999999\" does not fit in 64 bits (-9223372036854775808 to 18446744073709551615)"},
        {TValueView::Binary, 0, "111100001", "\"111100001\" has more than 8 binary digits"},
        {TValueView::Float, 1, "1e39", "\"1e39\" is beyond the range of a single-precision float"},
    };
    for (const Case& c : cases) {
        TByteConversions conversions;
        if (*c.reason != '\0') {
            EXPECT_FALSE(EditView(conversions, c.view, c.index, c.text)) << c.text;
        }
        EXPECT_EQ(EditRefusal(c.view, c.index, c.text), c.reason) << c.text;
    }
}

TEST(hex_values_Keys, ByteStripFilters)
{
    struct Case {
        char16_t Key;
        char16_t Decimal;
        char16_t Hex;
        char16_t Binary;
    };
    const Case cases[] = {
        {u'5', u'5', u'5', 0},     {u'0', u'0', u'0', u'0'}, {u'1', u'1', u'1', u'1'},
        {u'-', u'-', u'-', u'-'},  {u'+', u'+', 0, 0},       {u' ', 0, u' ', u' '},
        {u'a', 0, u'A', 0},        {u'F', 0, u'F', 0},       {u'g', 0, 0, 0},
        {8, 0, 0, 8},              {9, 0, 0, 9},             {13, 0, 0, 0},
        {22, 0, 0, 0},             {u'\u00e9', 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FilterDecimalKey(c.Key), c.Decimal) << int(c.Key);
        EXPECT_EQ(FilterHexKey(c.Key), c.Hex) << int(c.Key);
        EXPECT_EQ(FilterBinaryKey(c.Key), c.Binary) << int(c.Key);
    }
    EXPECT_FALSE(IsHexEntryKey(9));
    EXPECT_TRUE(IsHexEntryKey(u'c'));
}

}  // namespace
