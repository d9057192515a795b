#include "results/ScanResults.h"

#include "base/ProgramFolder.h"
#include "results/ResultsFile.h"

namespace results {

FindingList& Findings() { return ProgramResults().List(); }

ScanResults& ProgramResults() {
    static ScanResults results;
    return results;
}

std::string ScanResults::Path() const { return path_.empty() ? base::ProgramFilePath(kResultsFile) : path_; }

bool ScanResults::HoldsFile() const { return heldGeneration_ == list_.Rows().Generation(); }

void ScanResults::HeldNow() { heldGeneration_ = list_.Rows().Generation(); }

bool ScanResults::BeginScan() { return DropResultsFile(list_, Path()); }

bool ScanResults::Save() {
    if (!SaveResults(list_, Path())) return false;
    HeldNow();
    return true;
}

FindingList& ScanResults::Open(bool checked) {
    // Read as LoadResults decides, but not again over a list that is what the file holds.
    if (!list_.newerThanFile && !HoldsFile() && LoadResults(list_, Path(), checked)) HeldNow();
    return list_;
}

bool ScanResults::Close() { return Save(); }

void ScanResults::Release() {
    if (list_.newerThanFile) return;
    list_.Clear();
}

bool ScanResults::SaveIfChanged() { return !list_.newerThanFile || Save(); }

std::string ScanResults::NotSavedText() const {
    return "The results could not be saved to " + Path() +
           ". They stay listed until Corvane ends; the error log tells why.";
}

}  // namespace results
