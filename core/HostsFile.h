#pragma once
// The system's hosts file: read into records for the hosts scan, rewritten whole to drop entries.
//
// One path for reading and rewriting: <system folder>\drivers\etc\hosts on the NT family,
// <Windows folder>\hosts on Windows 95, 98 and Me. The rewrite never leaves the file missing or
// half written, and it refuses to run from a read that did not complete.
#include <string>
#include <vector>

struct HostsEntry {
    bool isEntry = false;  // an address line (true) or a comment line (false)
    std::string text;      // the address, or the whole comment line
    std::string host;      // the rest of an address line; empty for a comment
};

// One record per stored line in file order, then one spare empty record: the number of stored
// lines is gb_hostsEntries.size() - 1. The hosts scan empties the texts of records it wants
// dropped silently.
inline std::vector<HostsEntry> gb_hostsEntries;

namespace modMain {

std::string HostsFilePath();
// Fills gb_hostsEntries from the hosts file. On failure logs "Method: readHost" and keeps what
// was read so far; a later rewrite from that partial list is refused.
void readHost();
// True when the file was rewritten. With host and ip both given, reads the file again and, in
// every address record of that address (case-blind), drops the record when its host text equals
// host, or else drops the name host from the record's names and keeps the others (and a comment
// after them); a record left with no name goes. With either empty, rewrites from the records as
// they stand, leaving out those whose address and host are both empty.
bool DeleteHostsEntry(const std::string& host, const std::string& ip);

// The host names of an address record as written: the words of its host text before a comment
// ("#"). None for a comment line, nor for a line whose comment starts in the address.
std::vector<std::string> HostNames(const HostsEntry& e);

}  // namespace modMain
