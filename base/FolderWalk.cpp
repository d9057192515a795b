#include "base/FolderWalk.h"

#include <cstring>

#include "base/AnsiPath.h"
#include "base/Handles.h"

namespace base {

bool ForEachEntry(const std::string& folder,
                  const std::function<void(const WIN32_FIND_DATAA& entry, const std::string& path)>& visit) {
    WIN32_FIND_DATAW fd;
    FindHandle find(FindFirstFileW((WidePath(folder) + L"\\*").c_str(), &fd));
    if (!find) return false;
    do {
        const wchar_t* n = fd.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        std::string name, path;
        if (EntryName(fd, folder.size() + 1, name)) {
            path = folder + "\\" + name;
        } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // No name fits this folder's path: the short form of the subfolder's whole path.
            path = ShortFolderPath(folder + "\\", fd.cFileName);
            if (!path.empty()) path.pop_back();
            name = path.substr(path.find_last_of('\\') + 1);
        }
        if (path.empty()) continue;
        WIN32_FIND_DATAA entry{};
        entry.dwFileAttributes = fd.dwFileAttributes;
        entry.ftCreationTime = fd.ftCreationTime;
        entry.ftLastAccessTime = fd.ftLastAccessTime;
        entry.ftLastWriteTime = fd.ftLastWriteTime;
        entry.nFileSizeHigh = fd.nFileSizeHigh;
        entry.nFileSizeLow = fd.nFileSizeLow;
        entry.dwReserved0 = fd.dwReserved0;
        std::memcpy(entry.cFileName, name.c_str(), name.size() + 1);
        std::string alternate;
        if (ExactAnsi(fd.cAlternateFileName, wcslen(fd.cAlternateFileName), alternate) && alternate.size() < 14)
            std::memcpy(entry.cAlternateFileName, alternate.c_str(), alternate.size() + 1);
        visit(entry, path);
    } while (FindNextFileW(find.get(), &fd));
    return true;
}

}  // namespace base
