#include "results/ResultsFile.h"

#include <windows.h>

#include "base/ErrorLog.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/AtomicFile.h"

namespace results {

std::string ResultsRecord(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        out += '"';
        for (char c : fields[i]) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    out += "\r\n";
    return out;
}

std::vector<std::vector<std::string>> ParseResultsRecords(const std::string& content) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    std::string field;
    bool anything = false;  // the current record has begun
    size_t i = 0;
    const size_t n = content.size();
    auto endRecord = [&] {
        if (anything) {
            fields.push_back(std::move(field));
            records.push_back(std::move(fields));
        }
        fields.clear();
        field.clear();
        anything = false;
    };
    while (i < n) {
        const char c = content[i];
        if (c == '"') {
            anything = true;
            ++i;
            while (i < n) {
                if (content[i] == '"') {
                    if (i + 1 < n && content[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += content[i++];
            }
            // Anything between the closing quote and the next separator is dropped.
            while (i < n && content[i] != ',' && content[i] != '\r' && content[i] != '\n') ++i;
        } else if (c == ',') {
            anything = true;
            fields.push_back(std::move(field));
            field.clear();
            ++i;
        } else if (c == '\r' || c == '\n') {
            endRecord();
            ++i;
            if (c == '\r' && i < n && content[i] == '\n') ++i;
        } else {
            if (c != ' ' && c != '\t') anything = true;
            if (anything) field += c;
            ++i;
        }
    }
    endRecord();
    return records;
}

bool saveListtoFile(const FindingList& list, const std::string& path) {
    return base::Trap("saveListtoFile", [&] {
        std::string content;
        const base::ListItems& rows = list.Rows();
        for (int i = 1; i <= rows.Count(); ++i) {
            const base::ListItem& r = rows(i);
            content += ResultsRecord(
                {r.Text, r.SubItems(1), r.SubItems(2), r.SubItems(3), r.ToolTipText, r.Checked ? "1" : "0"});
        }
        ReplaceFileContent(path, content);
    });
}

bool readListFromFile(FindingList& list, const std::string& path, bool checked) {
    if (!base::FileExists(path)) return true;
    std::string content;
    if (!base::Trap("readListFromFile", [&] { content = base::ReadWhole(path); })) return false;
    list.Clear();
    for (auto& f : ParseResultsRecords(content)) {
        const bool hasState = f.size() >= 6 && (f[5] == "0" || f[5] == "1");
        f.resize(6);
        const std::string kind = base::UCase(f[0]);
        if (kind == "MALWARE FILE" && !base::FileExists(f[2])) continue;
        if (kind == "MALWARE FOLDER" && !base::FolderExists(f[2])) continue;
        Finding fields;
        fields.SpyType = f[1];
        fields.spyItem = f[2];
        fields.ItemReplace = f[3];
        fields.ItemToolTip = f[4];
        fields.Checked = hasState ? f[5] == "1" : checked;
        list.AddRow(f[0], fields);
    }
    return true;
}

bool DropResultsFile(FindingList& list, const std::string& path) {
    list.newerThanFile = true;
    if (!base::FileExists(path)) return true;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path.c_str()) || !base::FileExists(path)) return true;
    const DWORD err = GetLastError();
    base::LogErrorLine(std::to_string(err), "The results file " + path + " could not be deleted",
                       "Method: DropResultsFile");
    return false;
}

bool SaveResults(FindingList& list, const std::string& path) {
    if (!saveListtoFile(list, path)) return false;
    list.newerThanFile = false;
    return true;
}

bool LoadResults(FindingList& list, const std::string& path, bool checked) {
    if (list.newerThanFile) return true;
    return readListFromFile(list, path, checked);
}

}  // namespace results
