#include "base/Text.h"

#include <windows.h>

namespace base {

std::string UCase(const std::string& text) {
    std::string out = text;
    if (!out.empty()) CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

std::string LCase(const std::string& text) {
    std::string out = text;
    if (!out.empty()) CharLowerBuffA(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Trim(const std::string& text) {
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return a.size() == b.size() && UCase(a) == UCase(b); }

bool ContainsNoCase(const std::string& text, const std::string& part) {
    return UCase(text).find(UCase(part)) != std::string::npos;
}

}  // namespace base
