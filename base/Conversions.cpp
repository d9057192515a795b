#include "base/Conversions.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "base/RuntimeError.h"

namespace conv {
namespace {
bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Parses a decimal number at text[i...]; returns false when no digit was found. With
// `skipBlanks` the runtime's Val habit of ignoring blanks inside the number applies.
bool ParseDecimal(const std::string& text, size_t& i, bool skipBlanks, double& out) {
    auto skip = [&] {
        while (skipBlanks && i < text.size() && IsSkipped(text[i])) ++i;
    };
    skip();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
        skip();
    }
    std::string digits;
    bool point = false, any = false;
    while (i < text.size()) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
            any = true;
        } else if (c == '.' && !point) {
            digits.push_back(c);
            point = true;
        } else if (!(skipBlanks && IsSkipped(c))) {
            break;
        }
        ++i;
    }
    if (!any) return false;
    // An exponent counts only when digits follow it.
    size_t save = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exp.push_back(text[j++]);
        size_t start = j;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') exp.push_back(text[j++]);
        if (j > start) {
            digits += exp;
            i = j;
        } else {
            i = save;
        }
    }
    out = std::strtod(digits.c_str(), nullptr);
    if (negative) out = -out;
    return true;
}

bool ParseRadix(const std::string& text, size_t& i, double& out) {
    if (i + 1 >= text.size() || text[i] != '&') return false;
    char kind = static_cast<char>(text[i + 1] | 0x20);
    int radix = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
    if (radix == 0) return false;
    size_t j = i + 2;
    uint64_t value = 0;
    bool any = false;
    for (; j < text.size(); ++j) {
        char c = static_cast<char>(text[j] | 0x20);
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
        if (d >= radix) break;
        value = value * radix + d;
        any = true;
    }
    if (!any) return false;
    i = j;
    // The runtime reads these as 16-bit or 32-bit two's complement numbers.
    if (value <= 0xFFFF)
        out = static_cast<int16_t>(value);
    else
        out = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
}

double ParseWhole(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    double value = 0;
    if (!ParseRadix(text, i, value) && !ParseDecimal(text, i, false, value)) base::Raise(base::errTypeMismatch);
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i != text.size()) base::Raise(base::errTypeMismatch);
    return value;
}
}  // namespace

double Val(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSkipped(text[i])) ++i;
    double value = 0;
    if (ParseRadix(text, i, value)) return value;
    return ParseDecimal(text, i, true, value) ? value : 0.0;
}

double RoundHalfEven(double value) {
    double r = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5) r = 2.0 * std::round(value / 2.0);
    return r;
}

short CIntText(const std::string& text) {
    double v = RoundHalfEven(ParseWhole(text));
    if (v < std::numeric_limits<short>::min() || v > std::numeric_limits<short>::max()) base::Raise(base::errOverflow);
    return static_cast<short>(v);
}

long CLngText(const std::string& text) {
    double v = RoundHalfEven(ParseWhole(text));
    if (v < -2147483648.0 || v > 2147483647.0) base::Raise(base::errOverflow);
    return static_cast<long>(v);
}

}  // namespace conv
