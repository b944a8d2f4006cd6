#include "platform/Text.h"

#include <cstdint>

namespace platform {

namespace {

// Bytes 0x80 to 0x9F; the rest of the code page is Latin-1. The five bytes the
// code page leaves unassigned stand for the C1 controls of the same value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The letters outside the Latin-1 rows: upper and lower byte of each pair.
struct CasePair {
    unsigned char upper, lower;
};
constexpr CasePair kExtraCasePairs[] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};

bool IsLatin1Upper(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7); }
bool IsLatin1Lower(unsigned char b) { return (b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7); }

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `i` and moves past it. A malformed sequence
// yields U+FFFD and consumes one byte, so decoding always moves on.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + length > text.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += length;
    return cp;
}

unsigned char CodePointToCp1252(char32_t cp) { return cp > 0xFFFF ? '?' : UnicodeToCp1252(static_cast<char16_t>(cp)); }

}  // namespace

char16_t Cp1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t{byte};
}

unsigned char UnicodeToCp1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<unsigned char>(unit);
    for (unsigned char i = 0; i < 32; ++i)
        if (kHighControls[i] == unit) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

std::u16string Cp1252ToUtf16(std::string_view text) {
    std::u16string result;
    result.reserve(text.size());
    for (char c : text) result += Cp1252ToUnicode(static_cast<unsigned char>(c));
    return result;
}

std::string Utf16ToCp1252(std::u16string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        // A surrogate pair is one character outside the code page: one '?'.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i;
        result += static_cast<char>(UnicodeToCp1252(unit));
    }
    return result;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) AppendUtf8(result, Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return result;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) result += static_cast<char>(CodePointToCp1252(DecodeUtf8(text, i)));
    return result;
}

char UpperChar(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (IsLatin1Lower(b)) return static_cast<char>(b - 0x20);
    for (const CasePair& pair : kExtraCasePairs)
        if (pair.lower == b) return static_cast<char>(pair.upper);
    return c;
}

char LowerChar(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (IsLatin1Upper(b)) return static_cast<char>(b + 0x20);
    for (const CasePair& pair : kExtraCasePairs)
        if (pair.upper == b) return static_cast<char>(pair.lower);
    return c;
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = UpperChar(c);
    return result;
}

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = LowerChar(c);
    return result;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    return true;
}

std::string Trim(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace platform
