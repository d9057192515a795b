#include "guards/Places.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

#include "base/ComPtr.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "core/AtomicFile.h"
#include "core/RegistryView.h"
#include "core/SpecialFolders.h"
#include "guards/Records.h"

namespace guards {
namespace {

base::RegKey Open(HKEY hive, const std::string& key, REGSAM access) {
    base::RegKey k;
    if (RegOpenKeyExA(hive, key.c_str(), 0, access | regview::Native(), k.put()) != ERROR_SUCCESS) k.reset();
    return k;
}

base::RegKey Create(HKEY hive, const std::string& key) {
    base::RegKey k;
    if (RegCreateKeyExA(hive, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | regview::Native(),
                        nullptr, k.put(), nullptr) != ERROR_SUCCESS)
        k.reset();
    return k;
}

std::optional<RawValue> QueryRaw(HKEY k, const char* name) {
    // Most values fit the first buffer: one call to the registry.
    std::string data(512, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_MORE_DATA) {
            data.assign(std::max<size_t>(size, data.size() * 2), '\0');
            continue;
        }
        if (rc != ERROR_SUCCESS) return std::nullopt;
        data.resize(size);
        return RawValue{type, data};
    }
    return std::nullopt;
}

std::string Component(const std::string& s) { return EncodeField(s); }

// One COM apartment for the length of a shortcut call.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }

private:
    HRESULT hr_;
};

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    w.resize(wcslen(w.c_str()));
    return w;
}

bool IsIniSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

}  // namespace

std::optional<RawValue> ReadRawValue(HKEY hive, const std::string& key, const std::string& name) {
    base::RegKey k = Open(hive, key, KEY_QUERY_VALUE);
    if (!k) return std::nullopt;
    return QueryRaw(k.get(), name.c_str());
}

