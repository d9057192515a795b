// The registry phases: the key checks, the value-data checks, the walkers and the name matcher
// they feed. Every key is opened for reading only; a walk does not follow registry links.
#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

#include "base/Handles.h"
#include "base/OsVersion.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/RegistryModule.h"
#include "core/RegistryView.h"
#include "scanner/RegistryText.h"
#include "scanner/ScanEngine.h"

using base::UCase;
using RegistryModule::FormatRegValueData;
using RegistryModule::GetHiveHandle;
using RegistryModule::GetHiveName;
using RegistryModule::RegFileForm;

namespace scanner {

namespace {

constexpr ULONGLONG kShowMs = 10;
// Deeper than the registry lets a key path go: a walk that gets here has met a loop.
constexpr int kMaxDepth = 512;

REGSAM ReadAccess() { return KEY_READ | regview::Native(); }

// Links are opened as themselves (they hold no subkeys), so a link back up the tree is no loop.
// Windows 95, 98 and Me know no links and want no options.
LONG OpenForReading(HKEY parent, const std::string& path, base::RegKey& key) {
    static const DWORD options = osversion::CurrentFamily() == osversion::Family::NT ? REG_OPTION_OPEN_LINK : 0;
    return RegOpenKeyExA(parent, path.c_str(), options, ReadAccess(), key.put());
}

bool BeginsWithClsid(const std::string& path) { return UCase(path.substr(0, 5)) == "CLSID"; }

// Upper case as base::UCase gives it; plain ASCII, nearly every key name and value, without the
// system call.
std::string Upper(const std::string& text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) return UCase(text);
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// One value of a key by index, its buffers grown until name and data fit (a long value does not
// hide the values after it). False when there is no value at the index, or it cannot be read.
class ValueReader {
public:
    std::string name, data;
    DWORD type = REG_NONE;
    LONG status = ERROR_SUCCESS;  // of the last read: ERROR_NO_MORE_ITEMS after the last value

    // The last read stopped at a value that is there but could not be read.
    bool Unread() const { return status != ERROR_SUCCESS && status != ERROR_NO_MORE_ITEMS; }

    bool Read(HKEY key, DWORD index) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            DWORD nameLen = static_cast<DWORD>(nameBuf_.size());
            DWORD dataLen = static_cast<DWORD>(dataBuf_.size());
            const LONG rc = RegEnumValueA(key, index, nameBuf_.data(), &nameLen, nullptr, &type,
                                          reinterpret_cast<BYTE*>(dataBuf_.data()), &dataLen);
            status = rc;
            if (rc == ERROR_SUCCESS) {
                name.assign(nameBuf_.data(), std::min<size_t>(nameLen, nameBuf_.size()));
                name.resize(std::min(name.size(), name.find('\0')));
                data.assign(dataBuf_.data(), std::min<size_t>(dataLen, dataBuf_.size()));
                return true;
            }
            if (rc != ERROR_MORE_DATA) return false;
            DWORD maxName = 0, maxData = 0;
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                             nullptr, nullptr);
            nameBuf_.resize(std::max<size_t>({nameBuf_.size(), size_t{maxName} + 1, size_t{16384}}));
            dataBuf_.resize(std::max<size_t>({dataBuf_.size() * 2, size_t{maxData} + 1, size_t{dataLen} + 1}));
        }
        return false;
    }

private:
    std::string nameBuf_ = std::string(256, '\0');
    std::string dataBuf_ = std::string(4096, '\0');
};

// Names of the subkeys of an open key.
std::vector<std::string> SubKeyNames(HKEY key) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

struct ReadValue {
    std::string name, text, tag, upperName, upperText;
};

}  // namespace

// ---- reporting of a walk

void ScanEngine::ShowPosition(const std::string& text) {
    if (!progress_) return;
    const ULONGLONG now = GetTickCount64();
    if (now - lastShown_ < kShowMs) return;
    lastShown_ = now;
    progress_->CurrentItem(text);
    progress_->CountersChanged(counters);
}

bool ScanEngine::Opened(LONG status, const std::string& place, const char* method) {
    if (status == ERROR_SUCCESS) return true;
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return false;
    const long number = base::RuntimeErrorFromWin32(status);
    Unread(number, base::RuntimeError(number).description() + " (system error " + std::to_string(status) + ")", place,
           method);
    return false;
}

void ScanEngine::Unread(long number, const std::string& description, const std::string& place, const char* method) {
    ++counters.UnreadPlaces;
    base::ReportTrappedAt(number, description, base::MethodTail(method, "Key: " + place));
}

