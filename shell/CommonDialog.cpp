#include "shell/CommonDialog.h"

// clang-format off
#include <windows.h>
#include <commdlg.h>  // after windows.h, which it needs
// clang-format on

#include <utility>

#include "base/Modal.h"

namespace CommonDialog {
namespace {

std::string g_scripted;

std::string Show(const std::string& filter, const std::string& title, bool save) {
    std::string chosen;
    const long answer = base::modal::Run({"CommonDialog", title, filter, save ? 1 : 0}, [&]() -> long {
        std::string f = filter;
        for (char& c : f)
            if (c == '|') c = '\0';
        f += std::string(2, '\0');
        char name[MAX_PATH * 2] = {};
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = f.c_str();
        ofn.lpstrFile = name;
        ofn.nMaxFile = sizeof name;
        ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
        ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
        const BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
        if (!ok) return 2;
        chosen = name;
        return 1;
    });
    if (answer != 1) return {};
    if (base::modal::ScriptingEnabled() && chosen.empty()) chosen = std::exchange(g_scripted, {});
    return chosen;
}

}  // namespace

std::string ShowOpen(const std::string& filter, const std::string& title) { return Show(filter, title, false); }
std::string ShowSave(const std::string& filter, const std::string& title) { return Show(filter, title, true); }
void SetScriptedFileName(const std::string& name) { g_scripted = name; }

}  // namespace CommonDialog
