#include "core/modLanguage.h"

#include <windows.h>

#include "core/Globals.h"
#include "core/modMain.h"

namespace modLanguage {
namespace {
constexpr int kBufferSize = 500;
}  // namespace

// The look-up and its trimming: a buffer of blanks, the INI read, blanks trimmed from both
// ends of the whole buffer, and the last character (the NUL after the text) dropped.
std::string getSectionString(const std::string& section, const std::string& key, const std::string& defaultText) {
    std::string buffer(kBufferSize, ' ');
    const std::string path = LanguageFilePath();
    GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultText.c_str(), buffer.data(), kBufferSize,
                             path.c_str());
    const size_t first = buffer.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const size_t last = buffer.find_last_not_of(' ');
    std::string trimmed = buffer.substr(first, last - first + 1);
    trimmed.pop_back();
    return trimmed;
}

std::string LanguageFilePath() { return modMain::FullPath_With_Filename("\\Language\\" + gb_languageFile); }

std::string getMessage(const std::string& id, const std::string& defaultText) {
    return getSectionString("Messages", id, defaultText);
}

}  // namespace modLanguage
