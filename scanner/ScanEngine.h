#pragma once
// The scan engine: the definition lists a definitions load fills group by group, the per-scan
// counters, and the one path by which every finding reaches the results list. It has no window:
// it reports through a ScanProgress (the scanning window, when one shows it), records into a
// FindingList (the program's results list unless told otherwise), and leaves the registry
// look-ups of a found file to its RegistryChecks.
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
#include "scanner/RegistryChecks.h"
#include "scanner/ScanProgress.h"

namespace scanner {

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
    void SetRegistryChecks(RegistryChecks* checks) { registryChecks_ = checks; }

    // A new scan's counters: every counter zero, every finding countable again.
    void ResetCounters();
    // Everything back as before the first scan: counters, the ignore list's cache, the lists' state.
    void Reset();

    // ---- definitions load
    // Empties the fourteen lists, then loads the groups the load flags choose (with `onlyFiles`,
    // the file and folder groups whatever the flags say).
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

    // ---- look-ups in the results list
    bool isSpyInResultList(const std::string& Key, const std::string& SpyType, const std::string& spyItem);
    void findFolderInList(const std::string& folder, const std::string& fileName, const std::string& SpyType);
    bool findFolderInListExists(const std::string& folder);

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
    // The frame every definition loader shares: hourglass and first status line, its count keys
    // (read, not used), the body, then a yield and the pointer back. A body that returns false
    // (the stop flag) skips that ending; an error logs "I: <i>, Method: <method>" and restores the
    // pointer.
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
    void UpdateScanMovieCounters();
    void CheckRegistryValues(HKEY root, const std::string& keyPath, int mode, const std::string& text,
                             const std::string& SpyType);
    void CheckRegistryKType(const std::string& KeyName, const std::string& SpyType);

    // ---- reporting
    void YieldToMessages();             // at most every few milliseconds
    void SetMousePointer(int pointer);  // 0 default, 11 hourglass
    void StatusUpdate();                // one more step of the load: "Loading Database - <n>"
    void ShowCurrentItem(const std::string& text);
    void ShowLoadStatus(const char* id, const char* english);  // the load's title
    void FlushDisplay();

    ScanProgress* progress_ = nullptr;
    results::FindingList* findings_;
    RegistryChecks* registryChecks_ = nullptr;
    ULONGLONG lastYield_ = 0;
    bool trojanGroupsLoaded_ = false;  // both trojan groups are in lstSearch since the last clear
    results::IgnoreListIndex ignoreList_;
    // The findings (kind, spy name, item) counted since the counters were reset.
    std::unordered_set<std::string> countedReports_;
};

// The program's scan engine, which the scanning window shows.
ScanEngine& ProgramEngine();

}  // namespace scanner
