#include "results/IgnoreList.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/TextFile.h"
#include "definitions/StringCipher.h"

namespace results {
namespace {

std::string TrimFieldSpace(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Decipher(std::string field) { return modEncryption::Decrypt(field); }

IgnoreRecord DecipherRecord(const std::vector<std::string>& fields) {
    IgnoreRecord r;
    if (fields.size() > 0) r.kind = Decipher(fields[0]);
    if (fields.size() > 1) r.item = Decipher(fields[1]);
    if (fields.size() > 2) r.spyName = Decipher(fields[2]);
    return r;
}

// Reads the file when it is there; false when it is missing or cannot be read.
bool ReadIfPresent(const std::string& path, std::string& content) {
    if (!base::FileExists(path)) return false;
    try {
        content = base::ReadWhole(path);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::vector<std::string> RecordFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t i = 0;
    const size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::string field;
        if (i < n && line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.push_back(line[i++]);
            }
            while (i < n && line[i] != ',') ++i;  // anything after the closing quote is dropped
        } else {
            const size_t comma = line.find(',', i);
            field = TrimFieldSpace(line.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
            i = comma == std::string::npos ? n : comma;
        }
        fields.push_back(std::move(field));
        if (i >= n) break;
        ++i;  // the comma
    }
    return fields;
}

std::vector<IgnoreRecord> ReadIgnoreRecords(const std::string& content) {
    std::vector<IgnoreRecord> records;
    for (const std::string& line : base::SplitLines(content)) {
        if (TrimFieldSpace(line).empty()) continue;
        records.push_back(DecipherRecord(RecordFields(line)));
    }
    return records;
}

bool IsIgnoredByWalk(const std::string& path, const std::string& kind, const std::string& item) {
    std::string content;
    if (!ReadIfPresent(path, content)) return false;
    for (const std::string& line : base::SplitLines(content)) {
        if (TrimFieldSpace(line).empty()) continue;
        const IgnoreRecord r = DecipherRecord(RecordFields(line));
        if (r.kind == kind && r.item == item) return true;
    }
    return false;
}

std::string IgnoreListIndex::KeyOf(const std::string& kind, const std::string& item) {
    return std::to_string(kind.size()) + ':' + kind + item;
}

void IgnoreListIndex::Clear() {
    watch_.reset();
    watchedFolder_.clear();
    valid_ = false;
    recent_ = true;
    stamp_ = {};
    path_.clear();
    content_.clear();
    pairs_.clear();
    cipher_ = nullptr;
}

bool IgnoreListIndex::IsIgnored(const std::string& path, const std::string& kind, const std::string& item) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;  // no list: nothing is ignored
    auto u64 = [](DWORD high, DWORD low) { return (static_cast<unsigned long long>(high) << 32) | low; };
    const Stamp stamp{u64(info.nFileSizeHigh, info.nFileSizeLow),
                      u64(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime),
                      u64(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime)};
    FILETIME nowFt;
    GetSystemTimeAsFileTime(&nowFt);
    const unsigned long long now = u64(nowFt.dwHighDateTime, nowFt.dwLowDateTime);
    constexpr unsigned long long kTwoSeconds = 2ull * 10000000ull;  // in 100 ns units

    const void* cipher = modEncryption::Encryptor();
    bool same = valid_ && path == path_ && cipher == cipher_ && stamp == stamp_;
    if (same && recent_) {
        // Written so lately that a second write could have left the same size and times: the
        // folder's change notice tells whether anything was written since the list was read.
        if (stamp.written + kTwoSeconds < now) {
            recent_ = false;
        } else if (!watch_ || WaitForSingleObject(watch_.get(), 0) != WAIT_TIMEOUT) {
            same = false;
        }
    }
    if (!same) {
        // Watch the folder before reading, so a write after the read is noticed.
        const size_t slash = path.find_last_of('\\');
        const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
        if (!watch_ || folder != watchedFolder_) {
            watch_.reset(FindFirstChangeNotificationA(
                folder.c_str(), FALSE,
                FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
            watchedFolder_ = folder;
        } else if (WaitForSingleObject(watch_.get(), 0) == WAIT_OBJECT_0 && !FindNextChangeNotification(watch_.get())) {
            watch_.reset();
        }
        std::string content;
        if (!ReadIfPresent(path, content)) return false;
        if (!(valid_ && path == path_ && cipher == cipher_) || content != content_) {
            pairs_.clear();
            for (const IgnoreRecord& r : ReadIgnoreRecords(content)) pairs_.insert(KeyOf(r.kind, r.item));
            content_ = std::move(content);
        }
        path_ = path;
        cipher_ = cipher;
        stamp_ = stamp;
        valid_ = true;
        recent_ = stamp.written + kTwoSeconds >= now;
    }
    return pairs_.count(KeyOf(kind, item)) != 0;
}

}  // namespace results
