// The seeded machine itself: everything it plants is really there, the look-alikes too, its
// table agrees with the sample definitions, and the prefix is back as it was afterwards, also
// after a run that died.
#include <gtest/gtest.h>
#include <objbase.h>
#include <psapi.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "base/FolderWalk.h"
#include "base/Handles.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededMachine.h"

using testing_support::SeededFinding;
using testing_support::SeededItem;
using testing_support::SeededMachine;
using testing_support::SeededPlace;

namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}
std::string LastPart(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

HKEY RootOf(const std::string& name) {
    if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    return HKEY_CLASSES_ROOT;
}
std::pair<HKEY, std::string> SplitPlace(const std::string& place) {
    const size_t slash = place.find('\\');
    return {RootOf(place.substr(0, slash)), place.substr(slash + 1)};
}

bool KeyExists(HKEY root, const std::string& path) {
    base::RegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

// Names and data of every value of a key, and the names of its subkeys.
std::string KeyImage(HKEY root, const std::string& path) {
    base::RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) return "<absent>";
    std::string image;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLen = sizeof name, type = 0;
        BYTE data[16384];
        DWORD dataLen = sizeof data;
        if (RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
        image += "V " + std::string(name, nameLen) + " " + std::to_string(type) + " " +
                 std::string(reinterpret_cast<char*>(data), dataLen) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        image += "K " + std::string(name, nameLen) + "\n";
    }
    return image;
}

std::string FolderImage(const std::string& folder) {
    std::string image;
    base::ForEachEntry(folder, [&](const WIN32_FIND_DATAA& e, const std::string&) {
        image += std::string(e.cFileName) + " " + std::to_string(e.nFileSizeLow) + "\n";
    });
    return image;
}

// Everything a seeded run touches, as it stands now.
std::map<std::string, std::string> PrefixImage() {
    const testing_support::SeededFolders f = testing_support::ReadSeededFolders();
    std::map<std::string, std::string> image;
    const std::string hosts = f.hostsFile;
    image["hosts"] = base::FileExists(hosts) ? base::ReadWhole(hosts) : "<absent>";
    for (const std::string& folder :
         {f.windows, f.system, f.programFiles, f.appData, f.cookies, f.startMenu + "\\Programs"})
        image["dir " + folder] = FolderImage(folder);
    const std::pair<HKEY, const char*> keys[] = {
        {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main"},
        {HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Toolbar"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects"},
        // Other tests register classes and make keys under Software meanwhile: only ours count there.
        {HKEY_CLASSES_ROOT, "CLSID\\{5E3D9B7A-1C4F-4B2A-9D61-7A0C2E8F4B13}"},
        {HKEY_CLASSES_ROOT, "CLSID\\{8A4C2E61-3B7D-4F09-A5E2-C61D0B9F7A24}"},
        {HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{5E3D9B7A-1C4F-4B2A-9D61-7A0C2E8F4B13}"},
        {HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{8A4C2E61-3B7D-4F09-A5E2-C61D0B9F7A24}"},
        {HKEY_CURRENT_USER, "Software\\Hotbar"},
        {HKEY_CURRENT_USER, "Software\\Navigator"},
    };
    for (const auto& [root, path] : keys)
        image["key " + std::to_string(reinterpret_cast<uintptr_t>(root)) + path] = KeyImage(root, path);
    return image;
}

void ExpectSameImage(const std::map<std::string, std::string>& before,
                     const std::map<std::string, std::string>& after) {
    for (const auto& [place, text] : before) {
        auto it = after.find(place);
        ASSERT_NE(it, after.end()) << place;
        EXPECT_TRUE(it->second == text) << place << " differs:\nbefore:\n"
                                        << text.substr(0, 2000) << "\nafter:\n"
                                        << it->second.substr(0, 2000);
    }
}

std::vector<std::string> RunningImagesOf(const std::vector<std::string>& paths) {
    std::vector<std::string> found;
    base::FileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = Process32First(snap.get(), &e); more; more = Process32Next(snap.get(), &e)) {
        base::Handle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID));
        if (!p) continue;
        char image[MAX_PATH * 2];
        DWORD size = sizeof image;
        if (!QueryFullProcessImageNameA(p.get(), 0, image, &size)) continue;
        for (const std::string& path : paths)
            if (Upper(std::string(image, size)) == Upper(path)) found.push_back(path);
    }
    return found;
}

std::string VersionString(const std::string& file, const char* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return "<none>";
    std::string buffer(size, '\0');
    if (!GetFileVersionInfoA(file.c_str(), 0, size, buffer.data())) return "<none>";
    char* text = nullptr;
    UINT len = 0;
    const std::string block = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(buffer.data(), block.c_str(), reinterpret_cast<void**>(&text), &len) || !text) return "";
    return std::string(text);
}

