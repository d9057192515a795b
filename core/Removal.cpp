#include "core/Removal.h"

#include <windows.h>
// shellapi.h needs the types of windows.h
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "base/ErrorLog.h"
#include "base/FolderWalk.h"
#include "base/Handles.h"
#include "base/Launch.h"
#include "base/OsVersion.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/AtomicFile.h"
#include "core/CRegister.h"
#include "core/Globals.h"
#include "core/Process.h"
#include "core/SpecialFolders.h"
#include "core/modMain.h"

namespace modMain {
namespace {

Launcher g_launcher;

bool IsNtFamily() { return osversion::IsNtFamilyName(gb_osName); }

std::string FileNamePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A step of a removal primitive that failed: the run's failure flag, one log entry with the
// primitive's own trailer, and the caller goes on with its next step.
struct StepLog {
    const char* method;
    const char* label;
    void Fail(long number, const std::string& description, const std::string& item) const {
        gb_removalFailed = true;
        WriteErrorLog(base::ErrorLogLine(description, number, base::MethodTail(method) + ", " + label + ": " + item));
    }
    void FailWin32(DWORD err, const std::string& item) const {
        long number = base::RuntimeErrorFromWin32(err == 0 ? ERROR_ACCESS_DENIED : err);
        Fail(number, base::ErrorDescription(number), item);
    }
    void FailCurrent(const std::string& item) const {
        try {
            throw;
        } catch (const base::RuntimeError& e) {
            Fail(e.number(), e.description(), item);
        } catch (...) {
            Fail(base::errInvalidProcedureCall, base::ErrorDescription(base::errInvalidProcedureCall), item);
        }
    }
};

enum class Presence { Gone, Present, Unknown };

Presence Probe(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Presence::Present;
    DWORD err = GetLastError();
    return (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) ? Presence::Gone : Presence::Unknown;
}

bool IsGoneError(DWORD err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

// Deletes a folder with everything in it, read-only items included; goes on past items that
// resist and returns the first error (0 when all went).
DWORD ForceDeleteTree(const std::string& folder) {
    DWORD first = 0;
    auto note = [&](DWORD err) {
        if (first == 0 && !IsGoneError(err)) first = err == 0 ? ERROR_ACCESS_DENIED : err;
    };
    base::ForEachEntry(folder, [&](const WIN32_FIND_DATAA& fd, const std::string& child) {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (base::IsRealSubfolder(fd)) {
            if (DWORD err = ForceDeleteTree(child)) note(err);
        } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!RemoveDirectoryA(child.c_str())) note(GetLastError());  // a junction: the link only
        } else if (!DeleteFileA(child.c_str())) {
            note(GetLastError());
        }
    });
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryA(folder.c_str())) note(GetLastError());
    return first;
}

// What is left of a folder, deepest first, then the folder itself: a restart can remove a
// folder only once it is empty.
void CollectLeftovers(const std::string& folder, std::vector<std::string>& out) {
    base::ForEachEntry(folder, [&](const WIN32_FIND_DATAA& fd, const std::string& child) {
        if (base::IsRealSubfolder(fd))
            CollectLeftovers(child, out);
        else
            out.push_back(child);
    });
    out.push_back(folder);
}

std::string ShortOrSame(const std::string& path) {
    std::string s = getShortNameOfString(path);
    return s.empty() ? path : s;
}

bool SamePath(const std::string& a, const std::string& b) {
    if (base::UCase(a) == base::UCase(b)) return true;
    std::string sa = getShortNameOfString(a), sb = getShortNameOfString(b);
    return !sa.empty() && base::UCase(sa) == base::UCase(sb);
}

// Ends every running process started from this very file (not merely one of the same name),
// and waits a little for it to let go of the file.
void EndProcessesRunning(const std::string& file) {
    std::vector<std::string> names;
    std::vector<DWORD> ids;
    const bool psapi = IsNtFamily();
    long n = Process::GetProcessList(names, ids, "", psapi);
    const std::string wanted = base::UCase(FileNamePart(file));
    const std::string wantedShort = base::UCase(FileNamePart(ShortOrSame(file)));
    for (long i = 0; i < n; ++i) {
        const std::string name = base::UCase(FileNamePart(names[i]));
        if (name != wanted && name != wantedShort) continue;
        // The snapshot of the Windows 95 family already names the full path.
        std::string image = names[i].find('\\') != std::string::npos ? names[i] : Process::GetProcessImagePath(ids[i]);
        if (image.empty() || !SamePath(image, file)) continue;
        base::Handle waitable(OpenProcess(SYNCHRONIZE, FALSE, ids[i]));
        if (Process::EndProcess(ids[i]) && waitable) WaitForSingleObject(waitable.get(), 5000);
    }
}

void RunUnregister(const std::string& commandLine) {
    // Unregistering must be done before the file goes, but a hanging library may not hold
    // the removal up for long.
    base::Launch(commandLine, 10000, SW_SHOWNOACTIVATE);
}

