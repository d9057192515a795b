#pragma once
// The scan engine: the definition lists a definitions load fills group by group, the per-scan
// counters, and the one path by which every finding reaches the results list. It has no window:
// it reports through a ScanProgress (the scanning window, when one shows it), records into a
// FindingList (the program's results list unless told otherwise).
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/ListItems.h"
#include "results/FindingList.h"
#include "results/IgnoreList.h"
#include "scanner/DefinitionLists.h"
#include "scanner/FragmentIndex.h"
#include "scanner/ScanProgress.h"

namespace scanner {

// The definition groups a load fills.
struct DefinitionGroups {
    bool regs = false;     // REGS
    bool regv = false;     // REGV
    bool regd = false;     // REGD
    bool regk = false;     // REGK and REGKO
    bool cookies = false;  // COOK
    bool hosts = false;    // HOSTS
    bool files = false;    // the file and folder groups (and, with advanced scanning, the file properties)

    // What a scan phase loads.
    static DefinitionGroups Registry() { return {true, true, true, true, false, false, false}; }
    static DefinitionGroups Cookies() { return {false, false, false, false, true, false, false}; }
    static DefinitionGroups Hosts() { return {false, false, false, false, false, true, false}; }
    static DefinitionGroups Files() { return {false, false, false, false, false, false, true}; }
};

class ScanEngine {
public:
    ScanEngine();
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    DefinitionLists lists;
    base::RowList Tasklist;  // running processes: path, id, priority
    ScanCounters counters;   // zeroed by ResetCounters

    // Where the engine reports, records and looks up; nullptr for none (the results list:
    // the program's own).
    void SetProgress(ScanProgress* progress) { progress_ = progress; }
    ScanProgress* Progress() const { return progress_; }
    void SetFindings(results::FindingList* findings) { findings_ = findings ? findings : &results::Findings(); }
    results::FindingList& Findings() const { return *findings_; }

    // A new scan's counters: every counter zero, every finding countable again.
    void ResetCounters();
    // What the walks looked at (files, folders, registry items, process checks) counts per scan.
    void ResetSearchCounters();
    // Everything back as before the first scan: counters, the ignore list's cache, the lists' state.
    void Reset();

    // ---- definitions load
    // Empties the fourteen lists, then loads `groups`.
    void loadDataBase(const DefinitionGroups& groups);
    // The same with the groups the seven gb_load* flags choose (with `onlyFiles`, the file and
    // folder groups whatever the flags say).
    void loadDataBase(bool onlyFiles);
    void clearDataBase();

    // The group loaders and the selectors that choose among them.
    void UpdateTrojanList();
    void UpdateDialersFileList();
    void UpdateDialersFolderList();
    void UpdateHijackersFileList();
    void UpdateHijackersFolderList();
    void UpdateKeyLoggersFileList();
    void UpdateKeyLoggersFolderList();
    void UpdateSpyFileList();
    void UpdateSpyFolderList();
    void UpdateRegistrySList();
    void UpdateRegistryVList();
    void UpdateRegistryKList();
    void UpdateRegistryKOList();
    void updateRegValueData();
    void UpdateCookieList();
    void UpdateHostsList();
    void UpdateSearchByCompanyList();
    void UpdateSearchByOriginalFileName();
    void UpdateSearchByInternalFileName();
    void UpdateSearchByProductName();
    void UpdateSearchByFileDescription();
    void UpdateSearchByFileChecSum();
    void ScanDrivesForAllFiles();
    void ScanDrivesForAllFolders();
    // Strikes the rows of lstSearch whose name is on the removal list.
    void removeFromList();
    // True when the removal list (section "REMO", "REMENT0" up to "REMENT1000", ending at the
    // first empty entry) holds `name`, both compared upper-cased: the entry-by-entry walk.
    bool UpdateSpyListview(const std::string& name);

    // ---- findings
    // The single writer of a finding: held back by the ignore list, refused when the results
    // list already has the row, else added to it; counted by kind.
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

