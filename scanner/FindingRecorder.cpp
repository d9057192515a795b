// The one path by which a finding is recorded, the scan counters, and the look-ups in the
// results list.
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/Process.h"
#include "core/RegistryModule.h"
#include "core/SpecialFolders.h"
#include "core/modMain.h"
#include "results/frmResultBackup.h"
#include "scanner/ContextTrap.h"
#include "scanner/FolderMacros.h"
#include "scanner/TextRules.h"
#include "scanner/frmScanSpy.h"

using textrules::UCase;

namespace {
std::string ReportKey(const std::string& kind, const std::string& spyType, const std::string& spyItem) {
    return std::to_string(kind.size()) + ':' + kind + std::to_string(spyType.size()) + ':' + spyType + spyItem;
}

results::ResultsListView& Results() {
    // Touching the results list creates its window, as the list control it stands for would.
    if (!frmResultBackup.Loaded()) frmResultBackup.Load();
    return frmResultBackup.SpyListView;
}

// The extension as the scripting runtime gives it: the text after the last dot of the last part.
std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

void frmScanSpy::AddSpytoListview(const std::string& Key, const std::string& spyItem, const std::string& SpyType,
                                  int /*Img: callers pass a picture number by kind; the row shows none*/,
                                  const std::string& ItemToolTip, const std::string& ItemTag,
                                  const std::string& ItemReplace) {
    base::Trap("AddSpyToListView", [&] {
        // Each finding counts once while the window is loaded, however often the scan reports it.
        const bool firstReport = countedReports_.insert(ReportKey(Key, SpyType, spyItem)).second;

        if (ignoreList_.IsIgnored(modMain::FullPath_With_Filename(results::kIgnoreListFile), Key, spyItem)) {
            if (firstReport) {
                ++IgnoreComponentCount;
                CountReport(Key);  // found, and held back: "new" is found less ignored
            }
            UpdateScanMovieCounters();
            return;
        }

        results::ResultsListView& list = Results();
        if (list.FindRow(Key, SpyType, spyItem) == 0) {
            list.AddFinding(Key, SpyType, spyItem, ItemReplace, ItemToolTip, ItemTag, gb_markChecked || gb_autoRemove);
            if (firstReport) CountReport(Key);
            UpdateScanMovieCounters();
            if (textrules::EqualsNoCase(Key, "Malware File")) MalwareFileFollowUps(spyItem, SpyType);
            return;
        }
        // Already listed (by this scan or before it): no second row.
        if (firstReport) CountReport(Key);
        UpdateScanMovieCounters();
    });
}

void frmScanSpy::CountReport(const std::string& Key) {
    if (Key == "Malware RegKey" || Key == "Malware RegValue" || Key == "Malware RegData")
        ++RegCount;
    else if (Key == "Malware File" || Key == "Tracking Cookie" || Key == "Bad Hosts Entry")
        ++FileCount;
    else if (Key == "Malware Process")
        ++ProcCount;
    else if (Key == "Malware Folder")
        ++FolderCount;
    else
        modMain::WriteErrorLog("Unhandled Spy Type:" + Key);
}

void frmScanSpy::UpdateScanMovieCounters() {
    ComponentCount = RegCount + ProcCount + FolderCount + FileCount;
    NewComponentCount = ComponentCount - IgnoreComponentCount;
    countersPending_ = true;
    PaceDisplay();
}

void frmScanSpy::PushCounters() {
    lblProc.SetText(std::to_string(ProcCount));
    lblReg.SetText(std::to_string(RegCount));
    lblFolders.SetText(std::to_string(FolderCount));
    lblFiles.SetText(std::to_string(FileCount));
    txtRunningProc.SetText(std::to_string(RunningProcCount));
    txtIgnoreComponent.SetText(std::to_string(IgnoreComponentCount));
    txtComponent.SetText(std::to_string(ComponentCount));
    txtNewComponent.SetText(std::to_string(NewComponentCount));
    SetMovieVariable("_root.ScanMovie_ProcessesRunning", txtRunningProc.Text());
    SetMovieVariable("_root.ScanMovie_MIgnorList", txtIgnoreComponent.Text());
    SetMovieVariable("_root.ScanMovie_MFound", txtComponent.Text());
    SetMovieVariable("_root.ScanMovie_MNIgnorList", txtNewComponent.Text());
    SetMovieVariable("_root.ScanMovie_IFiles", lblFiles.Text());
    SetMovieVariable("_root.ScanMovie_IFolders", lblFolders.Text());
    SetMovieVariable("_root.ScanMovie_IMProcesses", lblProc.Text());
    SetMovieVariable("_root.ScanMovie_IRItems", lblReg.Text());
}

// ---- the follow-ups of a malware file

void frmScanSpy::MalwareFileFollowUps(const std::string& spyItem, const std::string& SpyType) {
    const HKEY hklm = HKEY_LOCAL_MACHINE;
    const std::string sharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    if (!RegistryModule::QueryRegString(hklm, sharedDlls, spyItem).empty())
        CheckRegistryValues(hklm, sharedDlls, 2, spyItem, SpyType);

    std::string slashed = spyItem;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    CheckRegistryKType("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Moduleusage\\" + slashed,
                       SpyType);

    const std::string ext = UCase(ExtensionOf(spyItem));
    if (ext != "EXE" && ext != "DLL") return;

    // A running copy of the file: the process of that name that runs now, when the process
    // table of the memory phase lists it under this very path. Without such a row nothing can
    // match, and the running processes need not be listed.
    const ui::ListItems& processes = Tasklist.ListItems;
    const std::string wanted = UCase(spyItem);
    bool listed = false;
    for (int i = 1; i <= processes.Count() && !listed; ++i) listed = UCase(processes(i).Text) == wanted;
    if (listed) {
        const DWORD pid = Process::GetProcessID(FileNameOf(spyItem), modMain::WindowsVer() == "Windows NT");
        if (pid != 0) {
            for (int i = 1; i <= processes.Count(); ++i) {
                const ui::ListItem& row = processes(i);
                if (row.SubItems(1) == std::to_string(pid) && UCase(row.Text) == wanted) {
                    AddSpytoListview("Malware Process", spyItem, SpyType, 9, std::to_string(pid), "", "");
                    break;
                }
            }
        }
    }

    const std::string run = "Software\\Microsoft\\Windows\\Currentversion\\";
    CheckRegistryValues(hklm, run + "Run", 2, spyItem, SpyType);
    CheckRegistryValues(hklm, run + "RunOnce", 2, spyItem, SpyType);
    CheckRegistryValues(hklm, run + "RunServices", 2, spyItem, SpyType);
    CheckRegistryValues(HKEY_CURRENT_USER, run + "Run", 2, spyItem, SpyType);
    CheckRegistryValues(HKEY_CURRENT_USER, run + "RunOnce", 2, spyItem, SpyType);

    // Windows 95, 98 and Me also start programs from win.ini; an entry that is exactly the file
    // is cleared.
    if (modMain::WindowsVer() != "Windows NT") {
        const std::string winIni = modMain::GetWinDir() + "\\win.ini";
        for (const char* key : {"Load", "Run"})
            if (modMain::GetPrivateStringValue("Windows", key, winIni) == spyItem)
                modMain::SetPrivateStringValue("Windows", key, winIni, "");
    }
}

// Placeholders: the registry walkers and key checks fill these in.
void frmScanSpy::CheckRegistryValues(HKEY root, const std::string& keyPath, int mode, const std::string& text,
                                     const std::string& SpyType) {
    if (PendingCallTrace)
        PendingCallTrace(std::string("CheckRegistryValues ") + (root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\") +
                         keyPath + " " + std::to_string(mode) + " " + text + " " + SpyType);
}

void frmScanSpy::CheckRegistryKType(const std::string& KeyName, const std::string& SpyType) {
    if (PendingCallTrace) PendingCallTrace("CheckRegistryKType " + KeyName + " " + SpyType);
}

// ---- look-ups in the results list

bool frmScanSpy::isSpyInResultList(const std::string& Key, const std::string& SpyType, const std::string& spyItem) {
    return Results().FindRow(Key, SpyType, spyItem) != 0;
}

void frmScanSpy::findFolderInList(const std::string& folder, const std::string& fileName, const std::string& SpyType) {
    int j = 0;
    scanner::TrapWith(
        [&] {
            const ui::ListItems& rows = Results().ListItems;
            const int count = rows.Count();
            if (count == 0) return;
            const std::string wanted = UCase(folder);
            for (j = 1; j <= count; ++j) {
                const std::string item = rows(j).SubItems(2);  // a copy: recording adds rows
                if (UCase(item).find(wanted) == std::string::npos) continue;
                std::string candidate = modMain::AddPathToFileName(item, fileName);
                if (UCase(candidate) != UCase(item)) checkIfFileExistsThenAddToSpyList(candidate, SpyType);
            }
            SetMousePointer(0);
        },
        [&] { return "J: " + std::to_string(j) + ", Method: findFolderInList"; });
}

bool frmScanSpy::findFolderInListExists(const std::string& folder) {
    int j = 0;
    bool found = false;
    const bool ok = scanner::TrapWith(
        [&] {
            const ui::ListItems& rows = Results().ListItems;
            const std::string wanted = UCase(folder);
            for (j = 1; j <= rows.Count(); ++j)
                if (UCase(rows(j).SubItems(2)).find(wanted) != std::string::npos) found = true;
            SetMousePointer(0);
        },
        [&] { return "J: " + std::to_string(j) + ", Method: findFolderInListExists"; });
    return ok && found;
}
