#include "app/RemoteControl.h"

#include <string>

#include "base/Handles.h"
#include "core/SettingsStore.h"
#include "shell/frmMain.h"

namespace remote {

bool InstanceRuns(const std::string& folder) {
    const std::string name = frmMain::InstanceMutexName(folder);
    base::Handle lock(OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
    return static_cast<bool>(lock);
}

HWND PublishedWindow(const char* section, const char* key, DWORD waitMs) {
    for (DWORD waited = 0;; waited += 50) {
        const std::string h = settings::GetSetting(section, key);
        if (!h.empty() && h != "-1") return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::stoull(h)));
        if (waited >= waitMs) return nullptr;
        Sleep(50);
    }
}

HWND PublishedMainWindow(DWORD waitMs) {
    HWND w = PublishedWindow("formHandle", "fromhandlewindow", waitMs);
    return w != nullptr && IsWindow(w) ? w : nullptr;
}

namespace {

BOOL CALLBACK AddChildText(HWND child, LPARAM list) {
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<ChildTextList*>(list)->emplace_back(child, text);
    return TRUE;
}

struct BoxSearch {
    DWORD pid;
    ShownBox box;
};

BOOL CALLBACK CheckForBox(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<BoxSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner != s.pid || !IsWindowVisible(w)) return TRUE;
    ShownBox box{w, {}, {}};
    for (const auto& [child, text] : ChildTexts(w)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (_stricmp(cls, "Button") == 0 && (text == "OK" || text == "Cancel"))
            box.buttons.emplace_back(child, text);
        else if (_stricmp(cls, "Static") == 0 && text.size() > box.prompt.size())
            box.prompt = text;
    }
    if (box.buttons.empty()) return TRUE;
    s.box = box;
    return FALSE;
}

}  // namespace

ChildTextList ChildTexts(HWND parent) {
    ChildTextList out;
    EnumChildWindows(parent, AddChildText, reinterpret_cast<LPARAM>(&out));
    return out;
}

ShownBox FindMessageBox(DWORD pid) {
    BoxSearch search{pid, {}};
    EnumWindows(CheckForBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

bool Press(const ShownBox& box, const std::string& caption) {
    for (const auto& [button, text] : box.buttons)
        if (text == caption)
            return PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                                reinterpret_cast<LPARAM>(button)) != 0;
    return false;
}

bool CloseProgram(HWND mainWindow, DWORD timeoutMs, DWORD& exitCode, std::vector<std::string>* prompts) {
    DWORD pid = 0;
    GetWindowThreadProcessId(mainWindow, &pid);
    base::Handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return false;
    const DWORD deadline = GetTickCount() + timeoutMs;
    std::string lastPrompt;
    bool closeSent = false;
    while (WaitForSingleObject(process.get(), 200) == WAIT_TIMEOUT) {
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
        const ShownBox box = FindMessageBox(pid);
        if (box.window != nullptr) {
            if (box.prompt == lastPrompt) continue;  // the answer is on its way
            lastPrompt = box.prompt;
            if (prompts) prompts->push_back(box.prompt);
            // The closing question gets OK; any other box is declined, or, with nothing to
            // decline (a box that only tells), answered with the one button it has.
            const bool closing = box.prompt.find("Are you sure") != std::string::npos;
            if (closing || !Press(box, "Cancel")) Press(box, "OK");
            continue;
        }
        if (!closeSent) closeSent = PostMessageA(mainWindow, WM_CLOSE, 0, 0) != 0;
    }
    exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    return true;
}

}  // namespace remote