unsigned XorChecksum(const std::string& bytes) {
    unsigned x = 0;
    for (size_t i = 1; i < bytes.size(); ++i) x ^= static_cast<unsigned char>(bytes[i]);
    return x;
}

std::string ShortcutTarget(const std::string& link) {
    IShellLinkA* sl = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&sl))))
        return "<no shell link>";
    std::string target = "<unreadable>";
    IPersistFile* pf = nullptr;
    if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
        std::wstring wide(link.begin(), link.end());
        if (SUCCEEDED(pf->Load(wide.c_str(), STGM_READ))) {
            char path[MAX_PATH] = {};
            if (SUCCEEDED(sl->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) target = path;
        }
        pf->Release();
    }
    sl->Release();
    return target;
}

// key -> value of the sample definitions source (first occurrence).
std::map<std::string, std::string> SampleDefinitions() {
    std::map<std::string, std::string> values;
    for (const std::string& line :
         base::ReadLines(testing_support::SourceDir() + "\\assets\\definitions\\definitions.txt")) {
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        values.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    return values;
}

class SeededMachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SeededMachine::RemoveLeftovers();
        before_ = PrefixImage();
    }
    std::map<std::string, std::string> before_;
};

// ---- planted and taken away

TEST_F(SeededMachineTest, PlantsEveryItemAndPutsThePrefixBack) {
    std::vector<std::string> programs;
    std::vector<DWORD> pids;
    {
        SeededMachine m;
        std::printf("planting took %.3f s\n", m.PlantSeconds());
        const std::string hosts = base::ReadWhole(m.Folders().hostsFile);
        EXPECT_EQ(hosts.rfind(before_["hosts"], 0), 0u) << "the old hosts text stays in front";
        for (const SeededItem& i : m.Items()) {
            SCOPED_TRACE(i.where + " " + i.name + (i.lookAlike ? " (look-alike)" : ""));
            switch (i.place) {
                case SeededPlace::File:
                case SeededPlace::Cookie:
                    EXPECT_TRUE(base::FileExists(i.where));
                    break;
                case SeededPlace::Folder:
                    EXPECT_TRUE(base::FolderExists(i.where));
                    break;
                case SeededPlace::Shortcut:
                    EXPECT_TRUE(base::FileExists(i.where));
                    EXPECT_EQ(Upper(ShortcutTarget(i.where)), Upper(i.name));
                    EXPECT_EQ(base::FileExists(i.name), LastPart(i.where) != "Bonzi Updater.lnk");
                    break;
                case SeededPlace::Key: {
                    auto [root, path] = SplitPlace(i.where);
                    EXPECT_TRUE(KeyExists(root, path));
                    break;
                }
                case SeededPlace::Value: {
                    auto [root, path] = SplitPlace(i.where);
                    base::RegKey key;
                    ASSERT_EQ(RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()),
                              ERROR_SUCCESS);
                    EXPECT_EQ(RegQueryValueExA(key.get(), i.name.c_str(), nullptr, nullptr, nullptr, nullptr),
                              ERROR_SUCCESS);
                    break;
                }
                case SeededPlace::Process: {
                    const DWORD pid = m.ProcessId(i.where);
                    ASSERT_NE(pid, 0u);
                    base::Handle p(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
                    ASSERT_TRUE(p);
                    DWORD code = 0;
                    EXPECT_TRUE(GetExitCodeProcess(p.get(), &code) && code == STILL_ACTIVE);
                    // What the memory phase lists: the first module's file name, exactly.
                    HMODULE first = nullptr;
                    DWORD needed = 0;
                    char name[MAX_PATH] = {};
                    ASSERT_TRUE(EnumProcessModules(p.get(), &first, sizeof first, &needed));
                    GetModuleFileNameExA(p.get(), first, name, MAX_PATH);
                    EXPECT_EQ(std::string(name), i.where);
                    programs.push_back(i.where);
                    pids.push_back(pid);
                    break;
                }
                case SeededPlace::HostsLine:
                    EXPECT_NE(hosts.find(i.where + "\r\n"), std::string::npos);
                    break;
            }
        }
        EXPECT_EQ(programs.size(), 3u);
        // The hidden cookie is hidden; the checksum files carry the sums their definitions say.
        const std::string cookies = m.Folders().cookies;
        EXPECT_TRUE(GetFileAttributesA((cookies + "\\user@doubleclick[3].txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
        const std::string qhosts = base::ReadWhole(m.Folders().appData + "\\qhosts.exe");
        EXPECT_EQ(qhosts.size(), 20480u);
        EXPECT_EQ(XorChecksum(qhosts), 17u);
        EXPECT_EQ(XorChecksum(base::ReadWhole(m.Folders().windows + "\\netupd.exe")), 16u);
        const std::string start = [&] {
            char buf[512] = {};
            DWORD size = sizeof buf;
            RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page", RRF_RT_REG_SZ,
                         nullptr, buf, &size);
            return std::string(buf);
        }();
        EXPECT_EQ(start, "http://www.coolwebsearch.com/");
    }
    ExpectSameImage(before_, PrefixImage());
    EXPECT_TRUE(RunningImagesOf(programs).empty());
    for (DWORD pid : pids) {
        base::Handle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        DWORD code = 0;
        EXPECT_TRUE(!p || (GetExitCodeProcess(p.get(), &code) && code != STILL_ACTIVE)) << pid;
    }
    EXPECT_FALSE(base::FolderExists(SeededMachine::JournalFolder()));
}

// What the advanced property search reads: each file's version texts, table by table.
TEST_F(SeededMachineTest, VersionTextsAreWhatTheDefinitionsMatch) {
    SeededMachine m;
    const auto& f = m.Folders();
    struct Row {
        std::string file;
        const char* field;
        std::string text;
    } rows[] = {
        {f.system + "\\hbtb.dll", "OriginalFilename", "hotbar.dll"},
        {f.windows + "\\gmt.exe", "CompanyName", "Gator Corporation"},
        {f.appData + "\\cmesys.exe", "CompanyName", "Claria Corporation"},
        {f.temp + "\\hbinst.exe", "InternalName", "hotbarsa"},
        {f.programFiles + "\\BonziBuddy\\bonzibdy.exe", "ProductName", "BonziBUDDY"},
        {f.system + "\\xupiter.dll", "FileDescription", "Xupiter Toolbar"},
        {f.system + "\\bonzihlp.dll", "CompanyName", "Microsoft Corporation"},
        {f.system + "\\bonzihlp.dll", "ProductName", "BonziBUDDY"},
        {f.windows + "\\bargain.exe", "CompanyName", "Navigator Systems"},
        {f.system + "\\cwsbho.exe", "OriginalFilename", "navigator.exe"},
        {f.appData + "\\qhosts.exe", "CompanyName", "<none>"},
    };
    for (const Row& r : rows) EXPECT_EQ(VersionString(r.file, r.field), r.text) << r.file << " " << r.field;
}

// ---- the table of findings

TEST_F(SeededMachineTest, ExpectedFindingsAgreeWithTheSampleDefinitionsAndTheDisk) {
    SeededMachine m;
    const auto defs = SampleDefinitions();
    std::set<std::string> values, upperValues;
    for (const auto& [key, value] : defs) {
        values.insert(value);
        upperValues.insert(Upper(value));
    }
    const std::set<std::string> kinds = {"Malware File",   "Malware Folder",   "Tracking Cookie", "Malware Process",
                                         "Malware RegKey", "Malware RegValue", "Malware RegData", "Bad Hosts Entry"};
    const std::set<std::string> phases = {"memory", "registry", "deepregistry", "files", "cookies", "hosts"};
    std::set<std::string> lookAlikeNames;
    for (const SeededItem& i : m.LookAlikes())
        lookAlikeNames.insert(Upper(i.place == SeededPlace::Value ? i.name : LastPart(i.where)));
    for (const SeededFinding& e : m.Expected()) {
        SCOPED_TRACE(e.phase + " " + e.kind + " " + e.spyType + " " + e.item);
        EXPECT_TRUE(kinds.count(e.kind));
        EXPECT_TRUE(phases.count(e.phase));
        EXPECT_FALSE(e.item.empty());
        // A look-alike shows only where an option keeps everything (the all-cookies option).
        if (e.condition != testing_support::kWhenAllCookies) {
            EXPECT_FALSE(lookAlikeNames.count(Upper(LastPart(e.item))));
        }
        std::printf("%-12s | %-16s | %-17s | %s | %s | %s | %s | %s\n", e.phase.c_str(), e.kind.c_str(),
                    e.spyType.c_str(), e.item.c_str(), e.toolTip.c_str(), e.tag.c_str(), e.replace.c_str(),
                    e.condition.c_str());
        if (e.kind == "Bad Hosts Entry") {
            EXPECT_TRUE(values.count(e.item)) << "a HOSTSV value";
        } else if (e.spyType != "Other") {
            EXPECT_TRUE(values.count(e.spyType) || upperValues.count(e.spyType)) << "a spy name of the sample";
        }
        if (e.kind == "Malware File" || e.kind == "Tracking Cookie") {
            EXPECT_TRUE(base::FileExists(e.item));
        }
        if (e.kind == "Malware Folder") {
            EXPECT_TRUE(base::FolderExists(e.item));
        }
        if (e.kind == "Malware Process") {
            EXPECT_EQ(e.toolTip, std::to_string(m.ProcessId(e.item)));
        }
    }
    // Every planted file of the infection is in the table, under its long or its short path.
    for (const SeededItem& i : m.Infection()) {
        if (i.place != SeededPlace::File && i.place != SeededPlace::Cookie) continue;
        bool listed = false;
        for (const SeededFinding& e : m.Expected())
            listed =
                listed || Upper(e.item) == Upper(i.where) ||
                Upper(e.item) == Upper(testing_support::ShortPathOf(i.where)) ||
                (i.where.find("bargains.exe") != std::string::npos && e.item.find("bargains.exe") != std::string::npos);
        EXPECT_TRUE(listed) << i.where;
    }
    // No look-alike is named by the definitions.
    for (const std::string& name : lookAlikeNames) EXPECT_FALSE(upperValues.count(name)) << name;
    // Conditions filter: without any, the advanced-search and all-cookies rows stay out.
    size_t advanced = 0;
    for (const SeededFinding& e : m.Expected()) advanced += e.condition == testing_support::kWhenAdvancedScanning;
    EXPECT_EQ(m.Expected("files", {testing_support::kWhenAdvancedScanning}).size(),
              m.Expected("files").size() + advanced);
    EXPECT_EQ(m.Expected("cookies").size(), 2u);
    EXPECT_EQ(m.Expected("cookies", {testing_support::kWhenAllCookies}).size(), 3u);
    EXPECT_EQ(m.Expected("hosts").size(), 2u);
    EXPECT_EQ(m.Expected("memory").size(), 2u);
}

// ---- after a crash

TEST(SeededMachineChild, PlantsAndDies) {
    if (!testing_support::IsChildRun()) GTEST_SKIP() << "run as a child by the crash test";
    new SeededMachine;  // never destroyed: the process dies with everything planted
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 7);
}

TEST_F(SeededMachineTest, ARunThatDiedIsPutBackByTheNext) {
    const testing_support::SeededFolders f = testing_support::ReadSeededFolders();
    const std::vector<std::string> programs = {
        f.system + "\\cwsbho.exe", f.programFiles + "\\BargainBuddy\\bargains.exe", f.windows + "\\bargain.exe"};
    // Put back by RemoveLeftovers alone...
    ASSERT_EQ(testing_support::RunSelf("SeededMachineChild.PlantsAndDies"), 7);
    EXPECT_TRUE(base::FileExists(SeededMachine::JournalFolder() + "\\journal.txt"));
    EXPECT_TRUE(base::FileExists(f.windows + "\\sdbot.exe"));
    EXPECT_NE(base::ReadWhole(f.hostsFile), before_["hosts"]);
    SeededMachine::RemoveLeftovers();
    ExpectSameImage(before_, PrefixImage());
    EXPECT_TRUE(RunningImagesOf(programs).empty());
    // ...and by the next machine, which then plants afresh.
    ASSERT_EQ(testing_support::RunSelf("SeededMachineChild.PlantsAndDies"), 7);
    {
        SeededMachine m;
        EXPECT_EQ(RunningImagesOf(programs).size(), 3u);
        EXPECT_EQ(base::ReadWhole(f.hostsFile).rfind(before_["hosts"], 0), 0u);
        const std::string hosts = base::ReadWhole(f.hostsFile);
        EXPECT_EQ(std::count(hosts.begin(), hosts.end(), '\n'),
                  std::count(before_["hosts"].begin(), before_["hosts"].end(), '\n') + 6)
            << "the dead run's lines are gone, this run's are there once";
    }
    ExpectSameImage(before_, PrefixImage());
    EXPECT_TRUE(RunningImagesOf(programs).empty());
}

}  // namespace
