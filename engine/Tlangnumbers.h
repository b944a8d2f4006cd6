// Number texts of the interpreter, the same under every regional setting.
#pragma once

#include <string>

namespace pevox {

// The general form: shortest text with up to 15 significant digits, in
// exponent form ("1E20", "1E-5") for very large and very small magnitudes.
std::string FormatGeneral(long double value);

}  // namespace pevox