bool WriteRawValue(HKEY hive, const std::string& key, const std::string& name, const RawValue& value) {
    base::RegKey k = Create(hive, key);
    if (!k) return false;
    return RegSetValueExA(k.get(), name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool DeleteValueIfPresent(HKEY hive, const std::string& key, const std::string& name) {
    base::RegKey k = Open(hive, key, KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!k) return !KeyExists(hive, key);
    LONG rc = RegDeleteValueA(k.get(), name.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool KeyExists(HKEY hive, const std::string& key) { return static_cast<bool>(Open(hive, key, KEY_QUERY_VALUE)); }

std::vector<std::string> ValueNames(HKEY hive, const std::string& key) {
    std::vector<std::string> names;
    base::RegKey k = Open(hive, key, KEY_QUERY_VALUE);
    if (!k) return names;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::string buf(longest + 2, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG rc = RegEnumValueA(k.get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            buf.resize(buf.size() * 2);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buf.data(), len);
    }
    return names;
}

std::vector<std::pair<std::string, RawValue>> Values(HKEY hive, const std::string& key) {
    std::vector<std::pair<std::string, RawValue>> out;
    base::RegKey k = Open(hive, key, KEY_QUERY_VALUE);
    if (!k) return out;
    std::string name(256, '\0'), data(1024, '\0');
    for (DWORD i = 0;;) {
        DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
        LONG rc = RegEnumValueA(k.get(), i, name.data(), &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                &dataLen);
        if (rc == ERROR_MORE_DATA) {
            if (name.size() > 65536 || data.size() > (64u << 20)) break;
            name.resize(name.size() * 2);
            data.resize(std::max<size_t>(dataLen, data.size() * 2));
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        out.push_back({name.substr(0, nameLen), RawValue{type, data.substr(0, dataLen)}});
        ++i;
    }
    return out;
}

std::optional<RawValue> ReadSubKeyValue(HKEY parent, const std::string& sub, const std::string& name) {
    base::RegKey k;
    if (RegOpenKeyExA(parent, sub.c_str(), 0, KEY_QUERY_VALUE | regview::Native(), k.put()) != ERROR_SUCCESS)
        return std::nullopt;
    return QueryRaw(k.get(), name.c_str());
}

std::vector<std::string> SubKeyNames(HKEY hive, const std::string& key) {
    std::vector<std::string> names;
    base::RegKey k = Open(hive, key, KEY_ENUMERATE_SUB_KEYS);
    if (!k) return names;
    char buf[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof buf;
        if (RegEnumKeyExA(k.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(buf, len);
    }
    return names;
}

std::string ValueText(const RawValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return {};
    return value.data.substr(0, value.data.find('\0'));
}

// Snapshot text: one entry per line, fields separated by tabs, each field escaped:
// "K", relative path  |  "V", relative path, value name, type, hex data.
std::optional<std::string> SnapshotKeyTree(HKEY hive, const std::string& key) {
    if (!KeyExists(hive, key)) return std::nullopt;
    std::string out;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        std::string rel = pending.back();
        pending.pop_back();
        std::string full = rel.empty() ? key : key + "\\" + rel;
        out += "K\t" + Component(rel) + "\n";
        base::RegKey k = Open(hive, full, KEY_QUERY_VALUE);
        if (!k) return std::nullopt;
        for (const auto& name : ValueNames(hive, full)) {
            auto v = QueryRaw(k.get(), name.c_str());
            if (!v) return std::nullopt;
            out += "V\t" + Component(rel) + "\t" + Component(name) + "\t" + std::to_string(v->type) + "\t" +
                   ToHex(v->data) + "\n";
        }
        for (const auto& sub : SubKeyNames(hive, full)) pending.push_back(rel.empty() ? sub : rel + "\\" + sub);
    }
    return out;
}

bool RestoreKeyTree(HKEY hive, const std::string& key, const std::string& snapshot) {
    bool ok = true;
    size_t pos = 0;
    while (pos < snapshot.size()) {
        size_t nl = snapshot.find('\n', pos);
        std::string line = snapshot.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? snapshot.size() : nl + 1;
        std::vector<std::string> f;
        size_t p = 0;
        while (true) {
            size_t tab = line.find('\t', p);
            f.push_back(line.substr(p, tab == std::string::npos ? std::string::npos : tab - p));
            if (tab == std::string::npos) break;
            p = tab + 1;
        }
        if (f.size() >= 2 && f[0] == "K") {
            std::string rel = DecodeField(f[1]);
            ok = static_cast<bool>(Create(hive, rel.empty() ? key : key + "\\" + rel)) && ok;
        } else if (f.size() >= 5 && f[0] == "V") {
            std::string rel = DecodeField(f[1]);
            RawValue v{static_cast<DWORD>(std::stoul(f[3])), FromHex(f[4])};
            ok = WriteRawValue(hive, rel.empty() ? key : key + "\\" + rel, DecodeField(f[2]), v) && ok;
        } else if (!line.empty()) {
            ok = false;
        }
    }
    return ok;
}

bool DeleteKeyTree(HKEY hive, const std::string& key) {
    if (key.empty()) return false;  // never the hive itself
    for (const auto& sub : SubKeyNames(hive, key)) DeleteKeyTree(hive, key + "\\" + sub);
    regview::DeleteKey(hive, key.c_str());
    return !KeyExists(hive, key);
}

bool WriteShortcut(const std::string& lnkPath, const ShortcutInfo& info) {
    ComScope com;
    base::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putAs<void>())))
        return false;
    if (FAILED(link->SetPath(info.target.c_str()))) return false;
    link->SetArguments(info.arguments.c_str());
    link->SetWorkingDirectory(info.workingFolder.c_str());
    if (!info.description.empty()) link->SetDescription(info.description.c_str());
    if (!info.iconPath.empty()) link->SetIconLocation(info.iconPath.c_str(), info.iconIndex);
    link->SetShowCmd(info.showCommand);
    if (info.hotkey) link->SetHotkey(info.hotkey);
    base::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putAs<void>()))) return false;
    return SUCCEEDED(file->Save(Wide(lnkPath).c_str(), TRUE)) && base::FileExists(lnkPath);
}

ShortcutInfo ShortcutFromCommand(const std::string& command) {
    ShortcutInfo info;
    std::string c = base::Trim(command);
    if (!c.empty() && c[0] == '"') {
        size_t close = c.find('"', 1);
        if (close != std::string::npos) {
            info.target = c.substr(1, close - 1);
            info.arguments = base::Trim(c.substr(close + 1));
            return info;
        }
    }
    if (base::FileExists(c)) {
        info.target = c;
        return info;
    }
    std::string upper = base::UCase(c);
    size_t exe = upper.find(".EXE ");
    if (exe != std::string::npos) {
        info.target = c.substr(0, exe + 4);
        info.arguments = base::Trim(c.substr(exe + 5));
        return info;
    }
    info.target = c;
    return info;
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
    for (unsigned char ch : name)
        if (ch < 32 || std::string("\\/:*?\"<>|").find(static_cast<char>(ch)) != std::string::npos) return false;
    return name.back() != ' ' && name.back() != '.';
}

