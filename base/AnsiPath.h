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

// The longest folder path (its closing backslash included) whose entries can all be named within
// MAX_PATH: room is left for an 8.3 name.
inline constexpr size_t kMaxNamedFolder = MAX_PATH - 1 - 12;

// The name the program gives an entry of a folder whose path (closing backslash included) has
// `folderLength` characters: the long name, written exactly, while the entry's path stays within
// MAX_PATH (for a folder, within kMaxNamedFolder with its backslash); else its short name. False
// when neither names it: the entry cannot be reached through ANSI paths. `byLongName`, when
// given, tells whether the name is the long one.
inline bool EntryName(const WIN32_FIND_DATAW& fd, size_t folderLength, std::string& name, bool* byLongName = nullptr) {
    const bool folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t room = folder ? (kMaxNamedFolder > folderLength ? kMaxNamedFolder - folderLength - 1 : 0)
                               : (MAX_PATH - 1 > folderLength ? MAX_PATH - 1 - folderLength : 0);
    const bool byLong = ExactAnsi(fd.cFileName, wcslen(fd.cFileName), name) && name.size() <= room;
    if (byLongName) *byLongName = byLong;
    if (byLong) return true;
    if (fd.cAlternateFileName[0] && ExactAnsi(fd.cAlternateFileName, wcslen(fd.cAlternateFileName), name) &&
        name.size() <= room)
        return true;
    name.clear();
    return false;
}

// The short (8.3) form of a whole wide path, of any length; "" when the system gives none.
inline std::wstring ShortWidePath(const std::wstring& path) {
    const std::wstring full = path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
    std::wstring shorter(MAX_PATH, L'\0');
    DWORD n = GetShortPathNameW(full.c_str(), shorter.data(), static_cast<DWORD>(shorter.size()));
    if (n >= shorter.size()) {
        shorter.assign(n, L'\0');
        n = GetShortPathNameW(full.c_str(), shorter.data(), n);
    }
    if (n <= 4 || n >= shorter.size()) return {};
    shorter.resize(n);
    if (shorter.compare(0, 4, L"\\\\?\\") == 0) shorter.erase(0, 4);
    return shorter;
}

// A subfolder that EntryName cannot name below `folder` (closing backslash included): the short
// form of its whole path, closing backslash included, when that is written in ASCII within
// kMaxNamedFolder; else "".
inline std::string ShortFolderPath(const std::string& folder, const std::wstring& name) {
    std::string out;
    if (!ExactAnsi(ShortWidePath(WidePath(folder) + name), out) || out.empty() || out.size() + 1 > kMaxNamedFolder)
        return {};
    return out + "\\";
}

// The long form of a path where it can be written exactly within MAX_PATH; else the path as given
// (a short form names the same item).
inline std::string LongAnsiPath(const std::string& path) {
    const std::wstring wide = WidePath(path);
    std::wstring longer(MAX_PATH, L'\0');
    DWORD n = GetLongPathNameW(wide.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (n >= longer.size()) {
        longer.assign(n, L'\0');
        n = GetLongPathNameW(wide.c_str(), longer.data(), n);
    }
    if (n == 0 || n >= longer.size()) return path;
    longer.resize(n);
    std::string out;
    return ExactAnsi(longer, out) && out.size() < MAX_PATH ? out : path;
}

}  // namespace base
