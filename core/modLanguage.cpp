#include "core/modLanguage.h"

#include <windows.h>

#include <cmath>

#include "core/Globals.h"
#include "core/modMain.h"
#include "ui/Control.h"
#include "ui/Form.h"
#include "ui/MessageLoop.h"

namespace modLanguage {
namespace {

constexpr int kBufferSize = 500;

// The look-up and its trimming: a buffer of blanks, the INI read, blanks trimmed from both
// ends of the whole buffer, and the last character (the NUL after the text) dropped.
std::string LookUp(const std::string& section, const std::string& key, const std::string& defaultText) {
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

}  // namespace

std::string LanguageFilePath() { return modMain::FullPath_With_Filename("\\Language\\" + gb_languageFile); }

std::string getMessage(const std::string& id, const std::string& defaultText) {
    return LookUp("Messages", id, defaultText);
}

std::string getFormString(const ui::Form& form, const std::string& key, const std::string& defaultText) {
    return LookUp(form.Name(), key, defaultText);
}

void applyLanguage(ui::Form& form) {
    for (ui::Control* c : form.Controls()) {
        try {
            if (!c->Tag.empty()) c->SetCaption(LookUp(form.Name(), c->Tag, c->Caption()));
        } catch (...) {
            // A control without a caption keeps what it has.
        }
    }
    try {
        if (!form.Tag.empty()) form.SetCaption(LookUp(form.Name(), form.Tag, form.Caption()));
    } catch (...) {
    }
}

void setTopMost(ui::Form& form, bool onTop) {
    const double tx = ui::TwipsPerPixelX(), ty = ui::TwipsPerPixelY();
    // Halves go to even, as the runtime rounds.
    const int x = static_cast<int>(std::nearbyint(form.Left() / tx));
    const int y = static_cast<int>(std::nearbyint(form.Top() / ty));
    const int cx = static_cast<int>(std::nearbyint(form.Width() / tx));
    const int cy = static_cast<int>(std::nearbyint(form.Height() / ty));
    SetWindowPos(form.hWnd(), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, x, y, cx, cy, SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

}  // namespace modLanguage
