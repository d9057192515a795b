#pragma once
// Which hosts-file entries a hosts definition names: the entries one of whose host names equals
// the definition's (case-blind, whole name; an entry may carry several names, and a comment after
// them is left out), in file order. Comment lines and entries without a host are named by no
// definition.
//
// The index answers exactly what the walk over every entry answers (the reference).
#include <string>
#include <unordered_map>
#include <vector>

#include "core/HostsFile.h"

namespace scanner {

class HostsMatcher {
public:
    // Indexes `entries` (the records of the hosts file, without the spare one).
    explicit HostsMatcher(const std::vector<HostsEntry>& entries);
    // The positions in `entries` of the entries named by `definitionHost`.
    const std::vector<size_t>& EntriesNamed(const std::string& definitionHost) const;
    // The same answer by comparing every entry.
    static std::vector<size_t> EntriesNamedByWalk(const std::vector<HostsEntry>& entries,
                                                  const std::string& definitionHost);
    // The entry's name that the definition names, as the entry writes it; "" for none.
    static std::string NameIn(const HostsEntry& entry, const std::string& definitionHost);

private:
    std::unordered_map<std::string, std::vector<size_t>> byHost_;
    std::vector<size_t> none_;
};

}  // namespace scanner
