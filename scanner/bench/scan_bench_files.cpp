// The file phase on a generated tree (50,000 files in 5,000 folders) with 2,000 file and folder
// definitions, against a bare FindFirstFileA/FindNextFileA walk of the same tree; then the indexed
// search against the per-definition search on a part of the tree (the latter asks the file
// system once per definition and folder, so all of it would take hours).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/AnsiPath.h"
#include "base/FolderWalk.h"
#include "base/Handles.h"
#include "base/ListItems.h"
#include "core/Globals.h"
#include "results/FindingList.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanEngine.h"
#include "scanner/ScanGlobals.h"
#include "scanner/bench/ScanBench.h"

namespace scanbench {

namespace {

constexpr int kTopFolders = 50;
constexpr int kSubFolders = 99;  // 50 + 50 * 99 = 5,000 folders
constexpr int kFilesPerFolder = 10;

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

void Touch(const std::string& path) {
    base::FileHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

// A folder's files: mostly harmless names, now and then one a definition names.
void FillFolder(const std::string& folder, int serial) {
    static const char* const kinds[] = {"doc%05d.txt",  "lib%05d.dll", "app%05d.exe",  "img%05d.jpg",  "data%05d.bin",
                                        "conf%05d.ini", "log%05d.log", "page%05d.htm", "note%05d.doc", "arc%05d.zip"};
    for (int f = 0; f < kFilesPerFolder; ++f) {
        char name[64];
        std::snprintf(name, sizeof name, kinds[f], serial * kFilesPerFolder + f);
        Touch(folder + name);
    }
    // Every 97th folder holds a file that an exact definition names, every 211th one that a
    // pattern names (they replace nothing: the folder just has one more file).
    if (serial % 97 == 5) {
        char name[64];
        std::snprintf(name, sizeof name, "mal%04d.exe", serial % 1200);
        Touch(folder + name);
    }
    if (serial % 500 == 17) {
        const std::string spy = folder + "spyfolder017\\";
        CreateDirectoryA(spy.c_str(), nullptr);
        for (const char* n : {"a.dat", "b.dat", "c.exe"}) Touch(spy + n);
    }
    if (serial % 211 == 7) {
        char name[64];
        std::snprintf(name, sizeof name, "adw%03dsetup.exe", serial % 400);
        Touch(folder + name);
    }
}

long long BareWalk(const std::string& folder) {
    long long entries = 0;
    WIN32_FIND_DATAA fd;
    base::FindHandle h(FindFirstFileA((folder + "*.*").c_str(), &fd));
    if (!h) return 0;
    do {
        const char* n = fd.cFileName;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        ++entries;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) entries += BareWalk(folder + n + "\\");
    } while (FindNextFileA(h.get(), &fd));
    return entries;
}

// Through the program's own names: the folders beyond the code page and MAX_PATH go too.
void DeleteTree(const std::string& folder) {
    std::string within = folder;
    if (!within.empty() && within.back() == '\\') within.pop_back();
    base::ForEachEntry(within, [](const WIN32_FIND_DATAA& fd, const std::string& child) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            DeleteTree(child + "\\");
        else
            DeleteFileA(child.c_str());
    });
    RemoveDirectoryA(within.c_str());
}

// Places only the wide calls reach, with files the definitions name: folders named in Japanese
// and Czech, and a path of more than 300 characters.
void PlantBeyondAnsi(const std::string& folder) {
    auto dirs = [&](const std::vector<std::wstring>& names) {
        std::wstring path = L"\\\\?\\" + base::WidePath(folder.substr(0, folder.size() - 1));
        for (const std::wstring& n : names) CreateDirectoryW((path += L"\\" + n).c_str(), nullptr);
        return path;
    };
    auto touch = [](const std::wstring& path) {
        base::FileHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    };
    std::vector<std::wstring> deep;
    for (int i = 0; i < 6; ++i) deep.push_back(L"a folder with a long name past MAX_PATH " + std::to_wstring(i));
    const std::wstring japanese = dirs({L"\u65e5\u672c\u8a9e"}), czech = dirs({L"Zden\u011bk"}), distant = dirs(deep);
    for (const std::wstring& f : {japanese + L"\\mal0005.exe", japanese + L"\\\u011bspy001.x001",
                                  czech + L"\\adw007setup.exe", distant + L"\\mal0001.exe", distant + L"\\tb002a.dll"})
        touch(f);
    CreateDirectoryW((distant + L"\\spyfolder017").c_str(), nullptr);
    touch(distant + L"\\spyfolder017\\c.exe");
}

// 1,200 exact names, 500 patterns, 250 folder names and 50 names through a subfolder.
void Definitions(base::RowList& list) {
    char name[64];
    for (int i = 0; i < 1200; ++i) {
        std::snprintf(name, sizeof name, "mal%04d.exe", i);
        scanner::FillListBox(list, "Malware File", "Exact" + std::to_string(i), name);
    }
    for (int i = 0; i < 500; ++i) {
        switch (i % 4) {
            case 0:
                std::snprintf(name, sizeof name, "adw%03d*.exe", i);
                break;
            case 1:
                std::snprintf(name, sizeof name, "*.x%03d", i);
                break;
            case 2:
                std::snprintf(name, sizeof name, "tb%03d?.dll", i);
                break;
            default:
                std::snprintf(name, sizeof name, "*spy%03d*", i);
                break;
        }
        scanner::FillListBox(list, "Malware File", "Pattern" + std::to_string(i), name);
    }
    for (int i = 0; i < 250; ++i) {
        std::snprintf(name, sizeof name, "spyfolder%03d", i);  // spyfolder017 is in every 500th folder
        scanner::FillListBox(list, "Malware Folder", "Folder" + std::to_string(i), name);
    }
    for (int i = 0; i < 50; ++i) {
        std::snprintf(name, sizeof name, "s%04d\\lib%05d.dll", i, i * 37);
        scanner::FillListBox(list, "Malware File", "Sub" + std::to_string(i), name);
    }
}

std::vector<base::ListItem> Run(scanner::ScanEngine& engine, const std::string& top, bool indexed) {
    results::Findings().Clear();
    engine.ResetCounters();
    engine.useFileIndex = indexed;
    engine.subShowFolderList(top);
    engine.subFileSearch(top);
    std::vector<base::ListItem> rows;
    const base::ListItems& items = std::as_const(results::Findings()).Rows();
    for (int i = 1; i <= items.Count(); ++i) rows.push_back(items(i));
    return rows;
}

bool Same(const base::ListItem& a, const base::ListItem& b) {
    return a.Text == b.Text && a.SubItems(1) == b.SubItems(1) && a.SubItems(2) == b.SubItems(2) &&
           a.ToolTipText == b.ToolTipText;
}

}  // namespace

