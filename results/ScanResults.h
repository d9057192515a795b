#pragma once
// The last scan's findings and their file: the one owner of the results list and of the results
// file (rslt.qvl in the program folder). A scan starts it (BeginScan) and saves it when it ends;
// the results window asks it for the list when it opens (Open) and tells it when it closes
// (Close); the program's shut-down saves what this session changed (SaveIfChanged).
//
// Three states: the list holds a scan's rows the file does not hold yet (the list's
// newerThanFile); the list holds what the file holds (unchanged since it was saved or read); or
// the file holds a newer list than memory (nothing read yet this session, or the list emptied,
// as when it goes with its window). Only in the last does Open read the file.
#include <string>

#include "results/FindingList.h"

namespace results {

class ScanResults {
public:
    // The results file in the program folder, found afresh at each use (tests move the folder).
    ScanResults() = default;
    // A file of its own.
    explicit ScanResults(std::string path) : path_(std::move(path)) {}
    ScanResults(const ScanResults&) = delete;
    ScanResults& operator=(const ScanResults&) = delete;

    FindingList& List() { return list_; }
    std::string Path() const;

    // A scan starts a list the file does not hold: the file of the last list goes, and the list
    // is newer than the file whether or not the delete worked (false, logged, when the old file
    // stays), so that an older list never comes back in place of the scan's.
    bool BeginScan();
    // Writes the list; true when the file holds it. On failure the list stays newer than the file.
    bool Save();
    // The list to show: read from the file first when the file holds a newer list (rows whose
    // file or folder is gone are dropped; a record without a check state is checked when
    // `checked`).
    FindingList& Open(bool checked);
    // The window that showed the list closes: the list is saved (false when that failed).
    bool Close();
    // The list goes with the window once the file holds it; the file is then the newer of the two.
    void Release();
    // Saves only what this session changed (the list is newer than the file): a file that this
    // session never read is never written over. True when there was nothing to save.
    bool SaveIfChanged();
    // What the user is told when the file could not take the list.
    std::string NotSavedText() const;

private:
    bool HoldsFile() const;
    void HeldNow();

    std::string path_;
    FindingList list_;
    unsigned long long heldGeneration_ = ~0ull;  // of the rows when they were saved or read
};

// The program's results, reached by the scan drivers, the results window and the shut-down.
ScanResults& ProgramResults();

}  // namespace results
