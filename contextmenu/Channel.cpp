#include "contextmenu/Channel.h"

#include "base/Handles.h"

namespace cm {
namespace {

constexpr DWORD kHandWaitMs = 3000;      // how long a sender waits for the box's handler
constexpr DWORD kPublishWaitMs = 30000;  // how long a started program may take to publish its box
constexpr size_t kCommandLineMax = 32767;

std::string SettingsRoot() {
    char root[1024] = {};
    const DWORD n = GetEnvironmentVariableA("CORVANE_SETTINGS_ROOT", root, sizeof root);
    return n > 0 && n < sizeof root ? std::string(root, n) : "Software";
}

}  // namespace

std::string PublishedBoxSetting() {
    const std::string section = SettingsRoot() + "\\Corvane\\txtHandle";
    base::RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    char text[64] = {};
    DWORD type = 0, size = sizeof text - 1;
    if (RegQueryValueExA(key.get(), "txtPramaterInfoEnvenHandeler", nullptr, &type, reinterpret_cast<BYTE*>(text),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    return text;
}

HWND ParseBox(const std::string& text) {
    if (text.empty() || text.size() > 20) return nullptr;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return nullptr;
        const unsigned long long next = value * 10 + static_cast<unsigned>(c - '0');
        if (next / 10 != value) return nullptr;  // past 64 bits
        value = next;
    }
    if (value == 0 || value > static_cast<unsigned long long>(static_cast<UINT_PTR>(-1))) return nullptr;
    HWND box = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
    return IsWindow(box) ? box : nullptr;
}

HWND PublishedParameterBox() { return ParseBox(PublishedBoxSetting()); }

std::string FolderRequest(const std::vector<std::string>& folders) {
    std::string request = "ScanFolder";
    for (const std::string& f : folders) request += "|" + f;
    return request;
}

bool HandToBox(HWND box, const std::string& request) {
    DWORD_PTR answer = 0;
    SetLastError(0);
    if (SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(request.c_str()), SMTO_NORMAL, kHandWaitMs,
                            &answer))
        return true;
    // Timed out while the handler runs the scan: the box has the request.
    return GetLastError() == ERROR_TIMEOUT && IsWindow(box);
}

bool StartProgram(const std::string& folder, const std::string& request) {
    std::string line = "\"" + folder + "\\Corvane.exe\"";
    const bool onCommandLine = line.size() + 1 + request.size() < kCommandLineMax;
    if (onCommandLine) line += " " + request;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &pi))
        return false;
    base::Handle process(pi.hProcess), thread(pi.hThread);
    if (onCommandLine) return true;
    for (DWORD waited = 0; waited < kPublishWaitMs; waited += 100) {
        if (HWND box = PublishedParameterBox()) return HandToBox(box, request);
        if (WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0) return false;
    }
    return false;
}

bool Deliver(const std::string& programFolder, const std::string& request) {
    if (HWND box = PublishedParameterBox())
        if (HandToBox(box, request)) return true;
    return StartProgram(programFolder, request);
}

}  // namespace cm
