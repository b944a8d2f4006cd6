#include "platform/Numbers.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <system_error>

namespace platform {

namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Makes the calling thread use the C locale for its lifetime.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The span of the leading number: [start, end) without the blanks before it;
// end == 0 when there is none.
struct NumberSpan {
    std::size_t start = 0;
    std::size_t end = 0;
};

NumberSpan ScanLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (k < text.size() && IsDigit(text[k])) {
            while (k < text.size() && IsDigit(text[k])) ++k;
            i = k;
        }
    }
    return {start, i};
}

template <typename Float, typename Convert>
std::size_t ParseLeading(std::string_view text, Float& value, Convert convert) {
    const NumberSpan span = ScanLeadingNumber(text);
    if (span.end == 0) {
        value = 0;
        return 0;
    }
    // The scan admits only what the C conversion reads in full, so it sees
    // the same characters; it alone decides range and rounding.
    const std::string number(text.substr(span.start, span.end - span.start));
    value = convert(number.c_str(), nullptr, CLocale());
    return span.end;
}

template <typename Float>
std::string Shortest(Float value) {
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return result.ec == std::errc{} ? std::string(buffer, result.ptr) : std::string();
}

}  // namespace

std::string FormatC(const char* format, ...) {
    const CLocaleScope cLocale;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char small[256];
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string result;
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof small) {
        result.assign(small, static_cast<std::size_t>(length));
    } else if (length > 0) {
        result.resize(static_cast<std::size_t>(length));
        std::vsnprintf(result.data(), result.size() + 1, format, again);
    }
    va_end(again);
    return result;
}

std::size_t ParseLeadingFloat(std::string_view text, long double& value) {
    return ParseLeading(text, value, strtold_l);
}

std::size_t ParseLeadingFloat(std::string_view text, double& value) { return ParseLeading(text, value, strtod_l); }

bool ParseFloat(std::string_view text, long double& value) {
    const std::size_t used = ParseLeadingFloat(text, value);
    if (used == 0) return false;
    for (std::size_t i = used; i < text.size(); ++i)
        if (!IsBlank(text[i])) return false;
    return true;
}

std::string ShortestText(double value) { return Shortest(value); }

std::string ShortestText(long double value) { return Shortest(value); }

}  // namespace platform
