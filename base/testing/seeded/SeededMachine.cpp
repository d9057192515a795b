#include "base/testing/seeded/SeededMachine.h"

#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <tuple>

#include "base/AnsiPath.h"
#include "base/Handles.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededImages.h"

namespace testing_support {
namespace {

constexpr REGSAM kView = KEY_WOW64_64KEY;
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* kIeMain = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kIeToolbar = "Software\\Microsoft\\Internet Explorer\\Toolbar";
constexpr const char* kBho = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
constexpr const char* kXupiterClsid = "{5E3D9B7A-1C4F-4B2A-9D61-7A0C2E8F4B13}";
constexpr const char* kNavigatorClsid = "{8A4C2E61-3B7D-4F09-A5E2-C61D0B9F7A24}";
constexpr const char* kHotbarBand = "{B8E6F1A2-7C3D-4E59-8A1B-2F4D6C9E0A35}";
constexpr const char* kStartPage = "http://www.coolwebsearch.com/";

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
bool SameText(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

std::string NoTrailingBackslash(std::string s) {
    while (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}
std::string ParentOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// ---- registry

HKEY RootOf(const std::string& name) {
    if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    throw std::runtime_error("seeded machine: unknown root " + name);
}

bool KeyExists(const std::string& root, const std::string& path) {
    base::RegKey key;
    return RegOpenKeyExA(RootOf(root), path.c_str(), 0, KEY_READ | kView, key.put()) == ERROR_SUCCESS;
}

struct ValueState {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string data;
};

ValueState ReadValue(const std::string& root, const std::string& keyPath, const std::string& name) {
    ValueState v;
    base::RegKey key;
    if (RegOpenKeyExA(RootOf(root), keyPath.c_str(), 0, KEY_QUERY_VALUE | kView, key.put()) != ERROR_SUCCESS) return v;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(v.data.size());
        LONG rc = RegQueryValueExA(key.get(), name.c_str(), nullptr, &v.type,
                                   v.data.empty() ? nullptr : reinterpret_cast<BYTE*>(v.data.data()), &size);
        if (rc == ERROR_SUCCESS && size <= v.data.size()) {
            v.data.resize(size);
            v.exists = true;
            return v;
        }
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return ValueState{};
        v.data.resize(size);
    }
    return ValueState{};
}

void DeleteKeyTree(const std::string& root, const std::string& path) {
    {
        base::RegKey key;
        if (RegOpenKeyExA(RootOf(root), path.c_str(), 0, KEY_ALL_ACCESS | kView, key.put()) != ERROR_SUCCESS) return;
        RegDeleteTreeA(key.get(), nullptr);
    }
    RegDeleteKeyExA(RootOf(root), path.c_str(), kView, 0);
}

void WriteValue(const std::string& root, const std::string& keyPath, const std::string& name, DWORD type,
                const std::string& data) {
    base::RegKey key;
    if (RegCreateKeyExA(RootOf(root), keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("seeded machine: cannot open " + root + "\\" + keyPath);
    if (RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        throw std::runtime_error("seeded machine: cannot write " + root + "\\" + keyPath + " " + name);
}

void DeleteValue(const std::string& root, const std::string& keyPath, const std::string& name) {
    base::RegKey key;
    if (RegOpenKeyExA(RootOf(root), keyPath.c_str(), 0, KEY_SET_VALUE | kView, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueA(key.get(), name.c_str());
}

std::string Sz(const std::string& text) { return text + '\0'; }

std::string QueryShellFolder(const char* name) {
    ValueState v =
        ReadValue("HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
    std::string s = v.data.substr(0, v.data.find('\0'));
    return NoTrailingBackslash(s);
}

// ---- files

void WriteBytes(const std::string& path, const std::string& bytes) {
    base::FileHandle f(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) throw std::runtime_error("seeded machine: cannot create " + path);
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                           written != bytes.size()))
        throw std::runtime_error("seeded machine: cannot write " + path);
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A program that has just ended may hold its image a moment longer.
void DeleteFileNow(const std::string& path) {
    for (int attempt = 0; attempt < 50 && PathExists(path); ++attempt) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path.c_str())) return;
        Sleep(20);
    }
}

void RemoveTreeNow(const std::string& path) {
    if (!PathExists(path)) return;
    RemoveTree(path);
    for (int attempt = 0; attempt < 50 && PathExists(path); ++attempt) {
        Sleep(20);
        RemoveTree(path);
    }
}

std::string ImageBytes(const std::string& name) {
    for (size_t i = 0; i < seeded_images::kImageCount; ++i)
        if (name == seeded_images::kImages[i].name)
            return std::string(reinterpret_cast<const char*>(seeded_images::kImages[i].bytes),
                               seeded_images::kImages[i].size);
    throw std::runtime_error("seeded machine: no helper image " + name);
}

// A file that is no program: 20480 bytes whose one-byte checksum (the exclusive or of every
// byte but the first) is `checksum`.
std::string ChecksumFile(unsigned char checksum) {
    std::string bytes(20480, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (size_t i = 2; i < 64; ++i) bytes[i] = static_cast<char>(i * 7);
    unsigned char x = 0;
    for (size_t i = 1; i + 1 < bytes.size(); ++i) x ^= static_cast<unsigned char>(bytes[i]);
    bytes.back() = static_cast<char>(x ^ checksum);
    return bytes;
}

// A cookie in the browser's cookie-file layout: name, value, site, flags and times, "*".
std::string CookieFile(const std::string& name, const std::string& value, const std::string& site) {
    return name + "\n" + value + "\n" + site + "\n1536\n2916341120\n31082215\n3912412880\n30029012\n*\n";
}

void KillProcessesRunning(const std::string& imagePath) {
    base::FileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = Process32First(snap.get(), &e); more; more = Process32Next(snap.get(), &e)) {
        base::Handle p(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, e.th32ProcessID));
        if (!p) continue;
        char image[MAX_PATH * 2];
        DWORD size = sizeof image;
        if (!QueryFullProcessImageNameA(p.get(), 0, image, &size)) continue;
        if (!SameText(std::string(image, size), imagePath)) continue;
        TerminateProcess(p.get(), 0);
        WaitForSingleObject(p.get(), 5000);
    }
}

// ---- the journal: what a run changed, written before each change, so that a crashed run can
// be put back by the next one.

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
std::string Unhex(const std::string& hex) {
    std::string out;
    auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(nibble(hex[i]) * 16 + nibble(hex[i + 1]));
    return out;
}
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        f.push_back(line.substr(start, tab - start));
    f.push_back(line.substr(start));
    return f;
}

std::string JournalFile() { return SeededMachine::JournalFolder() + "\\journal.txt"; }
std::string HostsCopy() { return SeededMachine::JournalFolder() + "\\hosts.orig"; }

void Journal(const std::string& line) {
    base::FileHandle f(
        CreateFileA(JournalFile().c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) throw std::runtime_error("seeded machine: cannot write its journal");
    const std::string text = line + "\r\n";
    DWORD written = 0;
    if (!WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written != text.size())
        throw std::runtime_error("seeded machine: cannot write its journal");
}

// ---- the plan: everything the machine plants

struct FileSpec {
    std::string path;
    std::string image;  // a helper image, or empty for `bytes`
    std::string bytes;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    SeededPlace place = SeededPlace::File;
    bool lookAlike = false;
    std::string note;
};
struct ShortcutSpec {
    std::string path;
    std::string target;
    bool dangling = false;  // the target is made for the save and removed again
    bool lookAlike = false;
    std::string note;
};
struct KeySpec {
    std::string root, path;
    bool lookAlike = false;
    std::string note;
};
struct ValueSpec {
    std::string root, key, name;
    DWORD type = REG_SZ;
    std::string text;
    bool own = true;  // our own name; false: a well-known value we overwrite and restore
    bool lookAlike = false;
    std::string note;
};
struct HostsLineSpec {
    std::string line;
    bool lookAlike = false;
    std::string note;
};

struct Plan {
    std::vector<std::string> ownFolders;  // wholly ours: removed as a tree
    std::vector<std::string> containers;  // ours, holding only planted items: removed as a tree, no item
    std::vector<FileSpec> files;
    std::vector<ShortcutSpec> shortcuts;
    std::vector<KeySpec> keys;
    std::vector<ValueSpec> values;  // keys named here are created as needed
    std::vector<HostsLineSpec> hosts;
    std::vector<std::pair<std::string, bool>> processes;  // program path, look-alike
};

struct Paths {
    std::string cwsbho, bargains, bargainsFolder, bargain, sdbot, msconfd, egdial, bpkFolder, bpkhk, gatorFolder,
        gatorData, gatorExe, gatorPrefs, akl, xupiter, hbtb, gmt, cmesys, hbinst, bonziFolder, bonzi, bonziLink, qhosts,
        navigatorFolder, navigator, navbar, navigatorLink, missingLink, missingTarget, sdbot2, msconfd32, bonzihlp,
        netupd, cookieDc, cookieAtdmt, cookieClean, cookieHidden, cookieIndex, names;
};

Paths PathsOf(const SeededFolders& f) {
    Paths p;
    const std::string& w = f.windows;
    const std::string& s = f.system;
    const std::string& pf = f.programFiles;
    const std::string programs = f.startMenu + "\\Programs";
    p.cwsbho = s + "\\cwsbho.exe";
    p.bargainsFolder = pf + "\\BargainBuddy";
    p.bargains = p.bargainsFolder + "\\bargains.exe";
    p.bargain = w + "\\bargain.exe";
    p.sdbot = w + "\\sdbot.exe";
    p.msconfd = s + "\\msconfd.dll";
    p.egdial = w + "\\egdial32.exe";
    p.bpkFolder = w + "\\bpk";
    p.bpkhk = p.bpkFolder + "\\bpkhk.dll";
    p.gatorFolder = pf + "\\gator";
    p.gatorData = p.gatorFolder + "\\Data";
    p.gatorExe = p.gatorFolder + "\\gator.exe";
    p.gatorPrefs = p.gatorData + "\\prefs.dat";
    p.akl = s + "\\akl.exe";
    p.xupiter = s + "\\xupiter.dll";
    p.hbtb = s + "\\hbtb.dll";
    p.gmt = w + "\\gmt.exe";
    p.cmesys = f.appData + "\\cmesys.exe";
    p.hbinst = f.temp + "\\hbinst.exe";
    p.bonziFolder = pf + "\\BonziBuddy";
    p.bonzi = p.bonziFolder + "\\bonzibdy.exe";
    p.bonziLink = programs + "\\BonziBuddy.lnk";
    p.qhosts = f.appData + "\\qhosts.exe";
    p.navigatorFolder = pf + "\\Navigator";
    p.navigator = p.navigatorFolder + "\\navigator.exe";
    p.navbar = p.navigatorFolder + "\\navbar.dll";
    p.navigatorLink = programs + "\\Navigator Deals.lnk";
    p.missingLink = programs + "\\Bonzi Updater.lnk";
    p.missingTarget = p.navigatorFolder + "\\bonziupd.exe";
    p.sdbot2 = w + "\\sdbot2.exe";
    p.msconfd32 = s + "\\msconfd32.dll";
    p.bonzihlp = s + "\\bonzihlp.dll";
    p.netupd = w + "\\netupd.exe";
    p.cookieDc = f.cookies + "\\user@doubleclick[1].txt";
    p.cookieAtdmt = f.cookies + "\\user@atdmt[2].txt";
    p.cookieClean = f.cookies + "\\user@example[1].txt";
    p.cookieHidden = f.cookies + "\\user@doubleclick[3].txt";
    p.cookieIndex = f.cookies + "\\index.dat";
    p.names = pf + "\\Common Names";
    return p;
}

Plan BuildPlan(const SeededFolders& f) {
    const Paths p = PathsOf(f);
    Plan plan;
    plan.ownFolders = {p.bargainsFolder, p.gatorFolder, p.bonziFolder, p.navigatorFolder, p.bpkFolder};
    plan.containers = {p.names};

    auto file = [&](const std::string& path, const std::string& image, bool lookAlike, const std::string& note) {
        FileSpec s;
        s.path = path;
        s.image = image;
        s.lookAlike = lookAlike;
        s.note = note;
        plan.files.push_back(s);
    };
    auto data = [&](const std::string& path, const std::string& bytes, bool lookAlike, const std::string& note,
                    SeededPlace place = SeededPlace::File, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        FileSpec s;
        s.path = path;
        s.bytes = bytes;
        s.lookAlike = lookAlike;
        s.note = note;
        s.place = place;
        s.attributes = attributes;
        plan.files.push_back(s);
    };

    // Programs; three of them run.
    file(p.cwsbho, "neutral", false, "running; MEMA cwsbho.exe, HAFI cwsbho.exe");
    file(p.bargains, "neutral", false, "running; MEMA bargains.exe, direct SAFI and SAFO paths");
    file(p.bargain, "neutral", true, "running; one letter short of bargains.exe");
    file(p.sdbot, "neutral", false, "TAFI sdbot.exe");
    file(p.msconfd, "neutral", false, "HAFI msconfd.dll");
    file(p.egdial, "neutral", false, "DAFI pattern egdial*.exe");
    file(p.bpkhk, "neutral", false, "KAFI relative name bpk\\bpkhk.dll");
    file(p.gatorExe, "neutral", false, "SAFO folder gator, SAFI gator.exe");
    data(p.gatorPrefs, "[Wallet]\r\nUser=seeded\r\n", false, "inside the SAFO folder gator");
    file(p.akl, "neutral", false, "direct KAFI path %SYS%\\akl.exe; its RunOnce value");
    file(p.xupiter, "fd", false, "direct HAFI path %SYS%\\xupiter.dll; description Xupiter Toolbar; CLSID server");
    // Found only by the advanced property search.
    file(p.hbtb, "ofn", false, "original file name hotbar.dll");
    file(p.gmt, "ce", false, "company Gator Corporation");
    file(p.cmesys, "cw", false, "company Claria Corporation (contains Claria)");
    file(p.hbinst, "ifn", false, "internal name hotbarsa");
    file(p.bonzi, "pn", false, "product name BonziBUDDY; only its Start Menu shortcut leads there");
    data(p.qhosts, ChecksumFile(17), false, "no version data; checksum 17, 20480 bytes (qhosts.exe is in REMO)");
    // Look-alikes.
    file(p.sdbot2, "neutral", true, "a name like sdbot.exe");
    file(p.msconfd32, "neutral", true, "a name like msconfd.dll");
    file(p.navigator, "neutral", true, "company Navigator Systems (contains gator); folder Navigator");
    file(p.navbar, "neutral", true, "server of a clean CLSID");
    file(p.bonzihlp, "ms", true, "product BonziBUDDY, but company Microsoft Corporation");
    data(p.netupd, ChecksumFile(16), true, "20480 bytes like qhosts.exe, checksum 16");

    // Cookies.
    data(p.cookieDc, CookieFile("id", "2c6f1e0a9b", "doubleclick.net/"), false, "COOK doubleclick",
         SeededPlace::Cookie);
    data(p.cookieAtdmt, CookieFile("AA002", "1083842950-2904721", "atdmt.com/"), false, "COOK atdmt",
         SeededPlace::Cookie);
    data(p.cookieClean, CookieFile("pref", "lang=en", "example.org/"), true,
         "clean cookie; recorded as Other only with AllCookies on", SeededPlace::Cookie);
    data(p.cookieHidden, CookieFile("id", "77aa00", "doubleclick.net/"), true, "hidden: not listed",
         SeededPlace::Cookie, FILE_ATTRIBUTE_HIDDEN);
    data(p.cookieIndex, "Client UrlCache MMF Ver 5.2 doubleclick", true, "not a .txt file", SeededPlace::Cookie);

    // Shortcuts.
    plan.shortcuts.push_back({p.bonziLink, p.bonzi, false, false, "leads the advanced search to bonzibdy.exe"});
    plan.shortcuts.push_back({p.navigatorLink, p.navigator, false, true, "leads to a clean program"});
    plan.shortcuts.push_back({p.missingLink, p.missingTarget, true, true, "its target does not exist"});

    // Registry keys.
    const std::string xClsid = std::string("CLSID\\") + kXupiterClsid;
    const std::string nClsid = std::string("CLSID\\") + kNavigatorClsid;
    plan.keys.push_back({"HKEY_CLASSES_ROOT", xClsid, false, "CLSID whose data names Xupiter (REGS XUPITER)"});
    plan.keys.push_back({"HKEY_LOCAL_MACHINE", std::string(kBho) + "\\" + kXupiterClsid, false, "REGK helper object"});
    plan.keys.push_back({"HKEY_CURRENT_USER", "Software\\Hotbar", false, "REGK HKEY_CURRENT_USER\\Software\\Hotbar"});
    plan.keys.push_back({"HKEY_CLASSES_ROOT", nClsid, true, "clean CLSID"});
    plan.keys.push_back(
        {"HKEY_LOCAL_MACHINE", std::string(kBho) + "\\" + kNavigatorClsid, true, "clean helper object"});
    plan.keys.push_back({"HKEY_CURRENT_USER", "Software\\Navigator", true, "a key like Software\\Gator"});

    auto value = [&](const std::string& root, const std::string& key, const std::string& name, DWORD type,
                     const std::string& text, bool own, bool lookAlike, const std::string& note) {
        plan.values.push_back({root, key, name, type, text, own, lookAlike, note});
    };
    const std::string hkcu = "HKEY_CURRENT_USER", hklm = "HKEY_LOCAL_MACHINE", hkcr = "HKEY_CLASSES_ROOT";
    value(hkcr, xClsid, "", REG_SZ, "Xupiter Toolbar", true, false, "");
    value(hkcr, xClsid + "\\InprocServer32", "", REG_SZ, p.xupiter, true, false, "");
    value(hkcr, xClsid + "\\InprocServer32", "ThreadingModel", REG_SZ, "Apartment", true, false, "");
    value(hklm, std::string(kBho) + "\\" + kXupiterClsid, "", REG_SZ, "Xupiter", true, false, "");
    value(hkcu, "Software\\Hotbar", "Version", REG_SZ, "4.1", true, false, "");
    value(hkcu, "Software\\Hotbar\\Settings", "ShowBand", REG_DWORD, std::string("\1\0\0\0", 4), true, false, "");
    value(hkcr, nClsid, "", REG_SZ, "Navigator Band", true, true, "");
    value(hkcr, nClsid + "\\InprocServer32", "", REG_SZ, p.navbar, true, true, "");
    value(hklm, std::string(kBho) + "\\" + kNavigatorClsid, "", REG_SZ, "Navigator", true, true, "");
    value(hkcu, "Software\\Navigator", "Version", REG_SZ, "2.0", true, true, "");

    value(hklm, kRun, "bargains", REG_SZ, p.bargains, true, false, "REGV name bargains");
    value(hklm, kRun, "bargain", REG_SZ, p.bargain, true, true, "clean Run value with a name like bargains");
    value(hkcu, kRun, "CWS Helper", REG_SZ, "\"" + p.cwsbho + "\" /coolwebsearch", true, false,
          "data holds COOLWEBSEARCH (REGS)");
    value(hkcu, kRun, "XupiterUpdate", REG_EXPAND_SZ, "rundll32.exe %SystemRoot%\\system32\\xupiter.dll,Update", true,
          false, "REG_EXPAND_SZ whose data holds XUPITER (REGS)");
    value(hkcu, kRun, "Navigator", REG_SZ, "\"" + p.navigator + "\" /tray", true, true, "clean Run value");
    value(hklm, kRunOnce, "AKL", REG_SZ, p.akl, true, false,
          "data equals the path that the direct check of akl.exe records");
    value(hkcu, kIeMain, "Start Page", REG_SZ, kStartPage, false, false, "REGD Start Page coolwebsearch");
    value(hkcu, kIeToolbar, kHotbarBand, REG_SZ, "Hotbar", true, false, "REGD Toolbar, any value, hotbar");
    value(hkcu, kIeToolbar, "NavigatorBand", REG_SZ, "Navigator Deals", true, true, "clean toolbar value");

    plan.hosts = {
        {"# seeded test machine", true, "a comment"},
        {"127.0.0.1       www.example-search.com", false, "HOSTS www.example-search.com (reported)"},
        {"203.0.113.7\twww.google.com", false, "HOSTS www.google.com (reported)"},
        {"127.0.0.1 ad.doubleclick.net", false, "HOSTS type Bad Host File Entries: a finding"},
        {"192.0.2.10 intranet.example.org", true, "a harmless entry"},
        {"127.0.0.1 www.example-search.com.au", true, "a host that only contains a defined one"},
    };

    plan.processes = {{p.cwsbho, false}, {p.bargains, false}, {p.bargain, true}};
    return plan;
}

// ---- planting, with every change journaled first

void EnsureFolder(const std::string& path) {
    if (PathExists(path)) return;
    // The topmost missing folder goes into the journal: everything below it is ours.
    std::string missing = path;
    for (std::string up = ParentOf(path); !up.empty() && up.size() > 2 && !PathExists(up); up = ParentOf(up))
        missing = up;
    Journal("D\t" + missing);
    std::string partial;
    for (size_t pos = 0; pos != std::string::npos;) {
        pos = path.find('\\', pos + 1);
        partial = path.substr(0, pos);
        if (partial.size() > 2 && !PathExists(partial)) CreateDirectoryA(partial.c_str(), nullptr);
    }
    if (!PathExists(path)) throw std::runtime_error("seeded machine: cannot create " + path);
}

void PlantFile(const std::string& path, const std::string& bytes, DWORD attributes) {
    EnsureFolder(ParentOf(path));
    Journal("F\t" + path);
    WriteBytes(path, bytes);
    if (attributes != FILE_ATTRIBUTE_NORMAL) SetFileAttributesA(path.c_str(), attributes);
}

void PlantShortcut(const std::string& path, const std::string& target) {
    EnsureFolder(ParentOf(path));
    Journal("F\t" + path);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        throw std::runtime_error("seeded machine: no shell link object");
    IPersistFile* file = nullptr;
    HRESULT hr = link->SetPath(target.c_str());
    if (SUCCEEDED(hr)) hr = link->SetWorkingDirectory(ParentOf(target).c_str());
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
        std::wstring wide(path.size() + 1, L'\0');
        const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
        hr = n > 0 ? file->Save(wide.c_str(), TRUE) : E_FAIL;
        file->Release();
    }
    link->Release();
    if (FAILED(hr)) throw std::runtime_error("seeded machine: cannot save shortcut " + path);
}

void EnsureKey(const std::string& root, const std::string& path) {
    if (KeyExists(root, path)) return;
    // The topmost missing key goes into the journal: everything below it is ours.
    std::string missing = path;
    for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
        if (!KeyExists(root, path.substr(0, slash))) {
            missing = path.substr(0, slash);
            break;
        }
    }
    Journal("K\t" + root + "\t" + missing);
    base::RegKey key;
    if (RegCreateKeyExA(RootOf(root), path.c_str(), 0, nullptr, 0, KEY_READ | kView, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("seeded machine: cannot create " + root + "\\" + path);
}

void PlantValue(const ValueSpec& v) {
    EnsureKey(v.root, v.key);
    const ValueState before = ReadValue(v.root, v.key, v.name);
    Journal("V\t" + v.root + "\t" + v.key + "\t" + v.name + "\t" + (before.exists ? "1" : "0") + "\t" +
            std::to_string(before.type) + "\t" + Hex(before.data));
    const std::string data = v.type == REG_DWORD ? v.text : Sz(v.text);
    WriteValue(v.root, v.key, v.name, v.type, data);
}

void PlantHosts(const std::string& hostsFile, const std::vector<HostsLineSpec>& lines) {
    const bool existed = base::FileExists(hostsFile);
    std::string original;
    if (existed) {
        original = base::ReadWhole(hostsFile);
        WriteBytes(HostsCopy(), original);
    }
    Journal("H\t" + hostsFile + "\t" + (existed ? "1" : "0"));
    std::string text = original;
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    for (const HostsLineSpec& l : lines) text += l.line + "\r\n";
    WriteBytes(hostsFile, text);
}

// ---- putting back

void Restore(const std::vector<std::string>& journal) {
    std::vector<std::vector<std::string>> entries;
    for (const std::string& line : journal)
        if (!line.empty()) entries.push_back(Fields(line));
    auto each = [&](char type, bool reverse, auto&& act) {
        if (reverse) {
            for (auto it = entries.rbegin(); it != entries.rend(); ++it)
                if ((*it)[0].size() == 1 && (*it)[0][0] == type) act(*it);
        } else {
            for (auto& e : entries)
                if (e[0].size() == 1 && e[0][0] == type) act(e);
        }
    };
    each('P', false, [](const auto& e) {
        if (e.size() >= 2) KillProcessesRunning(e[1]);
    });
    each('F', true, [](const auto& e) {
        if (e.size() >= 2) DeleteFileNow(e[1]);
    });
    each('D', true, [](const auto& e) {
        if (e.size() >= 2) RemoveTreeNow(e[1]);
    });
    // Values back to their first journaled state (later entries for the same value are
    // undone first).
    each('V', true, [](const auto& e) {
        if (e.size() < 7 || !KeyExists(e[1], e[2])) return;
        if (e[4] == "1")
            WriteValue(e[1], e[2], e[3], static_cast<DWORD>(std::stoul(e[5])), Unhex(e[6]));
        else
            DeleteValue(e[1], e[2], e[3]);
    });
    each('K', true, [](const auto& e) {
        if (e.size() >= 3) DeleteKeyTree(e[1], e[2]);
    });
    each('H', false, [](const auto& e) {
        if (e.size() < 3) return;
        if (e[2] == "1") {
            if (base::FileExists(HostsCopy())) WriteBytes(e[1], base::ReadWhole(HostsCopy()));
        } else {
            DeleteFileNow(e[1]);
        }
    });
}

// What a run plants under our own names goes, journal or not.
void Scrub(const Plan& plan) {
    for (const auto& p : plan.processes) KillProcessesRunning(p.first);
    for (const FileSpec& f : plan.files) DeleteFileNow(f.path);
    for (const ShortcutSpec& s : plan.shortcuts) DeleteFileNow(s.path);
    for (const std::string& folder : plan.ownFolders) RemoveTreeNow(folder);
    for (const std::string& folder : plan.containers) RemoveTreeNow(folder);
    for (const ValueSpec& v : plan.values)
        if (v.own) DeleteValue(v.root, v.key, v.name);
    for (const KeySpec& k : plan.keys) DeleteKeyTree(k.root, k.path);
}

std::string PlaceText(const std::string& root, const std::string& key) { return root + "\\" + key; }

// The registration-file form of string data: quoted, every backslash doubled.
std::string RegFileText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '\\') out += '\\';
    }
    return out + "\"";
}

}  // namespace

