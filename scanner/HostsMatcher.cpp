#include "scanner/HostsMatcher.h"

#include <utility>

#include "base/Text.h"
#include "core/HostsFile.h"

namespace scanner {

HostsMatcher::HostsMatcher(const std::vector<HostsEntry>& entries) {
    for (size_t j = 0; j < entries.size(); ++j)
        for (const std::string& name : modMain::HostNames(entries[j])) {
            std::vector<size_t>& named = byHost_[base::UCase(name)];
            if (named.empty() || named.back() != j) named.push_back(j);  // a name twice in one record
        }
}

const std::vector<size_t>& HostsMatcher::EntriesNamed(const std::string& definitionHost) const {
    const auto found = byHost_.find(base::UCase(definitionHost));
    return found == byHost_.end() ? none_ : found->second;
}

std::vector<size_t> HostsMatcher::EntriesNamedByWalk(const std::vector<HostsEntry>& entries,
                                                     const std::string& definitionHost) {
    std::vector<size_t> named;
    for (size_t j = 0; j < entries.size(); ++j)
        if (!NameIn(entries[j], definitionHost).empty()) named.push_back(j);
    return named;
}

std::string HostsMatcher::NameIn(const HostsEntry& entry, const std::string& definitionHost) {
    if (definitionHost.empty()) return {};
    for (const std::string& name : modMain::HostNames(entry))
        if (base::EqualsNoCase(name, definitionHost)) return name;
    return {};
}

}  // namespace scanner
