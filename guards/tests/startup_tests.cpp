// Startup items on the real places of the prefix: both hives' Run keys, RunOnce, RunOnceEx,
// RunServices, both Startup folders (real shortcuts) and win.ini. Everything changed is put back.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/SpecialFolders.h"
#include "guards/Places.h"
#include "guards/Startup.h"

namespace {

using guards::StartupList;
using guards::StartupProfile;

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";

struct KeyBackup {
    HKEY hive;
    std::string key;
    std::optional<std::string> tree;
};

struct FileBackup {
    std::string path;
    std::optional<std::string> bytes;
    void Take() { bytes = base::FileExists(path) ? std::optional(base::ReadWhole(path)) : std::nullopt; }
    void Put() const {
        if (bytes)
            base::WriteText(path, *bytes);
        else
            DeleteFileA(path.c_str());
    }
};

std::string Folder(int csidl) {
    std::string f = modMain::CheckFolderID(csidl);
    while (!f.empty() && f.back() == '\\') f.pop_back();
    return f;
}

// Puts every startup place back as it was before the test.
class StartupPlaces : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto [hive, key] : {std::pair{HKEY_CURRENT_USER, "Run"},
                                 {HKEY_LOCAL_MACHINE, "Run"},
                                 {HKEY_LOCAL_MACHINE, "RunOnce"},
                                 {HKEY_LOCAL_MACHINE, "RunOnceEx"},
                                 {HKEY_LOCAL_MACHINE, "RunServices"}}) {
            std::string k = std::string(kRun) + key;
            keys_.push_back({hive, k, guards::SnapshotKeyTree(hive, k)});
        }
        files_ = {{guards::WinIniPath(), {}}, {guards::StartupDisabledFile(), {}}};
        for (auto& f : files_) f.Take();
        DeleteFileA(guards::StartupDisabledFile().c_str());
        userStartup_ = Folder(CSIDL_STARTUP);
        commonStartup_ = Folder(CSIDL_COMMON_STARTUP);
        ASSERT_FALSE(userStartup_.empty());
        ASSERT_FALSE(commonStartup_.empty());
        stem_ = testing_support::UniqueName("CorvaneStartup");
    }
    void TearDown() override {
        modMain::SetFolderSources(modMain::SystemFolderSources());
        for (const auto& k : keys_) {
            guards::DeleteKeyTree(k.hive, k.key);
            if (k.tree) guards::RestoreKeyTree(k.hive, k.key, *k.tree);
        }
        for (const auto& f : files_) f.Put();
        for (const auto& p : created_) DeleteFileA(p.c_str());
    }
    std::string Shortcut(const std::string& folder, const std::string& name) {
        std::string p = folder + "\\" + name + ".lnk";
        created_.push_back(p);
        return p;
    }
    static const StartupProfile* Find(const std::vector<StartupList::Row>& rows, const std::string& name,
                                      const std::string& command = {}) {
        for (const auto& r : rows)
            if (r.item.name == name && (command.empty() || r.item.command == command)) return &r.item;
        return nullptr;
    }
    static std::optional<StartupProfile> FindItem(const std::string& name, const std::string& command = {}) {
        for (const auto& r : guards::ReadStartupPlaces())
            if (r.name == name && (command.empty() || r.command == command)) return r;
        return std::nullopt;
    }

    std::vector<KeyBackup> keys_;
    std::vector<FileBackup> files_;
    std::vector<std::string> created_;
    std::string userStartup_, commonStartup_, stem_;
};

