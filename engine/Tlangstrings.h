// The text work of the string built-ins. Texts are 8-bit, in the system's
// code page; positions count from 1. Counts and positions arrive already
// truncated toward zero (see SaturatingCount in Tlangmaths.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pevox {

// Code of the first character as a signed 8-bit value (-128 to 127); 0 for "".
int AscCode(std::string_view text);
// The one character whose code is the low 8 bits of `code`; "" when they are 0.
std::string ChrText(std::int64_t code);

// The first / last `count` characters; all of the text when it is shorter,
// "" when `count` is 0 or less.
std::string LeftText(std::string_view text, std::int64_t count);
std::string RightText(std::string_view text, std::int64_t count);
// Up to `length` characters from position `start`; no length, or a negative
// one, means the rest of the text. "" when `start` lies before 1 or past the end.
std::string MidText(std::string_view text, std::int64_t start, std::optional<std::int64_t> length);
// The same parts as views into the text, for a caller that copies them into
// room it already has.
std::string_view LeftPart(std::string_view text, std::int64_t count);
std::string_view RightPart(std::string_view text, std::int64_t count);
std::string_view MidPart(std::string_view text, std::int64_t start, std::optional<std::int64_t> length);

// The 1-based position in `text` of the first occurrence of `wanted` at or
// after position `start`, 0 when there is none (and for an empty `wanted`).
// Without `exact`, case is ignored by the code page's upper-case rules.
std::int64_t InstrPosition(std::string_view text, std::string_view wanted, bool exact, std::int64_t start = 1);

// VAL: a text that begins with "0x" or "0X" is read as hexadecimal digits (up
// to 64 bits), any other as a decimal number with "." and an optional
// exponent, blanks around allowed. The whole text must convert; one that does
// not, or whose value is beyond a double's range, gives 0.
long double ValNumber(std::string_view text);

// The text without the characters of codes 0 to 32 at its start / end.
std::string TrimLeftText(std::string_view text);
std::string TrimRightText(std::string_view text);

// Upper-case hexadecimal digits of the low 32 bits, without leading zeros.
std::string HexText(std::int64_t value);

}  // namespace pevox
