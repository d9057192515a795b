#include "shell/FormLanguage.h"

#include <windows.h>

#include <cmath>

#include "base/Trap.h"
#include "core/modLanguage.h"
#include "ui/Control.h"
#include "ui/MessageLoop.h"

namespace formLanguage {

using modLanguage::getSectionString;

std::string getFormString(const ui::Form& form, const std::string& key, const std::string& defaultText) {
    return getSectionString(form.Name(), key, defaultText);
}

void applyLanguage(ui::Form& form) {
    for (ui::Control* c : form.Controls()) {
        try {
            if (!c->Tag.empty()) c->SetCaption(getSectionString(form.Name(), c->Tag, c->Caption()));
        } catch (...) {
            // A control without a caption keeps what it has.
        }
    }
    try {
        if (!form.Tag.empty()) form.SetCaption(getSectionString(form.Name(), form.Tag, form.Caption()));
    } catch (...) {
        base::ReportCurrentException("applyLanguage");
    }
}

void applyColumnLanguage(const ui::Form& form, ui::ListView& list) {
    for (int c = 1; c <= list.ColumnCount(); ++c)
        if (!list.ColumnTag(c).empty())
            list.SetColumnHeading(c, getSectionString(form.Name(), list.ColumnTag(c), list.ColumnHeading(c)));
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

}  // namespace formLanguage
