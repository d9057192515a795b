#include "scheduler/TaskName.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "scheduler/Errors.h"

namespace vornak {

namespace {

constexpr size_t kExtensionLength = sizeof ".job" - 1;
// A file-name component holds at most 255 characters, whatever the folder.
constexpr size_t kLongestComponent = 255;

// The folder where the service keeps its work items (on the local computer).
std::wstring TasksFolder() {
    wchar_t windows[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return L"C:\\WINDOWS\\Tasks";
    return std::wstring(windows, n) + L"\\Tasks";
}

// "CON", "nul", "COM1", ... open a device instead of a file, whatever extension follows.
bool NamesADevice(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    if (std::find_if(std::begin(kDevices), std::end(kDevices), [&](const wchar_t* d) { return stem == d; }) !=
        std::end(kDevices))
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

std::wstring CharacterFault(wchar_t c) {
    switch (c) {
        case L'\0':
            return L"it holds an embedded NUL character";
        case L'\\':
        case L'/':
            return L"it holds a path separator";
        case L':':
            return L"it holds a colon";
        case L'*':
        case L'?':
        case L'"':
        case L'<':
        case L'>':
        case L'|':
            return std::wstring(L"it holds the character ") + c + L", which a file name cannot hold";
        default:
            if (c < 32) return L"it holds a control character";
            return {};
    }
}

}  // namespace

size_t LongestTaskName() {
    const size_t folder = TasksFolder().size() + 1;  // and its backslash
    const size_t room = MAX_PATH - 1 > folder + kExtensionLength ? MAX_PATH - 1 - folder - kExtensionLength : 0;
    return std::min(room, kLongestComponent - kExtensionLength);
}

std::wstring TaskNameFault(const std::wstring& name) {
    if (name.empty()) return L"the name is empty";
    for (wchar_t c : name) {
        std::wstring fault = CharacterFault(c);
        if (!fault.empty()) return fault;
    }
    const size_t longest = LongestTaskName();
    if (name.size() > longest) return L"it is longer than " + std::to_wstring(longest) + L" characters";
    if (NamesADevice(name)) return L"\"" + name + L"\" names a device";
    return {};
}

void CheckTaskName(const std::wstring& name) {
    std::wstring fault = TaskNameFault(name);
    if (!fault.empty()) RaiseInvalidTaskName(fault);
}

}  // namespace vornak
