#pragma once
// The scanning window. It holds the fourteen hidden definition lists that a definitions load
// fills group by group, the status controls and the scanning movie the loaders report to, the
// per-scan counters, and the one path by which every finding reaches the results list.
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_set>

#include "components/flash/ShockwaveFlash.h"
#include "results/IgnoreList.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"

class frmScanSpy : public ui::Form {
public:
    frmScanSpy();

    // ---- definition lists, in load order of their rows
    ui::ListRows lstSearch{*this, "lstSearch"};                  // file and folder names
    ui::ListRows lstRegistrySearch{*this, "lstRegistrySearch"};  // REGS
    ui::ListRows lstRegistry{*this, "lstRegistry"};              // REGV
    ui::ListRows lstRegKSearch{*this, "lstRegKSearch"};          // REGK, REGKO
    ui::ListRows lstRegValueData{*this, "lstRegValueData"};      // REGD
    ui::ListRows lstCookies{*this, "lstCookies"};                // COOK
    ui::ListRows lstHost{*this, "lstHost"};                      // HOSTS
    ui::ListRows lstCESearch{*this, "lstCESearch"};              // SCE
    ui::ListRows lstCWSearch{*this, "lstCWSearch"};              // SCW
    ui::ListRows lstOFNSearch{*this, "lstOFNSearch"};            // SBOFN
    ui::ListRows lstIFNSearch{*this, "lstIFNSearch"};            // SBIFN
    ui::ListRows lstPNSearch{*this, "lstPNSearch"};              // SBPN
    ui::ListRows lstFDSearch{*this, "lstFDSearch"};              // SBFD
    ui::ListRows lstFCSSearch{*this, "lstFCSSearch"};            // SBFCS
    ui::ListRows Tasklist{*this, "Tasklist"};                    // running processes: path, id, priority

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

    // ---- per-scan counters, zeroed when the window loads
    long ProcCount = 0;             // "Malware Process"
    long RegCount = 0;              // "Malware RegKey", "Malware RegValue", "Malware RegData"
    long FolderCount = 0;           // "Malware Folder"
    long FileCount = 0;             // "Malware File", "Tracking Cookie", "Bad Hosts Entry"
    long RunningProcCount = 0;      // processes listed
    long ComponentCount = 0;        // the four kind counters together
    long IgnoreComponentCount = 0;  // findings held back by the ignore list
    long NewComponentCount = 0;     // ComponentCount less IgnoreComponentCount

    // The status line, the current item and the counters reach their controls and the movie at
    // most once every DisplayPacingMs milliseconds (0: at every change); what is still pending is
    // shown by tmrDisplay, or at once by FlushDisplay (a load and FindFiles end with it, so that
    // nothing of theirs is shown after the caller's next own write). Writing a control costs far
    // more than loading a definition or recording a finding.
    unsigned DisplayPacingMs = 50;
    void FlushDisplay();
    ui::Timer tmrDisplay{*this, "tmrDisplay"};

    // The window's mouse pointer: 0 default, 11 hourglass.
    int MousePointer() const { return mousePointer_; }
    void SetMousePointer(int pointer);

    // ---- definitions load
    // Empties the fourteen lists, then loads the groups the load flags choose (with `onlyFiles`,
    // the file and folder groups whatever the flags say).
    void loadDataBase(bool onlyFiles);
    void clearDataBase();

    // ---- findings
    // The single writer of a finding: held back by the ignore list, refused when the results
    // list already has the row, else added to frmResultBackup.SpyListView; counted by kind.
    void AddSpytoListview(const std::string& Key, const std::string& spyItem, const std::string& SpyType, int Img,
                          const std::string& ItemToolTip, const std::string& ItemTag, const std::string& ItemReplace);
    // Direct checks of a definition path: record the file, or the folder and all below it, when
    // it exists. The caller's path becomes the form the finding was recorded under (the
    // folder check empties it when the folder does not exist).
    void checkIfFileExistsThenAddToSpyList(std::string& fullFileNamePath, const std::string& SpyType);
    void checkIfFolderExistsThenAddToSpyList(std::string& fullFolderNamePath, const std::string& SpyType);
    // Records every subfolder and every file matching `SearchStr` below `path`, depth first;
    // returns the size in bytes of the files recorded.
    double FindFiles(std::string path, const std::string& SearchStr, const std::string& SpyType);

