#include "results/Backups.h"

#include "base/Clock.h"
#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Wiring.h"
#include "results/RemoveSelected.h"

namespace results {
namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Deletes the folder and everything in it, read-only items included; junctions are removed,
// not followed.
void DeleteTree(const std::string& folder) {
    const DWORD attrs = GetFileAttributesA(folder.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    if (!(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA fd;
        base::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &fd));
        if (find) {
            do {
                const std::string name = fd.cFileName;
                if (name == "." || name == "..") continue;
                const std::string child = folder + "\\" + name;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    DeleteTree(child);
                } else {
                    SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    if (!DeleteFileA(child.c_str()))
                        throw base::RuntimeError(base::errPermissionDenied,
                                                 "The file " + child + " could not be deleted");
                }
            } while (FindNextFileA(find.get(), &fd));
        }
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryA(folder.c_str()))
        throw base::RuntimeError(base::errPathFileAccessError, "The folder " + folder + " could not be deleted");
}

long DayNumber(const SYSTEMTIME& t) {
    SYSTEMTIME d{};
    d.wYear = t.wYear, d.wMonth = t.wMonth, d.wDay = t.wDay;
    FILETIME ft;
    SystemTimeToFileTime(&d, &ft);
    const unsigned long long v = ft.dwLowDateTime | (unsigned long long)ft.dwHighDateTime << 32;
    return (long)(v / (10000000ull * 86400));
}

}  // namespace

bool IsPlainFolderName(const std::string& name) {
    if (name.empty() || name.find_first_not_of('.') == std::string::npos) return false;
    return name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

std::string BackupNameFrom(const std::string& typed, const SYSTEMTIME& now) {
    std::string name = typed.empty() ? base::ShortDateText(now) + "_" + base::TimeText(now) : typed;
    for (char& c : name)
        if (c == '/' || c == ':' || c == ' ' || c == '\\' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
            c == '|' || (unsigned char)c < 32)
            c = '-';
    // Trailing dots would vanish from a folder name.
    while (!name.empty() && name.back() == '.') name.back() = '-';
    if (!IsPlainFolderName(name)) return {};
    return name;
}

std::string FreeBackupName(const std::string& root, const std::string& name) {
    if (!IsPlainFolderName(name)) return {};
    if (!Exists(root + "\\" + name)) return name;
    if (!Exists(root + "\\" + name + "-")) return name + "-";
    for (int i = 2; i < 100; ++i) {
        const std::string candidate = name + "-" + std::to_string(i);
        if (!Exists(root + "\\" + candidate)) return candidate;
    }
    return {};
}

backup::Selection SelectionOfChecked(const FindingList& list, const std::string& hostsFile) {
    backup::Selection sel;
    bool hosts = false;
    const base::ListItems& rows = list.Rows();
    for (int i = 1; i <= rows.Count(); ++i) {
        const base::ListItem& r = rows(i);
        if (!r.Checked) continue;
        if (r.Text == "Malware Folder" || r.Text == "Malware File" || r.Text == "Tracking Cookie") {
            sel.paths.push_back(r.SubItems(2));
        } else if (r.Text == "Malware RegKey" || r.Text == "Malware RegValue" || r.Text == "Malware RegData") {
            sel.registryKeys.push_back(r.ToolTipText);
        } else if (r.Text == "Bad Hosts Entry" && !hosts) {
            hosts = true;
            sel.paths.push_back(hostsFile);
        }
    }
    return sel;
}

std::optional<std::string> BackupSelectedSpy(const FindingList& list, BackupView& view, const std::string& root,
                                             const std::string& hostsFile) {
    const std::optional<std::string> typed = view.AskBackupName();
    if (!typed) return std::nullopt;
    std::optional<std::string> made;
    std::string folder;
    bool folderMade = false;
    const bool ok = base::Trap("BackupSelectedSpy", [&] {
        const std::string name = FreeBackupName(root, BackupNameFrom(*typed, base::Now()));
        if (name.empty()) throw base::RuntimeError(base::errBadFileName, "The backup name cannot name a folder");
        if (!Exists(root) && !CreateDirectoryA(root.c_str(), nullptr))
            throw base::RuntimeError(base::errPathNotFound, "The backup folder " + root + " could not be made");
        folder = root + "\\" + name;
        if (!CreateDirectoryA(folder.c_str(), nullptr))
            throw base::RuntimeError(base::errPathFileAccessError, "The folder " + folder + " could not be made");
        folderMade = true;
        view.PumpMessages();
        view.SetHourglass(true);
        backup::WriteBackup(folder, kBackupPassPhrase, SelectionOfChecked(list, hostsFile));
        made = folder;
    });
    base::Trap("BackupSelectedSpy", [&] { view.SetHourglass(false); });
    if (!ok && folderMade) RemoveDirectoryA(folder.c_str());  // empty: the archive was never put in place
    base::Trap("BackupSelectedSpy", [&] {
        view.ShowMessage(ok ? wiring::GetMessage("1107", "The backup has been created successfully.")
                            : std::string("The backup could not be created. Nothing was removed."));
    });
    return made;
}

void FillBackupList(const std::string& root, bool ageOut, int days, const SYSTEMTIME& today,
                    std::vector<BackupRow>& rows) {
    rows.clear();
    WIN32_FIND_DATAA fd;
    base::FindHandle find(FindFirstFileA((root + "\\*").c_str(), &fd));
    if (!find) return;  // no root yet: no backups
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == ".." || !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        FILETIME local;
        SYSTEMTIME st;
        FileTimeToLocalFileTime(&fd.ftLastWriteTime, &local);
        FileTimeToSystemTime(&local, &st);
        if (ageOut && DayNumber(today) - DayNumber(st) >= days) {
            DeleteTree(root + "\\" + name);
            continue;
        }
        const bool midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
        rows.push_back({base::ShortDateText(st) + (midnight ? "" : " " + base::TimeText(st)), name});
    } while (FindNextFileA(find.get(), &fd));
}

std::string BackupListString(const std::vector<BackupRow>& rows) {
    std::string s;
    for (const BackupRow& r : rows) s += r.dateText + "|" + r.name + "|";
    return s;
}

void DeleteBackup(const std::string& root, const std::string& name) {
    if (!IsPlainFolderName(name)) throw base::RuntimeError(base::errBadFileName, "Not a backup name: " + name);
    DeleteTree(root + "\\" + name);
}

void RestoreBackup(const std::string& root, const std::string& name) {
    if (!IsPlainFolderName(name)) throw base::RuntimeError(base::errBadFileName, "Not a backup name: " + name);
    backup::RestoreOptions options;
    options.replacingRegKey = [](const std::string&) { return true; };
    // What the restore put back is the program's own change: no guard reports or undoes it.
    options.restored = [](const backup::Entry& e) {
        if (e.kind == backup::EntryKind::File) return wiring::NoteOwnFileChange(e.path);
        if (e.kind == backup::EntryKind::Folder) return;
        std::string keyPath;
        const HKEY root = RootOfRegistryPath(e.path, keyPath);
        if (!root) return;
        if (e.kind == backup::EntryKind::RegKey)
            wiring::NoteOwnKeyChange(root, keyPath);
        else
            wiring::NoteOwnValueChange(root, keyPath, e.name);
    };
    backup::Restore(root + "\\" + name, kBackupPassPhrase, options);
}

}  // namespace results