std::string WinIniPath() {
    std::string dir = modMain::GetWinDir();
    if (dir.empty()) return {};
    return dir + "\\win.ini";
}

namespace {

struct IniSpot {
    std::vector<std::string> lines;
    long section = -1, key = -1, sectionEnd = -1;  // line indexes
};

IniSpot FindIniKey(const std::string& text, const std::string& section, const std::string& key) {
    IniSpot s;
    s.lines = SplitRecordLines(text);
    for (size_t i = 0; i < s.lines.size(); ++i) {
        std::string t = base::Trim(s.lines[i]);
        if (!t.empty() && t[0] == '[') {
            if (s.section >= 0) break;
            size_t close = t.find(']');
            if (close != std::string::npos && base::EqualsNoCase(base::Trim(t.substr(1, close - 1)), section))
                s.section = static_cast<long>(i), s.sectionEnd = static_cast<long>(i);
            continue;
        }
        if (s.section < 0) continue;
        if (!t.empty()) s.sectionEnd = static_cast<long>(i);
        size_t eq = s.lines[i].find('=');
        if (s.key < 0 && eq != std::string::npos && base::EqualsNoCase(base::Trim(s.lines[i].substr(0, eq)), key))
            s.key = static_cast<long>(i);
    }
    return s;
}

}  // namespace

std::string ReadIniKey(const std::string& file, const std::string& section, const std::string& key) {
    if (!base::FileExists(file)) return {};
    IniSpot s = FindIniKey(base::ReadWhole(file), section, key);
    if (s.key < 0) return {};
    const std::string& line = s.lines[s.key];
    return base::Trim(line.substr(line.find('=') + 1));
}

bool WriteIniKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    if (file.empty() || value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
    std::string text = base::FileExists(file) ? base::ReadWhole(file) : std::string();
    IniSpot s = FindIniKey(text, section, key);
    if (s.key >= 0) {
        std::string& line = s.lines[s.key];
        line = line.substr(0, line.find('=') + 1) + value;
    } else if (s.section >= 0) {
        s.lines.insert(s.lines.begin() + s.sectionEnd + 1, key + "=" + value);
    } else {
        s.lines.push_back("[" + section + "]");
        s.lines.push_back(key + "=" + value);
    }
    std::string out;
    for (const auto& l : s.lines) out += l + "\r\n";
    ReplaceFileContent(file, out);
    return ReadIniKey(file, section, key) == base::Trim(value);
}

std::vector<IniToken> SplitIniPrograms(const std::string& line) {
    std::vector<IniToken> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsIniSeparator(line[i])) ++i;
        if (i >= line.size()) break;
        size_t begin = i;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsIniSeparator(line[i]))) {
            if (line[i] == '"') quoted = !quoted;
            ++i;
        }
        tokens.push_back({line.substr(begin, i - begin), begin, i});
    }
    return tokens;
}

std::string RemoveIniPrograms(const std::string& line, const std::string& programs, std::string* separator) {
    std::string out = line;
    for (const auto& p : SplitIniPrograms(programs)) {
        for (const auto& t : SplitIniPrograms(out)) {
            if (!base::EqualsNoCase(t.text, p.text)) continue;
            size_t begin = t.begin, end = t.end;
            // Take one separator run with it: the following one, or the preceding one at the end.
            size_t after = end;
            while (after < out.size() && IsIniSeparator(out[after])) ++after;
            if (after < out.size()) {
                if (separator) *separator = out.substr(end, after - end);
                end = after;
            } else {
                while (begin > 0 && IsIniSeparator(out[begin - 1])) --begin;
                if (separator) *separator = out.substr(begin, t.begin - begin);
            }
            out.erase(begin, end - begin);
            break;
        }
    }
    return out;
}

std::string AddIniPrograms(const std::string& line, const std::string& programs, size_t position,
                           const std::string& separator) {
    const std::string sep = separator.empty() ? " " : separator;
    std::string out = line;
    for (const auto& p : SplitIniPrograms(programs)) {
        auto tokens = SplitIniPrograms(out);
        bool present = false;
        for (const auto& t : tokens) present = present || base::EqualsNoCase(t.text, p.text);
        if (present) continue;
        if (position < tokens.size()) {
            out.insert(tokens[position].begin, p.text + sep);
            ++position;
        } else {
            while (!out.empty() && IsIniSeparator(out.back())) out.pop_back();
            if (!out.empty()) out += sep;
            out += p.text;
        }
    }
    return out;
}

}  // namespace guards
