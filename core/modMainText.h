#pragma once
// Text routines of modMain for NUL-terminated API buffers and raw version-resource searches.
// Comparisons are binary (case-sensitive). Each traps its own errors, logs them under its own
// name and returns empty text.
#include <string>

namespace modMain {

// Text before the first NUL; the whole text when it holds none.
std::string TrimNull(const std::string& text);
// Text before the first NUL; empty text when it holds none (for API buffers that always end in NULs).
std::string ftnStripNullChar(const std::string& text);
// The text without its last character (a fixed buffer's terminating NUL). Empty input is an error.
std::string StrZToStr(const std::string& text);
// Empty for empty input; else character 1, then NUL + c for every character c: the 8-bit image
// of a version-information entry's type word and UTF-16LE key.
std::string NullPad(const std::string& text);
// Every occurrence of `find` replaced by `replacement`, searching again from the start after
// each one. An empty `find` leaves the text unchanged; a replacement that contains `find` would
// never end and is refused as an error.
std::string ReplaceIt(const std::string& text, const std::string& find, const std::string& replacement);

}  // namespace modMain
