#pragma once
// Paths between the file system's own (wide) names and the ANSI code page the program works in.
// A name the code page cannot write is never replaced by a look-alike: "Zdeněk" is not "Zdenek".
// Header-only, so the stand-alone libraries may take it.
#include <windows.h>

#include <string>

namespace base {

// The wide form of a path in the ANSI code page.
inline std::wstring WidePath(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    bool ascii = true;
    for (size_t i = 0; i < ansi.size() && ascii; ++i) {
        ascii = static_cast<unsigned char>(ansi[i]) < 0x80;
        wide[i] = static_cast<wchar_t>(ansi[i]);
    }
    if (ascii || ansi.empty()) return wide;
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    wide.assign(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return wide;
}

// The wide text in the ANSI code page, written exactly; false (and `out` empty) when it cannot be.
inline bool ExactAnsi(const wchar_t* wide, size_t size, std::string& out) {
    out.assign(size, '\0');
    bool ascii = true;
    for (size_t i = 0; i < size && ascii; ++i) {
        ascii = wide[i] < 0x80;
        out[i] = static_cast<char>(wide[i]);
    }
    if (ascii) return true;
    out.clear();
    const UINT page = GetACP();
    const int length = static_cast<int>(size);
    // UTF-8 writes every name, and refuses the flags below.
    const DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL replaced = FALSE;
    BOOL* usedDefault = page == CP_UTF8 ? nullptr : &replaced;
    const int n = WideCharToMultiByte(page, flags, wide, length, nullptr, 0, nullptr, usedDefault);
    if (n <= 0 || replaced) return false;
    out.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(page, flags, wide, length, out.data(), n, nullptr, usedDefault);
    // Read back: only a text that turns into the same name names the same thing.
    std::wstring back(size + 1, L'\0');
    back.resize(static_cast<size_t>(MultiByteToWideChar(page, 0, out.data(), n, back.data(), length + 1)));
    if (replaced || back.size() != size || back.compare(0, size, wide, size) != 0) {
        out.clear();
        return false;
    }
    return true;
}
inline bool ExactAnsi(const std::wstring& wide, std::string& out) { return ExactAnsi(wide.data(), wide.size(), out); }

}  // namespace base
