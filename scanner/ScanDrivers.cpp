#include "scanner/ScanDrivers.h"

#include <windows.h>

#include "base/ProgramFolder.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/Statistics.h"
#include "core/modLanguage.h"
#include "results/RemoveSelected.h"
#include "results/ScanResults.h"
#include "scanner/ScanLog.h"

namespace scanner {

void ScanHost::RemoveAll(results::FindingList& list) {
    results::RemovalView view;
    results::RemoveSelectedSpy(list, view);
}

// One scan on the stack: refuses a second, and whatever a step throws, ends in the finished state.
class ScanDriver::Session {
public:
    explicit Session(ScanDriver& d) : d_(d) {
        d_.running_ = true;
        d_.engine_.ResetSearchCounters();
    }
    ~Session() { d_.running_ = false; }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    ScanDriver& d_;
};

ScanDriver::ScanDriver(ScanEngine& engine) : fixedDrives(&ScanDriver::SystemFixedDrives), engine_(engine) {}

ScanHost& ScanDriver::Host() {
    static ScanHost none;
    return host_ ? *host_ : none;
}

void ScanDriver::Abort() { gb_scanAborted = true; }

std::vector<std::string> ScanDriver::SystemFixedDrives() {
    std::vector<std::string> drives;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
        if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED) drives.push_back(root.substr(0, 2));
    }
    return drives;
}

void ScanDriver::Title(const char* id, const char* english) {
    if (ScanProgress* p = engine_.Progress()) p->Title(modLanguage::getMessage(id, english));
}

void ScanDriver::Step(const char* method, const std::function<void()>& body) { base::Trap(method, body); }

void ScanDriver::SetScanState(bool finished) {
    gb_scanBusy = !finished;
    if (!finished) {
        gb_scanAborted = false;
        // The last list's file must not come back in place of this scan's list, deleted or not.
        results::ProgramResults().BeginScan();
        Host().ScanStarting();
        if (ScanProgress* p = engine_.Progress()) p->Busy(false);
        return;
    }
    ++finishedStates_;
    if (ScanProgress* p = engine_.Progress()) p->Busy(false);
    const bool found = engine_.Findings().Count() > 0;
    if (!found) {
        if (!gb_autoRemove)
            Host().ScanResult(modLanguage::getMessage("1009", "Congratulations!, No Malware was found"));
        if (gb_playSounds) Host().PlaySoundFile(base::ProgramFilePath("finish.wav"));
    } else if (gb_playSounds) {
        Host().PlaySoundFile(base::ProgramFilePath("found.wav"));
    }
    Host().ScanFinished(found, modLanguage::getMessage("1130", "Continue"));
    // The one automatic removal of the scan.
    if (gb_autoRemove && found) {
        gb_scanBusy = true;
        base::Trap("SetScanState", [&] { Host().RemoveAll(engine_.Findings()); });
        gb_scanBusy = false;
    }
    // What the list holds now goes into the file: a scan nobody watches leaves its findings there.
    results::ScanResults& store = results::ProgramResults();
    if (!store.Save()) Host().ResultsNotSaved(store.NotSavedText());
}

void ScanDriver::NewResults() {
    engine_.Findings().Clear();
    engine_.ResetCounters();
    engine_.UpdateScanMovieCounters();
}

void ScanDriver::ListProcesses() {
    engine_.Tasklist.ListItems.Clear();
    if (modMain::WindowsVer() == "Windows NT")
        engine_.ShowRunningProcesses();
    else
        engine_.ShowRunningProcesses9x();
}

