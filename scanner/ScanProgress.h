#pragma once
// What a scan and a definitions load tell whoever shows them: the scanning window implements
// it; without one (tests, a scan nobody watches) nothing is shown.
#include <string>

namespace scanner {

// The per-scan counters of the findings and of the processes listed.
struct ScanCounters {
    long ProcCount = 0;              // "Malware Process"
    long RegCount = 0;               // "Malware RegKey", "Malware RegValue", "Malware RegData"
    long FolderCount = 0;            // "Malware Folder"
    long FileCount = 0;              // "Malware File", "Tracking Cookie", "Bad Hosts Entry"
    long RunningProcCount = 0;       // processes listed
    long ComponentCount = 0;         // the four kind counters together
    long IgnoreComponentCount = 0;   // findings held back by the ignore list
    long NewComponentCount = 0;      // ComponentCount less IgnoreComponentCount
    long RegistryItemsSearched = 0;  // registry keys and values looked at
    long ProcessChecks = 0;          // process-against-definition comparisons
    long UnreadPlaces = 0;           // registry keys that could not be read (each in the error log)
    long UnreadFolders = 0;          // folders the file phase could not walk (each in the error log)
};

class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    // The title of the running phase or load.
    virtual void Title(const std::string& text) = 0;
    // The load's status line: "Loading Database - <count>".
    virtual void LoadStatus(long count) = 0;
    // The item being looked at.
    virtual void CurrentItem(const std::string& text) = 0;
    virtual void CountersChanged(const ScanCounters& counters) = 0;
    // True while a load or a walk runs, false once it has ended.
    virtual void Busy(bool busy) = 0;
    // Lets the message loop run (repaint, Abort, Close); called every few milliseconds at most.
    virtual void Pump() = 0;
    // The file walk's counters: files listed, folders searched.
    virtual void FileCounters(long /*filesSeen*/, long /*foldersSearched*/) {}
    // Shows at once whatever is still pending: the caller's own writes come next.
    virtual void Flush() = 0;
};

}  // namespace scanner
