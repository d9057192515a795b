#include "base/EscapedField.h"

namespace base {

namespace {
const char kEscaped[] = "=?e:";
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string PercentEncode(const std::string& text, const std::string& special) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c == '%' || c == '\r' || c == '\n' || c == '\0' ||
            special.find(static_cast<char>(c)) != std::string::npos) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
            HexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string EscapeLineField(const std::string& field) {
    if (field.find_first_of(std::string("\r\n\0", 3)) == std::string::npos && field.rfind("=?", 0) != 0) return field;
    return kEscaped + PercentEncode(field);
}

std::string UnescapeLineField(const std::string& field) {
    if (field.rfind(kEscaped, 0) == 0) return PercentDecode(field.substr(sizeof(kEscaped) - 1));
    return field;
}

}  // namespace base
