#pragma once
// Fields of line-based files that may hold any byte. A plain field is written as it is, so files of
// earlier versions read back unchanged; a field holding a line break or NUL, or beginning with the
// mark "=?", is written as "=?e:" and the field with '%', CR, LF and NUL as %XX.
#include <string>

namespace base {

std::string EscapeLineField(const std::string& field);
std::string UnescapeLineField(const std::string& field);

// '%', CR, LF, NUL and each character of `special` as %XX (upper-case hex digits).
std::string PercentEncode(const std::string& text, const std::string& special = {});
// Every %XX back to its byte; a '%' without two hex digits after it stays as it is.
std::string PercentDecode(const std::string& text);
// 0-15 for a hex digit of either case, -1 for anything else.
int HexDigitValue(char c);

}  // namespace base
