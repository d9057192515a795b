#pragma once
// The results file (rslt.qvl in the program folder): the results list between showings of the
// results window and across runs. One record a row, in list order, ended by CR LF: double-quoted
// fields separated by commas - kind, spy name, item, replacement, tool tip, and the check state
// ("1" or "0"). A row the user unchecked stays unchecked when the list is read back, so no
// later action takes it; a record without the sixth field (an older file) is checked by the
// options.
//
// A double quote inside a field is written doubled, so a value name or a replacement text that
// holds one reads back unchanged (files written before held no such field: they read the same).
// A line break inside a quoted field belongs to the field. The file is replaced whole, so a
// failed save leaves the previous file as it was.
#include <string>
#include <vector>

#include "results/FindingList.h"

namespace results {

inline constexpr const char* kResultsFile = "rslt.qvl";

// The bytes of one record for these fields.
std::string ResultsRecord(const std::vector<std::string>& fields);
// Every record of the text: its fields as written, quotes undoubled.
std::vector<std::vector<std::string>> ParseResultsRecords(const std::string& content);

// saveListtoFile: true when the whole list is in the file. On failure the previous file stays
// and one error-log entry names saveListtoFile.
bool saveListtoFile(const FindingList& list, const std::string& path);
// readListFromFile: a missing file leaves the list as it is. Otherwise the list is replaced by
// the records, skipping "Malware File" / "Malware Folder" records (kind compared ignoring case)
// whose file or folder is gone. A row is checked as its record says, or, for a record without
// a check state, when `checked`. Rows keep an empty tag.
// False (with one error-log entry naming readListFromFile) when the file could not be read.
bool readListFromFile(FindingList& list, const std::string& path, bool checked);

// A list and its file (results/ScanResults.h alone calls these for the program's). A scan starts
// a list the file does not hold: DropResultsFile deletes the file of the last list and marks the
// list newer than the file, whether or not the delete worked (false, with one error-log entry
// naming the file, when the old file stays), so that LoadResults never puts an older list in
// place of the scan's. SaveResults writes the list; once a save succeeded the file holds the list
// again and LoadResults reads it.
bool DropResultsFile(FindingList& list, const std::string& path);
bool SaveResults(FindingList& list, const std::string& path);
bool LoadResults(FindingList& list, const std::string& path, bool checked);

}  // namespace results
