#include "results/KeepList.h"

#include <windows.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/AtomicFile.h"
#include "definitions/StringCipher.h"

namespace results {
namespace {

std::string Field(const std::string& plain) {
    std::string hex = modEncryption::Encrypte(plain);
    if (hex.empty() && !plain.empty())
        throw base::RuntimeError(base::errInvalidProcedureCall, "The text could not be enciphered");
    return hex;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

std::string KeepRecord(const IgnoreRecord& r) {
    return "\"" + Field(r.kind) + "\",\"" + Field(r.item) + "\",\"" + Field(r.spyName) + "\"\r\n";
}

int moveCheckedToKeepList(FindingList& list, const std::string& path) {
    int moved = 0;
    for (int i = list.Count(); i >= 1; --i) {
        const base::ListItem& row = list.Rows()(i);
        if (!row.Checked) continue;
        const IgnoreRecord record{row.Text, row.SubItems(2), row.SubItems(1)};
        const bool written =
            base::TrapWith([&] { base::AppendText(path, KeepRecord(record)); },
                           [&] { return base::MethodTail("moveCheckedToKeepList", "I: " + std::to_string(i)); });
        if (!written) continue;
        list.Rows().Remove(i);
        ++moved;
    }
    return moved;
}

std::vector<IgnoreRecord> ReadKeepList(const std::string& path) {
    if (!base::FileExists(path)) return {};
    return ReadIgnoreRecords(base::ReadWhole(path));
}

void RewriteKeepList(const std::string& path, const std::vector<IgnoreRecord>& records) {
    const std::string temp = FolderOf(path) + "\\" + kIgnoreTempFile;
    if (base::FileExists(temp) && !DeleteFileA(temp.c_str())) throw base::RuntimeError(base::errPermissionDenied);
    if (records.empty()) {
        if (base::FileExists(path) && !DeleteFileA(path.c_str())) throw base::RuntimeError(base::errPermissionDenied);
        return;
    }
    std::string content;
    for (const IgnoreRecord& r : records) content += KeepRecord(r);
    ReplaceFileContent(path, content);
}

std::string IgnoreListString(const std::vector<IgnoreRecord>& records) {
    std::string s;
    for (const IgnoreRecord& r : records) s += base::UCase(r.kind) + "|" + r.spyName + "|" + r.item + "|";
    return s;
}

}  // namespace results