int FilesSection() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "corvane-filebench-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(root.c_str(), nullptr);

    auto t0 = std::chrono::steady_clock::now();
    int serial = 0;
    for (int t = 0; t < kTopFolders; ++t) {
        char top[32];
        std::snprintf(top, sizeof top, "t%03d\\", t);
        CreateDirectoryA((root + top).c_str(), nullptr);
        FillFolder(root + top, serial++);
        for (int s = 0; s < kSubFolders; ++s) {
            char sub[32];
            std::snprintf(sub, sizeof sub, "s%04d\\", s);
            const std::string folder = root + top + sub;
            CreateDirectoryA(folder.c_str(), nullptr);
            FillFolder(folder, serial++);
        }
    }
    // The exactness part holds places only the wide calls reach.
    PlantBeyondAnsi(root + "t000\\");
    std::printf(
        "files: tree of %d folders (and %d holding what a folder definition names), about %d files made in %.1f s\n",
        serial, (serial + 482) / 500, serial * kFilesPerFolder, Seconds(t0));

    scanner::ScanEngine& engine = scanner::ProgramEngine();
    engine.clearDataBase();
    Definitions(engine.lists.lstSearch);
    gb_scanAborted = false;
    gb_fileGroupsLoaded = false;
    gb_scanRestoreFolder = true;

    BareWalk(root);  // the file system's caches warm for both
    double bare = 1e9, phase = 1e9;
    long long entries = 0;
    size_t findings = 0;
    for (int round = 0; round < 5; ++round) {
        t0 = std::chrono::steady_clock::now();
        entries = BareWalk(root);
        bare = std::min(bare, Seconds(t0));
        t0 = std::chrono::steady_clock::now();
        findings = Run(engine, root, true).size();
        phase = std::min(phase, Seconds(t0));
    }
    std::printf("files: %lld entries, %d definitions, %zu findings\n", entries,
                engine.lists.lstSearch.ListItems.Count(), findings);
    std::printf("files: phase %.3f s, bare walk %.3f s, ratio %.2f (goal <= 1.3)\n", phase, bare, phase / bare);

    // Exactness: the indexed search and the per-definition search over the first top folder.
    const std::string part = root + "t000\\";
    t0 = std::chrono::steady_clock::now();
    const std::vector<base::ListItem> reference = Run(engine, part, false);
    const double referenceSeconds = Seconds(t0);
    const std::vector<base::ListItem> indexed = Run(engine, part, true);
    int mismatches = reference.size() == indexed.size() ? 0 : 1;
    for (size_t i = 0; i < std::min(reference.size(), indexed.size()); ++i)
        if (!Same(reference[i], indexed[i])) ++mismatches;
    std::printf("files: per-definition search of %d folders %.2f s, %zu findings; mismatches %d\n", kSubFolders + 1,
                referenceSeconds, reference.size(), mismatches);

    engine.useFileIndex = true;
    engine.clearDataBase();
    results::Findings().Clear();
    DeleteTree(root);
    return mismatches;
}

}  // namespace scanbench