// Each place: disabling takes exactly the item out, enabling puts back the exact original.
TEST_F(StartupPlaces, EachPlaceDisablesAndEnablesToTheExactOriginal) {
    struct Case {
        const char* location;
        HKEY hive;
        const char* key;  // registry places
        DWORD type;
        int csidl;           // Startup folders
        const char* iniKey;  // win.ini
    } cases[] = {
        {"Registry(User Run)", HKEY_CURRENT_USER, "Run", REG_EXPAND_SZ, 0, nullptr},
        {"Registry(Machine Run)", HKEY_LOCAL_MACHINE, "Run", REG_SZ, 0, nullptr},
        {"Registry(Machine RunOnce)", HKEY_LOCAL_MACHINE, "RunOnce", REG_SZ, 0, nullptr},
        {"Registry(Machine RunOnceEx)", HKEY_LOCAL_MACHINE, "RunOnceEx", REG_EXPAND_SZ, 0, nullptr},
        {"Registry(Machine RunServices)", HKEY_LOCAL_MACHINE, "RunServices", REG_SZ, 0, nullptr},
        {"StartUp (Current User)", nullptr, nullptr, 0, CSIDL_STARTUP, nullptr},
        {"StartUp (All Users)", nullptr, nullptr, 0, CSIDL_COMMON_STARTUP, nullptr},
        {"Win.ini Load", nullptr, nullptr, 0, 0, "Load"},
        {"Win.ini Run", nullptr, nullptr, 0, 0, "Run"},
    };
    const std::string command = "\"%ProgramFiles%\\Odd, Folder\\app.exe\" /opt \"x, y\"";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        std::string name = stem_ + "_" + std::to_string(&c - cases);
        std::optional<StartupProfile> row;
        if (c.key) {
            std::string key = std::string(kRun) + c.key;
            guards::RawValue v{c.type, command + std::string(1, '\0')};
            ASSERT_TRUE(guards::WriteRawValue(c.hive, key, name, v));
            row = FindItem(name);
            ASSERT_TRUE(row);
            EXPECT_EQ(row->location, c.location);
            EXPECT_EQ(row->command, command);
            ASSERT_TRUE(guards::DisableStartupItem(*row).ok);
            EXPECT_FALSE(guards::ReadRawValue(c.hive, key, name));
            ASSERT_TRUE(guards::EnableStartupItem(*row).ok);
            auto back = guards::ReadRawValue(c.hive, key, name);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->type, c.type);
            EXPECT_EQ(back->data, v.data);
        } else if (c.csidl) {
            std::string path = Shortcut(Folder(c.csidl), name);
            guards::ShortcutInfo s;
            s.target = "C:\\windows\\notepad.exe";
            s.arguments = "/a \"b c\", d";
            s.workingFolder = "C:\\windows\\system32";
            s.description = "a test shortcut";
            ASSERT_TRUE(guards::WriteShortcut(path, s));
            std::string bytes = base::ReadWhole(path);
            row = FindItem(name);
            ASSERT_TRUE(row);
            EXPECT_EQ(row->location, c.location);
            EXPECT_EQ(row->command, s.target + " " + s.arguments);
            ASSERT_TRUE(guards::DisableStartupItem(*row).ok);
            EXPECT_FALSE(base::FileExists(path));
            ASSERT_TRUE(guards::EnableStartupItem(*row).ok);
            ASSERT_TRUE(base::FileExists(path));
            EXPECT_EQ(base::ReadWhole(path), bytes);
            auto back = guards::ReadShortcut(path);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->target, s.target);
            EXPECT_EQ(back->arguments, s.arguments);
            EXPECT_EQ(back->workingFolder, s.workingFolder);
        } else {
            std::string ini = guards::WinIniPath();
            std::string program = name + ".exe";
            std::string line = "first.exe, " + program + " \"C:\\Program Files\\last one.exe\"";
            ASSERT_TRUE(guards::WriteIniKey(ini, "windows", c.iniKey, line));
            row = FindItem(std::string("Win.ini ") + c.iniKey, program);
            ASSERT_TRUE(row);
            EXPECT_EQ(row->location, c.location);
            ASSERT_TRUE(guards::DisableStartupItem(*row).ok);
            EXPECT_EQ(guards::ReadIniKey(ini, "windows", c.iniKey), "first.exe, \"C:\\Program Files\\last one.exe\"");
            ASSERT_TRUE(guards::EnableStartupItem(*row).ok);
            EXPECT_EQ(guards::ReadIniKey(ini, "windows", c.iniKey), line);
        }
    }
}