void ScanEngine::UnreadFolder(const std::string& place, const std::string& why) {
    ++counters.UnreadFolders;
    base::ReportTrappedAt(base::errPathFileAccessError, "The folder could not be read: " + why,
                          base::MethodTail("subShowFolderList", "Folder: " + place));
}

namespace {
// The fence of a walk over one place: a failure is logged with the place and the place counted
// as unread, and the walk above goes on.
template <class F>
void WalkFence(ScanCounters& counters, const char* method, const std::string& place, F&& body) {
    if (!base::TrapWith(std::forward<F>(body), [&] { return base::MethodTail(method, "Key: " + place); }))
        ++counters.UnreadPlaces;
}
}  // namespace

// ---- key checks

long ScanEngine::CheckRegistryKey(const std::string& KeyName, std::string& SubKeyName) {
    return base::Trap("CheckRegistryKey", 505L, [&]() -> long {
        ShowPosition(KeyName);
        static const std::pair<const char*, HKEY> roots[] = {{"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                                                             {"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT},
                                                             {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
                                                             {"HKEY_USERS\\", HKEY_USERS}};
        SubKeyName.clear();
        for (const auto& [prefix, root] : roots) {
            const std::string p = prefix;
            if (KeyName.compare(0, p.size(), p) != 0) continue;
            SubKeyName = KeyName.substr(p.size());
            // A root alone is no definition of a key (and never a key to delete).
            if (SubKeyName.empty()) return ERROR_FILE_NOT_FOUND;
            base::RegKey key;
            return RegOpenKeyExA(root, SubKeyName.c_str(), 0, ReadAccess(), key.put());
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

void ScanEngine::CheckRegistryKType(const std::string& KeyName, const std::string& SpyType) {
    base::Trap("CheckRegistryKType", [&] {
        std::string subKey;
        const long status = CheckRegistryKey(KeyName, subKey);
        if (status == 0)
            AddSpytoListview("Malware RegKey", subKey, SpyType, 5, KeyName, "", "");
        else if (status != 505)  // 505: trapped and logged already
            Opened(status, KeyName, "CheckRegistryKType");
    });
}

void ScanEngine::CheckRegKList() {
    if (gb_scanAborted) return;
    SetBusy(true);
    YieldToMessages();
    const bool ok = base::Trap("CheckRegKList", [&] {
        const base::ListItems& rows = std::as_const(lists.lstRegKSearch).ListItems;
        for (int i = 1; i <= rows.Count(); ++i) {
            if (gb_scanAborted) return;
            const std::string key = rows(i).SubItems(2);
            const std::string spy = rows(i).SubItems(1);
            ShowPosition(key);
            ++counters.RegistryItemsSearched;
            YieldToMessages();
            if (!key.empty() && !spy.empty()) CheckRegistryKType(key, spy);
        }
        SetBusy(false);
    });
    if (!ok) SetBusy(false);
}

// ---- value data

void ScanEngine::checkRegValueData() {
    SetBusy(true);
    YieldToMessages();
    const base::ListItems& rows = std::as_const(lists.lstRegValueData).ListItems;
    for (int i = 1; i <= rows.Count(); ++i) {
        if (gb_scanAborted) return;
        YieldToMessages();
        // A faulty row is logged and skipped: the rows after it are still checked.
        base::Trap("checkRegValueData", [&] { CheckValueDataRow(rows(i)); });
    }
    SetBusy(false);
}

void ScanEngine::CheckValueDataRow(const base::ListItem& row) {
    const std::string T = row.Text, K = row.SubItems(1), V = row.SubItems(2), D = row.SubItems(3), R = row.SubItems(4);
    if (K.empty() || T.empty()) base::Raise(505, "malware type or key not valid ");
    const size_t slash = K.find('\\');
    if (slash == std::string::npos) base::Raise(505, "malware type or key not valid ");
    const HKEY hive = GetHiveHandle(K.substr(0, slash));
    if (!hive) base::Raise(505, "malware type or key not valid ");
    const std::string path = K.substr(slash + 1);
    const std::string pattern = UCase(base::Trim(D));
    auto passes = [&](const std::string& x) {
        return !x.empty() && UCase(base::Trim(x)).find(pattern) != std::string::npos;
    };
    auto testKey = [&](HKEY root, const std::string& keyPath, const std::string& toolTip) {
        ShowPosition(toolTip);
        ++counters.RegistryItemsSearched;
        if (!V.empty()) {
            if (passes(RegistryModule::QueryRegString(root, keyPath, V)))
                AddSpytoListview("Malware RegData", V, T, 5, toolTip, D, R);
            return;
        }
        std::vector<std::string> names;
        {
            base::RegKey key;
            if (!Opened(RegOpenKeyExA(root, keyPath.c_str(), 0, ReadAccess(), key.put()), toolTip, "checkRegValueData"))
                return;
            ValueReader reader;
            for (DWORD i = 0; !gb_scanAborted && reader.Read(key.get(), i); ++i) names.push_back(reader.name);
            if (!gb_scanAborted && reader.Unread()) Opened(reader.status, toolTip, "checkRegValueData");
        }
        for (const std::string& m : names) {
            if (gb_scanAborted) return;
            if (passes(RegistryModule::QueryRegString(root, keyPath, m)))
                AddSpytoListview("Malware RegData", m, T, 5, toolTip, D, R);
        }
    };
    if (hive != HKEY_USERS) {
        testKey(hive, path, K);
        return;
    }
    if (!gb_scanAllUserAccounts) return;
    // The definition names one user's key: try the same path under every user's hive.
    const size_t first = path.find('\\');
    const std::string rest = first == std::string::npos ? std::string() : path.substr(first + 1);
    std::vector<std::string> users;
    {
        base::RegKey usersKey;
        if (!Opened(RegOpenKeyExA(HKEY_USERS, "", 0, ReadAccess(), usersKey.put()), "HKEY_USERS", "checkRegValueData"))
            return;
        users = SubKeyNames(usersKey.get());
    }
    for (const std::string& s : users) {
        if (gb_scanAborted) return;
        if (s.find("Classes") != std::string::npos) continue;
        const std::string keyPath = rest.empty() ? s : s + "\\" + rest;
        testKey(HKEY_USERS, keyPath, "HKEY_USERS\\" + keyPath);
    }
}

// ---- the name matcher

const FragmentIndex& ScanEngine::Fragments() {
    const base::ListItems& rows = std::as_const(lists.lstRegistrySearch).ListItems;
    if (fragmentsGeneration_ != rows.Generation()) {
        std::vector<std::string> fragments;
        fragments.reserve(rows.Count());
        for (int i = 1; i <= rows.Count(); ++i) fragments.push_back(UCase(rows(i).Text));
        fragments_.Build(fragments);
        fragmentsGeneration_ = rows.Generation();
    }
    return fragments_;
}

bool ScanEngine::ResultsHoldItem(const std::string& item) const {
    const base::ListItems& rows = std::as_const(*findings_).Rows();
    for (int i = 1; i <= rows.Count(); ++i) {
        const base::ListItem& r = rows(i);
        for (int s = 1; s <= 3; ++s) {
            const std::string& text = r.SubItems(s);
            if (text.size() == item.size() && base::EqualsNoCase(text, item)) return true;
        }
    }
    return false;
}

void ScanEngine::CheckMatching(const std::string& sSubkey, const std::string& sCheck, const std::string& sFullPath,
                               const std::string& sSearchType, const std::string& sTag) {
    base::Trap("CheckMatching", [&] {
        ShowPosition(sCheck);
        ++counters.RegistryItemsSearched;
        const base::ListItems& rows = std::as_const(lists.lstRegistrySearch).ListItems;
        // Every matching row is tried in row order; once one has recorded the item, the results
        // list holds it and the rows after it add nothing.
        auto tryRow = [&](int i) {
            if (ResultsHoldItem(sSubkey)) return;
            const std::string spy = rows(i).SubItems(1);
            AddSpytoListview(sSearchType, sSubkey, spy, 5, sFullPath, sTag, "");
        };
        const std::string check = Upper(sCheck);
        if (useReferenceMatchers) {
            const int count = rows.Count();
            for (int i = 1; i <= count && i <= rows.Count(); ++i) {
                YieldToMessages();
                const std::string fragment = UCase(rows(i).Text);
                // An empty fragment names nothing (it would match every key and value).
                if (!fragment.empty() && check.find(fragment) != std::string::npos) tryRow(i);
            }
            return;
        }
        std::vector<int> hits;
        Fragments().FindAll(check, hits);
        for (int i : hits) tryRow(i);
    });
}

// ---- walkers

void ScanEngine::ScanRegistryKeys(HKEY hive, const std::string& keyPath, int flags) {
    if (gb_scanAborted) return;
    base::RegKey key;
    if (!Opened(OpenForReading(hive, keyPath, key), GetHiveName(hive) + "\\" + keyPath, "ScanRegistryKeys")) return;
    WalkSubKeys(hive, key.get(), keyPath, flags, 0);
}

void ScanEngine::WalkSubKeys(HKEY hive, HKEY key, const std::string& keyPath, int flags, int depth) {
    const std::string hiveName = GetHiveName(hive);
    WalkFence(counters, "WalkSubKeys", hiveName + "\\" + keyPath, [&] {
        const bool underClsid = BeginsWithClsid(keyPath);
        char name[256];
        for (DWORD index = 0; !gb_scanAborted; ++index) {
            YieldToMessages();
            DWORD len = sizeof name;
            const LONG rc = RegEnumKeyExA(key, index, name, &len, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) base::RaiseWin32(rc);
            const std::string sub(name, len);
            const std::string full = keyPath.empty() ? sub : keyPath + "\\" + sub;
            const std::string place = hiveName + "\\" + full;
            if (underClsid)
                ShowPosition(full.size() > 6 ? full.substr(6) : std::string());
            else
                ShowPosition(place);
            if (gb_scanAborted) break;
            CheckMatching(full, sub, place, "Malware RegKey", "");
            if (depth < kMaxDepth) {
                // The subkey is opened once, for its values and its own subkeys.
                base::RegKey child;
                if (Opened(OpenForReading(key, sub, child), place, "WalkSubKeys")) {
                    if (flags == 1 || flags == 2) WalkValues(hive, child.get(), full, flags);
                    WalkSubKeys(hive, child.get(), full, flags, depth + 1);
                }
            }
            ++counters.RegistryItemsSearched;
        }
    });
}

void ScanEngine::ScanRegistryValues(HKEY hive, const std::string& keyPath, int flags) {
    if (gb_scanAborted) return;
    base::RegKey key;
    if (!Opened(OpenForReading(hive, keyPath, key), GetHiveName(hive) + "\\" + keyPath, "ScanRegistryValues")) return;
    WalkValues(hive, key.get(), keyPath, flags);
}

void ScanEngine::WalkValues(HKEY hive, HKEY key, std::string keyPath, int flags) {
    const std::string hiveName = GetHiveName(hive);
    const std::string place = hiveName + "\\" + keyPath;
    WalkFence(counters, "WalkValues", place, [&] {
        const bool underClsid = BeginsWithClsid(keyPath);
        ValueReader value;
        for (DWORD index = 0; !gb_scanAborted; ++index) {
            YieldToMessages();
            ShowPosition(keyPath);
            if (!value.Read(key, index)) {
                if (value.Unread()) Opened(value.status, place, "WalkValues");
                break;
            }
            if (flags != 1 && flags != 2) continue;
            const std::string text = FormatRegValueData(value.type, value.data);
            if (!underClsid) {
                const std::string tag = RegFileForm(value.type, text, value.data);
                CheckMatching(value.name, flags == 1 ? value.name : text, place, "Malware RegValue", tag);
                continue;
            }
            // Data below a class identifier reports the class key itself.
            const size_t brace = keyPath.find('}');
            if (brace != std::string::npos) keyPath.resize(brace + 1);
            CheckMatching(keyPath, text, hiveName + "\\" + keyPath, "Malware RegKey", "");
        }
    });
}

void ScanEngine::CheckRegistryValues(HKEY root, const std::string& keyPath, int mode, const std::string& text,
                                     const std::string& SpyType) {
    if (gb_scanAborted) return;
    const std::string toolTip = GetHiveName(root) + "\\" + keyPath;
    WalkFence(counters, "CheckRegistryValues", toolTip, [&] {
        base::RegKey key;
        if (!Opened(OpenForReading(root, keyPath, key), toolTip, "CheckRegistryValues")) return;
        const std::string wanted = UCase(text);
        ValueReader value;
        for (DWORD index = 0; !gb_scanAborted && value.Read(key.get(), index); ++index) {
            if (mode == 1 || mode == 2) {
                const std::string data = FormatRegValueData(value.type, value.data);
                if (UCase(data) == wanted || UCase(value.name) == wanted)
                    AddSpytoListview("Malware RegValue", value.name, SpyType, 5, toolTip,
                                     RegFileForm(value.type, data, value.data), "");
            }
            ++counters.RegistryItemsSearched;
            ShowPosition(toolTip);
        }
        if (!gb_scanAborted && value.Unread()) Opened(value.status, toolTip, "CheckRegistryValues");
    });
}

// The REGV rows: each names a key and a text that a value's name or data must equal. Rows that
// name the same key read it once.
void ScanEngine::CheckRegistryValueRows() {
    const base::ListItems& rows = std::as_const(lists.lstRegistry).ListItems;
    struct KeyValues {
        bool opened = false;
        std::vector<ReadValue> values;
        std::unordered_multimap<std::string, size_t> byText, byName;
    };
    std::map<std::pair<HKEY, std::string>, KeyValues> cache;
    for (int i = 1; i <= rows.Count(); ++i) {
        YieldToMessages();
        if (gb_scanAborted) return;
        const std::string rowText = rows(i).Text;
        const size_t slash = rowText.find('\\');
        if (slash == std::string::npos) continue;
        const HKEY root = GetHiveHandle(rowText.substr(0, slash));
        const std::string keyPath = rowText.substr(slash + 1);
        const std::string compare = rows(i).SubItems(1), spy = rows(i).SubItems(2);
        if (useReferenceMatchers) {
            CheckRegistryValues(root, keyPath, 2, compare, spy);
            continue;
        }
        if (!root) continue;
        KeyValues& kv = cache[{root, UCase(keyPath)}];
        if (!kv.opened) {
            kv.opened = true;
            base::RegKey key;
            const std::string place = GetHiveName(root) + "\\" + keyPath;
            if (Opened(OpenForReading(root, keyPath, key), place, "CheckRegistryValueRows")) {
                ValueReader value;
                for (DWORD index = 0; !gb_scanAborted && value.Read(key.get(), index); ++index) {
                    ReadValue v;
                    v.name = value.name;
                    v.text = FormatRegValueData(value.type, value.data);
                    v.tag = RegFileForm(value.type, v.text, value.data);
                    v.upperName = UCase(v.name);
                    v.upperText = UCase(v.text);
                    kv.byText.emplace(v.upperText, kv.values.size());
                    kv.byName.emplace(v.upperName, kv.values.size());
                    kv.values.push_back(std::move(v));
                }
                if (!gb_scanAborted && value.Unread()) Opened(value.status, place, "CheckRegistryValueRows");
            }
        }
        const std::string wanted = UCase(compare);
        std::vector<size_t> hits;
        for (auto [a, b] = kv.byText.equal_range(wanted); a != b; ++a) hits.push_back(a->second);
        for (auto [a, b] = kv.byName.equal_range(wanted); a != b; ++a) hits.push_back(a->second);
        std::sort(hits.begin(), hits.end());
        hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
        const std::string toolTip = GetHiveName(root) + "\\" + keyPath;
        for (size_t h : hits) {
            if (gb_scanAborted) return;
            const ReadValue& v = kv.values[h];
            AddSpytoListview("Malware RegValue", v.name, spy, 5, toolTip, v.tag, "");
        }
        counters.RegistryItemsSearched += static_cast<long>(kv.values.size());
        ShowPosition(toolTip);
    }
}

// ---- the phases

void ScanEngine::ScanRegistry() {
    gb_progressCount = 0;
    ShowLoadStatus("1004", "Scanning Registry...");
    if (gb_scanAborted) return;
    checkRegValueData();
    gb_progressCount = 0;
    CheckRegKList();
    UpdateScanMovieCounters();
    FlushDisplay();
}

void ScanEngine::ScanDeepRegistry() {
    gb_progressCount = 0;
    ShowLoadStatus("1005", "Deep Registry Scanning...");
    ScanFixedRegistryPlaces();
    if (gb_scanAborted) return;
    CheckRegistryValueRows();
    if (gb_scanAborted) return;
    ScanRegistryKeys(HKEY_CLASSES_ROOT, "CLSID", 2);
    UpdateScanMovieCounters();
    FlushDisplay();
}

void ScanEngine::ScanFixedRegistryPlaces() {
    struct Place {
        bool keys;
        HKEY root;
        const char* path;
    };
    static const Place places[] = {
        {false, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\run"},
        {false, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\run"},
        {false, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer\\Main"},
        {false, HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main"},
        {false, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer\\Search"},
        {false, HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Search"},
        {false, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer"},
        {false, HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer"},
        {false, HKEY_USERS, ".Default\\Software\\Microsoft\\Internet Explorer"},
        {false, HKEY_USERS, ".Default\\Software\\Microsoft\\Internet Explorer\\Main"},
        {false, HKEY_USERS, ".Default\\Software\\Microsoft\\Internet Explorer\\Search"},
        {true, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer\\Extensions"},
        // Where the user-agent tokens of the machine live.
        {true, HKEY_LOCAL_MACHINE,
         "Software\\Microsoft\\Windows\\Currentversion\\internet settings\\user agent\\post platform"},
    };
    for (const Place& p : places) {
        if (gb_scanAborted) return;
        if (p.keys)
            ScanRegistryKeys(p.root, p.path, 2);
        else
            ScanRegistryValues(p.root, p.path, 2);
    }
}

}  // namespace scanner
