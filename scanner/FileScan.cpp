// The file and folder phase: the walk of a folder tree and the matching of the file and folder
// definitions in every folder it reaches.
//
// The definitions are matched through an index, against one listing per folder. The index only
// chooses the rows that can have a hit in a folder; each chosen row is then answered by the same
// directory search the per-definition search makes, so both record exactly the same findings in
// the same order. A row the index cannot reason about (odd characters, a wildcard folder name, a
// trailing dot or blank that the file system strips) is searched in every folder. A row naming an
// entry of a subfolder is chosen by that subfolder's listing, which the walk then takes over
// instead of listing the subfolder again.
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "base/AnsiPath.h"
#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "scanner/FolderMacros.h"
#include "scanner/ScanEngine.h"
#include "scanner/ScanGlobals.h"

namespace scanner {
using base::UCase;

namespace {

// Upper case as base::UCase gives it; plain ASCII, the usual name, without the system call.
std::string Upper(const char* text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) return UCase(text);
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

std::string ExtensionKey(const std::string& upperName) {
    const size_t dot = upperName.rfind('.');
    return dot == std::string::npos ? std::string() : upperName.substr(dot + 1);
}

// A name pattern of the directory search, matched so that it accepts at least every name the
// file system's own matching accepts: "*" any run, "?" one character or none (the DOS rule lets
// it match nothing at the end or before a dot), a dot before a wildcard or at the end optional.
class Glob {
public:
    explicit Glob(std::string upperPattern) : p_(std::move(upperPattern)) {
        size_t j = 0;
        while (j < p_.size() && !Wild(j)) ++j;
        prefix_ = p_.substr(0, j);
        size_t k = p_.size();
        while (k > j && !Wild(k - 1)) --k;
        suffix_ = k > j ? p_.substr(k) : std::string();
        // The longest run of characters every match holds as they are.
        for (size_t a = 0; a < p_.size();) {
            if (Wild(a)) {
                ++a;
                continue;
            }
            size_t b = a;
            while (b < p_.size() && !Wild(b)) ++b;
            if (b - a > literal_.size()) literal_ = p_.substr(a, b - a);
            a = b;
        }
    }
    const std::string& Literal() const { return literal_; }

    bool Matches(const std::string& upperName) const {
        const size_t n = upperName.size(), m = p_.size();
        if (upperName.compare(0, prefix_.size(), prefix_) != 0) return false;
        if (n < suffix_.size() || upperName.compare(n - suffix_.size(), suffix_.size(), suffix_) != 0) return false;
        // can[j]: the pattern's first j characters can match the name's first i characters.
        thread_local std::vector<char> can, next;
        can.assign(m + 1, 0);
        next.assign(m + 1, 0);
        can[0] = 1;
        for (size_t j = 1; j <= m; ++j) can[j] = can[j - 1] && Optional(j - 1);
        for (size_t i = 1; i <= n; ++i) {
            next[0] = 0;
            for (size_t j = 1; j <= m; ++j) {
                const char pc = p_[j - 1];
                char v = 0;
                if (pc == '*')
                    v = next[j - 1] || can[j];
                else if (pc == '?')
                    v = can[j - 1] || next[j - 1];
                else {
                    v = can[j - 1] && pc == upperName[i - 1];
                    if (!v && Optional(j - 1)) v = next[j - 1];
                }
                next[j] = v;
            }
            std::swap(can, next);
        }
        return can[m] != 0;
    }

private:
    // Pattern characters that may match nothing.
    bool Optional(size_t j) const {
        const char c = p_[j];
        if (c == '*' || c == '?') return true;
        return c == '.' && (j + 1 == p_.size() || p_[j + 1] == '*' || p_[j + 1] == '?');
    }
    // Characters that do not stand for themselves alone.
    bool Wild(size_t j) const { return Optional(j); }
    std::string p_, prefix_, suffix_, literal_;
};

std::string ParentFolderName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool IsDirectory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool IsReparsePoint(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

}  // namespace

// One folder's entries as the file system listed them ("." and ".." left out), each by the name
// the program gives it (base::EntryName): in the ANSI code page, or by its short name where the
// code page cannot write it or its path would pass MAX_PATH.
struct ScanEngine::FileListing {
    struct Entry {
        std::string name;       // the name the entry's path is made of
        std::string shortName;  // upper-cased 8.3 name, "" when it has none
        std::string upper;      // upper-cased long name, or the short one where the long cannot be written
        DWORD attributes;
        bool foreignName;  // the long name is beyond the code page: only its short name can match
        // A subfolder's own listing, made ahead when the search of this folder needed it; the walk
        // takes it rather than listing the subfolder again.
        mutable std::shared_ptr<const FileListing> listing;
    };
    std::vector<Entry> entries;
    bool listed = false;
    DWORD error = 0;                      // why it was not listed
    std::vector<std::wstring> unreached;  // subfolders EntryName cannot name in this folder

