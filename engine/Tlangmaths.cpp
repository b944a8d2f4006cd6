#include "Tlangmaths.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace pevox {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kRadiansPerDegree = kPi / 180.0L;
// COS and TAN treat a cosine this small as 0, so COS(90) is exactly 0.
constexpr long double kCosineZero = 1e-16L;

NumberResult Value(long double value) {
    if (!(std::fabs(value) <= DBL_MAX)) return {0, msg::Overflow};
    return {value, {}};
}

NumberResult Fail(std::string_view message) { return {0, message}; }

// The angle reduced to one turn first, so whole degrees stay exact.
long double Radians(long double degrees) { return std::fmod(degrees, 360.0L) * kRadiansPerDegree; }

long double Degrees(long double radians) { return radians / kRadiansPerDegree; }

long double CosineDegrees(long double degrees) {
    const long double cosine = std::cos(Radians(degrees));
    return std::fabs(cosine) <= kCosineZero ? 0 : cosine;
}

NumberResult Logarithm(long double argument, long double (*log)(long double)) {
    if (argument <= 0) return Fail(msg::DomainError);
    return Value(log(argument));
}

long double NaturalLog(long double x) { return std::log(x); }
long double BinaryLog(long double x) { return std::log2(x); }
long double DecimalLog(long double x) { return std::log10(x); }

}  // namespace

NumberResult ApplyMath(MathFunction function, long double x) {
    if (!std::isfinite(x)) return Fail(msg::FloatException);
    switch (function) {
    case MathFunction::Sqr:
        if (x < 0) return Fail(msg::DomainError);
        return Value(std::sqrt(x));
    case MathFunction::Sin:
        return Value(std::sin(Radians(x)));
    case MathFunction::Cos:
        return Value(CosineDegrees(x));
    case MathFunction::Tan: {
        const long double cosine = CosineDegrees(x);
        return Value(cosine == 0 ? 0 : std::sin(Radians(x)) / cosine);
    }
    case MathFunction::Atn:
        return Value(Degrees(std::atan(x)));
    case MathFunction::Asin:
        if (x < -1 || x > 1) return Fail(msg::AngleRange);
        return Value(Degrees(std::asin(x)));
    case MathFunction::Acos:
        if (x < -1 || x > 1) return Fail(msg::AngleRange);
        return Value(Degrees(std::acos(x)));
    case MathFunction::Abs:
        return Value(std::fabs(x));
    case MathFunction::Sgn:
        return Value(x < 0 ? -1 : x > 0 ? 1 : 0);
    case MathFunction::Int: {
        const std::optional<std::int64_t> whole = TruncToInt64(x);
        if (!whole) return Fail(msg::IntegerRange);
        return Value(static_cast<long double>(*whole));
    }
    case MathFunction::Exp:
        return Value(std::exp(x));
    case MathFunction::Exp2:
        return Value(std::exp2(x));
    case MathFunction::Exp10:
        return Value(std::pow(10.0L, x));
    case MathFunction::Log:
        return Logarithm(x, NaturalLog);
    case MathFunction::Log2:
        return Logarithm(x, BinaryLog);
    case MathFunction::Log10:
        return Logarithm(x, DecimalLog);
    }
    return Fail(msg::FloatException);
}

std::optional<std::int64_t> TruncToInt64(long double value) {
    // The whole part is at least -2^63 exactly when the value is above -2^63 - 1.
    if (!(value > -kInt64Limit - 1 && value < kInt64Limit)) return std::nullopt;
    return TruncatedWhole(value);
}

std::optional<std::int32_t> TruncToInt32(long double value) {
    if (!(value > std::numeric_limits<std::int32_t>::min() - 1.0L && value < std::numeric_limits<std::int32_t>::max() + 1.0L))
        return std::nullopt;
    return static_cast<std::int32_t>(TruncatedWhole(value));
}

}  // namespace pevox
