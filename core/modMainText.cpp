#include "core/modMainText.h"

#include "base/RuntimeError.h"
#include "base/Trap.h"

namespace modMain {

std::string TrimNull(const std::string& text) {
    return base::Trap("TrimNull", std::string(), [&] {
        size_t nul = text.find('\0');
        return nul == std::string::npos ? text : text.substr(0, nul);
    });
}

std::string ftnStripNullChar(const std::string& text) {
    return base::Trap("ftnStripNullChar", std::string(), [&] {
        size_t nul = text.find('\0');
        return nul == std::string::npos ? std::string() : text.substr(0, nul);
    });
}

std::string StrZToStr(const std::string& text) {
    return base::Trap("StrZToStr", std::string(), [&] {
        if (text.empty()) base::Raise(base::errInvalidProcedureCall);
        return text.substr(0, text.size() - 1);
    });
}

std::string NullPad(const std::string& text) {
    return base::Trap("NullPad", std::string(), [&] {
        if (text.empty()) return std::string();
        std::string out(1, '\x01');
        out.reserve(1 + 2 * text.size());
        for (char c : text) {
            out.push_back('\0');
            out.push_back(c);
        }
        return out;
    });
}

std::string ReplaceIt(const std::string& text, const std::string& find, const std::string& replacement) {
    return base::Trap("ReplaceIt", std::string(), [&] {
        if (find.empty() || text.find(find) == std::string::npos) return text;
        if (replacement.find(find) != std::string::npos) base::Raise(base::errInvalidProcedureCall);
        // Replace the first occurrence and look again from the start. Nothing before the spot just
        // replaced can match unless it reaches into the replacement, so the next search starts
        // only find.size() - 1 characters earlier.
        std::string out = text;
        for (size_t at = out.find(find); at != std::string::npos;) {
            out.replace(at, find.size(), replacement);
            at = out.find(find, at >= find.size() - 1 ? at - (find.size() - 1) : 0);
        }
        return out;
    });
}

}  // namespace modMain
