#include "monitorlib/MonitorList.h"

#include <cstring>

namespace halvex {

MonitorList::Entries::iterator MonitorList::Search(const char* path, HKEY filterRoot) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        const MonitorEntry& e = **it;
        if (filterRoot != nullptr && e.root != filterRoot) continue;
        if (std::strcmp(e.path.c_str(), path) == 0) return it;
    }
    return entries_.end();
}

MonitorList::Entries::iterator MonitorList::SearchId(unsigned id) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if ((*it)->id == id) return it;
    return entries_.end();
}

std::unique_ptr<MonitorEntry> MonitorList::Take(Entries::iterator it) {
    if (it == entries_.end()) return nullptr;
    std::unique_ptr<MonitorEntry> entry = std::move(*it);
    entries_.erase(it);
    return entry;
}

MonitorEntry* MonitorList::Find(const char* path, HKEY filterRoot) {
    auto it = Search(path, filterRoot);
    return it == entries_.end() ? nullptr : it->get();
}

std::unique_ptr<MonitorEntry> MonitorList::Remove(const char* path, HKEY filterRoot) {
    return Take(Search(path, filterRoot));
}

MonitorEntry* MonitorList::FindById(unsigned id) {
    auto it = SearchId(id);
    return it == entries_.end() ? nullptr : it->get();
}

std::unique_ptr<MonitorEntry> MonitorList::RemoveById(unsigned id) { return Take(SearchId(id)); }

}  // namespace halvex
