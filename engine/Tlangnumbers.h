// Number texts of the interpreter, the same under every regional setting.
#pragma once

#include <string>

namespace pevox {

// The general form: shortest text with up to 15 significant digits, in
// exponent form ("1E20", "1E-5") for very large and very small magnitudes.
std::string FormatGeneral(long double value);

// The text of a number in PRINT output: fixed notation with up to 15
// significant digits, no trailing zeros of the fraction, no "." without
// one; the general form's exponent form from 1E18 on.
std::string FormatNumber(long double value);

// Fixed notation with exactly 18 decimals and up to 18 significant digits
// ("2.000000000000000000"), the general form's exponent form from 1E18 on:
// a number joined to a text, and a numeric variable passed to a host function.
std::string FormatFixed18(long double value);
// The same into a text whose room is used again: a host-function argument
// is written into the text that held the argument of the call before.
void AssignFixed18(std::string& out, long double value);

}  // namespace pevox
