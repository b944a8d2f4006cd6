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
    return MathValue(log(argument));
}

long double NaturalLog(long double x) { return std::log(x); }
long double BinaryLog(long double x) { return std::log2(x); }
long double DecimalLog(long double x) { return std::log10(x); }

}  // namespace

NumberResult ApplyMath(MathFunction function, long double x) {
    if (!std::isfinite(x)) return Fail(msg::FloatException);
    switch (function) {
    case MathFunction::Sqr:
        return SquareRoot(x);
    case MathFunction::Sin:
        return MathValue(std::sin(Radians(x)));
    case MathFunction::Cos:
        return MathValue(CosineDegrees(x));
    case MathFunction::Tan: {
        const long double cosine = CosineDegrees(x);
        return MathValue(cosine == 0 ? 0 : std::sin(Radians(x)) / cosine);
    }
    case MathFunction::Atn:
        return MathValue(Degrees(std::atan(x)));
    case MathFunction::Asin:
        if (x < -1 || x > 1) return Fail(msg::AngleRange);
        return MathValue(Degrees(std::asin(x)));
    case MathFunction::Acos:
        if (x < -1 || x > 1) return Fail(msg::AngleRange);
        return MathValue(Degrees(std::acos(x)));
    case MathFunction::Abs:
        return Magnitude(x);
    case MathFunction::Sgn:
        return Sign(x);
    case MathFunction::Int:
        return WholePart(x);
    case MathFunction::Exp:
        return MathValue(std::exp(x));
    case MathFunction::Exp2:
        return MathValue(std::exp2(x));
    case MathFunction::Exp10:
        return MathValue(std::pow(10.0L, x));
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
