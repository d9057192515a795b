// The memory phase: the running processes listed by the platform's route and matched against the
// memory definitions. A match is recorded, never acted on: ending a process is the removal's
// work, which the user confirms and which compares the full image path.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <unordered_map>
#include <utility>

#include "base/Handles.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/ProcessApi.h"
#include "core/SpecialFolders.h"
#include "definitions/DefinitionsStore.h"
#include "scanner/ScanEngine.h"
#include "scanner/ScanGlobals.h"

using base::UCase;

namespace scanner {

namespace {

using processApi::Psapi;
using processApi::PsapiFunctions;
using processApi::ToolHelp;
using processApi::ToolHelpFunctions;

const char* PriorityName(DWORD priorityClass) {
    switch (priorityClass) {
        case NORMAL_PRIORITY_CLASS:
            return "NORMAL";
        case IDLE_PRIORITY_CLASS:
            return "IDLE";
        case HIGH_PRIORITY_CLASS:
            return "HIGH";
        case REALTIME_PRIORITY_CLASS:
            return "REALTIME";
        default:
            return "";
    }
}

std::string CutAtNul(const char* text, size_t size) {
    size_t n = 0;
    while (n < size && text[n] != '\0') ++n;
    return std::string(text, n);
}

// What a memory definition is compared with: on the NT family the file name after the last
// backslash, elsewhere the whole text the snapshot gave.
std::string ComparedPart(const std::string& taskItem, bool ntFamily) {
    if (!ntFamily) return taskItem;
    const size_t slash = taskItem.rfind('\\');
    return slash == std::string::npos ? taskItem : taskItem.substr(slash + 1);
}

}  // namespace

void ScanEngine::RebuildProcessRecord() {
    const base::ListItems& rows = std::as_const(Tasklist).ListItems;
    ProcessRecord.clear();
    ProcessRecord.reserve(rows.Count());
    for (int i = 1; i <= rows.Count(); ++i)
        ProcessRecord.push_back({rows(i).Text, std::atol(rows(i).SubItems(1).c_str()), rows(i).SubItems(2)});
    counters.RunningProcCount = rows.Count();
}

void ScanEngine::ShowRunningProcesses() {
    base::Trap("ShowRunningProcesses", [&] {
        const Psapi& ps = PsapiFunctions();
        if (!ps.enumProcesses || !ps.enumProcessModules || !ps.getModuleFileNameEx) return;
        std::vector<DWORD> ids;
        DWORD bytes = 0;
        // A full buffer may have cut the list: grow it until the answer leaves room.
        for (DWORD size = 16;; size *= 2) {
            YieldToMessages();
            ids.assign(size / sizeof(DWORD), 0);
            if (!ps.enumProcesses(ids.data(), size, &bytes)) {
                bytes = 0;
                break;
            }
            if (bytes < size || size >= (1u << 24)) break;
        }
        ids.resize(bytes / sizeof(DWORD));
        for (DWORD id : ids) {
            YieldToMessages();
            base::Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
            if (!process) continue;
            HMODULE modules[50] = {};
            DWORD needed = 0;
            if (!ps.enumProcessModules(process.get(), modules, sizeof modules, &needed)) continue;
            char path[261] = {};
            const DWORD n = ps.getModuleFileNameEx(process.get(), modules[0], path, 260);
            const std::string name = CutAtNul(path, std::min<DWORD>(n, 260));
            if (name.empty() || name.find("\\??\\") != std::string::npos) continue;
            base::ListItem& row = Tasklist.ListItems.Add(name);
            row.SubItems(1) = std::to_string(id);
            row.SubItems(2) = PriorityName(GetPriorityClass(process.get()));
        }
    });
    RebuildProcessRecord();
}

void ScanEngine::ShowRunningProcesses9x() {
    base::Trap("ShowRunningProcesses9x", [&] {
        const ToolHelp& th = ToolHelpFunctions();
        if (!th.createSnapshot || !th.first || !th.next) return;
        base::FileHandle snapshot(th.createSnapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = th.first(snapshot.get(), &entry); more; more = th.next(snapshot.get(), &entry)) {
            YieldToMessages();
            base::ListItem& row = Tasklist.ListItems.Add(CutAtNul(entry.szExeFile, sizeof entry.szExeFile));
            row.SubItems(1) = std::to_string(entry.th32ProcessID);
        }
    });
    RebuildProcessRecord();
}

void ScanEngine::CheckMType(const std::string& taskItem, const std::string& RunningFileProcess,
                            const std::string& SpyType, const std::string& ItemToolTip) {
    base::TrapWith(
        [&] {
            ShowPosition(taskItem);
            ++counters.ProcessChecks;
            const bool nt = modMain::WindowsVer() == "Windows NT";
            if (UCase(RunningFileProcess) != UCase(ComparedPart(taskItem, nt))) return;
            if (gb_fastMemoryScan) {
                gb_fastScanHit = true;
                return;
            }
            AddSpytoListview("Malware Process", taskItem, SpyType, 9, ItemToolTip, "", "");
        },
        [&] {
            return base::MethodTail("CheckMType", "taskItem: " + taskItem +
                                                      ", RunningFileProcess: " + RunningFileProcess +
                                                      ", SpyType: " + SpyType + ", ItemToolTip: " + ItemToolTip);
        });
}

void ScanEngine::UpdateMemoryList() {
    SetBusy(true);
    YieldToMessages();
    ShowLoadStatus("1037", "Scanning Memory...");
    int n = 0;
    const bool ok = base::TrapWith(
        [&] {
            const base::ListItems& rows = std::as_const(Tasklist).ListItems;
            const bool nt = modMain::WindowsVer() == "Windows NT";
            // The rows by what a definition is compared with, each name's rows in list order.
            std::unordered_map<std::string, std::vector<int>> rowsByName;
            if (!useReferenceMatchers)
                for (int i = 1; i <= rows.Count(); ++i) rowsByName[UCase(ComparedPart(rows(i).Text, nt))].push_back(i);
            for (n = 0; n <= 10000; ++n) {
                if (gb_scanAborted) return;
                YieldToMessages();
                const auto file = modDefinitions::updateListfromINI("MEMA", "MEMAF" + std::to_string(n));
                const auto spy = modDefinitions::updateListfromINI("MEMA", "MEMAT" + std::to_string(n));
                if (!file || !spy || file->empty() || spy->empty()) break;
                if (useReferenceMatchers) {
                    for (int i = 1; i <= rows.Count(); ++i) {
                        YieldToMessages();
                        const std::string text = rows(i).Text, id = rows(i).SubItems(1);
                        CheckMType(text, *file, *spy, id);
                    }
                    continue;
                }
                // Every row is still one comparison of this definition.
                counters.ProcessChecks += rows.Count();
                const auto found = rowsByName.find(UCase(*file));
                if (found == rowsByName.end()) continue;
                for (int i : found->second) {
                    const std::string text = rows(i).Text, id = rows(i).SubItems(1);
                    ShowPosition(text);
                    if (gb_fastMemoryScan) {
                        gb_fastScanHit = true;
                        continue;
                    }
                    base::TrapWith([&] { AddSpytoListview("Malware Process", text, *spy, 9, id, "", ""); },
                                   [&] {
                                       return base::MethodTail("CheckMType",
                                                               "taskItem: " + text + ", RunningFileProcess: " + *file +
                                                                   ", SpyType: " + *spy + ", ItemToolTip: " + id);
                                   });
                }
            }
            SetBusy(false);
        },
        [&] { return base::MethodTail("UpdateMemoryList", "I: " + std::to_string(n)); });
    if (!ok) SetBusy(false);
    UpdateScanMovieCounters();
}

bool ScanEngine::ScanMemoryFast() {
    gb_fastMemoryScan = true;
    gb_fastScanHit = false;
    base::Trap("ScanMemoryFast", [&] {
        Tasklist.ListItems.Clear();
        if (modMain::WindowsVer() == "Windows NT")
            ShowRunningProcesses();
        else
            ShowRunningProcesses9x();
        UpdateMemoryList();
    });
    gb_fastMemoryScan = false;
    return gb_fastScanHit;
}

void ScanEngine::ScanMemory() {
    gb_progressCount = 0;
    ShowLoadStatus("1037", "Scanning Memory...");
    Tasklist.ListItems.Clear();
    if (modMain::WindowsVer() == "Windows NT")
        ShowRunningProcesses();
    else
        ShowRunningProcesses9x();
    if (gb_scanAborted) return;
    UpdateMemoryList();
    FlushDisplay();
}

}  // namespace scanner
