#pragma once
// The scans a user runs, from start to finish: the full scan, the quick scan, the custom scan and
// the folder scan chain the engine's phases, write the scan log section by section and switch
// the scan state. Window-free: the scanning window and the main window hear of it through a
// ScanHost.
#include <functional>
#include <string>
#include <vector>

#include "results/FindingList.h"
#include "scanner/ScanEngine.h"

namespace scanner {

// What the windows around a scan do when it starts and ends; the scanning window implements it.
class ScanHost {
public:
    virtual ~ScanHost() = default;
    // A scan starts: the main window and its buttons disabled, its movie told, Abort shown.
    virtual void ScanStarting() {}
    // The scan's state line ("Scanning in progress...", "Scan finished").
    virtual void StatusCaption(const std::string& /*text*/) {}
    // The result line under the phase title.
    virtual void ScanResult(const std::string& /*text*/) {}
    // The scan ended: the movie stopped, the button reads `buttonCaption`, the main window enabled
    // again; `found` when the results list holds rows.
    virtual void ScanFinished(bool /*found*/, const std::string& /*buttonCaption*/) {}
    virtual void PlaySoundFile(const std::string& /*path*/) {}
    // The results file could not take the scan's list: the user is told with this text.
    virtual void ResultsNotSaved(const std::string& /*text*/) {}
    // The automatic removal of every checked finding; the default removes without a window.
    virtual void RemoveAll(results::FindingList& list);
};

class ScanDriver {
public:
    explicit ScanDriver(ScanEngine& engine);
    ScanDriver(const ScanDriver&) = delete;
    ScanDriver& operator=(const ScanDriver&) = delete;

    void SetHost(ScanHost* host) { host_ = host; }

    // Each runs one whole scan and returns true; false (nothing done) while a scan runs.
    bool StartScan();
    bool QuickScan();
    // `options` holds the codes "SM" (memory), "QS" (registry), "DS" (deep registry), "SC"
    // (cookies), compared case-blind; the hosts file and `drives` ("C:" ...) are always scanned.
    bool CustomScan(const std::string& options, const std::vector<std::string>& drives);
    // The same over SelectedDrives() (drives that cannot be listed are logged, and left out).
    bool CustomScan(const std::string& options);
    // `folderName`: folders separated by "|". "" does nothing. The caller starts the list
    // (NewResults) before it loads the file groups, whose direct-path checks record findings of
    // this scan; the other drivers start it themselves.
    bool ScanSelectedFolder(const std::string& folderName);

    // A new scan's results: the findings of the last scan and the per-scan counts emptied. A
    // finding still listed would neither be counted again nor leave the log once it is gone.
    void NewResults();

    bool Running() const { return running_; }
    // Raises the stop flag: the running phase ends at its next test and no later phase runs.
    void Abort();

    // The drives a custom scan's drive flags index: the fixed drives, as the main movie lists
    // them ("C:" ...). Tests replace it.
    std::function<std::vector<std::string>()> fixedDrives;
    static std::vector<std::string> SystemFixedDrives();
    // The drives the custom scan's choice ("SelectedDrives") ticks among fixedDrives, upper-cased.
    std::vector<std::string> SelectedDrives() const;

    long FinishedStates() const { return finishedStates_; }  // finished states run, ever

private:
    class Session;
    ScanEngine& engine_;
    ScanHost* host_ = nullptr;
    bool running_ = false;
    long finishedStates_ = 0;

    ScanHost& Host();
    void SetScanState(bool finished);
    void Title(const char* id, const char* english);
    void Step(const char* method, const std::function<void()>& body);
    void ListProcesses();
    void WalkFolders(const std::vector<std::string>& folders);
    void FixedRegistryWalks();
    void EndSteps(const char* method);
};

// The program's scans, over the program's engine.
ScanDriver& ProgramScans();

}  // namespace scanner
