#include "monitors/GuardSupport.h"

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "monitors/HalvexClient.h"
#include "monitors/QuotedRecords.h"
#include "monitors/modMonitors.h"

namespace monitors {

namespace {
GuardHost* host = nullptr;
}

GuardHost* SetGuardHost(GuardHost* h) { return std::exchange(host, h); }
GuardHost* Host() { return host; }

namespace support {

std::vector<std::string> ListShortcuts(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    base::FindHandle find(FindFirstFileA((folder + "\\*." + extension).c_str(), &data));
    if (!find) return names;
    const std::string suffix = "." + base::UCase(extension);
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            continue;
        // The pattern also matches 8.3 aliases ("x.lnkold" as "X~1.LNK"); take the real extension only.
        const std::string upper = base::UCase(name);
        if (upper.size() < suffix.size() || upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        names.push_back(name);
    } while (FindNextFileA(find.get(), &data));
    return names;
}

namespace {
bool OpenKey(HKEY root, const std::string& keyPath, REGSAM access, base::RegKey& key) {
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, access | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS) return true;
    return RegOpenKeyExA(root, keyPath.c_str(), 0, access, key.put()) == ERROR_SUCCESS;
}
}  // namespace

std::vector<std::string> ValueNames(HKEY root, const std::string& keyPath, bool pump) {
    base::RegKey key;
    if (!OpenKey(root, keyPath, KEY_QUERY_VALUE, key)) return {};
    std::vector<std::string> names;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        base::Raise(base::errPathFileAccessError, "Can't read the values of " + keyPath);
    std::string buffer(static_cast<size_t>(longest) + 2, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(buffer.size());
        LONG rc = RegEnumValueA(key.get(), i, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA) {  // a value added since the size query
            buffer.assign(buffer.size() * 2 + 256, '\0');
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) base::Raise(base::errPathFileAccessError, "Can't read the values of " + keyPath);
        names.emplace_back(buffer.data(), size);
        if (pump && i % 32 == 31) PumpMessages();  // a key of a thousand values is no reason to freeze
    }
    return names;
}

std::vector<std::string> SubKeyNames(HKEY root, const std::string& keyPath) {
    base::RegKey key;
    std::vector<std::string> names;
    if (!OpenKey(root, keyPath, KEY_ENUMERATE_SUB_KEYS, key)) return names;
    char buffer[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof buffer;
        LONG rc = RegEnumKeyExA(key.get(), i, buffer, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buffer, size);
    }
    return names;
}

std::string SnapshotText(const std::string& data) {
    std::string out;
    out.reserve(data.size());
    for (char c : data) {
        if (c == '"') continue;
        out += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

IniDocument IniDocument::Load(const std::string& path) {
    IniDocument doc;
    const std::string text = base::ReadWhole(path);  // throws 53 when missing
    for (const std::string& line : base::SplitLines(text)) {
        if (!line.empty() && line.front() == '[') {
            const size_t end = line.find(']');
            doc.sections_.push_back({line.substr(1, end == std::string::npos ? std::string::npos : end - 1), {}, {}});
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || doc.sections_.empty()) continue;
        doc.Set(doc.sections_.back().name, line.substr(0, eq), line.substr(eq + 1));
    }
    return doc;
}

IniDocument::Section* IniDocument::Find(const std::string& name) {
    for (auto& s : sections_)
        if (base::EqualsNoCase(s.name, name)) return &s;
    return nullptr;
}
const IniDocument::Section* IniDocument::Find(const std::string& name) const {
    for (const auto& s : sections_)
        if (base::EqualsNoCase(s.name, name)) return &s;
    return nullptr;
}

bool IniDocument::Has(const std::string& section, const std::string& key) const {
    const Section* s = Find(section);
    return s != nullptr && s->index.count(base::UCase(key)) != 0;
}

std::string IniDocument::Get(const std::string& section, const std::string& key) const {
    const Section* s = Find(section);
    if (s == nullptr) return {};
    auto it = s->index.find(base::UCase(key));
    return it == s->index.end() ? std::string() : s->keys[it->second].second;
}

void IniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
    Section* s = Find(section);
    if (s == nullptr) {
        sections_.push_back({section, {}, {}});
        s = &sections_.back();
    }
    const std::string upper = base::UCase(key);
    auto it = s->index.find(upper);
    if (it != s->index.end()) {
        s->keys[it->second].second = value;
        return;
    }
    s->index.emplace(upper, s->keys.size());
    s->keys.emplace_back(key, value);
}

std::string IniDocument::Text() const {
    std::string text;
    for (const auto& s : sections_) {
        text += "[" + s.name + "]\r\n";
        for (const auto& [k, v] : s.keys) text += k + "=" + v + "\r\n";
    }
    return text;
}

void FollowShortcut(const std::string& snapshotPath, const std::string& folder, const std::string& name,
                    const std::function<std::string(const std::string& path)>& targetOf) {
    std::string text;
    if (base::FileExists(snapshotPath)) {
        for (const std::string& line : base::ReadLines(snapshotPath)) {
            auto fields = ParseQuotedRecord(line);
            if (fields && fields->size() == 2 && base::EqualsNoCase((*fields)[0], name)) continue;
            text += line + "\r\n";
        }
    }
    const std::string path = folder + "\\" + name;
    if (base::FileExists(path)) text += QuotedRecord({name, targetOf(path)});
    base::WriteText(snapshotPath, text);
}

bool KeyWithin(const std::string& path, const std::string& key, std::string* rest) {
    std::string p = path;
    while (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.size() < key.size() || !base::EqualsNoCase(p.substr(0, key.size()), key)) return false;
    if (p.size() > key.size() && p[key.size()] != '\\') return false;
    if (rest) *rest = p.size() > key.size() ? p.substr(key.size() + 1) : std::string();
    return true;
}

void ReleaseMonitorsWhenIdle() {
    using namespace modMonitors;
    if (!StartupGuardRunning() && !FavoritesGuardRunning() && !HijackGuardRunning() && !BhoGuardRunning())
        halvex_client::Release();
}

void RetakeMissingSnapshot(const std::string& path, const std::string& fileName, const std::string& what,
                           const std::function<void()>& write) {
    if (base::FileExists(path)) return;
    write();
    base::Raise(base::errFileNotFound, "File not found: " + fileName + " (" + what + " taken in afresh)");
}

void PumpMessages() {
    if (host != nullptr) host->DoEvents();
}

HWND NotifyWindow(NotifyBox box) { return host != nullptr ? host->NotifyWindow(box) : nullptr; }

void Report(const GuardAlert& alert, const std::string& popupText) {
    if (!AppendAlert(alert)) return;  // already waiting for an answer
    modMonitors::showGuardAlert(popupText);
}

}  // namespace support
}  // namespace monitors
