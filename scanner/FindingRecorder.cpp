// The one path by which a finding is recorded, the scan counters, and the look-ups in the
// results list.
#include <utility>

#include "base/OsVersion.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Process.h"
#include "core/RegistryModule.h"
#include "core/SpecialFolders.h"
#include "core/modMain.h"
#include "scanner/FolderMacros.h"
#include "scanner/ScanEngine.h"

using base::UCase;

namespace scanner {

namespace {
std::string ReportKey(const std::string& kind, const std::string& spyType, const std::string& spyItem) {
    return std::to_string(kind.size()) + ':' + kind + std::to_string(spyType.size()) + ':' + spyType + spyItem;
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

void ScanEngine::AddSpytoListview(const std::string& Key, const std::string& spyItem, const std::string& SpyType,
                                  int /*Img: callers pass a picture number by kind; the row shows none*/,
                                  const std::string& ItemToolTip, const std::string& ItemTag,
                                  const std::string& ItemReplace) {
    base::Trap("AddSpyToListView", [&] {
        // Each finding counts once a scan, however often the scan reports it.
        const bool firstReport = countedReports_.insert(ReportKey(Key, SpyType, spyItem)).second;

        if (ignoreList_.IsIgnored(modMain::FullPath_With_Filename(results::kIgnoreListFile), Key, spyItem)) {
            if (firstReport) {
                ++counters.IgnoreComponentCount;
                CountReport(Key);  // found, and held back: "new" is found less ignored
            }
            UpdateScanMovieCounters();
            return;
        }

        results::FindingList& list = *findings_;
        if (list.FindRow(Key, SpyType, spyItem) == 0) {
            results::Finding fields;
            fields.SpyType = SpyType;
            fields.spyItem = spyItem;
            fields.ItemReplace = ItemReplace;
            fields.ItemToolTip = ItemToolTip;
            fields.ItemTag = ItemTag;
            fields.Checked = gb_markChecked || gb_autoRemove;
            list.AddRow(Key, fields);
            if (firstReport) CountReport(Key);
            UpdateScanMovieCounters();
            if (base::EqualsNoCase(Key, "Malware File")) MalwareFileFollowUps(spyItem, SpyType);
            return;
        }
        // Already listed (by this scan or before it): no second row.
        if (firstReport) CountReport(Key);
        UpdateScanMovieCounters();
    });
}

void ScanEngine::CountReport(const std::string& Key) {
    using results::FindingKind;
    const auto kind = results::KindFromText(Key);
    if (!kind) {
        modMain::WriteErrorLog("Unhandled Spy Type:" + Key);
        return;
    }
    switch (*kind) {
        case FindingKind::RegKey:
        case FindingKind::RegValue:
        case FindingKind::RegData:
            ++counters.RegCount;
            break;
        case FindingKind::File:
        case FindingKind::Cookie:
        case FindingKind::HostsEntry:
            ++counters.FileCount;
            break;
        case FindingKind::Process:
            ++counters.ProcCount;
            break;
        case FindingKind::Folder:
            ++counters.FolderCount;
            break;
    }
}

void ScanEngine::UpdateScanMovieCounters() {
    counters.ComponentCount = counters.RegCount + counters.ProcCount + counters.FolderCount + counters.FileCount;
    counters.NewComponentCount = counters.ComponentCount - counters.IgnoreComponentCount;
    if (progress_) progress_->CountersChanged(counters);
}

// ---- the follow-ups of a malware file

void ScanEngine::MalwareFileFollowUps(const std::string& spyItem, const std::string& SpyType) {
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
    const base::ListItems& processes = Tasklist.ListItems;
    const std::string wanted = UCase(spyItem);
    bool listed = false;
    for (int i = 1; i <= processes.Count() && !listed; ++i) listed = UCase(processes(i).Text) == wanted;
    if (listed) {
        const DWORD pid =
            Process::GetProcessID(FileNameOf(spyItem), osversion::CurrentFamily() == osversion::Family::NT);
        if (pid != 0) {
            for (int i = 1; i <= processes.Count(); ++i) {
                const base::ListItem& row = processes(i);
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
    // A win.ini Load or Run entry that starts the file (Windows 95, 98 and Me) is left as it is:
    // the scan changes nothing; clearing it is the removal's work.
}

// ---- look-ups in the results list

bool ScanEngine::isSpyInResultList(const std::string& Key, const std::string& SpyType, const std::string& spyItem) {
    return findings_->FindRow(Key, SpyType, spyItem) != 0;
}

void ScanEngine::findFolderInList(const std::string& folder, const std::string& fileName, const std::string& SpyType) {
    int j = 0;
    base::TrapWith(
        [&] {
            const base::ListItems& rows = std::as_const(*findings_).Rows();
            const int count = rows.Count();
            if (count == 0) return;
            const std::string wanted = UCase(folder);
            for (j = 1; j <= count; ++j) {
                const std::string item = rows(j).SubItems(2);  // a copy: recording adds rows
                if (UCase(item).find(wanted) == std::string::npos) continue;
                std::string candidate = AddPathToFileName(item, fileName);
                if (UCase(candidate) != UCase(item)) checkIfFileExistsThenAddToSpyList(candidate, SpyType);
            }
            SetBusy(false);
        },
        [&] { return base::MethodTail("findFolderInList", "J: " + std::to_string(j)); });
}

bool ScanEngine::findFolderInListExists(const std::string& folder) {
    int j = 0;
    bool found = false;
    const bool ok = base::TrapWith(
        [&] {
            const base::ListItems& rows = std::as_const(*findings_).Rows();
            const std::string wanted = UCase(folder);
            for (j = 1; j <= rows.Count(); ++j)
                if (UCase(rows(j).SubItems(2)).find(wanted) != std::string::npos) found = true;
            SetBusy(false);
        },
        [&] { return base::MethodTail("findFolderInListExists", "J: " + std::to_string(j)); });
    return ok && found;
}

}  // namespace scanner
