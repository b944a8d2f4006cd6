// The number work of the mathematical built-ins, in 80-bit extended precision
// with angles in degrees. Each either gives a value that a script variable
// (a double) can hold, or the message the call reports: no infinity and no
// "not a number" ever leaves here.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
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

// 2^63: the first value beyond the 64-bit range.
constexpr long double kInt64Limit = 9223372036854775808.0L;

// The whole part of a value toward zero, for a value above -2^63 - 1 and
// below 2^63. Inline, as loops with MOD, "\", INT, subscripts and counts
// call it millions of times.
inline std::int64_t TruncatedWhole(long double value) {
    // std::trunc and the conversion of an extended value switch the x87
    // rounding mode, which stalls the processor each time; a loop with MOD,
    // "\", INT or a computed subscript does it millions of times. Below 2^53
    // the value goes through a double, whose conversion truncates without
    // that switch; the rounding to a double may have crossed a whole number,
    // which the comparison with the value itself undoes.
    constexpr long double kExactInDouble = 9007199254740992.0L;  // 2^53
    if (!(value > -kExactInDouble && value < kExactInDouble)) return static_cast<std::int64_t>(value);
    std::int64_t whole = static_cast<std::int64_t>(static_cast<double>(value));
    if (value >= 0 && static_cast<long double>(whole) > value) --whole;
    if (value < 0 && static_cast<long double>(whole) < value) ++whole;
    return whole;
}

// The value truncated toward zero as a 64-bit / 32-bit integer; none when it
// lies outside that range or is not a number.
std::optional<std::int64_t> TruncToInt64(long double value);
std::optional<std::int32_t> TruncToInt32(long double value);

// A count or position truncated toward zero, with values beyond the 64-bit
// range held at its ends; none only for "not a number".
inline std::optional<std::int64_t> SaturatingCount(long double value) {
    // Counts are nearly always numbers a double holds, which convert at once.
    const double narrow = static_cast<double>(value);
    if (narrow == value && std::fabs(narrow) < 9007199254740992.0) return static_cast<std::int64_t>(narrow);
    if (std::isnan(value)) return std::nullopt;
    if (value >= kInt64Limit) return std::numeric_limits<std::int64_t>::max();
    if (value < -kInt64Limit) return std::numeric_limits<std::int64_t>::min();
    return TruncatedWhole(value);
}

}  // namespace pevox