TEST_F(StartupPlaces, AnItemAlreadyGoneOrAnUnknownLocationRaisesNothing) {
    StartupProfile gone{stem_,   "Enabled", "Registry(Machine RunServices)", "All Users", "Any User Logs On",
                        "x.exe", {}};
    EXPECT_TRUE(guards::DisableStartupItem(gone).ok);
    StartupProfile unknown{stem_, "Enabled", "Somewhere(Else)", "All Users", "Any User Logs On", "x.exe", {}};
    EXPECT_FALSE(guards::DisableStartupItem(unknown).ok);
    EXPECT_FALSE(guards::EnableStartupItem(unknown).ok);
}

TEST_F(StartupPlaces, AStartupFolderThatCannotBeFoundIsNeverTheDriveRoot) {
    std::string path = Shortcut(userStartup_, stem_);
    guards::ShortcutInfo s;
    s.target = "C:\\windows\\notepad.exe";
    ASSERT_TRUE(guards::WriteShortcut(path, s));
    auto sources = modMain::SystemFolderSources();
    auto real = sources.folderPath;
    sources.folderPath = [real](int csidl, char* buffer) -> HRESULT {
        if ((csidl & ~CSIDL_FLAG_MASK) == CSIDL_STARTUP) return E_FAIL;
        return real(csidl, buffer);
    };
    modMain::SetFolderSources(sources);
    StartupProfile row{stem_,    "Disabled", "StartUp (Current User)", "Current User", "Current User logs On",
                       s.target, {}};
    EXPECT_FALSE(guards::DisableStartupItem(row).ok);
    EXPECT_FALSE(guards::EnableStartupItem(row).ok);
    EXPECT_TRUE(base::FileExists(path));
    for (const auto& r : guards::ReadStartupPlaces()) EXPECT_NE(r.location, "StartUp (Current User)") << r.name;
}

TEST_F(StartupPlaces, ANameFromAProfileNeverReachesOutsideTheStartupFolder) {
    testing_support::TempFolder temp;
    StartupProfile evil{
        "..\\..\\" + stem_,         "Enabled", "StartUp (Current User)", "Current User", "Current User logs On",
        "C:\\windows\\notepad.exe", {}};
    guards::SaveStartupProfile({evil}, temp / "evil.Pro");
    StartupList list;
    list.Load();
    list.LoadProfile(temp / "evil.Pro");
    auto report = list.Apply();
    EXPECT_EQ(report.failures.size(), 1u);
    std::string outside = userStartup_.substr(0, userStartup_.rfind('\\'));
    outside = outside.substr(0, outside.rfind('\\'));
    EXPECT_FALSE(base::FileExists(outside + "\\" + stem_ + ".lnk"));
    // The refused row is not lost: it stays off and is remembered.
    ASSERT_TRUE(base::FileExists(guards::StartupDisabledFile()));
    EXPECT_EQ(guards::LoadStartupProfile(guards::StartupDisabledFile()).at(0).name, evil.name);
}

TEST_F(StartupPlaces, ListOnlyShortcutsAndKeepTheirRealFileName) {
    std::string plain = userStartup_ + "\\" + stem_ + ".txt";
    std::string backup = userStartup_ + "\\" + stem_ + ".lnk.bak";
    created_.insert(created_.end(), {plain, backup});
    base::WriteText(plain, "x");
    base::WriteText(backup, "x");
    std::string upper = userStartup_ + "\\" + stem_ + "UP.LNK";
    created_.push_back(upper);
    guards::ShortcutInfo s;
    s.target = "C:\\windows\\notepad.exe";
    ASSERT_TRUE(guards::WriteShortcut(upper, s));
    auto rows = guards::ReadStartupPlaces();
    for (const auto& r : rows) EXPECT_EQ(r.name.find(stem_ + ".lnk"), std::string::npos) << r.name;
    auto it = std::find_if(rows.begin(), rows.end(), [&](const StartupProfile& r) { return r.name == stem_ + "UP"; });
    ASSERT_NE(it, rows.end());
    EXPECT_EQ(it->command, s.target);
    StartupProfile row = *it;
    ASSERT_TRUE(guards::DisableStartupItem(row).ok);
    EXPECT_FALSE(base::FileExists(upper));
    ASSERT_TRUE(guards::EnableStartupItem(row).ok);
    EXPECT_TRUE(base::FileExists(upper));
}

