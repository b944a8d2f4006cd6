// The number work of the mathematical built-ins, in 80-bit extended precision
// with angles in degrees. Each either gives a value that a script variable
// (a double) can hold, or the message the call reports: no infinity and no
// "not a number" ever leaves here. Also the rules of "/", "\", MOD and of
// subscripts: one home for each, which the evaluator, the lexer's reading of
// cells and the translated form all use.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>

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

inline NumberResult MathValue(long double value) {
    if (!(std::fabs(value) <= DBL_MAX)) return {0, msg::Overflow};
    return {value, {}};
}

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

// SQR, ABS, SGN and INT, the built-ins loops call most, inline for the
// translated form; ApplyMath gives the same.
inline NumberResult SquareRoot(long double x) {
    if (!std::isfinite(x)) return {0, msg::FloatException};
    if (x < 0) return {0, msg::DomainError};
    return MathValue(std::sqrt(x));
}

inline NumberResult Magnitude(long double x) {
    if (!std::isfinite(x)) return {0, msg::FloatException};
    return MathValue(std::fabs(x));
}

inline NumberResult Sign(long double x) {
    if (!std::isfinite(x)) return {0, msg::FloatException};
    return {x < 0 ? -1.0L : x > 0 ? 1.0L : 0.0L, {}};
}

inline NumberResult WholePart(long double x) {
    constexpr long double kExactInDouble = 9007199254740992.0L;  // 2^53
    if (x > -kExactInDouble && x < kExactInDouble) return {static_cast<long double>(TruncatedWhole(x)), {}};
    if (!std::isfinite(x)) return {0, msg::FloatException};
    const std::optional<std::int64_t> whole = TruncToInt64(x);
    if (!whole) return {0, msg::IntegerRange};
    return {static_cast<long double>(*whole), {}};
}

// "^". A whole power (0 to 64) of a whole number whose value stays below
// 2^64 is exact, as std::pow gives it too, and is multiplied out, which costs
// a fraction of std::pow in extended precision; any other goes to std::pow.
inline long double Power(long double base, long double exponent) {
    constexpr long double kExactLimit = 18446744073709551616.0L;  // 2^64
    const double wholeExponent = static_cast<double>(exponent);
    const double wholeBase = static_cast<double>(base);
    if (wholeExponent == exponent && wholeExponent >= 0 && wholeExponent <= 64 &&
        wholeExponent == std::trunc(wholeExponent) && wholeBase == base && std::fabs(wholeBase) < 4294967296.0 &&
        wholeBase == std::trunc(wholeBase)) {
        long double power = 1;
        for (int i = 0; i < static_cast<int>(wholeExponent); ++i) {
            power *= base;
            if (!(std::fabs(power) < kExactLimit)) return std::pow(base, exponent);
        }
        return power;
    }
    return std::pow(base, exponent);
}

// "/": a quotient by 0 is 0.
inline long double Quotient(long double dividend, long double divisor) {
    return divisor == 0 ? 0 : dividend / divisor;
}

// The whole part of an operand of "\" or MOD; none beyond the 64-bit range
// and for -2^63, whose magnitude does not fit.
inline std::optional<std::int64_t> WholeOperand(long double value) {
    if (!(value > -kInt64Limit && value < kInt64Limit)) return std::nullopt;
    return TruncatedWhole(value);
}

// "\" and MOD on whole parts, neither the integer's lowest value: the
// quotient toward zero, and the remainder of the magnitudes; 0 by 0.
template <typename Integer>
inline Integer WholeQuotient(Integer a, Integer b) {
    return b == 0 ? 0 : a / b;
}

template <typename Integer>
inline Integer WholeRemainder(Integer a, Integer b) {
    return b == 0 ? 0 : (a < 0 ? -a : a) % (b < 0 ? -b : b);
}

// The index a subscript selects in a dimension whose highest index is
// `highest`: its whole part, or -1 when that lies outside 0 to `highest`. The
// whole part is above the highest index exactly when the value reaches the
// index after it. A double (a variable's value) compares without widening.
template <typename Number>
inline std::int32_t SubscriptIndex(Number value, std::int32_t highest) {
    if (!(value >= 0) || value >= static_cast<Number>(highest) + 1) return -1;
    if constexpr (std::is_same_v<Number, double>)
        return static_cast<std::int32_t>(value);
    else
        return static_cast<std::int32_t>(TruncatedWhole(value));
}

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
