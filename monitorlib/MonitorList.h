#pragma once
// The watches: one MonitorEntry per watch, kept in one of two lists (folders, registry keys).
// The lists live on the thread that calls the exports; workers only read their own entry.
#include <windows.h>

#include <list>
#include <memory>
#include <string>

#include "base/Handles.h"

namespace halvex {

// Longest path a watch takes: the change text "<path> changes" must fit the 260-byte text buffer.
inline constexpr size_t kMaxPathLength = MAX_PATH - sizeof(" changes");  // 251

struct MonitorEntry {
    HWND window = nullptr;  // receives every text of this watch
    HKEY root = nullptr;    // registry watches only
    std::string path;       // exactly as the caller passed it
    base::Handle thread;

    unsigned id = 0;         // names the watch in messages from its worker; never reused
    HWND courier = nullptr;  // the window on the caller's thread that hands texts to `window`
    base::Handle armed;      // manual reset: the worker watches (set before its first wait)
    base::Handle stop;       // manual reset: the watch is over
    base::Handle delivered;  // auto reset: the receiver has handled the last text
    std::string ChangeText() const { return path + " changes"; }
};

class MonitorList {
public:
    int count() const { return static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    // New watches go to the front, so searches meet the latest one first.
    void PushFront(std::unique_ptr<MonitorEntry> entry) { entries_.push_front(std::move(entry)); }
    // First entry with this exact path (case counts) whose root matches; filterRoot 0 matches any root.
    MonitorEntry* Find(const char* path, HKEY filterRoot);
    std::unique_ptr<MonitorEntry> Remove(const char* path, HKEY filterRoot);
    MonitorEntry* FindById(unsigned id);
    std::unique_ptr<MonitorEntry> RemoveById(unsigned id);

private:
    using Entries = std::list<std::unique_ptr<MonitorEntry>>;
    Entries::iterator Search(const char* path, HKEY filterRoot);
    Entries::iterator SearchId(unsigned id);
    std::unique_ptr<MonitorEntry> Take(Entries::iterator it);
    Entries entries_;
};

}  // namespace halvex
