#include "results/RemoveSelected.h"

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "base/ErrorLog.h"
#include "base/Handles.h"
#include "base/Launch.h"
#include "base/OsVersion.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/HostsFile.h"
#include "core/IniFiles.h"
#include "core/Process.h"
#include "core/REG32.h"
#include "core/RegistryModule.h"
#include "core/Removal.h"
#include "core/SpecialFolders.h"
#include "core/Statistics.h"
#include "core/Wiring.h"
#include "core/modMain.h"

namespace results {
namespace {

RegEditRunner& Runner() {
    static RegEditRunner runner;
    return runner;
}

bool KeyOpens(HKEY root, const std::string& keyPath) {
    return static_cast<bool>(REG32::RegOpenKeyQuery(root, keyPath));
}

bool ValuePresent(HKEY root, const std::string& keyPath, const std::string& value) {
    base::RegKey key = REG32::RegOpenKeyQuery(root, keyPath);
    if (!key) return false;
    const LONG rc = RegQueryValueExA(key.get(), value.c_str(), nullptr, nullptr, nullptr, nullptr);
    return rc != ERROR_FILE_NOT_FOUND;
}

bool IsFullPath(const std::string& p) {
    return (p.size() > 2 && p[1] == ':' && p[2] == '\\') || (p.size() > 2 && p[0] == '\\' && p[1] == '\\');
}

// A full path below a drive or share root: never a relative path (it would resolve against the
// current folder) and never a drive root itself.
bool IsRemovablePath(const std::string& p) {
    if (!IsFullPath(p)) return false;
    const size_t rest = p[0] == '\\' ? p.find('\\', p.find('\\', 2) + 1) : 2;
    if (rest == std::string::npos) return false;
    return p.find_first_not_of("\\", rest) != std::string::npos;
}

// One line of the warning for a row that stayed: its kind and what it names (a registry row its
// key or value in full).
std::string NotRemovedLine(const base::ListItem& r) {
    std::string where = r.SubItems(2);
    if (r.Text == "Malware RegKey")
        where = r.ToolTipText;
    else if (r.Text == "Malware RegValue" || r.Text == "Malware RegData")
        where = r.ToolTipText + "\\" + r.SubItems(2);
    else if (r.Text == "Bad Hosts Entry")
        where = r.SubItems(1) + " " + r.SubItems(2);
    return r.Text + ": " + where;
}

// A decimal process id and nothing else (blanks around it allowed).
bool ParseProcessId(const std::string& text, DWORD& id) {
    const std::string t = base::Trim(text);
    if (t.empty() || t.size() > 10) return false;
    unsigned long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v == 0 || v > 0xFFFFFFFFull) return false;
    id = static_cast<DWORD>(v);
    return true;
}

std::string TempFolder() {
    if (!gb_tempFolder.empty()) return gb_tempFolder;
    char buf[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof buf, buf);
    std::string t(buf, n < sizeof buf ? n : 0);
    while (!t.empty() && t.back() == '\\') t.pop_back();
    return t;
}

std::string WindowsFolder() {
    if (!gb_windowsFolder.empty()) return gb_windowsFolder;
    char buf[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return std::string(buf, n < sizeof buf ? n : 0);
}

enum class Outcome { Removed, Failed, FailedQuietly };

}  // namespace

bool EndProcessByImage(DWORD processId, const std::string& imagePath) {
    if (!IsFullPath(imagePath)) return false;
    // The image is read now, just before the end: an id the row kept from an earlier scan may
    // belong to another program by now.
    const std::string running = Process::GetProcessImagePath(processId);
    if (running.empty() || !base::EqualsNoCase(running, imagePath)) return false;
    return Process::EndProcess(processId);
}

void ClearWinIniStartEntries(const std::string& file) {
    if (osversion::CurrentFamily() != osversion::Family::Win9x) return;
    base::Trap("ClearWinIniStartEntries", [&] {
        const std::string winIni = modMain::GetWinDir() + "\\win.ini";
        for (const char* key : {"Load", "Run"}) {
            if (!base::EqualsNoCase(modMain::GetPrivateStringValue("Windows", key, winIni), file)) continue;
            modMain::SetPrivateStringValue("Windows", key, winIni, "");
            modMain::WriteErrorLog(std::string("Cleared win.ini ") + key + "=" + file);
        }
    });
}

RemovalActions DefaultRemovalActions() {
    RemovalActions a;
    a.clearWinIniStart = ClearWinIniStartEntries;
    a.endProcess = EndProcessByImage;
    a.deleteFile = [](const std::string& f) { return modMain::deleteSpyCFType(f); };
    a.deleteFolder = [](const std::string& f) { return modMain::deleteSpyFolder(f); };
    a.deleteKey = [](HKEY root, const std::string& k) {
        RegistryModule::DeleteKey(root, k);
        return !KeyOpens(root, k);
    };
    a.deleteValue = [](HKEY root, const std::string& k, const std::string& v) {
        RegistryModule::DeleteValue(root, k, v);
        return !ValuePresent(root, k, v);
    };
    a.setString = [](HKEY root, const std::string& k, const std::string& v, const std::string& text) {
        return REG32::RegSetString(root, k, v, text);
    };
    a.deleteHostsEntry = [](const std::string& host, const std::string& ip) {
        return modMain::DeleteHostsEntry(host, ip);
    };
    return a;
}

HKEY RootOfRegistryPath(const std::string& fullPath, std::string& keyPath) {
    const size_t slash = fullPath.find('\\');
    const std::string root = fullPath.substr(0, slash);
    keyPath = slash == std::string::npos ? std::string() : fullPath.substr(slash + 1);
    if (root == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (root == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (root == "HKEY_USERS") return HKEY_USERS;
    return nullptr;
}

void SetRegEditRunner(RegEditRunner runner) { Runner() = std::move(runner); }

bool RunRegEditAndWait(const std::string& commandLine) {
    if (Runner()) return Runner()(commandLine);
    const base::Launched run = base::Launch(commandLine, 120000, SW_SHOWNOACTIVATE);
    if (!run.started) throw base::RuntimeError(base::errFileNotFound, "The registry editor could not be started");
    if (!run.finished) throw base::RuntimeError(base::errPathFileAccessError, "The registry editor did not finish");
    return true;
}

std::string RegistryDeleteScript(const FindingList& list) {
    std::string text = "REGEDIT4\r\n";
    const base::ListItems& rows = list.Rows();
    for (int i = 1; i <= rows.Count(); ++i) {
        const base::ListItem& r = rows(i);
        if (!r.Checked || base::UCase(r.Text) != "MALWARE REGKEY") continue;
        std::string keyPath;
        const HKEY root = RootOfRegistryPath(r.ToolTipText, keyPath);
        // A root alone would delete a whole hive.
        if (!root || base::Trim(keyPath).empty() || r.ToolTipText.find_first_of("\r\n]") != std::string::npos) continue;
        if (!KeyOpens(root, keyPath)) continue;
        text += "\r\n[-" + r.ToolTipText + "]\r\n\r\n";
    }
    return text;
}

std::string CreateRegistryDeleteFile(const FindingList& list) {
    static std::atomic<unsigned> counter{0};
    std::string path;
    base::Trap("CreateRegistryDeleteFile", [&] {
        const std::string text = RegistryDeleteScript(list);
        const std::string folder = TempFolder();
        for (int attempt = 0; attempt < 16 && path.empty(); ++attempt) {
            const std::string candidate = folder + "\\clean-" + std::to_string(GetCurrentProcessId()) + "-" +
                                          std::to_string(GetTickCount()) + "-" + std::to_string(counter++) + ".reg";
            // CREATE_NEW: never write into a file (or a link) someone else put there.
            base::FileHandle f(CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_TEMPORARY, nullptr));
            if (!f) {
                if (GetLastError() == ERROR_FILE_EXISTS) continue;
                throw base::RuntimeError(base::errPathFileAccessError);
            }
            DWORD written = 0;
            if (!WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
                written != text.size()) {
                f = base::FileHandle();
                DeleteFileA(candidate.c_str());
                throw base::RuntimeError(base::errDeviceIoError);
            }
            path = candidate;
        }
        if (path.empty()) throw base::RuntimeError(base::errFileAlreadyExists);
    });
    return path;
}

std::string RegEditCommand(const std::string& scriptPath) {
    char buf[256] = {};
    const DWORD n = GetShortPathNameA(scriptPath.c_str(), buf, sizeof buf);
    std::string shortPath = (n > 0 && n < sizeof buf) ? base::Trim(std::string(buf, n)) : scriptPath;
    // regedit imports a script on every family; RegEdt32 of NT 4 and 2000 does not.
    return WindowsFolder() + "\\regedit.exe /s \"" + shortPath + "\"";
}

bool launchRegEditDelete(const std::string& scriptPath) {
    if (scriptPath.empty()) return false;
    std::string command;
    const bool ok = base::TrapWith(
        [&] {
            command = RegEditCommand(scriptPath);
            if (!RunRegEditAndWait(command))
                throw base::RuntimeError(base::errPathFileAccessError, "The registry editor failed");
        },
        [&] {
            return "regeditFileName: " + scriptPath + ", regeditFileLocation: " + command + ", " +
                   base::MethodTail("launchRegEditDelete");
        });
    DeleteFileA(scriptPath.c_str());
    return ok;
}

void RemoveSelectedSpy(FindingList& list, RemovalView& view, const RemovalActions& actions) {
    base::ListItems& rows = list.Rows();
    gb_totalSpywareFound = rows.Count();
    gb_totalSpyFilesRemoved = gb_totalSpyFoldersRemoved = gb_totalSpyRegistryKeysRemoved = 0;
    gb_totalSpyCookiesRemoved = gb_totalSpyMemProcessRemoved = 0;
    if (rows.Count() == 0) return;

    const std::string script = CreateRegistryDeleteFile(list);
    base::Trap("RemoveSelectedSpy", [&] {
        view.PumpMessages();
        view.SetHourglass(true);
    });

    const long total = rows.Count();
    long progress = 0;
    std::set<std::string> keysLeft;  // full paths of key rows that stayed; the editor may still take them
    // What failed, in the order met: the row's kind and full path, and its line of the warning.
    struct Stayed {
        std::string kind, path, line;
    };
    std::vector<Stayed> stayed;

    // One pass: every checked row of its kinds gets its action. After a removal the walk goes
    // on at the same index: the rows before it were all visited and none of them can change,
    // so this removes what a restart from row 1 removes; the progress still counts the visits
    // a restart would make.
    auto pass = [&](auto matches, auto act) {
        int i = 1;
        while (i <= rows.Count()) {
            if (progress < total) view.ShowProgress(++progress);
            base::ListItem& row = rows(i);
            if (!row.Checked || !matches(row.Text)) {
                ++i;
                continue;
            }
            Outcome o = Outcome::Failed;
            const std::string kindText = row.Text;
            base::TrapWith([&] { o = act(row); },
                           [&] {
                               return "I: " + std::to_string(i) + ", SpyType: " + row.SubItems(1) + ", " +
                                      base::MethodTail("RemoveSelectedSpy");
                           });
            if (o == Outcome::Removed) {
                rows.Remove(i);
                progress = std::min(total, progress + (i - 1));
                continue;
            }
            rows(i).Checked = false;
            if (o == Outcome::Failed) {
                gb_removalFailed = true;
                stayed.push_back({row.Text, row.ToolTipText, NotRemovedLine(row)});
            }
            ++i;
        }
    };

    pass([](const std::string& t) { return t == "Malware Process"; },
         [&](base::ListItem& r) {
             DWORD id = 0;
             if (!ParseProcessId(r.ToolTipText, id) || !actions.endProcess(id, r.SubItems(2)))
                 return Outcome::FailedQuietly;
             ++gb_totalSpyMemProcessRemoved;
             return Outcome::Removed;
         });
    pass([](const std::string& t) { return t == "Malware File" || t == "Tracking Cookie"; },
         [&](base::ListItem& r) {
             if (!IsRemovablePath(r.SubItems(2))) return Outcome::Failed;
             const bool deleted = actions.deleteFile(r.SubItems(2));
             wiring::NoteOwnFileChange(r.SubItems(2));
             if (!deleted) return Outcome::Failed;
             if (r.Text == "Malware File" && actions.clearWinIniStart) actions.clearWinIniStart(r.SubItems(2));
             ++(r.Text == "Malware File" ? gb_totalSpyFilesRemoved : gb_totalSpyCookiesRemoved);
             return Outcome::Removed;
         });
    pass([](const std::string& t) { return t == "Malware Folder"; },
         [&](base::ListItem& r) {
             if (!IsRemovablePath(r.SubItems(2)) || !actions.deleteFolder(r.SubItems(2))) return Outcome::Failed;
             ++gb_totalSpyFoldersRemoved;
             return Outcome::Removed;
         });
    pass(
        [](const std::string& t) { return t == "Malware RegKey" || t == "Malware RegValue" || t == "Malware RegData"; },
        [&](base::ListItem& r) {
            std::string keyPath;
            const HKEY root = RootOfRegistryPath(r.ToolTipText, keyPath);
            if (!root) return Outcome::Failed;
            const std::string kind = base::UCase(r.Text);
            bool done = false;
            if (kind == "MALWARE REGKEY") {
                // The key is the row's full path; an empty path would be the root itself.
                if (base::Trim(keyPath).empty()) return Outcome::Failed;
                done = actions.deleteKey(root, keyPath);
                if (!done) keysLeft.insert(r.ToolTipText);
            } else if (kind == "MALWARE REGVALUE") {
                done = actions.deleteValue(root, keyPath, r.SubItems(2));
            } else {
                done = actions.setString(root, keyPath, r.SubItems(2), r.SubItems(3));
            }
            if (kind == "MALWARE REGKEY")
                wiring::NoteOwnKeyChange(root, keyPath);
            else
                wiring::NoteOwnValueChange(root, keyPath, r.SubItems(2));
            if (!done) return Outcome::Failed;
            ++gb_totalSpyRegistryKeysRemoved;
            return Outcome::Removed;
        });
    pass([](const std::string& t) { return t == "Bad Hosts Entry"; },
         [&](base::ListItem& r) {
             if (!actions.deleteHostsEntry(r.SubItems(2), r.SubItems(1))) return Outcome::FailedQuietly;
             ++gb_totalSpyFilesRemoved;
             return Outcome::Removed;
         });

    launchRegEditDelete(script);

    // Keys the direct deletion left and the editor took after all are removed now.
    if (!keysLeft.empty()) {
        base::Trap("RemoveSelectedSpy", [&] {
            for (int i = rows.Count(); i >= 1; --i) {
                const base::ListItem& r = rows(i);
                if (r.Text != "Malware RegKey" || !keysLeft.count(r.ToolTipText)) continue;
                std::string keyPath;
                const HKEY root = RootOfRegistryPath(r.ToolTipText, keyPath);
                if (root && !KeyOpens(root, keyPath)) {
                    wiring::NoteOwnKeyChange(root, keyPath);
                    std::erase_if(stayed, [&](const Stayed& s) { return s.kind == r.Text && s.path == r.ToolTipText; });
                    rows.Remove(i);
                    ++gb_totalSpyRegistryKeysRemoved;
                }
            }
        });
    }

    // Only what is still there is named; nothing stayed, nothing to warn about.
    if (!stayed.empty() && !gb_autoRemove) {
        base::Trap("RemoveSelectedSpy", [&] {
            std::string names;
            for (const Stayed& s : stayed) names += s.line + "\r\n";
            view.WarnNotRemoved(
                wiring::GetMessage("1102", "Warning! Some component(s) could not be deleted or unloaded:") + " \r\n" +
                names + wiring::GetMessage("1103", "Please reboot your system, then run Corvane again."));
        });
    }
    base::Trap("RemoveSelectedSpy", [&] {
        view.PumpMessages();
        view.SetHourglass(false);
    });
    base::Trap("RemoveSelectedSpy", [&] {
        long removed = gb_totalSpyFilesRemoved + gb_totalSpyFoldersRemoved + gb_totalSpyRegistryKeysRemoved +
                       gb_totalSpyCookiesRemoved + gb_totalSpyMemProcessRemoved;
        modMain::setNumberOfObjectsRemoved(removed);
    });
}

}  // namespace results
