#pragma once
// The scanning window: the face of the program's scan engine. It shows what the engine reports
// (the title of the running phase or load, the current item, the status line, the counters) in
// its controls and the scanning movie, and exposes the engine's definition lists, counters and
// procedures under the names the window has always given them. What the engine reports is drawn
// by shell/ScanSpyView.cpp, which calls nothing of the engine; frmScanSpy.cpp starts the scans.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "scanner/ScanDrivers.h"
#include "scanner/ScanEngine.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmScanSpy : public ui::Form, private scanner::ScanProgress, private scanner::ScanHost {
public:
    frmScanSpy();

    scanner::ScanEngine& engine;

    // ---- the engine's definition lists and process table
    base::RowList& lstSearch = engine.lists.lstSearch;
    base::RowList& lstRegistrySearch = engine.lists.lstRegistrySearch;
    base::RowList& lstRegistry = engine.lists.lstRegistry;
    base::RowList& lstRegKSearch = engine.lists.lstRegKSearch;
    base::RowList& lstRegValueData = engine.lists.lstRegValueData;
    base::RowList& lstCookies = engine.lists.lstCookies;
    base::RowList& lstHost = engine.lists.lstHost;
    base::RowList& lstCESearch = engine.lists.lstCESearch;
    base::RowList& lstCWSearch = engine.lists.lstCWSearch;
    base::RowList& lstOFNSearch = engine.lists.lstOFNSearch;
    base::RowList& lstIFNSearch = engine.lists.lstIFNSearch;
    base::RowList& lstPNSearch = engine.lists.lstPNSearch;
    base::RowList& lstFDSearch = engine.lists.lstFDSearch;
    base::RowList& lstFCSSearch = engine.lists.lstFCSSearch;
    base::RowList& Tasklist = engine.Tasklist;

    // ---- the scans, as the window has always offered them (forwarding to the program's drivers).
    // Each shows the window when hidden and returns false, starting nothing, while a scan runs.
    bool StartScan();
    bool QuickScan();
    bool CustomScan(const std::string& options);
    bool ScanSelectedFolder(const std::string& folderName);
    bool Scanning() const { return scans.Running(); }
    // No scan starts while one runs, nor while the results list is open: a new scan empties the
    // list the user is acting on.
    bool ScanRefused() const;
    scanner::ScanDriver& scans;

    // The movie's Abort/Continue: a running scan is told to stop and the window hides at once; the
    // window unloads (showing the results list when it has rows) only once the scan has returned.
    void cmdAbort_Click();

    // What the main window does around a scan (the program's links connect them): disabled while
    // a scan runs and its movie told, and the results list shown after the scanning window is left.
    std::function<void(bool scanning)> MainWindowScanning;
    std::function<void()> ShowResultsList;

    // ---- status controls and the movie
    movie::ShockwaveFlash flash{*this, "flash"};
    ui::Label lblScanOption{*this, "lblScanOption"};  // title of the running phase or load
    ui::Label lblScan{*this, "lblScan"};              // current item
    ui::TextBox txtCurrScan{*this, "txtCurrScan"};    // the status line
    // Hidden boxes holding the counters' decimal texts, mirrored to the movie.
    ui::TextBox lblProc{*this, "lblProc"};
    ui::TextBox lblReg{*this, "lblReg"};
    ui::TextBox lblFolders{*this, "lblFolders"};
    ui::TextBox lblFiles{*this, "lblFiles"};
    ui::TextBox txtRunningProc{*this, "txtRunningProc"};
    ui::TextBox txtComponent{*this, "txtComponent"};
    ui::TextBox txtIgnoreComponent{*this, "txtIgnoreComponent"};
    ui::TextBox txtNewComponent{*this, "txtNewComponent"};
    // Hidden labels holding the captions the movie shows beside the counters; the language pack
    // re-labels them (section frmScanSpy, key = Tag) and the movie shows them as _root.Label_<name>.
    std::deque<ui::Label> captions;
    ui::Label* Caption(const std::string& name);

    // ---- the engine's per-scan counters, zeroed when the window loads
    long& ProcCount = engine.counters.ProcCount;
    long& RegCount = engine.counters.RegCount;
    long& FolderCount = engine.counters.FolderCount;
    long& FileCount = engine.counters.FileCount;
    long& RunningProcCount = engine.counters.RunningProcCount;
    long& ComponentCount = engine.counters.ComponentCount;
    long& IgnoreComponentCount = engine.counters.IgnoreComponentCount;
    long& NewComponentCount = engine.counters.NewComponentCount;

    // The status line, the current item and the counters reach their controls and the movie at
    // most once every DisplayPacingMs milliseconds (0: at every change); what is still pending is
    // shown by tmrDisplay, or at once by FlushDisplay (a load and FindFiles end with it, so that
    // nothing of theirs is shown after the caller's next own write). Writing a control costs far
    // more than loading a definition or recording a finding.
    unsigned DisplayPacingMs = 50;
    void FlushDisplay();
    ui::Timer tmrDisplay{*this, "tmrDisplay"};
    ui::Timer tmrStart{*this, "tmrStart"};  // one shot, 100 ms after an abort: the window ends
    ui::TextBox SpyStatusFrame{*this, "SpyStatusFrame"};
    bool SpiderShown() const { return spider_; }

    // The window's mouse pointer: 0 default, 11 hourglass.
    int MousePointer() const { return mousePointer_; }
    void SetMousePointer(int pointer);

    // ---- the engine's procedures, as the window's

    void loadDataBase(bool onlyFiles) { engine.loadDataBase(onlyFiles); }
    void clearDataBase() { engine.clearDataBase(); }
    void AddSpytoListview(const std::string& Key, const std::string& spyItem, const std::string& SpyType, int Img,
                          const std::string& ItemToolTip, const std::string& ItemTag, const std::string& ItemReplace) {
        engine.AddSpytoListview(Key, spyItem, SpyType, Img, ItemToolTip, ItemTag, ItemReplace);
    }
    void checkIfFileExistsThenAddToSpyList(std::string& path, const std::string& SpyType) {
        engine.checkIfFileExistsThenAddToSpyList(path, SpyType);
    }
    void checkIfFolderExistsThenAddToSpyList(std::string& path, const std::string& SpyType) {
        engine.checkIfFolderExistsThenAddToSpyList(path, SpyType);
    }
    double FindFiles(const std::string& path, const std::string& SearchStr, const std::string& SpyType) {
        return engine.FindFiles(path, SearchStr, SpyType);
    }

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // ---- what the engine reports
    void Title(const std::string& text) override;
    void LoadStatus(long count) override;
    void CurrentItem(const std::string& text) override;
    void CountersChanged(const scanner::ScanCounters& counters) override;
    void Busy(bool busy) override;
    void Pump() override;
    void Flush() override;
    void FileCounters(long filesSeen, long foldersSearched) override;

    // ---- what the scan drivers tell the windows
    void ScanStarting() override;
    void StatusCaption(const std::string& text) override;
    void ScanResult(const std::string& text) override;
    void ScanFinished(bool found, const std::string& buttonCaption) override;
    void PlaySoundFile(const std::string& path) override;
    void ResultsNotSaved(const std::string& text) override;

    bool RunScan(const std::function<bool()>& scan);
    void OnMovieCommand(const std::string& command, const std::string& args);
    void tmrStart_Timer();
    void PaceDisplay();
    void PushCounters();
    // Re-labels the window from the language pack and gives the movie its captions.
    void SetCaption();

    int mousePointer_ = 0;
    HWND flashWindow_ = nullptr;  // the player's window, its context menu hooked away
    long filesSeen_ = 0, foldersSearched_ = 0;
    bool closeAfterScan_ = false;  // Abort came while the scan ran
    bool spider_ = false;
    ULONGLONG lastDisplay_ = 0;
    std::string pendingStatus_, pendingItem_;
    bool statusPending_ = false, itemPending_ = false, countersPending_ = false;
};

inline class frmScanSpy frmScanSpy;