    static FileListing Of(const std::string& folder) {
        FileListing l;
        WIN32_FIND_DATAW fd;
        base::FindHandle h(FindFirstFileW((base::WidePath(folder) + L"*.*").c_str(), &fd));
        if (!h) {
            l.error = GetLastError();
            return l;
        }
        l.listed = true;
        std::string name, longName, shortName;
        do {
            const wchar_t* n = fd.cFileName;
            if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
            bool byLong = false;
            if (!base::EntryName(fd, folder.size(), name, &byLong)) {
                if (IsDirectory(fd.dwFileAttributes) && !IsReparsePoint(fd.dwFileAttributes)) l.unreached.push_back(n);
                continue;
            }
            const bool exact = byLong || base::ExactAnsi(n, wcslen(n), longName);
            if (byLong) longName = name;
            shortName.clear();
            if (fd.cAlternateFileName[0])
                base::ExactAnsi(fd.cAlternateFileName, wcslen(fd.cAlternateFileName), shortName);
            l.entries.push_back({name, shortName.empty() ? std::string() : Upper(shortName.c_str()),
                                 Upper(exact ? longName.c_str() : name.c_str()), fd.dwFileAttributes, !exact, nullptr});
        } while (FindNextFileW(h.get(), &fd));
        return l;
    }
};

// Which rows of lstSearch can have a hit in a folder, by what the folder holds.
struct ScanEngine::FileMatchIndex {
    unsigned long long generation = 0;
    std::vector<int> everyFolder;                                     // searched in every folder
    std::unordered_map<std::string, std::vector<int>> fileByName;     // exact file names
    std::unordered_map<std::string, std::vector<int>> fileByExt;      // patterns ending in a fixed extension
    std::unordered_map<std::string, std::vector<int>> fileByTrigram;  // patterns holding three fixed letters
    std::unordered_map<char, std::vector<int>> fileByFirst;           // patterns starting with a fixed letter
    std::vector<int> fileOther;                                       // other patterns: tried on every file
    std::unordered_map<std::string, std::vector<int>> byFolderName;   // folder rows, rows deeper through a subfolder
    // Rows naming one entry of a subfolder ("sub\\name"), by the subfolder: matched against its listing.
    std::unordered_map<std::string, std::unique_ptr<FileMatchIndex>> throughFolder;
    std::vector<int> rows;  // every row added, in row order
    std::unordered_map<int, Glob> globs;
    std::vector<int> globRows;  // every pattern row

