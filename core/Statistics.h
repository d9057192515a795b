#pragma once
// Statistics ("Statistics" section) and the result counters ("Results" section) of the
// settings store.
#include <string>

// Result counters of the last scan and removal, stored under their own names.
inline long gb_totalSpyCookiesRemoved{};
inline long gb_totalSpyFilesRemoved{};
inline long gb_totalSpyFoldersRemoved{};
inline long gb_totalSpyMemProcessRemoved{};
inline long gb_totalSpyRegistryKeysRemoved{};
inline long gb_totalSpywareFound{};

namespace modMain {

// "MMM dd, yyyy @ <time>" of the last scan start, or message 1061 ("Not Found").
std::string getLastSystemScanDate();
void setLastSystemScanDate();
short getNumberOfScans();  // 0 when nothing (or no number) is stored
void setNumberOfScans();   // one more; at 32767 the increment fails and is logged
long getNumberOfObjectsRemoved();
// Adds the stored count to n, leaves the sum in n and stores it.
void setNumberOfObjectsRemoved(long& n);
// The six counters. No handler of their own: a failure (a stored counter that is not a
// number) passes to the caller as base::RuntimeError.
void saveResultCounters();
void loadResultCounters();

}  // namespace modMain
