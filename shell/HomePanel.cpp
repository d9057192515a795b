#include "shell/HomePanel.h"

#include <windows.h>

#include "base/Text.h"

namespace homePanel {

namespace {

bool EndsWithNoCase(const std::string& name, const std::string& ext) {
    return name.size() > ext.size() && base::UCase(name.substr(name.size() - ext.size())) == base::UCase(ext);
}

std::vector<std::string> FilesOf(const std::string& folder) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.emplace_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return files;
}

}  // namespace

std::vector<LanguageItem> LanguageItems(const std::string& folder, const std::string& current) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    const std::vector<std::string> files = FilesOf(dir);
    std::vector<LanguageItem> items;
    for (const std::string& f : files) {
        if (!EndsWithNoCase(f, ".ini")) continue;
        LanguageItem item;
        item.name = f.substr(0, f.size() - 4);
        for (const std::string& g : files)
            if (EndsWithNoCase(g, ".bmp") && base::UCase(g.substr(0, g.size() - 4)) == base::UCase(item.name))
                item.flagFile = g;
        item.selected = base::UCase(item.name + ".ini") == base::UCase(current);
        items.push_back(std::move(item));
    }
    return items;
}

std::string FileDateText(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return "????";
    FILETIME local{};
    SYSTEMTIME t{};
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &t)) return "????";
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    wsprintfA(text, "%s %02u, %04u @ %02u:%02u:%02u", months[(t.wMonth + 11) % 12], t.wDay, t.wYear, t.wHour, t.wMinute,
              t.wSecond);
    return text;
}

}  // namespace homePanel
