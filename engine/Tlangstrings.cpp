#include "Tlangstrings.h"

#include "platform/Numbers.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace pevox {

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<long double> HexNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return static_cast<long double>(value);
}

}  // namespace

int AscCode(std::string_view text) { return text.empty() ? 0 : static_cast<signed char>(text[0]); }

std::string ChrText(std::int64_t code) {
    const auto byte = static_cast<unsigned char>(static_cast<std::uint64_t>(code) & 0xFF);
    return byte == 0 ? std::string() : std::string(1, static_cast<char>(byte));
}

std::string_view LeftPart(std::string_view text, std::int64_t count) {
    if (count <= 0) return {};
    return text.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(count, text.size())));
}

std::string_view RightPart(std::string_view text, std::int64_t count) {
    if (count <= 0) return {};
    const auto size = static_cast<std::int64_t>(text.size());
    if (count >= size) return text;
    return text.substr(static_cast<std::size_t>(size - count));
}

std::string_view MidPart(std::string_view text, std::int64_t start, std::optional<std::int64_t> length) {
    const auto size = static_cast<std::int64_t>(text.size());
    std::int64_t count = size;
    if (length && *length >= 0) count = std::min(*length, size);
    if (count <= 0 || start < 1 || start > size) return {};
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

std::string LeftText(std::string_view text, std::int64_t count) { return std::string(LeftPart(text, count)); }

std::string RightText(std::string_view text, std::int64_t count) { return std::string(RightPart(text, count)); }

std::string MidText(std::string_view text, std::int64_t start, std::optional<std::int64_t> length) {
    return std::string(MidPart(text, start, length));
}

namespace {

// The code page's case rules as the search uses them: the upper-case form of
// every byte (as platform::UpperChar gives it), and the other byte of the same
// form, if any (the byte itself where there is none). In the code page no
// form is shared by more than two bytes.
struct CaseFolding {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> partner{};
};

const CaseFolding& Folding() {
    static const CaseFolding folding = [] {
        CaseFolding f;
        for (std::size_t b = 0; b < 256; ++b) {
            f.upper[b] = static_cast<unsigned char>(platform::UpperChar(static_cast<char>(b)));
            f.partner[b] = static_cast<unsigned char>(b);
        }
        for (std::size_t b = 0; b < 256; ++b)
            for (std::size_t other = 0; other < 256; ++other)
                if (other != b && f.upper[other] == f.upper[b]) f.partner[b] = static_cast<unsigned char>(other);
        return f;
    }();
    return folding;
}

std::size_t Find(std::string_view text, char c, std::size_t from, std::size_t end) {
    const void* found = std::memchr(text.data() + from, c, end - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : std::string_view::npos;
}

// text.find(wanted, from) of both texts in upper case, without making them:
// a search in a loop would otherwise copy both texts at every call. A text
// without letters is found as it is; otherwise the places where the first
// character may start a match, in either case, come from memchr, the next
// place of each case kept until the search passes it.
std::size_t FindIgnoringCase(std::string_view text, std::string_view wanted, std::size_t from) {
    const CaseFolding& f = Folding();
    const auto alone = [&f](char c) {
        const auto b = static_cast<unsigned char>(c);
        return f.partner[b] == b;
    };
    if (std::all_of(wanted.begin(), wanted.end(), alone)) return text.find(wanted, from);
    constexpr std::size_t kNone = std::string_view::npos;
    if (wanted.size() > text.size() || from > text.size() - wanted.size()) return kNone;
    const std::size_t end = text.size() - wanted.size() + 1;  // the places a match may start
    const char first = wanted[0];
    const auto other = static_cast<char>(f.partner[static_cast<unsigned char>(first)]);
    const auto same = [&f](char a, char b) {
        return f.upper[static_cast<unsigned char>(a)] == f.upper[static_cast<unsigned char>(b)];
    };
    std::size_t nextFirst = Find(text, first, from, end);
    std::size_t nextOther = first == other ? kNone : Find(text, other, from, end);
    for (;;) {
        const std::size_t at = std::min(nextFirst, nextOther);
        if (at == kNone) return kNone;
        if (std::equal(wanted.begin() + 1, wanted.end(), text.begin() + static_cast<std::ptrdiff_t>(at) + 1, same))
            return at;
        if (at == nextFirst)
            nextFirst = Find(text, first, at + 1, end);
        else
            nextOther = Find(text, other, at + 1, end);
    }
}

}  // namespace

std::int64_t InstrPosition(std::string_view text, std::string_view wanted, bool exact, std::int64_t start) {
    if (wanted.empty() || start < 1 || start > static_cast<std::int64_t>(text.size())) return 0;
    const auto from = static_cast<std::size_t>(start - 1);
    const std::size_t found = exact ? text.find(wanted, from) : FindIgnoringCase(text, wanted, from);
    return found == std::string_view::npos ? 0 : static_cast<std::int64_t>(found) + 1;
}

long double ValNumber(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return HexNumber(text.substr(2)).value_or(0);
    long double value = 0;
    if (!platform::ParseFloat(text, value)) return 0;
    if (!(std::fabs(value) <= DBL_MAX)) return 0;
    return value;
}

std::string TrimLeftText(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsTrimmed(text[start])) ++start;
    return std::string(text.substr(start));
}

std::string TrimRightText(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsTrimmed(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string HexText(std::int64_t value) {
    return platform::FormatC("%X", static_cast<unsigned>(static_cast<std::uint64_t>(value) & 0xFFFFFFFFu));
}

}  // namespace pevox