    // ---- the file and folder phase
    // Walks every folder below `sFolder` (ending in a backslash), depth first, searching each
    // before its subfolders; junctions and other reparse points are not entered.
    void subShowFolderList(const std::string& sFolder);
    // Matches every file and folder definition against the folder `sPath` (ending in a backslash),
    // after the file-property search where that applies.
    void subFileSearch(const std::string& sPath);
    // The same search the straightforward way: one directory search per definition. It is what
    // the indexed search must equal; `useFileIndex` false makes the phase use it.
    void subFileSearchPerDefinition(const std::string& sPath);
    bool useFileIndex = true;
    long FilesSeen = 0;        // files the walk listed
    long FoldersSearched = 0;  // folders the search matched against
    // The file-property search of one folder (not recursive) and of one file.
    void searchFilesAdvanced(const std::string& folder);
    void AdvancedFilePropertiesSearch(const std::string& file);
    // A folder-tree node, given as its full path ("Label (X:)\Windows\System"): scans the folder
    // it stands for, or tells whether it lies in one of `selectedFolders` (entries from index 2).
    void scanThisFolder(const std::string& nodeFullPath);
    bool isNodeInSelectedFolders(const std::string& nodeFullPath);
    std::vector<std::string> selectedFolders;

    // ---- the cookie and hosts phases
    // Records every ".txt" cookie file of gb_cookiesFolder whose name holds a cookie definition's
    // text, and with AllCookies on every other one as "Other". Hidden and system files are not
    // looked at.
    void ScanCookie();
    // Records every hosts-file entry whose host equals a hosts definition's, whatever the
    // definition's type. It only reads the hosts file: dropping an entry is the removal's.
    void ScanHosts();
    // The hosts section of the scan log, from the results list's "Bad Hosts Entry" rows.
    std::string HostsScanLogSection() const;

    // ---- look-ups in the results list
    bool isSpyInResultList(const std::string& Key, const std::string& SpyType, const std::string& spyItem);
    void findFolderInList(const std::string& folder, const std::string& fileName, const std::string& SpyType);
    bool findFolderInListExists(const std::string& folder);

    // ---- memory and processes
    // One listed process, as the listing left it: path, id, priority name (NT only).
    struct ProcessEntry {
        std::string path;
        long id = 0;
        std::string priority;
    };
    std::vector<ProcessEntry> ProcessRecord;  // rebuilt after every listing, one entry a Tasklist row
    // Append one Tasklist row per running process: the NT route (process-status functions, full
    // paths) and the Windows 95/98/Me route (tool-help snapshot).
    void ShowRunningProcesses();
    void ShowRunningProcesses9x();
    // One process against one memory definition: records a "Malware Process" finding on a match
    // (in fast mode only raises gb_fastScanHit). It never ends the process: that is the removal's.
    void CheckMType(const std::string& taskItem, const std::string& RunningFileProcess, const std::string& SpyType,
                    const std::string& ItemToolTip);
    // Every MEMA definition against every Tasklist row.
    void UpdateMemoryList();
    // The start-up check: true when a running process matches a memory definition; records nothing.
    bool ScanMemoryFast();
    // The memory phase: the processes listed afresh by the platform's route, then matched.
    void ScanMemory();

    // ---- registry
    // 0 when the key "<root>\<path>" exists and opens for reading, else the system's code (2 for
    // a path that names no key below one of the four roots); 505 when the check itself failed.
    // `SubKeyName` gets the path below the root.
    long CheckRegistryKey(const std::string& KeyName, std::string& SubKeyName);
    // The REGS fragments against one visited key name or value text (upper-cased, contained).
    void CheckMatching(const std::string& sSubkey, const std::string& sCheck, const std::string& sFullPath,
                       const std::string& sSearchType, const std::string& sTag);
    void checkRegValueData();  // REGD
    void CheckRegKList();      // REGK, REGKO
    // The walkers; flags 0 keys only, 1 value names, 2 value data. Keys are opened for reading.
    void ScanRegistryKeys(HKEY hive, const std::string& keyPath, int flags);
    void ScanRegistryValues(HKEY hive, const std::string& keyPath, int flags);
    // The registry phase (value data, then keys) and the deep registry phase (the fixed places,
    // the REGV rows, the CLSID tree), on lists already loaded.
    void ScanRegistry();
    void ScanDeepRegistry();
    // The thirteen fixed places of the deep phase (run, Internet Explorer's keys, extensions,
    // user-agent tokens), each walked for value data.
    void ScanFixedRegistryPlaces();
    // The totals computed and the counters shown.
    void UpdateScanMovieCounters();
    // The REGV rows of the deep phase: each row's key walked for a value whose name or data
    // equals the row's text.
    void CheckRegistryValueRows();
    // The per-definition matchers as the definitions were always walked, row by row: the
    // reference the indexed matchers are held to (differential tests, benchmark).
    bool useReferenceMatchers = false;

