#pragma once
// The write side of the keep (ignore) list: moving checked results rows into it, and rewriting
// it without the rows the user took out. Records as results/IgnoreList.h reads them.
//
// A results row leaves the results list only once its record is in the file. A rewrite
// replaces the whole file in one step, so a failure leaves the list as it was; a temporary
// file left by an older program's failed rewrite is deleted first and never adds its records.
#include <string>
#include <vector>

#include "results/FindingList.h"
#include "results/IgnoreList.h"

namespace results {

inline constexpr const char* kIgnoreTempFile = "ignoretemplist.ign";

// The bytes of one record: the three fields enciphered, quoted, separated by commas, CR LF.
// Throws base::RuntimeError when the cipher fails (an empty field would hold back nothing).
std::string KeepRecord(const IgnoreRecord& record);

// moveCheckedToKeepList: from the last row up, appends every checked row (kind, item, spy name)
// and then removes it. A row whose record could not be written stays, checked; each failure
// writes one error-log entry. Returns the number of rows moved.
int moveCheckedToKeepList(FindingList& list, const std::string& path);

// The records of the file; a missing file gives none. Throws when it cannot be read.
std::vector<IgnoreRecord> ReadKeepList(const std::string& path);
// Replaces the file by these records (deletes it when there are none). The file in the same
// folder named kIgnoreTempFile is deleted first. Throws base::RuntimeError on failure; the file
// is then as it was.
void RewriteKeepList(const std::string& path, const std::vector<IgnoreRecord>& records);

// "_root.IgnoreListString": for every record its upper-cased kind, spy name and item, each
// followed by "|".
std::string IgnoreListString(const std::vector<IgnoreRecord>& records);

}  // namespace results