bool IsLibrary(const std::string& path) {
    const std::string up = base::UCase(FileNamePart(path));
    auto endsWith = [&](const char* ext) { return up.size() > 4 && up.compare(up.size() - 4, 4, ext) == 0; };
    return endsWith(".DLL") || endsWith(".OCX");
}

std::string WinInitPath() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetEnvironmentVariableA("WinDir", buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) base::Raise(base::errPathNotFound);
    return std::string(buf, n) + "\\WinInit.ini";
}

}  // namespace

void SetUnregisterLauncher(Launcher launcher) { g_launcher = std::move(launcher); }

bool deleteSpyFolder(const std::string& folder) {
    const StepLog log{"deleteSpyFolder", "spyFolderName"};
    if (DWORD err = ForceDeleteTree(folder)) log.FailWin32(err, folder);

    Presence after = Probe(folder);
    if (after == Presence::Gone) return true;
    if (after == Presence::Unknown) {
        // Unsure whether it is there: schedule nothing and report the failure.
        log.FailWin32(GetLastError(), folder);
        return false;
    }
    if (!gb_deleteAfterReboot) return false;

    std::vector<std::string> leftovers;
    CollectLeftovers(folder, leftovers);
    for (const std::string& item : leftovers) {
        if (IsNtFamily()) {
            if (!MoveFileExA(item.c_str(), nullptr, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT))
                log.FailWin32(GetLastError(), folder);
        } else {
            DestroyOnReboot(item);
        }
    }
    return false;
}

bool deleteSpyCFType(const std::string& file) {
    const StepLog log{"deleteSpyCFType", "Spy Folder or File Name"};
    std::string path = file;

    if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) && !IsGoneError(GetLastError()))
        log.FailWin32(GetLastError(), path);

    if (IsLibrary(path)) {
        const std::string command = "regsvr32.exe /U /s \"" + path + "\"";
        try {
            if (g_launcher)
                g_launcher(command);
            else
                RunUnregister(command);
        } catch (...) {
            log.FailCurrent(path);
        }
    }

    if (!DeleteFileA(path.c_str()) && !IsGoneError(GetLastError())) log.FailWin32(GetLastError(), path);
    Presence p = Probe(path);
    if (p == Presence::Gone) return true;
    if (p == Presence::Unknown) {
        log.FailWin32(GetLastError(), path);
        return false;
    }

    path = ShortOrSame(path);
    try {
        // Matched by the long name too: a running program is listed under it.
        EndProcessesRunning(file);
    } catch (...) {
        log.FailCurrent(path);
    }
    // The ended program may have been what held the file.
    if (!DeleteFileA(path.c_str()) && !IsGoneError(GetLastError())) log.FailWin32(GetLastError(), path);

    p = Probe(path);
    if (p == Presence::Present) {
        if (IsNtFamily()) {
            // Deleted at restart, not moved somewhere to stay.
            if (!MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) log.FailWin32(GetLastError(), path);
        } else {
            DestroyOnReboot(path);
        }
        p = Probe(path);
    }
    if (p == Presence::Unknown) log.FailWin32(GetLastError(), path);
    return p == Presence::Gone;
}

void DestroyOnReboot(const std::string& path) {
    base::Trap("DestroyOnReboot", [&] {
        const std::string shortPath = ShortOrSame(path);
        const DWORD attributes = GetFileAttributesA(shortPath.c_str());
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        const std::string entry = std::string(folder ? "DIRNUL=" : "NUL=") + shortPath + "\r\n";
        const std::string ini = WinInitPath();

        std::string content;
        if (base::FileExists(ini)) {
            // All of it, however long: the file keeps every operation it already holds.
            content = base::ReadWhole(ini);
            if (!content.empty() && (content.size() < 2 || content.compare(content.size() - 2, 2, "\r\n") != 0))
                content += "\r\n";
            // An entry outside the section would be ignored at restart.
            if (base::UCase(content).find("[RENAME]") == std::string::npos) content += "[Rename]\r\n";
        } else {
            content = "[Rename]\r\n";
        }
        ReplaceFileContent(ini, content + entry);
    });
}

void OpenIt(const std::string& target) {
    base::Trap("OpenIt", [&] {
        HINSTANCE h = ShellExecuteA(nullptr, "Open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        INT_PTR code = reinterpret_cast<INT_PTR>(h);
        if (code <= 32) base::RaiseWin32(code == 0 ? ERROR_NOT_ENOUGH_MEMORY : static_cast<DWORD>(code));
    });
}

void DoStartUpSpyware(const std::string& command) {
    base::Trap("DoStartUpSpyware", [&] {
        CRegister reg;
        reg.REGSaveSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, command);
    });
}

void DoNotStartUpSpyware() {
    base::Trap("DoNotStartUpSpyware", [&] {
        CRegister reg;
        reg.REGDeleteSetting(HKEY_CURRENT_USER, kRunKey, kRunValue);
    });
}

}  // namespace modMain
