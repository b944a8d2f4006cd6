// The number work of the mathematical built-ins, in 80-bit extended precision
// with angles in degrees. Each either gives a value that a script variable
// (a double) can hold, or the message the call reports: no infinity and no
// "not a number" ever leaves here.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pevox {

namespace msg {
inline constexpr std::string_view DomainError = "Floating point Domain Error";
inline constexpr std::string_view FloatException = "Floating point exception";
inline constexpr std::string_view Overflow = "Floating point overflow";
inline constexpr std::string_view AngleRange = "value must be in the range -1 to 1";
// A value that does not fit the integer a function needs.
inline constexpr std::string_view IntegerRange = "Value out of range in call to function.";
}  // namespace msg

// A value, or the message of the error that made it.
struct NumberResult {
    long double Value = 0;
    std::string_view Error;  // empty on success

    bool Ok() const { return Error.empty(); }
};

enum class MathFunction {
    Sqr, Sin, Cos, Tan, Atn, Asin, Acos, Abs, Sgn, Int, Exp, Exp2, Exp10, Log, Log2, Log10,
};

NumberResult ApplyMath(MathFunction function, long double argument);

// The whole part of a value toward zero, for a value above -2^63 - 1 and
// below 2^63.
std::int64_t TruncatedWhole(long double value);

// The value truncated toward zero as a 64-bit / 32-bit integer; none when it
// lies outside that range or is not a number.
std::optional<std::int64_t> TruncToInt64(long double value);
std::optional<std::int32_t> TruncToInt32(long double value);

// A count or position truncated toward zero, with values beyond the 64-bit
// range held at its ends; none only for "not a number".
std::optional<std::int64_t> SaturatingCount(long double value);

}  // namespace pevox
