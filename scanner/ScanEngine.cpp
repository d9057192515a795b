#include "scanner/ScanEngine.h"

#include "core/Globals.h"
#include "core/modLanguage.h"
#include "definitions/DefinitionsStore.h"

namespace scanner {
namespace {
// Loops yield to the message loop at most this often: often enough for the window to repaint and
// for Abort and Close to run, seldom enough that a yield does not cost more than the entry.
constexpr ULONGLONG kYieldMs = 10;
}  // namespace

ScanEngine& ProgramEngine() {
    static ScanEngine engine;
    return engine;
}

ScanEngine::ScanEngine() : findings_(&results::Findings()) {}

void ScanEngine::ResetCounters() {
    counters = ScanCounters{};
    FilesSeen = FoldersSearched = 0;
    countedReports_.clear();
    gb_progressCount = 0;
}

void ScanEngine::ResetSearchCounters() {
    FilesSeen = FoldersSearched = 0;
    counters.RegistryItemsSearched = counters.ProcessChecks = 0;
    if (progress_) progress_->FileCounters(0, 0);
}

void ScanEngine::Reset() {
    counters = ScanCounters{};
    FilesSeen = FoldersSearched = 0;
    countedReports_.clear();
    ignoreList_.Clear();
    trojanGroupsLoaded_ = false;
}

void ScanEngine::YieldToMessages() {
    if (!progress_ || GetTickCount64() - lastYield_ < kYieldMs) return;
    // The interval runs from the start of a pump: a pump that took longer than it (a window the
    // user moved) is followed by the next at the next look.
    lastYield_ = GetTickCount64();
    progress_->Pump();
}

void ScanEngine::SetBusy(bool busy) {
    if (progress_) progress_->Busy(busy);
}

void ScanEngine::StatusUpdate() {
    ++gb_progressCount;
    if (progress_) progress_->LoadStatus(gb_progressCount);
}

void ScanEngine::ShowCurrentItem(const std::string& text) {
    if (progress_) progress_->CurrentItem(text);
}

void ScanEngine::ShowLoadStatus(const char* id, const char* english) {
    if (progress_) progress_->Title(modLanguage::getMessage(id, english));
}

void ScanEngine::FlushDisplay() {
    if (progress_) progress_->Flush();
}

void ScanEngine::ReadCountKeys(std::initializer_list<const char*> keys) {
    // Read as the loaders always have (a missing "NTOT" section is logged); they bound nothing.
    for (const char* key : keys) (void)modDefinitions::updateListfromINI("NTOT", key);
}

}  // namespace scanner