// Marks, Apply, a restart, enable again; Remove leaves list and records for good.
TEST_F(StartupPlaces, MarksApplyAndADisabledItemComesBackExactlyAfterARestart) {
    std::string key = std::string(kRun) + "Run";
    guards::RawValue value{REG_EXPAND_SZ, std::string("%SystemRoot%\\x.exe /q\0", 22)};
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, key, stem_ + "A", value));
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, key, stem_ + "B", {REG_SZ, std::string("b.exe\0", 6)}));
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, key, stem_ + "Keep", {REG_SZ, std::string("k.exe\0", 6)}));
    auto index = [&](const StartupList& l, const std::string& name) {
        for (size_t i = 0; i < l.Rows().size(); ++i)
            if (l.Rows()[i].item.name == name) return i;
        return SIZE_MAX;
    };
    StartupList list;
    list.Load();
    list.Toggle(index(list, stem_ + "A"));
    list.Toggle(index(list, stem_ + "Keep"));
    list.Toggle(index(list, stem_ + "Keep"));  // twice: back to Enabled, nothing to do
    list.MarkRemove(index(list, stem_ + "B"));
    EXPECT_TRUE(list.Apply().failures.empty());
    EXPECT_FALSE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "A"));
    EXPECT_FALSE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "B"));
    EXPECT_TRUE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "Keep"));
    EXPECT_EQ(index(list, stem_ + "B"), SIZE_MAX);
    list.Reset();  // a removed item does not come back
    EXPECT_EQ(index(list, stem_ + "B"), SIZE_MAX);
    auto disabled = guards::LoadStartupProfile(guards::StartupDisabledFile());
    ASSERT_EQ(disabled.size(), 1u);
    EXPECT_EQ(disabled[0].name, stem_ + "A");

    StartupList again;  // the next run
    again.Load();
    size_t a = index(again, stem_ + "A");
    ASSERT_NE(a, SIZE_MAX);
    EXPECT_EQ(again.Rows()[a].item.state, "Disabled");
    again.Toggle(a);
    EXPECT_TRUE(again.Apply().failures.empty());
    auto back = guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "A");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(back->data, value.data);
    EXPECT_FALSE(base::FileExists(guards::StartupDisabledFile()));
}

// A profile in another order pairs its rows with the items by identity, not by position.
TEST_F(StartupPlaces, ProfilesSavedChangedLoadedAndReset) {
    testing_support::TempFolder temp;
    std::string key = std::string(kRun) + "Run";
    for (const char* n : {"1", "2", "3"})
        ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, key, stem_ + n, {REG_SZ, std::string(n) + ".exe" + '\0'}));
    StartupList list;
    list.Load();
    std::string profile = temp / "all.Pro";
    list.SaveProfile(profile);
    auto items = guards::LoadStartupProfile(profile);
    ASSERT_EQ(items.size(), list.Rows().size());
    // Change the profile outside: reversed order, item 2 off.
    std::reverse(items.begin(), items.end());
    for (auto& i : items)
        if (i.name == stem_ + "2") i.state = "Disabled";
    guards::SaveStartupProfile(items, profile);
    list.LoadProfile(profile);
    EXPECT_TRUE(list.Apply().failures.empty());
    EXPECT_TRUE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "1"));
    EXPECT_FALSE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "2"));
    EXPECT_TRUE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "3"));
    // Unapplied marks go with Reset.
    list.Toggle(0);
    list.Reset();
    EXPECT_TRUE(list.Apply().failures.empty());
    EXPECT_TRUE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "1"));
    EXPECT_TRUE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "3"));
    // Loading the first profile again brings item 2 back.
    for (auto& i : items) i.state = "Enabled";
    guards::SaveStartupProfile(items, profile);
    list.LoadProfile(profile);
    EXPECT_TRUE(list.Apply().failures.empty());
    EXPECT_TRUE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "2"));
}

