// Test helper: records how it was started (command line and working folder, in "<exe>.args"),
// then waits to be found and ended. It leaves by itself after 30 seconds.
#include <windows.h>

#include <string>

int main() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const std::string record = std::string(GetCommandLineA()) + "\n" + cwd + "\n";
    HANDLE f = CreateFileA((std::string(exe) + ".args").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(f, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
        CloseHandle(f);
    }
    Sleep(30000);
    return 0;
}
