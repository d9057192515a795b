#pragma once
// The runtime's number conversions that stored settings and counters depend on.
#include <string>

namespace conv {

// The leading number of a text, as the runtime's Val reads it: blanks, tabs and line feeds are
// skipped anywhere, then an optional sign, digits with one decimal point and an optional
// exponent (E or D); "&H" and "&O" introduce hexadecimal and octal integers. Reading stops at
// the first character that does not fit; a text without a number gives 0.
double Val(const std::string& text);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double RoundHalfEven(double value);

// A whole text converted to a 16-bit or 32-bit integer the way CInt and CLng convert a string:
// surrounding blanks allowed, rounded half to even; base::RuntimeError 13 (Type mismatch) when
// the text is not a number, 6 (Overflow) when it does not fit.
short CIntText(const std::string& text);
long CLngText(const std::string& text);

}  // namespace conv
