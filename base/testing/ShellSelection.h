#pragma once
// Explorer's selection for the tests of a shell extension: the data object the shell itself makes
// for items of one folder (parse each path, bind to the parent folder, ask it for the items' data
// object). Link shell32 and ole32; COM must be initialised on the thread.
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// The shell's data object for these paths, all in one folder (the caller releases it); nullptr
// when the shell could not make one.
inline IDataObject* ShellSelection(const std::vector<std::wstring>& paths) {
    if (paths.empty()) return nullptr;
    std::vector<PIDLIST_ABSOLUTE> absolute;
    std::vector<PCUITEMID_CHILD> children;
    IShellFolder* parent = nullptr;
    IDataObject* data = nullptr;
    for (const std::wstring& wide : paths) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (FAILED(SHParseDisplayName(wide.c_str(), nullptr, &pidl, 0, nullptr))) break;
        absolute.push_back(pidl);
        IShellFolder* folder = nullptr;
        PCUITEMID_CHILD child = nullptr;
        if (FAILED(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child))) break;
        if (parent == nullptr) {
            parent = folder;
        } else {
            folder->Release();
        }
        children.push_back(child);
    }
    if (parent != nullptr && children.size() == paths.size())
        parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject, nullptr,
                              reinterpret_cast<void**>(&data));
    if (parent != nullptr) parent->Release();
    for (PIDLIST_ABSOLUTE pidl : absolute) CoTaskMemFree(pidl);
    return data;
}

// The same for paths in the ANSI code page.
inline IDataObject* ShellSelection(const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const std::string& p : paths) {
        std::wstring w(p.size() + 1, L'\0');
        w.resize(MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, w.data(), static_cast<int>(w.size())) - 1);
        wide.push_back(w);
    }
    return ShellSelection(wide);
}

}  // namespace testing_support
