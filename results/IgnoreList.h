#pragma once
// The ignore list (ignorelist.ign in the program folder): one record a line, three double-quoted
// fields separated by commas - kind, item and spy name - each stored as the string cipher's hex
// text. A finding whose kind and item equal a record's (exactly, letter case included) is held
// back; the spy name is not compared.
#include <string>
#include <unordered_set>
#include <vector>

#include "base/Handles.h"

namespace results {

inline constexpr const char* kIgnoreListFile = "ignorelist.ign";

struct IgnoreRecord {
    std::string kind, item, spyName;
};

// The fields of one record line: a quoted field runs to its closing quote (a doubled quote
// inside stands for one), an unquoted one to the next comma, blanks around it trimmed.
std::vector<std::string> RecordFields(const std::string& line);

// Every record of the file's text, each field deciphered. Empty lines are skipped; a line with
// fewer than three fields gets the missing ones empty, so a damaged record never shifts the
// records after it.
std::vector<IgnoreRecord> ReadIgnoreRecords(const std::string& content);

// The rule as the recorder states it: read the file afresh, decipher record by record, and stop
// at the first record whose kind and item equal the finding's. A missing file ignores nothing.
bool IsIgnoredByWalk(const std::string& path, const std::string& kind, const std::string& item);

// The same answers without reading and deciphering the file for every finding. The records are
// kept with the file's size and times; while those stay the same the kept records answer, and
// once they change the file is read again, and deciphered again if its bytes changed. Within two
// seconds of a write (the coarsest clock a file system keeps write times with) a second write
// could leave size and times as they were: then the folder's change notice decides, and without
// one the file is read on every call. (A writer that keeps the size and sets the times back by
// hand, on a volume without change notices, is not noticed.)
class IgnoreListIndex {
public:
    bool IsIgnored(const std::string& path, const std::string& kind, const std::string& item);
    void Clear();

private:
    struct Stamp {
        unsigned long long size = 0, written = 0, created = 0;
        bool operator==(const Stamp&) const = default;
    };
    static std::string KeyOf(const std::string& kind, const std::string& item);
    bool valid_ = false;
    bool recent_ = true;  // written within two seconds of the last read
    base::ChangeNotificationHandle watch_;
    std::string watchedFolder_;
    Stamp stamp_;
    std::string path_;
    std::string content_;
    const void* cipher_ = nullptr;
    std::unordered_set<std::string> pairs_;
};

}  // namespace results
