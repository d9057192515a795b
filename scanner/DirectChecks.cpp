// Direct existence checks of the definitions' fixed paths, and the recording of a found folder's
// whole content.
#include <vector>

#include "base/AnsiPath.h"
#include "base/FolderWalk.h"
#include "base/Handles.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "scanner/FolderMacros.h"
#include "scanner/ScanEngine.h"

namespace scanner {

namespace {

// The path with any short (8.3) part in its long form, as the drive walk lists it. A part in
// short form always holds a tilde; a path without one is taken as it stands, which spares the
// file system a look-up of every part.
// A long form the code page cannot write, or beyond MAX_PATH, is not taken: the walk lists such
// a place by its short name too.
std::string LongFormOf(const std::string& path) {
    if (path.find('~') == std::string::npos) return path;
    return base::LongAnsiPath(path);
}

}  // namespace

void ScanEngine::checkIfFileExistsThenAddToSpyList(std::string& fullFileNamePath, const std::string& SpyType) {
    base::Trap("checkIfFileExistsThenAddToSpyList", [&] {
        if (GetFileAttributesA(fullFileNamePath.c_str()) == INVALID_FILE_ATTRIBUTES) return;  // the usual case
        // Recorded under its long form, as the drive walk records the same file: one file, one row.
        fullFileNamePath = LongFormOf(fullFileNamePath);
        if (base::FileExists(fullFileNamePath))
            AddSpytoListview("Malware File", fullFileNamePath, SpyType, 3, fullFileNamePath, "", "");
    });
}

void ScanEngine::checkIfFolderExistsThenAddToSpyList(std::string& fullFolderNamePath, const std::string& SpyType) {
    base::Trap("checkIfFolderExistsThenAddToSpyList", [&] {
        if (GetFileAttributesA(fullFolderNamePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
            fullFolderNamePath.clear();
            return;
        }
        fullFolderNamePath = LongFormOf(fullFolderNamePath);
        if (!base::FolderExists(fullFolderNamePath)) return;
        const std::string folder = AbsolutePathName(fullFolderNamePath);
        AddSpytoListview("Malware Folder", folder, SpyType, 4, folder, "", "");
        FindFiles(folder, "*.*", SpyType);
    });
}

double ScanEngine::FindFiles(std::string path, const std::string& SearchStr, const std::string& SpyType) {
    double total = 0;
    base::Trap("FindFiles", [&] {
        YieldToMessages();
        if (gb_scanAborted) return;
        if (path.empty() || path.back() != '\\') path += '\\';

        // Subfolders first, each recorded as found; their content after this folder's files.
        // Wide finds, each entry by the name the program gives it (base::EntryName).
        std::vector<std::string> subfolders;
        WIN32_FIND_DATAW fd;
        std::string name;
        {
            base::FindHandle h(FindFirstFileW(base::WidePath(path + "*.*").c_str(), &fd));
            if (h) {
                do {
                    const wchar_t* n = fd.cFileName;
                    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
                    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
                    if (!base::EntryName(fd, path.size(), name)) {
                        UnreadFolder(path + "?", "a subfolder of a found folder has no name the program can use");
                        continue;
                    }
                    ShowCurrentItem(path + name + "\\");
                    YieldToMessages();
                    // A junction inside is recorded, but not entered: it may lead back up.
                    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) subfolders.push_back(name);
                    AddSpytoListview("Malware Folder", path + name, SpyType, 4, path + name, "", "");
                    if (gb_scanAborted) return;
                } while (FindNextFileW(h.get(), &fd));
            }
        }
        {
            base::FindHandle h(FindFirstFileW(base::WidePath(path + SearchStr).c_str(), &fd));
            if (h) {
                do {
                    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                    if (gb_scanAborted) return;
                    if (!base::EntryName(fd, path.size(), name)) continue;
                    const std::string file = path + name;
                    AddSpytoListview("Malware File", file, SpyType, 3, file, "", "");
                    total += static_cast<double>((static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) |
                                                 fd.nFileSizeLow);
                } while (FindNextFileW(h.get(), &fd));
            }
        }
        for (const std::string& name : subfolders) total += FindFiles(path + name + "\\", SearchStr, SpyType);
    });
    FlushDisplay();  // the caller's own writes to the current item come next
    return total;
}

}  // namespace scanner