// An item that is out of its place stays in the disabled-items file although the list no
// longer shows it (a profile saved before it was disabled was loaded and applied).
TEST_F(StartupPlaces, ADisabledItemALoadedProfileLeavesOutStaysRecorded) {
    testing_support::TempFolder temp;
    const std::string key = std::string(kRun) + "Run";
    const guards::RawValue value{REG_SZ, std::string("off.exe /x\0", 11)};
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, key, stem_ + "Off", value));
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, key, stem_ + "On", {REG_SZ, std::string("on.exe\0", 7)}));
    StartupList list;
    list.Load();
    const std::string profile = temp / "before.Pro";
    list.SaveProfile(profile);
    auto items = guards::LoadStartupProfile(profile);
    std::erase_if(items, [&](const StartupProfile& i) { return i.name == stem_ + "Off"; });
    guards::SaveStartupProfile(items, profile);  // the profile knows nothing of the item
    for (size_t i = 0; i < list.Rows().size(); ++i)
        if (list.Rows()[i].item.name == stem_ + "Off") list.Toggle(i);
    EXPECT_TRUE(list.Apply().failures.empty());
    ASSERT_FALSE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "Off"));

    list.LoadProfile(profile);
    EXPECT_EQ(Find(list.Rows(), stem_ + "Off"), nullptr);
    EXPECT_TRUE(list.Apply().failures.empty());
    auto disabled = guards::LoadStartupProfile(guards::StartupDisabledFile());
    ASSERT_EQ(disabled.size(), 1u);
    EXPECT_EQ(disabled[0].name, stem_ + "Off");

    StartupList again;  // the next run still lists it, and it comes back exactly
    again.Load();
    for (size_t i = 0; i < again.Rows().size(); ++i)
        if (again.Rows()[i].item.name == stem_ + "Off") {
            EXPECT_EQ(again.Rows()[i].item.state, "Disabled");
            again.Toggle(i);
        }
    EXPECT_TRUE(again.Apply().failures.empty());
    auto back = guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_ + "Off");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->data, value.data);
}

TEST_F(StartupPlaces, AFailingItemLeavesTheOthersDoneAndRecorded) {
    std::string key = std::string(kRun) + "Run";
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, key, stem_, {REG_SZ, std::string("x.exe\0", 6)}));
    StartupList list;
    list.Load();
    list.Add({"bad\\name", "Enabled", "StartUp (Current User)", "Current User", "logging on", "C:\\y.exe", {}});
    for (size_t i = 0; i < list.Rows().size(); ++i)
        if (list.Rows()[i].item.name == stem_) list.Toggle(i);
    auto report = list.Apply();
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_NE(report.failures[0].find("bad\\name"), std::string::npos);
    EXPECT_FALSE(guards::ReadRawValue(HKEY_CURRENT_USER, key, stem_));
    auto disabled = guards::LoadStartupProfile(guards::StartupDisabledFile());
    EXPECT_TRUE(
        std::any_of(disabled.begin(), disabled.end(), [&](const StartupProfile& p) { return p.name == stem_; }));
}

TEST_F(StartupPlaces, AnAddedItemIsCreatedByApplyInAStartupFolderWithItsArguments) {
    std::string path = Shortcut(commonStartup_, stem_);
    StartupList list;
    list.Load();
    list.Add({stem_,
              "Enabled",
              "StartUp (All Users)",
              "All Users",
              "logging on",
              "\"C:\\windows\\system32\\cmd.exe\" /c echo hi",
              {}});
    EXPECT_TRUE(list.Apply().failures.empty());
    auto link = guards::ReadShortcut(path);
    ASSERT_TRUE(link);
    EXPECT_EQ(base::UCase(link->target), "C:\\WINDOWS\\SYSTEM32\\CMD.EXE");
    EXPECT_EQ(link->arguments, "/c echo hi");
}

}  // namespace
