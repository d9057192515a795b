#include "monitors/AlertStore.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "monitors/QuotedRecords.h"

namespace monitors {

namespace {

using Key = std::tuple<std::string, std::string, std::string, std::string>;
Key KeyOf(const GuardAlert& a) { return {a.guard, a.item, a.value, a.location}; }

std::string RecordOf(const GuardAlert& a) { return QuotedRecord({a.guard, a.item, a.value, a.location}); }

// What the store held the last time this process read or wrote it, so appends need not reread it.
// Any change by someone else (size or time of the last write) makes the next append read it again.
struct Cache {
    std::string path;
    unsigned long long size = 0;
    FILETIME written{};
    std::set<Key> keys;
    bool valid = false;
};
Cache cache;

bool Stamp(const std::string& path, unsigned long long& size, FILETIME& written) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    written = data.ftLastWriteTime;
    return true;
}

void Remember(const std::string& path, std::set<Key> keys) {
    cache.path = path;
    cache.keys = std::move(keys);
    cache.valid = Stamp(path, cache.size, cache.written);
}

bool CacheFresh(const std::string& path) {
    if (!cache.valid || cache.path != path) return false;
    unsigned long long size = 0;
    FILETIME written{};
    if (!Stamp(path, size, written)) return false;
    return size == cache.size && CompareFileTime(&written, &cache.written) == 0;
}

}  // namespace

std::string AlertStorePath() { return base::ProgramFilePath(kAlertStoreFile); }

std::vector<GuardAlert> ReadAlertStore(int* skipped) {
    if (skipped) *skipped = 0;
    const std::string path = AlertStorePath();
    std::vector<GuardAlert> out;
    std::set<Key> seen;
    // A folder in the store's place is no empty store: nothing may be written over it.
    if (base::FolderExists(path))
        base::Raise(base::errPathFileAccessError, "The alert store " + path + " is a folder, not a file");
    if (!base::FileExists(path)) {
        Remember(path, {});
        return out;
    }
    for (const std::string& line : base::ReadLines(path)) {
        auto fields = ParseQuotedRecord(line);
        if (!fields || fields->size() != 4) {
            if (skipped && !line.empty()) ++*skipped;
            continue;
        }
        GuardAlert a{(*fields)[0], (*fields)[1], (*fields)[2], (*fields)[3]};
        if (seen.insert(KeyOf(a)).second) out.push_back(std::move(a));
    }
    Remember(path, std::move(seen));
    return out;
}

bool AppendAlert(const GuardAlert& alert) {
    const std::string path = AlertStorePath();
    if (!CacheFresh(path)) ReadAlertStore();
    if (cache.keys.count(KeyOf(alert)) != 0) return false;
    base::AppendText(path, RecordOf(alert));
    std::set<Key> keys = std::move(cache.keys);
    keys.insert(KeyOf(alert));
    Remember(path, std::move(keys));
    return true;
}

void SaveAlertStore(const std::vector<GuardAlert>& rows, const std::vector<GuardAlert>& handled) {
    std::set<Key> keep;
    std::set<Key> gone;
    for (const auto& h : handled) gone.insert(KeyOf(h));
    std::string text;
    auto add = [&](const GuardAlert& a) {
        if (gone.count(KeyOf(a)) != 0 || !keep.insert(KeyOf(a)).second) return;
        text += RecordOf(a);
    };
    for (const auto& r : rows) add(r);
    for (const auto& r : ReadAlertStore()) add(r);
    base::WriteText(AlertStorePath(), text);
    Remember(AlertStorePath(), std::move(keep));
}

}  // namespace monitors
