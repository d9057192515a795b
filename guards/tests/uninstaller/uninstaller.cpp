// Writes its whole command line into the file its first argument names, then ends.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string line = GetCommandLineA();
    HANDLE h = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(h);
    return 0;
}
