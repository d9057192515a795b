#include "shell/Module2.h"

#include <objbase.h>
#include <shlobj.h>

#include "base/Modal.h"

namespace Module2 {
namespace {
std::string g_startFolder;  // read by the callback
}

LPARAM PassProcAddress(BFFCALLBACK address) { return reinterpret_cast<LPARAM>(address); }

int CALLBACK BrowseCallbackProc(HWND window, UINT message, LPARAM /*lParam*/, LPARAM /*data*/) {
    if (message == BFFM_INITIALIZED && !g_startFolder.empty())
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(g_startFolder.c_str()));
    return 0;
}

std::string ShowBrowseDialog(const std::string& startFolder, HWND ownerWindow, const std::string& title) {
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = ownerWindow;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.empty() ? nullptr : title.c_str();
    info.ulFlags = 0;
    info.lpfn = reinterpret_cast<BFFCALLBACK>(PassProcAddress(&BrowseCallbackProc));
    info.lParam = 0;
    info.iImage = 0;
    g_startFolder = startFolder;

    const HRESULT com = CoInitialize(nullptr);
    std::string result;
    if (LPITEMIDLIST list = SHBrowseForFolderA(&info)) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(list, path)) result = path;
        CoTaskMemFree(list);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

std::string BrowseForFolder(const std::string& startFolder, HWND ownerWindow, const std::string& title) {
    std::string chosen;
    const long ok = base::modal::Run({"BrowseForFolder", title, startFolder, 0}, [&]() -> long {
        chosen = ShowBrowseDialog(startFolder, ownerWindow, title);
        return chosen.empty() ? 0 : 1;
    });
    if (!base::modal::ScriptingEnabled()) return chosen;
    // A scripted answer: 0 is Cancel, anything else picks the start folder.
    return ok ? startFolder : std::string();
}

}  // namespace Module2
