#include "Tlangnumbers.h"

#include "platform/Numbers.h"

#include <cmath>

namespace pevox {

std::string FormatGeneral(long double value) {
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

}  // namespace pevox
