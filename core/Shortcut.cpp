#include "core/Shortcut.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

#include "base/ComPtr.h"
#include "base/TextFile.h"

namespace core {
namespace {

// Long enough for any path Windows accepts, so no field is ever cut short.
constexpr int kFieldChars = 32768;

std::wstring Wide(const std::string& s) {
    const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    w.resize(wcslen(w.c_str()));
    return w;
}

// One field read through a getter that fills a buffer; "" when it fails.
template <class Get>
std::string Field(Get get) {
    std::string buf(kFieldChars, '\0');
    if (FAILED(get(buf.data(), kFieldChars))) return {};
    buf.resize(strlen(buf.c_str()));
    return buf;
}

}  // namespace

std::optional<ShortcutInfo> ReadShortcut(const std::string& lnkPath) {
    if (!base::FileExists(lnkPath)) return std::nullopt;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::optional<ShortcutInfo> result;
    {
        base::ComPtr<IShellLinkA> link;
        base::ComPtr<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       link.putAs<void>())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putAs<void>())) &&
            SUCCEEDED(file->Load(Wide(lnkPath).c_str(), STGM_READ))) {
            ShortcutInfo info;
            // Flags 0: the long path with environment strings expanded, what a file check finds.
            info.target = Field([&](char* b, int n) { return link->GetPath(b, n, nullptr, 0); });
            info.arguments = Field([&](char* b, int n) { return link->GetArguments(b, n); });
            info.workingFolder = Field([&](char* b, int n) { return link->GetWorkingDirectory(b, n); });
            info.description = Field([&](char* b, int n) { return link->GetDescription(b, n); });
            info.iconPath = Field([&](char* b, int n) { return link->GetIconLocation(b, n, &info.iconIndex); });
            link->GetShowCmd(&info.showCommand);
            link->GetHotkey(&info.hotkey);
            result = std::move(info);
        }
    }  // released before the apartment closes
    if (SUCCEEDED(init)) CoUninitialize();
    return result;
}

std::string ShortcutTarget(const std::string& lnkPath) {
    const auto info = ReadShortcut(lnkPath);
    return info ? info->target : std::string();
}

}  // namespace core
