#pragma once
// A finding of a scan: its kind, the definition's spy name, the item found, and what removal
// needs to know about it.
#include <optional>
#include <string>

namespace results {

enum class FindingKind { File, Folder, Cookie, Process, RegKey, RegValue, RegData, HostsEntry };

// The text that names a kind and heads its results row ("Malware File", ...).
const std::string& KindText(FindingKind kind);
// The kind a row's text names, exactly as written; none for any other text.
std::optional<FindingKind> KindFromText(const std::string& text);

struct Finding {
    FindingKind kind = FindingKind::File;
    std::string SpyType;      // the definition's spy name
    std::string spyItem;      // path, key, cookie, process or host
    std::string ItemReplace;  // replacement text
    std::string ItemToolTip;  // process id or full registry path
    std::string ItemTag;
    bool Checked = false;
};

}  // namespace results
