#include "Binaryfilefunctions.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

// Binary texts of up to 64 digits are summed exactly.
static_assert(std::numeric_limits<long double>::digits >= 64);

namespace {

std::uint64_t LittleEndian(const std::array<std::uint8_t, 8>& raw, int offset, int count)
{
    std::uint64_t value = 0;
    for (int b = count - 1; b >= 0; --b)
        value = value << 8 | raw[offset + b];
    return value;
}

std::uint64_t BigEndian(const std::array<std::uint8_t, 8>& raw, int offset, int count)
{
    std::uint64_t value = 0;
    for (int b = 0; b < count; ++b)
        value = value << 8 | raw[offset + b];
    return value;
}

void StoreLittleEndian(std::array<std::uint8_t, 8>& raw, int offset, int count, std::uint64_t value)
{
    for (int b = 0; b < count; ++b)
        raw[offset + b] = static_cast<std::uint8_t>(value >> (8 * b));
}

std::string HexPair(std::uint8_t byte)
{
    return {NibbleToHexChar(byte >> 4), NibbleToHexChar(byte & 0x0F)};
}

// The bytes of a value, most significant first, as hex pairs joined by blanks.
std::string HexPairs(std::uint64_t value, int byteCount)
{
    std::string text;
    for (int b = byteCount - 1; b >= 0; --b) {
        text += HexPair(static_cast<std::uint8_t>(value >> (8 * b)));
        if (b > 0)
            text += ' ';
    }
    return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Moves `i` past the blanks and the one sign that may lead the text; true
// when that sign is a '-'.
bool SkipBlanksAndSign(std::string_view text, std::size_t& i)
{
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    return negative;
}

int HexDigitValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::uint64_t LowBitsMask(int bits)
{
    return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

std::optional<std::uint64_t> ReadBinaryValue(std::string_view text, int bits)
{
    const auto digits = NormalizeBinaryText(text, bits);
    if (!digits)
        return std::nullopt;
    return static_cast<std::uint64_t>(GetValueFromBinString(*digits));
}

}  // namespace

void TByteConversions::LoadValueBytes(const std::array<std::uint8_t, 8>& bytes)
{
    Raw = bytes;
    const auto integer = ByteOrder == 1 ? LittleEndian : BigEndian;
    for (int k = 0; k < 4; ++k)
        Words[k] = static_cast<std::uint16_t>(integer(Raw, 2 * k, 2));
    for (int k = 0; k < 2; ++k) {
        DWords[k] = static_cast<std::uint32_t>(integer(Raw, 4 * k, 4));
        Singles[k] = std::bit_cast<float>(static_cast<std::uint32_t>(LittleEndian(Raw, 4 * k, 4)));
    }
    QWord = static_cast<std::int64_t>(integer(Raw, 0, 8));
    DoubleValue = std::bit_cast<double>(LittleEndian(Raw, 0, 8));
}

void TByteConversions::SetByteOrder(std::uint8_t flag)
{
    ByteOrder = flag == 1 ? 1 : 0;
    LoadValueBytes(Raw);
}

double TByteConversions::GetFloatElement(int index) const
{
    return Singles[std::clamp(index, 0, 1)];
}

void TByteConversions::LoadPage(const std::uint8_t* bytes, std::size_t count)
{
    Page.fill(0);
    std::copy_n(bytes, std::min<std::size_t>(count, PageSize), Page.begin());
    PageCount = PageSize;
    std::array<std::uint8_t, 8> current{};
    std::copy_n(Page.begin(), current.size(), current.begin());
    LoadValueBytes(current);
}

void SetFloatValue(TByteConversions& conversions, float value, int index)
{
    auto raw = conversions.Raw;
    StoreLittleEndian(raw, 4 * std::clamp(index, 0, 1), 4, std::bit_cast<std::uint32_t>(value));
    conversions.LoadValueBytes(raw);
}

void SetDoubleValue(TByteConversions& conversions, double value)
{
    auto raw = conversions.Raw;
    StoreLittleEndian(raw, 0, 8, std::bit_cast<std::uint64_t>(value));
    conversions.LoadValueBytes(raw);
}

void SetIntegerElement(TByteConversions& conversions, int byteOffset, int byteCount, std::uint64_t value)
{
    auto raw = conversions.Raw;
    for (int b = 0; b < byteCount; ++b) {
        const int at = conversions.ByteOrder == 1 ? byteOffset + b : byteOffset + byteCount - 1 - b;
        raw[at] = static_cast<std::uint8_t>(value >> (8 * b));
    }
    conversions.LoadValueBytes(raw);
}

long double GetValueFromBinString(std::string_view text)
{
    long double sum = 0;
    const int length = static_cast<int>(text.size());
    for (int i = 0; i < length; ++i)
        if (text[i] == '1')
            sum += std::ldexp(1.0L, length - 1 - i);
    return sum;
}

std::string BinStringToHex(std::string_view text)
{
    std::string hex;
    for (std::size_t k = 0; k < text.size() / 4; ++k)
        hex += NibbleToHexChar(static_cast<std::uint8_t>(GetValueFromBinString(text.substr(4 * k, 4))));
    return hex;
}

char NibbleToHexChar(std::uint8_t value)
{
    return "0123456789ABCDEF"[std::min<std::uint8_t>(value, 15)];
}

std::string FormatBinary(std::uint64_t value, int width, bool grouped)
{
    if (width > 32)
        return FormatBinary(value >> 32, 32, grouped) + (grouped ? "-" : "") +
               FormatBinary(value & 0xFFFFFFFFu, 32, grouped);
    std::string text;
    for (int bit = width - 1, digit = 0; bit >= 0; --bit, ++digit) {
        if (grouped && digit > 0 && digit % 4 == 0)
            text += '-';
        text += (value >> bit & 1) ? '1' : '0';
    }
    return text;
}

std::string FormatHexByte(const TByteConversions& conversions, int index)
{
    return HexPair(conversions.Raw[std::clamp(index, 0, 7)]);
}

std::string FormatHexWord(const TByteConversions& conversions, int index)
{
    return HexPairs(conversions.Words[std::clamp(index, 0, 3)], 2);
}

std::string FormatHexDWord(const TByteConversions& conversions, int index)
{
    return HexPairs(conversions.DWords[std::clamp(index, 0, 1)], 4);
}

std::string FormatHexQWord(const TByteConversions& conversions)
{
    return HexPairs(static_cast<std::uint64_t>(conversions.QWord), 8);
}

std::string PageHexText(const TByteConversions& conversions)
{
    return BytesHexText(conversions.Page.data(), TByteConversions::PageSize);
}

std::string PageCharText(const TByteConversions& conversions)
{
    return BytesCharText(conversions.Page.data(), TByteConversions::PageSize);
}

std::string BytesHexText(const std::uint8_t* bytes, std::size_t count)
{
    std::string text;
    text.reserve(3 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += HexPair(bytes[i]);
        text += ' ';
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

std::string BytesCharText(const std::uint8_t* bytes, std::size_t count)
{
    std::string text(count, '.');
    for (std::size_t i = 0; i < count; ++i)
        text[i] = PrintableChar(bytes[i]);
    return text;
}

char PrintableChar(std::uint8_t byte)
{
    return byte >= 32 && byte <= 126 ? static_cast<char>(byte) : '.';
}

std::string FormatFloatText(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    std::string text = std::signbit(value) ? "-" : "";
    if (value == 0)
        return text + "0";

    // d.dddddddddddddde[+-]x: 15 significant digits, correctly rounded.
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::scientific, 14).ptr;
    const std::string_view scientific(buffer, end - buffer);
    const auto e = scientific.find('e');
    std::string digits = std::string(1, scientific[0]) + std::string(scientific.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    std::from_chars(scientific.data() + e + 2, end, exponent);
    if (scientific[e + 1] == '-')
        exponent = -exponent;

    if (exponent < -5 || exponent >= 15) {
        text += digits[0];
        if (digits.size() > 1)
            text += '.' + digits.substr(1);
        return text + 'E' + std::to_string(exponent);
    }
    if (exponent < 0)
        return text + "0." + std::string(-exponent - 1, '0') + digits;
    const std::size_t wholeDigits = exponent + 1;
    if (digits.size() <= wholeDigits)
        return text + digits + std::string(wholeDigits - digits.size(), '0');
    return text + digits.substr(0, wholeDigits) + '.' + digits.substr(wholeDigits);
}

std::string DecimalText(std::int64_t value)
{
    char buffer[24];
    return {buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr};
}

std::string DecimalText(std::uint64_t value)
{
    char buffer[24];
    return {buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr};
}

std::optional<std::uint64_t> ReadDecimalInteger(std::string_view text, int bits)
{
    std::size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    std::uint64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const unsigned digit = text[i] - '0';
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    const std::uint64_t mask = LowBitsMask(bits);
    if (!negative)
        return magnitude <= mask ? std::optional(magnitude) : std::nullopt;
    if (magnitude > std::uint64_t{1} << (bits - 1))
        return std::nullopt;
    return (~magnitude + 1) & mask;
}

std::optional<std::uint64_t> ReadHexNumber(std::string_view text, int bits)
{
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    std::uint64_t value = 0;
    int digits = 0;
    int significant = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        ++digits;
        if (significant == 0 && digit == 0)
            continue;
        if (++significant > bits / 4)
            return std::nullopt;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    if (digits == 0)
        return std::nullopt;
    return value;
}

std::int32_t ReadLeadingInteger(std::string_view text)
{
    constexpr std::int64_t saturation = std::int64_t{INT32_MAX} + 1;
    std::size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        value = std::min(value * 10 + (text[i] - '0'), saturation);
    return static_cast<std::int32_t>(negative ? -value : std::min<std::int64_t>(value, INT32_MAX));
}

std::optional<std::int64_t> ReadJumpPosition(std::string_view text)
{
    constexpr std::int64_t saturation = std::int64_t{1} << 32;
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    std::size_t i = 0;
    const bool negative = SkipBlanksAndSign(text, i);
    const bool hex = !negative && text.size() > i + 1 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
    if (hex)
        i += 2;
    if (i == text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigitValue(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = std::min(value * (hex ? 16 : 10) + digit, saturation);
    }
    return negative ? -value : value;
}

std::optional<float> ReadSingleText(std::string_view text)
{
    // Values up to this bound round to the largest single; beyond it they
    // would become infinite, which nobody typed.
    constexpr double overflow = 0x1.ffffffp127;
    double value = 0;
    platform::ParseLeadingFloat(text, value);
    if (!(std::fabs(value) < overflow))
        return std::nullopt;
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return value > 0 ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

std::optional<double> ReadDoubleText(std::string_view text)
{
    double value = 0;
    platform::ParseLeadingFloat(text, value);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string NormalizeHexText(std::string_view text)
{
    std::string result;
    std::size_t groupStart = 0;
    // A group is a number written from the left: an odd one gets its zero in front.
    auto closeGroup = [&result, &groupStart] {
        if ((result.size() - groupStart) % 2 == 1)
            result.insert(groupStart, 1, '0');
        groupStart = result.size();
    };
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit >= 0)
            result += NibbleToHexChar(static_cast<std::uint8_t>(digit));
        else if ((c == 'x' || c == 'X') && result.size() == groupStart + 1 && result.back() == '0')
            result.pop_back();  // the "0x" in front of a group
        else if (c == ' ' || c == '-')
            closeGroup();
    }
    closeGroup();
    return result;
}

std::optional<std::string> NormalizeBinaryText(std::string_view text, int width)
{
    std::string digits;
    for (char c : text)
        if (c == '0' || c == '1')
            if (c == '1' || !digits.empty())
                digits += c;
    if (static_cast<int>(digits.size()) > width)
        return std::nullopt;
    return std::string(width - digits.size(), '0') + digits;
}

bool IsHexEntryKey(char16_t key)
{
    return (key >= u'0' && key <= u'9') || key == u' ' || key == u'-' || (key >= u'A' && key <= u'F') ||
           (key >= u'a' && key <= u'f');
}

char16_t FilterDecimalKey(char16_t key)
{
    return (key >= u'0' && key <= u'9') || key == u'-' || key == u'+' ? key : u'\0';
}

char16_t FilterHexKey(char16_t key)
{
    if (!IsHexEntryKey(key))
        return u'\0';
    return key >= u'a' && key <= u'f' ? static_cast<char16_t>(key - u'a' + u'A') : key;
}

char16_t FilterBinaryKey(char16_t key)
{
    return key == 8 || key == 9 || key == u' ' || key == u'-' || key == u'0' || key == u'1' ? key : u'\0';
}

int ClampViewIndex(TValueView view, int index)
{
    switch (view) {
    case TValueView::Char: case TValueView::Dec: case TValueView::Hex: case TValueView::Binary:
        return std::clamp(index, 0, 7);
    case TValueView::Word: case TValueView::Short: case TValueView::BinShort: case TValueView::HexShort:
        return std::clamp(index, 0, 3);
    case TValueView::DWord: case TValueView::Long: case TValueView::Float: case TValueView::BinLong:
    case TValueView::HexLong:
        return std::clamp(index, 0, 1);
    case TValueView::Int64: case TValueView::Double: case TValueView::Bin64: case TValueView::Hex64:
        return 0;
    }
    return 0;
}

TByteSpan ViewBytes(TValueView view, int index)
{
    index = ClampViewIndex(view, index);
    switch (view) {
    case TValueView::Char: case TValueView::Dec: case TValueView::Hex: case TValueView::Binary:
        return {index, 1};
    case TValueView::Word: case TValueView::Short: case TValueView::BinShort: case TValueView::HexShort:
        return {2 * index, 2};
    case TValueView::DWord: case TValueView::Long: case TValueView::Float: case TValueView::BinLong:
    case TValueView::HexLong:
        return {4 * index, 4};
    case TValueView::Int64: case TValueView::Double: case TValueView::Bin64: case TValueView::Hex64:
        return {0, 8};
    }
    return {0, 8};
}

std::string ViewText(const TByteConversions& c, TValueView view, int index)
{
    index = ClampViewIndex(view, index);
    switch (view) {
    case TValueView::Char: return std::string(1, PrintableChar(c.Raw[index]));
    case TValueView::Dec: return DecimalText(std::uint64_t{c.Raw[index]});
    case TValueView::Hex: return FormatHexByte(c, index);
    case TValueView::Binary: return FormatBinary(c.Raw[index], 8, true);
    case TValueView::Word: return DecimalText(std::uint64_t{c.Words[index]});
    case TValueView::Short: return DecimalText(std::int64_t{static_cast<std::int16_t>(c.Words[index])});
    case TValueView::DWord: return DecimalText(std::uint64_t{c.DWords[index]});
    case TValueView::Long: return DecimalText(std::int64_t{static_cast<std::int32_t>(c.DWords[index])});
    case TValueView::Float: return FormatFloatText(c.GetFloatElement(index));
    case TValueView::Int64: return DecimalText(c.QWord);
    case TValueView::Double: return FormatFloatText(c.DoubleValue);
    case TValueView::BinShort: return FormatBinary(c.Words[index], 16, true);
    case TValueView::BinLong: return FormatBinary(c.DWords[index], 32, true);
    case TValueView::Bin64: return FormatBinary(static_cast<std::uint64_t>(c.QWord), 64, false);
    case TValueView::HexShort: return FormatHexWord(c, index);
    case TValueView::HexLong: return FormatHexDWord(c, index);
    case TValueView::Hex64: return FormatHexQWord(c);
    }
    return {};
}

bool EditView(TByteConversions& c, TValueView view, int index, std::string_view text)
{
    index = ClampViewIndex(view, index);
    const TByteSpan span = ViewBytes(view, index);
    const auto store = [&](std::optional<std::uint64_t> value) {
        if (!value)
            return false;
        SetIntegerElement(c, span.Offset, span.Count, *value);
        return true;
    };
    const int bits = 8 * span.Count;
    switch (view) {
    case TValueView::Char:
        return !text.empty() && store(static_cast<std::uint8_t>(text[0]));
    case TValueView::Dec:
        return !text.empty() && store(ReadDecimalInteger(text, bits));
    case TValueView::Hex:
        return !text.empty() && store(ReadHexNumber(text, bits));
    case TValueView::Binary:
        return !text.empty() && store(ReadBinaryValue(text, bits));
    case TValueView::Word: case TValueView::Short: case TValueView::DWord: case TValueView::Long:
    case TValueView::Int64:
        return store(ReadDecimalInteger(text, bits));
    case TValueView::BinShort: case TValueView::BinLong: case TValueView::Bin64:
        return store(ReadBinaryValue(text, bits));
    case TValueView::HexShort: case TValueView::HexLong: case TValueView::Hex64:
        return store(ReadHexNumber(NormalizeHexText(text), bits));
    case TValueView::Float: {
        const auto value = ReadSingleText(text);
        if (value)
            SetFloatValue(c, *value, index);
        return value.has_value();
    }
    case TValueView::Double: {
        const auto value = ReadDoubleText(text);
        if (value)
            SetDoubleValue(c, *value);
        return value.has_value();
    }
    }
    return false;
}

namespace {

bool IsHexView(TValueView view)
{
    return view == TValueView::Hex || view == TValueView::HexShort || view == TValueView::HexLong ||
           view == TValueView::Hex64;
}

bool HasHexDigit(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return HexDigitValue(c) >= 0; });
}

std::string UnsignedText(std::uint64_t value) { return DecimalText(value); }

std::string IntegerRange(int bits, bool hex)
{
    const std::uint64_t maximum = LowBitsMask(bits);
    if (hex) {
        std::string digits;
        for (int shift = bits - 4; shift >= 0; shift -= 4)
            digits += NibbleToHexChar(static_cast<std::uint8_t>((maximum >> shift) & 0xF));
        return "0 to " + digits;
    }
    const std::uint64_t lowest = std::uint64_t{1} << (bits - 1);
    return "-" + UnsignedText(lowest) + " to " + UnsignedText(maximum);
}

}  // namespace

std::string EditRefusal(TValueView view, int index, std::string_view text)
{
    const bool byteStrip = view == TValueView::Char || view == TValueView::Dec || view == TValueView::Hex ||
                           view == TValueView::Binary;
    if (byteStrip && text.empty())
        return "";
    const std::string quoted = "\"" + std::string(text) + "\"";
    // The byte strip reads its hex digits from the start, the pages take every digit.
    const bool noHexNumber = view == TValueView::Hex ? HexDigitValue(text.front()) < 0 : !HasHexDigit(text);
    if (IsHexView(view) && noHexNumber)
        return quoted + " is not a hex number";
    if (view == TValueView::Float)
        return quoted + " is beyond the range of a single-precision float";
    if (view == TValueView::Double)
        return quoted + " is beyond the range of a double-precision float";
    const int bits = 8 * ViewBytes(view, ClampViewIndex(view, index)).Count;
    const bool binary = view == TValueView::Binary || view == TValueView::BinShort || view == TValueView::BinLong ||
                        view == TValueView::Bin64;
    if (binary)
        return quoted + " has more than " + std::to_string(bits) + " binary digits";
    return quoted + " does not fit in " + std::to_string(bits) + " bits (" + IntegerRange(bits, IsHexView(view)) + ")";
}