    struct FileGroup;      // a file or folder group of the definitions
    struct PropertyGroup;  // a file-property group

    // Test tooling: told about every movie variable the window sets, in order.
    std::function<void(const std::string& name, const std::string& value)> MovieVariableTrace;
    // Test tooling until the registry walkers and key checks land: the calls the malware-file
    // follow-ups make to them, one text each.
    std::function<void(const std::string& call)> PendingCallTrace;

protected:
    void Form_Load() override;
    void ResetFormState() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    friend struct frmScanSpyTestPeer;

    // ---- file and folder groups
    void UpdateTrojanList();
    void UpdateDialersFileList();
    void UpdateDialersFolderList();
    void UpdateHijackersFileList();
    void UpdateHijackersFolderList();
    void UpdateKeyLoggersFileList();
    void UpdateKeyLoggersFolderList();
    void UpdateSpyFileList();
    void UpdateSpyFolderList();
    void LoadFileGroups(const char* method, const FileGroup* const* groups, size_t count,
                        std::initializer_list<const char*> countKeys);
    bool LoadListEntries(const FileGroup& group, int& i);
    bool CheckDirectEntries(const FileGroup& group, int& i);
    void ScanDrivesForAllFiles();
    void ScanDrivesForAllFolders();
    void removeFromList();

    // ---- registry groups
    void UpdateRegistrySList();
    void UpdateRegistryVList();
    void UpdateRegistryKList();
    void UpdateRegistryKOList();
    void updateRegValueData();
    void LoadRegKeyGroup(const char* method, const char* section, const char* keyPrefix, const char* namePrefix,
                         const char* countKey);

    // ---- cookie, hosts and file-property groups
    void UpdateCookieList();
    void UpdateHostsList();
    void UpdateSearchByCompanyList();
    void UpdateSearchByOriginalFileName();
    void UpdateSearchByInternalFileName();
    void UpdateSearchByProductName();
    void UpdateSearchByFileDescription();
    void UpdateSearchByFileChecSum();
    void LoadPropertyGroup(const PropertyGroup& group);
    bool LoadPropertyEntries(const PropertyGroup& group, int& i);

    // ---- look-ups in the results list
    bool isSpyInResultList(const std::string& Key, const std::string& SpyType, const std::string& spyItem);
    void findFolderInList(const std::string& folder, const std::string& fileName, const std::string& SpyType);
    bool findFolderInListExists(const std::string& folder);

    // ---- recording
    void MalwareFileFollowUps(const std::string& spyItem, const std::string& SpyType);
    void CountReport(const std::string& Key);
    void UpdateScanMovieCounters();
    // Placeholders until the registry walkers and key checks land.
    void CheckRegistryValues(HKEY root, const std::string& keyPath, int mode, const std::string& text,
                             const std::string& SpyType);
    void CheckRegistryKType(const std::string& KeyName, const std::string& SpyType);

    // ---- status
    void YieldToMessages();  // DoEvents inside a loop, at most every few milliseconds
    void PaceDisplay();
    void PushCounters();
    void ShowCurrentItem(const std::string& text);             // lblScan
    void StatusUpdate();                                       // "Loading Database - <n>"
    void ShowLoadStatus(const char* id, const char* english);  // the load's title
    void SetMovieVariable(const std::string& name, const std::string& value);
    void ReadCountKeys(std::initializer_list<const char*> keys);
    // The frame every definition loader shares: hourglass and first status line, its count keys
    // (read, not used), the body, then a yield and the pointer back. A body that returns false
    // (the stop flag) skips that ending; an error logs "I: <i>, Method: <method>" and restores the
    // pointer.
    void RunLoader(const char* method, std::initializer_list<const char*> countKeys, int& i,
                   const std::function<bool()>& body);

    int mousePointer_ = 0;
    ULONGLONG lastYield_ = 0;
    ULONGLONG lastDisplay_ = 0;
    std::string pendingStatus_, pendingItem_;
    bool statusPending_ = false, itemPending_ = false, countersPending_ = false;
    bool trojanGroupsLoaded_ = false;  // both trojan groups are in lstSearch since the last clear
    results::IgnoreListIndex ignoreList_;
    // The findings (kind, spy name, item) counted since the window loaded.
    std::unordered_set<std::string> countedReports_;
};

inline class frmScanSpy frmScanSpy;