    struct FileGroup;      // a file or folder group of the definitions
    struct PropertyGroup;  // a file-property group

private:
    // ---- loaders' frames
    void LoadFileGroups(const char* method, const FileGroup* const* groups, size_t count,
                        std::initializer_list<const char*> countKeys);
    bool LoadListEntries(const FileGroup& group, int& i);
    bool CheckDirectEntries(const FileGroup& group, int& i);
    void LoadRegKeyGroup(const char* method, const char* section, const char* keyPrefix, const char* namePrefix,
                         const char* countKey);
    void LoadPropertyGroup(const PropertyGroup& group);
    bool LoadPropertyEntries(const PropertyGroup& group, int& i);
    // The frame every definition loader shares: busy and the first status line, its count keys
    // (read, not used), the body, then a yield and busy no longer. A body that returns false
    // (the stop flag) skips that ending; an error logs "I: <i>, Method: <method>" and ends the
    // busy state.
    void RunLoader(const char* method, std::initializer_list<const char*> countKeys, int& i,
                   const std::function<bool()>& body);
    void ReadCountKeys(std::initializer_list<const char*> keys);

    // ---- the file and folder phase
    struct FileListing;
    struct FileMatchIndex;
    struct ChecksumIndex;
    void WalkFolder(const std::string& sFolder, const FileListing& listing);
    void SearchFolder(const std::string& sPath, const FileListing* listing);
    void SearchRow(const std::string& sPath, int row, std::string& lastRecorded);
    void CountFileProgress();
    std::shared_ptr<FileMatchIndex> fileIndex_;
    std::shared_ptr<ChecksumIndex> checksumIndex_;

    // ---- recording
    void MalwareFileFollowUps(const std::string& spyItem, const std::string& SpyType);
    void CountReport(const std::string& Key);
    void CheckRegistryValues(HKEY root, const std::string& keyPath, int mode, const std::string& text,
                             const std::string& SpyType);
    void CheckRegistryKType(const std::string& KeyName, const std::string& SpyType);

    // ---- registry and memory helpers
    void WalkSubKeys(HKEY hive, HKEY key, const std::string& keyPath, int flags, int depth);
    void WalkValues(HKEY hive, HKEY key, std::string keyPath, int flags);
    void CheckValueDataRow(const base::ListItem& row);
    bool ResultsHoldItem(const std::string& item) const;
    const FragmentIndex& Fragments();
    void RebuildProcessRecord();
    void ShowPosition(const std::string& text);  // the current item, at most every few milliseconds
    // True when the key was opened. A key that is there but cannot be read is no clean key: it
    // is counted and logged by its place; a key that is not there is nothing to tell.
    bool Opened(LONG status, const std::string& place, const char* method);
    // A place the walk could not finish, logged with its place and counted.
    void Unread(long number, const std::string& description, const std::string& place, const char* method);
    // A folder the walk cannot enter: counted, and named in the error log.
    void UnreadFolder(const std::string& place, const std::string& why);

    // ---- reporting
    void YieldToMessages();   // at most every few milliseconds
    void SetBusy(bool busy);  // while a load or a walk runs
    void StatusUpdate();      // one more step of the load: "Loading Database - <n>"
    void ShowCurrentItem(const std::string& text);
    void ShowLoadStatus(const char* id, const char* english);  // the load's title
    void FlushDisplay();

    ScanProgress* progress_ = nullptr;
    results::FindingList* findings_;
    ULONGLONG lastYield_ = 0;
    ULONGLONG lastShown_ = 0;
    FragmentIndex fragments_;
    unsigned long long fragmentsGeneration_ = ~0ull;
    bool trojanGroupsLoaded_ = false;  // both trojan groups are in lstSearch since the last clear
    results::IgnoreListIndex ignoreList_;
    // The findings (kind, spy name, item) counted since the counters were reset.
    std::unordered_set<std::string> countedReports_;
};

// The program's scan engine, which the scanning window shows.
ScanEngine& ProgramEngine();

}  // namespace scanner
