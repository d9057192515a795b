#pragma once
// The runtime's text rules, one copy for the whole program: UCase (the system's ANSI upper case,
// letters beyond ASCII included, as file names and registry names compare), Trim (blanks only;
// tabs stay) and the case-blind comparisons built on them.
#include <string>
#include <vector>

namespace base {

std::string UCase(const std::string& text);
std::string LCase(const std::string& text);  // the same rule, to lower case
std::string Trim(const std::string& text);
// The parts between the separators: "a|b|" gives "a", "b", "" (an empty text gives one "").
std::vector<std::string> Split(const std::string& text, char separator);
bool EqualsNoCase(const std::string& a, const std::string& b);  // UCase(a) = UCase(b)
// InStr(UCase(text), UCase(part)) > 0; an empty part is found in any text.
bool ContainsNoCase(const std::string& text, const std::string& part);

}  // namespace base