// ---- public

std::string ShortPathOf(const std::string& path) {
    char buf[256];
    const DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return {};
    return std::string(buf, n);
}

SeededFolders ReadSeededFolders() {
    SeededFolders f;
    char buf[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    f.windows = NoTrailingBackslash(std::string(buf, n));
    n = GetSystemDirectoryA(buf, MAX_PATH);
    f.system = NoTrailingBackslash(std::string(buf, n));
    const ValueState pf =
        ReadValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    f.programFiles = NoTrailingBackslash(pf.data.substr(0, pf.data.find('\0')));
    f.appData = QueryShellFolder("AppData");
    const DWORD t = GetTempPathA(MAX_PATH, buf);
    f.temp = NoTrailingBackslash(std::string(buf, t));
    f.cookies = QueryShellFolder("Cookies");
    f.startMenu = QueryShellFolder("Start Menu");
    f.hostsFile = f.system + "\\drivers\\etc\\hosts";
    return f;
}

std::string SeededMachine::JournalFolder() {
    char buf[MAX_PATH + 1];
    const DWORD n = GetTempPathA(MAX_PATH, buf);
    return NoTrailingBackslash(std::string(buf, n)) + "\\corvane-seeded";
}

void SeededMachine::RemoveLeftovers() {
    if (base::FileExists(JournalFile())) Restore(base::ReadLines(JournalFile()));
    Scrub(BuildPlan(ReadSeededFolders()));
    RemoveTreeNow(JournalFolder());
}

SeededMachine::SeededMachine() {
    const auto start = std::chrono::steady_clock::now();
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted_ = com == S_OK || com == S_FALSE;
    folders_ = ReadSeededFolders();
    for (const std::string* f : {&folders_.windows, &folders_.system, &folders_.programFiles, &folders_.appData,
                                 &folders_.temp, &folders_.cookies, &folders_.startMenu})
        if (f->empty()) throw std::runtime_error("seeded machine: a folder of the prefix is unknown");
    RemoveLeftovers();
    CreateDirectoryA(JournalFolder().c_str(), nullptr);
    try {
        Plant();
        StartProcesses();
        BuildExpected();
    } catch (...) {
        TearDown();
        throw;
    }
    plantSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

SeededMachine::~SeededMachine() { TearDown(); }

void SeededMachine::TearDown() {
    for (Started& s : started_) {
        TerminateProcess(s.process, 0);
        WaitForSingleObject(s.process, 5000);
        CloseHandle(s.process);
    }
    started_.clear();
    if (job_) CloseHandle(job_);
    job_ = nullptr;
    try {
        RemoveLeftovers();
    } catch (...) {
        // A destructor must not throw; what stays is put back by the next run.
    }
    if (comStarted_) CoUninitialize();
    comStarted_ = false;
}

// Makes the folders below `container` (wide names, made through the long-path form, so that
// any length can be reached) and answers the path the program names the last one by: each name
// as base::EntryName gives it (by its short name where the code page cannot write the long one or
// the path would pass MAX_PATH), and past that the short form of the whole path.
std::string MakeFoldersBeyondAnsi(const std::string& container, const std::vector<std::wstring>& names) {
    EnsureFolder(container);
    std::wstring wide = base::WidePath(container);
    std::string named = container;
    for (const std::wstring& n : names) {
        wide += L"\\" + n;
        const std::wstring longForm = L"\\\\?\\" + wide;
        if (!CreateDirectoryW(longForm.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("seeded machine: cannot create a folder below " + named);
        WIN32_FIND_DATAW fd;
        base::FindHandle find(FindFirstFileW(longForm.c_str(), &fd));
        std::string name;
        if (find && base::EntryName(fd, named.size() + 1, name)) {
            named += "\\" + name;
            continue;
        }
        // Past the room for names: the whole path by its short names, as the walk takes it.
        const std::string whole = base::ShortFolderPath(named + "\\", n);
        if (whole.empty()) throw std::runtime_error("seeded machine: no name for a folder below " + named);
        named = whole.substr(0, whole.size() - 1);
    }
    return named;
}

void SeededMachine::Plant() {
    const Plan plan = BuildPlan(folders_);
    // Where only the wide calls reach: a folder whose name the code page cannot write, and a path
    // of more than 300 characters.
    const std::string names = PathsOf(folders_).names;
    std::vector<std::wstring> deep;
    for (int i = 0; i < 6; ++i)
        deep.push_back(L"A folder with a long name on a path past MAX_PATH " + std::to_wstring(i));
    beyondAnsi_ = {MakeFoldersBeyondAnsi(names, {L"\u65e5\u672c\u8a9e"}) + "\\sdbot.exe",
                   MakeFoldersBeyondAnsi(names, {L"Zden\u011bk"}) + "\\sdbot.exe",
                   MakeFoldersBeyondAnsi(names, deep) + "\\sdbot.exe"};
    const char* const notes[] = {"TAFI sdbot.exe in a folder named in Japanese (by its short name)",
                                 "TAFI sdbot.exe in a folder named in Czech (by its short name, not Zdenek)",
                                 "TAFI sdbot.exe on a path of more than 300 characters (short names past MAX_PATH)"};
    for (size_t i = 0; i < beyondAnsi_.size(); ++i) {
        PlantFile(beyondAnsi_[i], ImageBytes("neutral"), FILE_ATTRIBUTE_NORMAL);
        items_.push_back({SeededPlace::File, beyondAnsi_[i], "", false, notes[i]});
    }
    for (const FileSpec& f : plan.files) {
        PlantFile(f.path, f.image.empty() ? f.bytes : ImageBytes(f.image), f.attributes);
        items_.push_back({f.place, f.path, "", f.lookAlike, f.note});
    }
    for (const std::string& folder : plan.ownFolders) items_.push_back({SeededPlace::Folder, folder, "", false, ""});
    const std::string gatorData = folders_.programFiles + "\\gator\\Data";
    items_.push_back({SeededPlace::Folder, gatorData, "", false, "below the SAFO folder gator"});
    for (const ShortcutSpec& s : plan.shortcuts) {
        if (s.dangling) PlantFile(s.target, ImageBytes("neutral"), FILE_ATTRIBUTE_NORMAL);
        PlantShortcut(s.path, s.target);
        if (s.dangling) DeleteFileNow(s.target);
        items_.push_back({SeededPlace::Shortcut, s.path, s.target, s.lookAlike, s.note});
    }
    for (const KeySpec& k : plan.keys) {
        EnsureKey(k.root, k.path);
        items_.push_back({SeededPlace::Key, PlaceText(k.root, k.path), "", k.lookAlike, k.note});
    }
    for (const ValueSpec& v : plan.values) {
        PlantValue(v);
        if (!v.note.empty())
            items_.push_back({SeededPlace::Value, PlaceText(v.root, v.key), v.name, v.lookAlike, v.note});
    }
    PlantHosts(folders_.hostsFile, plan.hosts);
    for (const HostsLineSpec& h : plan.hosts)
        items_.push_back({SeededPlace::HostsLine, h.line, "", h.lookAlike, h.note});
}

void SeededMachine::StartProcesses() {
    const Plan plan = BuildPlan(folders_);
    job_ = CreateJobObjectA(nullptr, nullptr);
    if (job_) {
        // The programs go with the test process, even when it crashes.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    for (const auto& [path, lookAlike] : plan.processes) {
        Journal("P\t" + path);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string line = "\"" + path + "\"";
        if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                            ParentOf(path).c_str(), &si, &pi))
            throw std::runtime_error("seeded machine: cannot start " + path);
        if (job_) AssignProcessToJobObject(job_, pi.hProcess);
        ResumeThread(pi.hThread);
        CloseHandle(pi.hThread);
        started_.push_back({path, pi.hProcess, pi.dwProcessId});
        items_.push_back({SeededPlace::Process, path, "", lookAlike, lookAlike ? "a clean running program" : ""});
    }
    // A process list reads the program's path from its loaded modules: wait until each has them.
    for (const Started& s : started_) {
        for (int attempt = 0; attempt < 300; ++attempt) {
            HMODULE first = nullptr;
            DWORD needed = 0;
            char name[MAX_PATH];
            if (EnumProcessModules(s.process, &first, sizeof first, &needed) &&
                GetModuleFileNameExA(s.process, first, name, MAX_PATH) > 0)
                break;
            Sleep(5);
        }
    }
}

DWORD SeededMachine::ProcessId(const std::string& path) const {
    for (const Started& s : started_)
        if (SameText(s.path, path)) return s.pid;
    return 0;
}

std::vector<SeededItem> SeededMachine::Infection() const {
    std::vector<SeededItem> out;
    for (const SeededItem& i : items_)
        if (!i.lookAlike) out.push_back(i);
    return out;
}

std::vector<SeededItem> SeededMachine::LookAlikes() const {
    std::vector<SeededItem> out;
    for (const SeededItem& i : items_)
        if (i.lookAlike) out.push_back(i);
    return out;
}

std::vector<SeededFinding> SeededMachine::Expected(const std::string& phase,
                                                   const std::set<std::string>& conditions) const {
    std::vector<SeededFinding> out;
    for (const SeededFinding& f : expected_)
        if (f.phase == phase && (f.condition.empty() || conditions.count(f.condition))) out.push_back(f);
    return out;
}

void SeededMachine::BuildExpected() {
    const Paths p = PathsOf(folders_);
    auto add = [&](const std::string& phase, const std::string& kind, const std::string& spyType,
                   const std::string& item, const std::string& toolTip, const std::string& tag,
                   const std::string& replace, const std::string& condition, const std::string& how) {
        // The recorder keeps one row per kind, spy name and item: so does this table.
        for (const SeededFinding& f : expected_)
            if (f.phase == phase && f.kind == kind && f.spyType == spyType && f.item == item) return;
        expected_.push_back({phase, kind, spyType, item, toolTip, tag, replace, condition, how});
    };
    const std::string hkcuRunWalked = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\run";

    // Memory: MEMA in definition order (bargains.exe, bonzibuddy.exe, cwsbho.exe), each against
    // every listed process.
    add("memory", "Malware Process", "Bargain Buddy", p.bargains, std::to_string(ProcessId(p.bargains)), "", "", "",
        "MEMA0 bargains.exe");
    add("memory", "Malware Process", "CoolWebSearch", p.cwsbho, std::to_string(ProcessId(p.cwsbho)), "", "", "",
        "MEMA2 cwsbho.exe");

    // Registry: the value-data checks, then the key checks.
    add("registry", "Malware RegData", "CoolWebSearch", "Start Page",
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main", "coolwebsearch", "about:blank", "",
        "REGD0: Start Page holds coolwebsearch");
    add("registry", "Malware RegData", "Hotbar", kHotbarBand,
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Toolbar", "hotbar", "", "",
        "REGD1: any value of Toolbar holding hotbar");
    add("registry", "Malware RegKey", "Hotbar", "Software\\Hotbar", "HKEY_CURRENT_USER\\Software\\Hotbar", "", "", "",
        "REGK1: the key exists");
    const std::string bho = std::string(kBho) + "\\" + kXupiterClsid;
    add("registry", "Malware RegKey", "Xupiter", bho, "HKEY_LOCAL_MACHINE\\" + bho, "", "", "",
        "REGK2: the helper-object key exists");

    // Deep registry: the fixed walks, the REGV rows, then the CLSID walk.
    const std::string cwsData = "\"" + p.cwsbho + "\" /coolwebsearch";
    add("deepregistry", "Malware RegValue", "CoolWebSearch", "CWS Helper", hkcuRunWalked, RegFileText(cwsData), "", "",
        "walk of the HKCU Run values: data holds REGS COOLWEBSEARCH");
    add("deepregistry", "Malware RegValue", "Xupiter", "XupiterUpdate", hkcuRunWalked, "", "", kWhenExpandSzRead,
        "walk of the HKCU Run values: REG_EXPAND_SZ data holds REGS XUPITER (tag not fixed for this type)");
    add("deepregistry", "Malware RegValue", "CoolWebSearch", "Start Page",
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main", RegFileText(kStartPage), "",
        kWhenNoEarlierRow, "walk of the HKCU Internet Explorer\\Main values: REGS COOLWEBSEARCH");
    add("deepregistry", "Malware RegValue", "Bargain Buddy", "bargains",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", RegFileText(p.bargains), "", "",
        "REGV0: a value of HKLM Run named bargains (row text upper-cased on load)");
    const std::string clsid = std::string("CLSID\\") + kXupiterClsid;
    add("deepregistry", "Malware RegKey", "Xupiter", clsid, "HKEY_CLASSES_ROOT\\" + clsid, "", "", "",
        "CLSID walk: data below the class holds REGS XUPITER");

    // Files: the direct paths while the definitions load (recorded in their long form, as the walk
    // records the same file), with the Run values that start them, then the walk of the system
    // drive, then the advanced property search in the folders it covers.
    add("files", "Malware File", "Xupiter", p.xupiter, p.xupiter, "", "", "", "direct HAFISD0 %SYS%\\xupiter.dll");
    add("files", "Malware File", "KeyLogger.Ardamax", p.akl, p.akl, "", "", "", "direct KAFISD0 %SYS%\\akl.exe");
    add("files", "Malware RegValue", "KeyLogger.Ardamax", "AKL",
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\RunOnce", RegFileText(p.akl), "", "",
        "follow-up of akl.exe: an HKLM RunOnce value whose data is the file");
    add("files", "Malware File", "Bargain Buddy", p.bargains, p.bargains, "", "", "",
        "direct SAFISD0 %PF%\\BargainBuddy\\bargains.exe, and the content of the direct folder SAFOSD0");
    add("files", "Malware Folder", "Bargain Buddy", p.bargainsFolder, p.bargainsFolder, "", "", "",
        "direct SAFOSD0 %PF%\\BargainBuddy");
    add("files", "Malware RegValue", "Bargain Buddy", "bargains",
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Run", RegFileText(p.bargains), "", "",
        "follow-up of bargains.exe: an HKLM Run value whose data holds the file");
    for (const auto& [path, spy, how] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {p.sdbot, "Backdoor.Sdbot", "TAFIS0 sdbot.exe"},
             {p.egdial, "Dialer.Egdial", "DAFIS1 pattern egdial*.exe"},
             {p.bpkhk, "KeyLogger.Perfect", "KAFIS1 relative bpk\\bpkhk.dll, found from the Windows folder"},
             {p.cwsbho, "CoolWebSearch", "HAFIS1 cwsbho.exe"},
             {p.msconfd, "CoolWebSearch", "HAFIS0 msconfd.dll"},
             {beyondAnsi_[0], "Backdoor.Sdbot", "TAFIS0 sdbot.exe, below a folder named in Japanese"},
             {beyondAnsi_[1], "Backdoor.Sdbot", "TAFIS0 sdbot.exe, below a folder named in Czech"},
             {beyondAnsi_[2], "Backdoor.Sdbot", "TAFIS0 sdbot.exe, more than 300 characters deep"}}) {
        add("files", "Malware File", spy, path, path, "", "", "", how);
        if (path == p.cwsbho)
            add("files", "Malware Process", spy, path, std::to_string(ProcessId(path)), "", "", kWhenProcessesListed,
                "follow-up of cwsbho.exe: it runs from that very path");
    }
    add("files", "Malware Folder", "Gator", p.gatorFolder, p.gatorFolder, "", "", "", "SAFOS0 folder gator");
    add("files", "Malware Folder", "Gator", p.gatorData, p.gatorData, "", "", "", "inside SAFOS0 gator");
    add("files", "Malware File", "Gator", p.gatorExe, p.gatorExe, "", "", "", "inside SAFOS0 gator; SAFIS0 gator.exe");
    add("files", "Malware File", "Gator", p.gatorPrefs, p.gatorPrefs, "", "", "", "inside SAFOS0 gator");
    for (const auto& [path, spy, how] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {p.hbtb, "Hotbar", "SBOFN original file name hotbar.dll"},
             {p.xupiter, "Xupiter", "SBFD description Xupiter Toolbar"},
             {p.gmt, "Gator", "SCE company Gator Corporation"},
             {p.cmesys, "Claria", "SCW company contains Claria"},
             {p.qhosts, "TROJAN.QHOSTS", "SBFCS checksum 17 and size 20480 (row text: spy name upper-cased)"},
             {p.hbinst, "Hotbar", "SBIFN internal name hotbarsa"},
             {p.bonzi, "BonziBuddy", "SBPN product BonziBUDDY, through the Start Menu shortcut BonziBuddy.lnk"}})
        add("files", "Malware File", spy, path, path, "", "", kWhenAdvancedScanning, how);

    // Cookies: SpyType is the definition's cookie text.
    add("cookies", "Tracking Cookie", "doubleclick", p.cookieDc, p.cookieDc, "", "", "", "COOK0 doubleclick");
    add("cookies", "Tracking Cookie", "atdmt", p.cookieAtdmt, p.cookieAtdmt, "", "", "", "COOK1 atdmt");
    add("cookies", "Tracking Cookie", "Other", p.cookieClean, p.cookieClean, "", "", kWhenAllCookies,
        "no definition matches; kept by the all-cookies option");

    // Hosts: SpyType is the entry's address; definition rows outer, entries inner. The entry of
    // the type "Bad Host File Entries" is a finding like the others (the scan never edits the file).
    add("hosts", "Bad Hosts Entry", "127.0.0.1", "ad.doubleclick.net", "", "", "", "", "HOSTSV0 ad.doubleclick.net");
    add("hosts", "Bad Hosts Entry", "203.0.113.7", "www.google.com", "", "", "", "", "HOSTSV1 www.google.com");
    add("hosts", "Bad Hosts Entry", "127.0.0.1", "www.example-search.com", "", "", "", "",
        "HOSTSV2 www.example-search.com");
}

}  // namespace testing_support
