// Number texts made and read the same under every regional setting: the
// decimal separator is always '.', there is never a thousands separator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// printf-style formatting in the C locale, whatever the process's locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reads the longest leading decimal floating-point number of `text`: leading
// blanks, an optional sign, digits with an optional '.', an optional exponent.
// Returns the number of characters used, 0 when there is no number (then
// `value` is 0). Values beyond the range give +/- infinity.
std::size_t ParseLeadingFloat(std::string_view text, long double& value);
std::size_t ParseLeadingFloat(std::string_view text, double& value);

// True only when the whole text (blanks around allowed) is one number.
bool ParseFloat(std::string_view text, long double& value);

// Shortest text that reads back as the same value ("0.1", "1e+300").
std::string ShortestText(double value);
std::string ShortestText(long double value);

}  // namespace platform