    void Build(const base::ListItems& rows) {
        generation = rows.Generation();
        for (int i = 1; i <= rows.Count(); ++i) Add(i, UCase(rows(i).Text), rows(i).SubItems(2));
    }

private:
    void Add(int row, const std::string& kind, const std::string& name) {
        const bool file = kind == "MALWARE FILE";
        if (!file && kind != "MALWARE FOLDER") return;  // the search does nothing with other kinds
        rows.push_back(row);
        const bool plain = !name.empty() && name.back() != '.' && name.back() != ' ' &&
                           std::none_of(name.begin(), name.end(), [](char c) {
                               return static_cast<unsigned char>(c) >= 0x80 || c < 0x20 || c == ':' || c == '"' ||
                                      c == '<' || c == '>' || c == '|';
                           });
        if (!plain) {
            everyFolder.push_back(row);
            return;
        }
        const std::string upper = Upper(name.c_str());
        const size_t sep = upper.find_first_of("\\/");
        if (sep != std::string::npos) {
            // Reached through a subfolder: only where an entry of that name is.
            const std::string first = upper.substr(0, sep);
            const std::string rest = upper.substr(sep + 1);
            if (first.empty() || first == "." || first == ".." || HasWildcard(first) || first.back() == '.' ||
                first.back() == ' ')
                everyFolder.push_back(row);
            else if (rest.empty() || rest.find_first_of("\\/") != std::string::npos)
                byFolderName[first].push_back(row);
            else {
                std::unique_ptr<FileMatchIndex>& sub = throughFolder[first];
                if (!sub) sub = std::make_unique<FileMatchIndex>();
                sub->Add(row, kind, rest);
            }
            return;
        }
        if (!file) {
            if (HasWildcard(upper))
                everyFolder.push_back(row);
            else
                byFolderName[upper].push_back(row);
            return;
        }
        if (!HasWildcard(upper)) {
            fileByName[upper].push_back(row);
            return;
        }
        const Glob& glob = globs.emplace(row, Glob(upper)).first->second;
        globRows.push_back(row);
        const std::string ext = ExtensionKey(upper);
        const size_t dot = upper.rfind('.');
        if (dot != std::string::npos && !ext.empty() && !HasWildcard(ext))
            fileByExt[ext].push_back(row);
        else if (glob.Literal().size() >= 3)
            fileByTrigram[glob.Literal().substr(0, 3)].push_back(row);
        else if (upper[0] != '*' && upper[0] != '?' && upper[0] != '.')
            fileByFirst[upper[0]].push_back(row);
        else
            fileOther.push_back(row);
    }

public:
    // The rows to search in the folder `folder` with these entries, in row order.
    std::vector<int> Candidates(const std::string& folder, const FileListing& listing) const {
        std::vector<int> out = everyFolder;
        auto take = [&](const std::vector<int>& rows) { out.insert(out.end(), rows.begin(), rows.end()); };
        auto byKey = [&](const auto& map, const auto& key) {
            const auto it = map.find(key);
            if (it != map.end()) take(it->second);
        };
        auto tryGlobs = [&](const std::vector<int>& rows, const FileListing::Entry& e) {
            for (int row : rows) {
                const Glob& g = globs.at(row);
                if (g.Matches(e.upper) || (!e.shortName.empty() && g.Matches(e.shortName))) out.push_back(row);
            }
        };
        auto globsByKey = [&](const auto& map, const auto& key, const FileListing::Entry& e) {
            const auto it = map.find(key);
            if (it != map.end()) tryGlobs(it->second, e);
        };
        for (const FileListing::Entry& e : listing.entries) {
            if (IsDirectory(e.attributes)) {
                byKey(byFolderName, e.upper);
                if (!e.shortName.empty()) byKey(byFolderName, e.shortName);
                if (throughFolder.empty()) continue;
                // Through a subfolder: only what its listing can hold. A path that reaches it by
                // its short name, or through a link, is left to the directory search.
                if (const auto it = throughFolder.find(e.upper); it != throughFolder.end()) {
                    if (IsReparsePoint(e.attributes)) {
                        take(it->second->rows);
                    } else {
                        if (!e.listing)
                            e.listing = std::make_shared<const FileListing>(FileListing::Of(folder + e.name + "\\"));
                        if (e.listing->listed)
                            take(it->second->Candidates(folder + e.name + "\\", *e.listing));
                        else
                            take(it->second->rows);
                    }
                }
                if (!e.shortName.empty())
                    if (const auto it = throughFolder.find(e.shortName); it != throughFolder.end())
                        take(it->second->rows);
                continue;
            }
            byKey(fileByName, e.upper);
            // A name beyond ASCII may hold characters of two bytes, which one "?" stands for: every
            // pattern is left to the directory search.
            // So may a name the code page cannot write, known here by its short name only.
            if (e.foreignName || std::any_of(e.upper.begin(), e.upper.end(),
                                             [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
                take(globRows);
                if (!e.shortName.empty()) byKey(fileByName, e.shortName);
                continue;
            }
            const std::string ext = ExtensionKey(e.upper);
            globsByKey(fileByExt, ext, e);
            if (!e.upper.empty()) globsByKey(fileByFirst, e.upper[0], e);
            auto trigrams = [&](const std::string& name) {
                for (size_t i = 0; i + 3 <= name.size(); ++i) globsByKey(fileByTrigram, name.substr(i, 3), e);
            };
            if (!fileByTrigram.empty()) trigrams(e.upper);
            if (!e.shortName.empty()) {
                byKey(fileByName, e.shortName);
                const std::string shortExt = ExtensionKey(e.shortName);
                if (shortExt != ext) globsByKey(fileByExt, shortExt, e);
                if (e.shortName[0] != e.upper[0]) globsByKey(fileByFirst, e.shortName[0], e);
                if (!fileByTrigram.empty()) trigrams(e.shortName);
            }
            if (!fileOther.empty()) tryGlobs(fileOther, e);
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }
};

void ScanEngine::CountFileProgress() {
    if (progress_) progress_->FileCounters(FilesSeen, FoldersSearched);
}

void ScanEngine::subShowFolderList(const std::string& sFolder) {
    if (!gb_scanRestoreFolder &&
        (UCase(sFolder) == UCase(gb_restoreFolder) || UCase(sFolder) == UCase(gb_restoreFolder + "\\")))
        return;
    WalkFolder(sFolder, FileListing::Of(sFolder));
}

void ScanEngine::WalkFolder(const std::string& sFolder, const FileListing& listing) {
    if (!gb_scanRestoreFolder &&
        (UCase(sFolder) == UCase(gb_restoreFolder) || UCase(sFolder) == UCase(gb_restoreFolder + "\\")))
        return;
    // A folder that is there and cannot be listed, and subfolders no path can name, are not clean:
    // they are counted and named.
    if (!listing.listed && listing.error != ERROR_FILE_NOT_FOUND && listing.error != ERROR_PATH_NOT_FOUND)
        UnreadFolder(sFolder, base::ErrorDescription(base::RuntimeErrorFromWin32(listing.error)));
    std::string current;
    base::TrapWith(
        [&] {
            for (const FileListing::Entry& e : listing.entries) {
                YieldToMessages();
                if (gb_scanAborted) return;
                current = e.name;
                if (!IsDirectory(e.attributes)) {
                    ++FilesSeen;
                    CountFileProgress();
                    continue;
                }
                // A junction or symbolic link may lead back up the tree: it is not followed. What
                // it points to is walked where it really is.
                if (IsReparsePoint(e.attributes)) continue;
                const std::string child = sFolder + e.name + "\\";
                ShowCurrentItem(child);
                YieldToMessages();
                if (useFileIndex) {
                    std::shared_ptr<const FileListing> childListing = std::move(e.listing);
                    if (!childListing) childListing = std::make_shared<const FileListing>(FileListing::Of(child));
                    SearchFolder(child, childListing.get());
                    WalkFolder(child, *childListing);
                } else {
                    subFileSearchPerDefinition(child);
                    subShowFolderList(child);
                }
            }
            // Subfolders no name fits in this folder's path: walked by the short form of their whole
            // path where that fits, else counted and named.
            for (const std::wstring& name : listing.unreached) {
                if (gb_scanAborted) return;
                const std::string child = base::ShortFolderPath(sFolder, name);
                if (child.empty()) {
                    std::string shown = sFolder;
                    for (wchar_t c : name) shown += c < 0x80 ? static_cast<char>(c) : '?';
                    UnreadFolder(
                        shown + "\\",
                        "no path the program can use names it (its name beyond the ANSI code page, or its path "
                        "too long, even by short names)");
                    continue;
                }
                current = child;
                ShowCurrentItem(child);
                if (useFileIndex) {
                    const FileListing childListing = FileListing::Of(child);
                    SearchFolder(child, &childListing);
                    WalkFolder(child, childListing);
                } else {
                    subFileSearchPerDefinition(child);
                    subShowFolderList(child);
                }
            }
        },
        [&] {
            return "Method: subShowFolderList, File Name: " + current + ", sFolder: " + sFolder +
                   ", sPath: " + sFolder + "*.*";
        });
}

void ScanEngine::subFileSearch(const std::string& sPath) {
    if (!useFileIndex) {
        subFileSearchPerDefinition(sPath);
        return;
    }
    const FileListing listing = FileListing::Of(sPath);
    SearchFolder(sPath, &listing);
}

void ScanEngine::subFileSearchPerDefinition(const std::string& sPath) { SearchFolder(sPath, nullptr); }

void ScanEngine::SearchFolder(const std::string& sPath, const FileListing* listing) {
    std::string lastRecorded;
    base::TrapWith(
        [&] {
            if (gb_fileGroupsLoaded && gb_advancedScanning && !DoWeSkipThisFolder(sPath)) searchFilesAdvanced(sPath);
            ++FoldersSearched;
            CountFileProgress();

            const base::ListItems& rows = lists.lstSearch.ListItems;
            if (!listing) {
                for (int i = 1; i <= rows.Count(); ++i) {
                    if (gb_scanAborted) return;
                    YieldToMessages();
                    SearchRow(sPath, i, lastRecorded);
                }
                return;
            }
            if (!listing->listed) {
                // Not listable, yet a named entry may still be reachable: ask for each one.
                for (int i = 1; i <= rows.Count(); ++i) {
                    if (gb_scanAborted) return;
                    YieldToMessages();
                    SearchRow(sPath, i, lastRecorded);
                }
                return;
            }
            if (!fileIndex_ || fileIndex_->generation != rows.Generation()) {
                auto index = std::make_shared<FileMatchIndex>();
                index->Build(rows);
                fileIndex_ = index;
            }
            const std::shared_ptr<FileMatchIndex> index = fileIndex_;  // recording may rebuild it
            for (int i : index->Candidates(sPath, *listing)) {
                if (gb_scanAborted) return;
                YieldToMessages();
                if (i > rows.Count()) break;
                SearchRow(sPath, i, lastRecorded);
            }
        },
        [&] { return "Method: subFileSearch, retFolderName: " + lastRecorded + ", sPath: " + sPath; });
}

// One definition in one folder, as the directory search answers it.
void ScanEngine::SearchRow(const std::string& sPath, int row, std::string& lastRecorded) {
    const base::ListItem& r = std::as_const(lists.lstSearch.ListItems)(row);
    const std::string name = r.SubItems(2);
    const std::string spy = r.SubItems(1);
    const std::string kind = UCase(r.Text);
    if (kind == "MALWARE FILE") {
        const std::string pattern = sPath + name;
        const std::string parent = ParentFolderName(pattern);
        // A find handle of its own: recording may search directories meanwhile. Wide, so that a
        // name the code page cannot write is found by its short name, never by a look-alike.
        WIN32_FIND_DATAW fd;
        base::FindHandle h(FindFirstFileW(base::WidePath(pattern).c_str(), &fd));
        if (!h) return;
        std::string entry;
        do {
            if (IsDirectory(fd.dwFileAttributes) || !base::EntryName(fd, parent.size() + 1, entry)) continue;
            const std::string full = parent + "\\" + entry;
            lastRecorded = full;
            AddSpytoListview("Malware File", full, spy, 3, full, "", "");
        } while (FindNextFileW(h.get(), &fd));
    } else if (kind == "MALWARE FOLDER") {
        if (!base::FolderExists(sPath + name)) return;
        const std::string folder = AbsolutePathName(sPath + name);
        lastRecorded = folder;
        AddSpytoListview("Malware Folder", folder, spy, 4, folder, "", "");
        FindFiles(folder, "*.*", spy);
    }
}

// ---- folder-tree nodes

void ScanEngine::scanThisFolder(const std::string& nodeFullPath) {
    std::string folder;
    const bool ok = base::Trap("scanThisFolder", [&] {
        const size_t p = nodeFullPath.find(':');
        // The drive node carries the letter, the colon and one more character ("Label (X:)").
        if (p == std::string::npos || p == 0 || p + 2 > nodeFullPath.size()) base::Raise(base::errInvalidProcedureCall);
        folder = nodeFullPath.substr(p - 1, 2) + nodeFullPath.substr(p + 2);
    });
    // A node path that names no drive would scan some other folder: nothing is scanned.
    if (!ok) return;
    subShowFolderList(folder + "\\");
    subFileSearch(folder + "\\");
}

bool ScanEngine::isNodeInSelectedFolders(const std::string& nodeFullPath) {
    for (size_t i = 2; i < selectedFolders.size(); ++i) {
        YieldToMessages();
        if (!selectedFolders[i].empty() && nodeFullPath.find(selectedFolders[i]) != std::string::npos) return true;
    }
    return false;
}

}  // namespace scanner
