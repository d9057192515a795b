#include "results/IgnoreList.h"

#include <windows.h>

#include "base/TextFile.h"
#include "definitions/StringCipher.h"

namespace results {
namespace {

std::string TrimBlanks(const std::string& s) {
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
            field = TrimBlanks(line.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
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
        if (TrimBlanks(line).empty()) continue;
        records.push_back(DecipherRecord(RecordFields(line)));
    }
    return records;
}

bool IsIgnoredByWalk(const std::string& path, const std::string& kind, const std::string& item) {
    std::string content;
    if (!ReadIfPresent(path, content)) return false;
    for (const std::string& line : base::SplitLines(content)) {
        if (TrimBlanks(line).empty()) continue;
        const IgnoreRecord r = DecipherRecord(RecordFields(line));
        if (r.kind == kind && r.item == item) return true;
    }
    return false;
}

std::string IgnoreListIndex::KeyOf(const std::string& kind, const std::string& item) {
    return std::to_string(kind.size()) + ':' + kind + item;
}

void IgnoreListIndex::Clear() {
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
    const void* cipher = modEncryption::Encryptor();
    const bool same = valid_ && path == path_ && cipher == cipher_;
    if (!same || recent_ || !(stamp == stamp_)) {
        FILETIME nowFt;
        GetSystemTimeAsFileTime(&nowFt);
        const unsigned long long now = u64(nowFt.dwHighDateTime, nowFt.dwLowDateTime);
        std::string content;
        if (!ReadIfPresent(path, content)) return false;
        if (!same || content != content_) {
            pairs_.clear();
            for (const IgnoreRecord& r : ReadIgnoreRecords(content)) pairs_.insert(KeyOf(r.kind, r.item));
            content_ = std::move(content);
        }
        path_ = path;
        cipher_ = cipher;
        stamp_ = stamp;
        valid_ = true;
        constexpr unsigned long long kTwoSeconds = 2ull * 10000000ull;  // in 100 ns units
        recent_ = stamp.written + kTwoSeconds >= now;
    }
    return pairs_.count(KeyOf(kind, item)) != 0;
}
}  // namespace results
