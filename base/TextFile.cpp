#include "base/TextFile.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/RuntimeError.h"

namespace base {
namespace {

FileHandle OpenOrRaise(const std::string& path, DWORD access, DWORD disposition) {
    FileHandle h(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) {
        DWORD err = GetLastError();
        // Opening a file in a missing folder is "Path not found"; a plain missing file is 53.
        RaiseWin32(err == 0 ? ERROR_ACCESS_DENIED : err);
    }
    return h;
}

void WriteAll(HANDLE h, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(h, text.data() + done, chunk, &written, nullptr) || written == 0) {
            DWORD err = GetLastError();
            RaiseWin32(err == 0 ? ERROR_WRITE_FAULT : err);
        }
        done += written;
    }
}

}  // namespace

void AppendText(const std::string& path, const std::string& text) {
    FileHandle h = OpenOrRaise(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    WriteAll(h.get(), text);
}

void WriteText(const std::string& path, const std::string& text) {
    FileHandle h = OpenOrRaise(path, GENERIC_WRITE, CREATE_ALWAYS);
    WriteAll(h.get(), text);
}

std::string ReadWhole(const std::string& path) {
    FileHandle h = OpenOrRaise(path, GENERIC_READ, OPEN_EXISTING);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.get(), &size)) RaiseWin32(GetLastError());
    std::string out;
    out.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < out.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(out.size() - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(h.get(), out.data() + done, chunk, &got, nullptr)) RaiseWin32(GetLastError());
        if (got == 0) break;
        done += got;
    }
    out.resize(done);
    return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(cur));
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) lines.push_back(std::move(cur));
    return lines;
}

std::vector<std::string> ReadLines(const std::string& path) { return SplitLines(ReadWhole(path)); }

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned long long FileLength(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) RaiseWin32(GetLastError());
    return (static_cast<unsigned long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

}  // namespace base
