#include "Tlangnumbers.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace pevox {

namespace {

// A whole number below `limit` in magnitude, which every form writes as its
// digits alone: printf's conversion of the extended value is slow, and a
// loop that prints or passes counters does it again and again.
bool SmallWhole(long double value, double limit, std::int64_t& whole) {
    const double narrow = static_cast<double>(value);
    if (narrow != value || !(std::fabs(narrow) < limit)) return false;
    whole = static_cast<std::int64_t>(narrow);
    return static_cast<double>(whole) == narrow;
}

}  // namespace

std::string FormatGeneral(long double value) {
    std::int64_t whole = 0;
    if (SmallWhole(value, 1e15, whole)) return std::to_string(whole);
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    std::string text = platform::FormatC("%.15Lg", value);
    const std::size_t e = text.find('e');
    if (e == std::string::npos) return text;
    // "1e+20" becomes "1E20", "1e-05" becomes "1E-5".
    std::string exponent = text.substr(e + 1);
    const bool negative = exponent[0] == '-';
    exponent.erase(0, 1);
    exponent.erase(0, exponent.find_first_not_of('0'));
    return text.substr(0, e) + (negative ? "E-" : "E") + exponent;
}

namespace {

constexpr long double kExponentFrom = 1e18L;

// The decimal exponent of a finite, non-zero value.
int DecimalExponent(long double value) { return static_cast<int>(std::floor(std::log10(std::fabs(value)))); }

}  // namespace

std::string FormatNumber(long double value) {
    std::int64_t whole = 0;
    if (SmallWhole(value, 1e18, whole)) return std::to_string(whole);
    if (!std::isfinite(value) || std::fabs(value) >= kExponentFrom) return FormatGeneral(value);
    if (value == 0) return "0";
    const int decimals = std::clamp(14 - DecimalExponent(value), 0, 18);
    std::string text = platform::FormatC("%.*Lf", decimals, value);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    // A negative value too small for the digits shown is no "-0".
    if (text == "-0") return "0";
    return text;
}

std::string FormatFixed18(long double value) {
    std::string text;
    AssignFixed18(text, value);
    return text;
}

void AssignFixed18(std::string& out, long double value) {
    constexpr int kDecimals = 18;
    std::int64_t whole = 0;
    if (value == 0 || SmallWhole(value, 1e18, whole)) {
        // A 64-bit whole number takes at most 20 characters with its sign.
        char text[20 + 1 + kDecimals];
        char* end = std::to_chars(text, text + 20, whole).ptr;
        *end++ = '.';
        end = std::fill_n(end, kDecimals, '0');
        out.assign(std::begin(text), end);
        return;
    }
    if (!std::isfinite(value) || std::fabs(value) >= kExponentFrom) {
        out = FormatGeneral(value);
        return;
    }
    const int decimals = std::clamp(17 - DecimalExponent(value), 0, kDecimals);
    out = platform::FormatC("%.*Lf", decimals, value);
    if (decimals == 0) out += '.';
    out.append(static_cast<std::size_t>(kDecimals - decimals), '0');
}

}  // namespace pevox