void ScanDriver::WalkFolders(const std::vector<std::string>& folders) {
    for (std::string folder : folders) {
        if (gb_scanAborted) return;
        if (folder.empty()) continue;
        const DWORD attributes = GetFileAttributesA((folder + "\\").c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (folder.back() != '\\') folder += '\\';
        engine_.subShowFolderList(folder);
        if (gb_scanAborted) return;
        engine_.subFileSearch(folder);
    }
}

void ScanDriver::FixedRegistryWalks() { engine_.ScanFixedRegistryPlaces(); }

void ScanDriver::EndSteps(const char* method) {
    Step(method, [&] {
        gb_progressCount = 0;
        if (ScanProgress* p = engine_.Progress()) p->Busy(false);
        engine_.clearDataBase();
    });
    Step(method, [&] { scanlog::FinishScan(engine_); });
    Step(method, [&] {
        const std::string finishedText = modLanguage::getMessage("1006", "Scan finished");
        Host().StatusCaption(finishedText);
        if (ScanProgress* p = engine_.Progress()) p->Title("");
        Host().ScanResult(finishedText);
    });
    Step(method, [&] { SetScanState(true); });
    Step(method, [&] { engine_.UpdateScanMovieCounters(); });
}

namespace {
// Writes its log section when it goes: whenever the phase started, whether it ended or stopped.
struct SectionOnExit {
    const ScanEngine& engine;
    void (*write)(const ScanEngine&);
    ~SectionOnExit() { write(engine); }
};

void Statistics(const char* method) {
    base::Trap(method, [] { modMain::setLastSystemScanDate(); });
    base::Trap(method, [] { modMain::setNumberOfScans(); });
}
}  // namespace

bool ScanDriver::StartScan() {
    if (running_) return false;
    Session session(*this);
    const char* M = "StartScan";
    Statistics(M);
    gb_progressCount = 0;
    Step(M, [&] { NewResults(); });
    Step(M, [&] { SetScanState(false); });
    Step(M, [&] { Host().StatusCaption(modLanguage::getMessage("1003", "Scanning in progress...")); });
    Step(M, [&] {
        if (gb_scanAborted) return;
        engine_.ScanMemory();
        scanlog::CreateMemoryLogFile(engine_);
        if (gb_scanAborted) return;

        Title("1004", "Scanning Registry...");
        const SectionOnExit registryLog{engine_, scanlog::CreateRegistryScanLogFile};
        if (gb_scanAborted) return;
        engine_.loadDataBase(DefinitionGroups::Registry());
        engine_.checkRegValueData();
        gb_progressCount = 0;
        engine_.CheckRegKList();
        if (gb_scanAborted) return;
        gb_progressCount = 0;
        Title("1005", "Deep Registry Scanning...");
        FixedRegistryWalks();
        if (gb_scanAborted) return;
        engine_.CheckRegistryValueRows();
        if (gb_scanAborted) return;
        engine_.ScanRegistryKeys(HKEY_CLASSES_ROOT, "CLSID", 2);
    });
    Step(M, [&] {
        if (gb_scanAborted) return;
        // The full scan lists its file findings too (the log is their only report), also those
        // found before an abort.
        const SectionOnExit driveLog{engine_, scanlog::CreateDriveScanLogFile};
        engine_.loadDataBase(DefinitionGroups::Files());
        gb_progressCount = 0;
        const std::string drive = gb_windowsFolder.substr(0, 2) + "\\";
        if (gb_scanAborted) return;
        engine_.subShowFolderList(drive);
        if (gb_scanAborted) return;
        engine_.subFileSearch(drive);
    });
    Step(M, [&] {
        if (gb_scanAborted) return;
        engine_.loadDataBase(DefinitionGroups::Cookies());
        Title("1050", "Scanning Cookies...");
        gb_progressCount = 0;
        engine_.ScanCookie();
        scanlog::CreateCookieScanLogFile(engine_);
        if (gb_scanAborted) return;

        engine_.loadDataBase(DefinitionGroups::Hosts());
        gb_progressCount = 0;
        engine_.ScanHosts();
        scanlog::CreateHostsScanLogFile(engine_);
    });
    EndSteps(M);
    return true;
}

bool ScanDriver::QuickScan() {
    if (running_) return false;
    Session session(*this);
    const char* M = "QuickScan";
    Statistics(M);
    Step(M, [&] { NewResults(); });
    Step(M, [&] { SetScanState(false); });
    Step(M, [&] { Host().StatusCaption(modLanguage::getMessage("1003", "Scanning in progress...")); });
    Step(M, [&] {
        engine_.ScanMemory();
        scanlog::CreateMemoryLogFile(engine_);
        if (gb_scanAborted) return;

        Title("1004", "Scanning Registry...");
        const SectionOnExit registryLog{engine_, scanlog::CreateRegistryScanLogFile};
        engine_.loadDataBase(DefinitionGroups::Registry());
        engine_.checkRegValueData();
        engine_.CheckRegKList();
        if (gb_scanAborted) return;
        FixedRegistryWalks();
        if (gb_scanAborted) return;
        engine_.CheckRegistryValueRows();
    });
    Step(M, [&] {
        if (gb_scanAborted) return;
        engine_.loadDataBase(DefinitionGroups::Files());
        Title("1007", "Scanning Files N' Folders");
        if (ScanProgress* p = engine_.Progress()) p->FileCounters(0, 0);
        if (gb_scanAborted) return;
        WalkFolders({gb_windowsFolder, gb_appDataFolder});
        scanlog::CreateDriveScanLogFile(engine_);
        if (gb_scanAborted) return;

        Title("1050", "Scanning Cookies...");
        engine_.loadDataBase(DefinitionGroups::Cookies());
        engine_.ScanCookie();
        scanlog::CreateCookieScanLogFile(engine_);
        if (gb_scanAborted) return;

        engine_.loadDataBase(DefinitionGroups::Hosts());
        engine_.ScanHosts();
        scanlog::CreateHostsScanLogFile(engine_);
    });
    EndSteps(M);
    return true;
}

std::vector<std::string> ScanDriver::SelectedDrives() const {
    // Flag i names the i-th fixed drive: the drives the main movie lists for the choice.
    const std::vector<std::string> flags = base::Split(
        settings::GetSetting("SelectedDrives", "selected",
                             "true|true|false|false|false|false|false|false|false|false|false|false|false|false|"
                             "false|false"),
        '|');
    const std::vector<std::string> drives = fixedDrives ? fixedDrives() : SystemFixedDrives();
    std::vector<std::string> chosen;
    for (size_t i = 0; i < flags.size() && i < drives.size(); ++i)
        if (base::LCase(flags[i]) == "true") chosen.push_back(base::UCase(drives[i]));
    return chosen;
}

bool ScanDriver::CustomScan(const std::string& options) {
    if (running_) return false;
    std::vector<std::string> drives;
    // Drives that cannot be listed are logged; the scan runs without them.
    base::Trap("CustomScan", [&] { drives = SelectedDrives(); });
    return CustomScan(options, drives);
}

bool ScanDriver::CustomScan(const std::string& options, const std::vector<std::string>& drives) {
    if (running_) return false;
    Session session(*this);
    const char* M = "CustomScan";
    const std::string upper = base::UCase(options);
    const bool memory = upper.find("SM") != std::string::npos;
    const bool quick = upper.find("QS") != std::string::npos;
    const bool deep = upper.find("DS") != std::string::npos;
    const bool cookies = upper.find("SC") != std::string::npos;

    Statistics(M);
    Step(M, [&] { NewResults(); });
    Step(M, [&] { SetScanState(false); });
    Step(M, [&] { Host().StatusCaption(modLanguage::getMessage("1003", "Scanning in progress...")); });
    Step(M, [&] {
        gb_progressCount = 0;
        if (memory) {
            Title("1037", "Memory scanning started");
            ListProcesses();
            if (!gb_scanAborted) engine_.UpdateMemoryList();
            scanlog::CreateMemoryLogFile(engine_);
            if (gb_scanAborted) return;
        } else {
            ListProcesses();
        }

        if (quick || deep) {
            gb_progressCount = 0;
            Title("1004", "Scanning Registry...");
            const SectionOnExit registryLog{engine_, scanlog::CreateRegistryScanLogFile};
            engine_.loadDataBase(DefinitionGroups::Registry());
            engine_.checkRegValueData();
            if (gb_scanAborted) return;
            engine_.CheckRegKList();
            if (deep) {
                gb_progressCount = 0;
                Title("1005", "Deep Registry Scanning...");
                engine_.ScanRegistryKeys(HKEY_CLASSES_ROOT, "CLSID", 2);
                if (gb_scanAborted) return;
                FixedRegistryWalks();
                if (gb_scanAborted) return;
                engine_.CheckRegistryValueRows();
            }
            if (gb_scanAborted) return;
        }

        if (cookies) {
            gb_progressCount = 0;
            Title("1050", "Scanning Cookies...");
            engine_.loadDataBase(DefinitionGroups::Cookies());
            engine_.ScanCookie();
            scanlog::CreateCookieScanLogFile(engine_);
        }
        if (gb_scanAborted) return;

        gb_progressCount = 0;
        engine_.loadDataBase(DefinitionGroups::Hosts());
        engine_.ScanHosts();
        scanlog::CreateHostsScanLogFile(engine_);
        if (gb_scanAborted) return;

        if (drives.empty()) return;
        engine_.loadDataBase(DefinitionGroups::Files());
        // The drives are walked inside this scan: one start, one log summary, one finished state.
        ListProcesses();
        Title("1007", "Scanning Files N' Folders");
        if (ScanProgress* p = engine_.Progress()) p->FileCounters(0, 0);
        WalkFolders(drives);
        scanlog::CreateDriveScanLogFile(engine_);
    });
    EndSteps(M);
    return true;
}

bool ScanDriver::ScanSelectedFolder(const std::string& folderName) {
    if (folderName.empty() || running_) return false;
    Session session(*this);
    const char* M = "ScanSelectedFolder";
    const std::vector<std::string> folders = base::Split(folderName, '|');
    if (ScanProgress* p = engine_.Progress()) p->Pump();
    Statistics(M);
    Step(M, [&] { SetScanState(false); });
    Step(M, [&] { Host().StatusCaption(modLanguage::getMessage("1003", "Scanning in progress...")); });
    Step(M, [&] {
        if (gb_scanAborted) return;
        ListProcesses();
        Title("1007", "Scanning Files N' Folders");
        if (ScanProgress* p = engine_.Progress()) p->FileCounters(0, 0);
        WalkFolders(folders);
    });
    Step(M, [&] { scanlog::CreateDriveScanLogFile(engine_); });
    Step(M, [&] { scanlog::FinishScan(engine_); });
    Step(M, [&] {
        const std::string finishedText = modLanguage::getMessage("1006", "Scan finished");
        Host().StatusCaption(finishedText);
        Host().ScanResult(finishedText);
        if (ScanProgress* p = engine_.Progress()) p->Title(finishedText);
    });
    Step(M, [&] { SetScanState(true); });
    Step(M, [&] { engine_.UpdateScanMovieCounters(); });
    return true;
}

ScanDriver& ProgramScans() {
    static ScanDriver driver(ProgramEngine());
    return driver;
}

}  // namespace scanner
