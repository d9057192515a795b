#pragma once
// The seeded test machine: a small, realistic infection planted in the Wine prefix for the life
// of one object, with look-alike clean items beside it, and the findings a scan of it records
// with the sample definitions (assets/definitions/definitions.txt).
//
// Constructing it first puts back whatever a crashed earlier run left (its journal in the
// temporary folder), then plants. Destroying it ends the started processes, deletes what it
// made and restores every value and the hosts file it changed, byte for byte.
//
// It changes shared places of the prefix (the hosts file, the Run keys, the Windows and system
// folders, Program Files, the cookies folder): a test that uses it carries the CTest
// RESOURCE_LOCKs seeded, hosts and runkey.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace testing_support {

// The folders the machine plants into, as this prefix names them (no trailing backslash).
struct SeededFolders {
    std::string windows;       // GetWindowsDirectoryA
    std::string system;        // GetSystemDirectoryA
    std::string programFiles;  // ProgramFilesDir
    std::string appData;       // Shell Folders\AppData
    std::string temp;          // GetTempPathA
    std::string cookies;       // Shell Folders\Cookies
    std::string startMenu;     // Shell Folders\Start Menu
    std::string hostsFile;     // <system>\drivers\etc\hosts
};

// Conditions under which a finding is recorded; an empty condition means always.
inline constexpr const char* kWhenAdvancedScanning = "AdvancedScanning on";
inline constexpr const char* kWhenAllCookies = "AllCookies on";
inline constexpr const char* kWhenExpandSzRead = "REG_EXPAND_SZ data read as text";
inline constexpr const char* kWhenProcessesListed = "running processes listed before the file phase";
inline constexpr const char* kWhenNoEarlierRow = "no results row for the item yet (registry phase not run before)";

// One finding as the recorder gets it (the fields of AddSpytoListview).
struct SeededFinding {
    std::string phase;  // "memory", "registry", "deepregistry", "files", "cookies" or "hosts"
    std::string kind;   // "Malware File", "Malware Folder", "Tracking Cookie", "Malware Process",
                        // "Malware RegKey", "Malware RegValue", "Malware RegData", "Bad Hosts Entry"
    std::string spyType;
    std::string item;
    std::string toolTip;  // for a process: its id as decimal text
    std::string tag;
    std::string replace;
    std::string condition;  // empty, or one of the kWhen... texts
    std::string how;        // which definition and which route records it
};

enum class SeededPlace { File, Folder, Shortcut, Key, Value, Process, Cookie, HostsLine };

// One planted thing. Infection items are named by the sample definitions; look-alikes are
// similar but clean, and no phase may record them.
struct SeededItem {
    SeededPlace place;
    std::string where;  // a path; "ROOT\key"; "ROOT\key" for a value (name below); a hosts line
    std::string name;   // value name (values only)
    bool lookAlike = false;
    std::string note;
};

class SeededMachine {
public:
    SeededMachine();
    ~SeededMachine();
    SeededMachine(const SeededMachine&) = delete;
    SeededMachine& operator=(const SeededMachine&) = delete;

    const SeededFolders& Folders() const { return folders_; }
    const std::vector<SeededItem>& Items() const { return items_; }
    std::vector<SeededItem> Infection() const;
    std::vector<SeededItem> LookAlikes() const;

    // Every expected finding, in the order a phase records them.
    const std::vector<SeededFinding>& Expected() const { return expected_; }
    // The findings of one phase whose condition is empty or among `conditions`.
    std::vector<SeededFinding> Expected(const std::string& phase, const std::set<std::string>& conditions = {}) const;

    // The id of the started process running the planted program at `path` (0 when none).
    DWORD ProcessId(const std::string& path) const;
    // Seconds the constructor took (planting included).
    double PlantSeconds() const { return plantSeconds_; }

    // Puts back what a crashed run left behind, from its journal. The constructor calls it.
    static void RemoveLeftovers();
    // The journal folder (in the temporary folder) that holds what a run has changed.
    static std::string JournalFolder();

private:
    struct Started {
        std::string path;
        HANDLE process;
        DWORD pid;
    };
    void Plant();
    void TearDown();
    void StartProcesses();
    void BuildExpected();

    SeededFolders folders_;
    std::vector<SeededItem> items_;
    std::vector<std::string> beyondAnsi_;  // the planted files only wide calls reach, as the program names them
    std::vector<SeededFinding> expected_;
    std::vector<Started> started_;
    HANDLE job_ = nullptr;
    bool comStarted_ = false;
    double plantSeconds_ = 0;
};

// The folders of this prefix, read as the machine reads them.
SeededFolders ReadSeededFolders();
// The long and the short (8.3) form of an existing path, as GetShortPathNameA gives it.
std::string ShortPathOf(const std::string& path);

}  // namespace testing_support
