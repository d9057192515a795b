#pragma once
// The runtime's text rules that the loaders and matchers use: UCase (the system's ANSI upper
// case), Trim (blanks only, tabs stay) and a case-blind containment test.
#include <string>

namespace textrules {

std::string UCase(const std::string& text);
std::string Trim(const std::string& text);
bool EqualsNoCase(const std::string& a, const std::string& b);  // UCase(a) = UCase(b)

}  // namespace textrules
