#include "scanner/HostsMatcher.h"

#include <utility>

#include "base/Text.h"

namespace scanner {
namespace {

// The host names of an entry as a definition names them: without a comment after them
// ("1.2.3.4 host # note"), upper-cased; empty for a comment line.
std::string HostKey(const HostsEntry& e) {
    if (!e.isEntry) return {};
    const size_t hash = e.host.find('#');
    return base::UCase(hash == std::string::npos ? e.host : base::Trim(e.host.substr(0, hash)));
}

}  // namespace

HostsMatcher::HostsMatcher(const std::vector<HostsEntry>& entries) {
    for (size_t j = 0; j < entries.size(); ++j) {
        std::string key = HostKey(entries[j]);
        if (!key.empty()) byHost_[std::move(key)].push_back(j);
    }
}

const std::vector<size_t>& HostsMatcher::EntriesNamed(const std::string& definitionHost) const {
    const auto found = byHost_.find(base::UCase(definitionHost));
    return found == byHost_.end() ? none_ : found->second;
}

std::vector<size_t> HostsMatcher::EntriesNamedByWalk(const std::vector<HostsEntry>& entries,
                                                     const std::string& definitionHost) {
    std::vector<size_t> named;
    const std::string wanted = base::UCase(definitionHost);
    for (size_t j = 0; j < entries.size(); ++j) {
        const std::string key = HostKey(entries[j]);
        if (!key.empty() && key == wanted) named.push_back(j);
    }
    return named;
}

}  // namespace scanner
