// Removal of checked findings against the real registry (scratch keys), files in a temporary
// folder, started helper processes, the registry editor under Wine, and the seeded machine.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "base/OsVersion.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/REG32.h"
#include "core/RegistryModule.h"
#include "core/SpecialFolders.h"
#include "core/Statistics.h"
#include "core/tests/CoreTestSupport.h"
#include "results/FindingList.h"
#include "results/RemoveSelected.h"
#include "results/tests/SeededFindings.h"

using core_test::KeyExists;
using core_test::ScratchKey;
using results::FindingList;

namespace {

base::ListItem& AddRow(FindingList& list, const std::string& kind, const std::string& spy, const std::string& item,
                       const std::string& tip = {}, bool checked = true, const std::string& replace = {}) {
    results::Finding f;
    f.SpyType = spy;
    f.spyItem = item;
    f.ItemToolTip = tip;
    f.ItemReplace = replace;
    f.Checked = checked;
    return list.AddRow(kind, f);
}

struct RecordingView : results::RemovalView {
    std::vector<long> progress;
    std::vector<std::string> warnings;
    void ShowProgress(long p) override { progress.push_back(p); }
    void WarnNotRemoved(const std::string& t) override { warnings.push_back(t); }
};

// The registry editor stands in: records the command and does what the script asks with the
// registry API (key deletions only, as the script holds nothing else).
struct ScriptRunner {
    std::vector<std::string> commands, scripts;
    ScriptRunner() {
        results::SetRegEditRunner([this](const std::string& cmd) {
            commands.push_back(cmd);
            const size_t q = cmd.find('"');
            const std::string path = cmd.substr(q + 1, cmd.rfind('"') - q - 1);
            scripts.push_back(base::ReadWhole(path));
            for (const std::string& line : base::SplitLines(scripts.back())) {
                if (line.rfind("[-", 0) != 0) continue;
                std::string keyPath;
                HKEY root = results::RootOfRegistryPath(line.substr(2, line.size() - 3), keyPath);
                if (root) RegistryModule::DeleteKey(root, keyPath);
            }
            return true;
        });
    }
    ~ScriptRunner() { results::SetRegEditRunner({}); }
};

struct Globals {
    core_test::ScopedSettingsRoot settings;
    Globals() { gb_removalFailed = gb_autoRemove = false; }
    ~Globals() { gb_removalFailed = gb_autoRemove = false; }
};

const std::string kHkcu = "HKEY_CURRENT_USER\\";

}  // namespace

TEST(Removal, EveryKindOnlyWhatIsChecked) {
    testing_support::ScopedProgramFolder pf;
    testing_support::TempFolder tmp;
    Globals g;
    ScriptRunner editor;
    ScratchKey key;
    const std::string k1 = key / "Spy1", k2 = key / "Kept", vk = key / "Values";
    core_test::SetString(HKEY_CURRENT_USER, k1 + "\\Sub", "v", "x");
    core_test::SetString(HKEY_CURRENT_USER, k2, "v", "x");
    core_test::SetString(HKEY_CURRENT_USER, vk, "bad", "x");
    core_test::SetString(HKEY_CURRENT_USER, vk, "Start Page", "http://bad.example");
    const std::string f1 = tmp / "spy.exe", f2 = tmp / "kept.exe", cookie = tmp / "user@ads.txt",
                      folder = tmp / "SpyDir";
    for (const auto& f : {f1, f2, cookie}) base::WriteText(f, "x");
    CreateDirectoryA(folder.c_str(), nullptr);
    base::WriteText(folder + "\\inner.dat", "x");
    const std::string exe = tmp / "spyproc.exe";
    ASSERT_TRUE(CopyFileA(core_test::HelperExe().c_str(), exe.c_str(), FALSE));
    core_test::RunningHelper proc(exe);

    FindingList list;
    AddRow(list, "Malware File", "Spy", f1);
    AddRow(list, "Malware File", "Spy", f2, "", false);
    AddRow(list, "Tracking Cookie", "Ads", cookie);
    AddRow(list, "Malware Folder", "Spy", folder);
    AddRow(list, "Malware RegKey", "Spy", k1, kHkcu + k1);
    AddRow(list, "Malware RegKey", "Spy", k2, kHkcu + k2, false);
    AddRow(list, "Malware RegValue", "Spy", "bad", kHkcu + vk);
    AddRow(list, "Malware RegData", "Spy", "Start Page", kHkcu + vk, true, "about:blank");
    AddRow(list, "Malware Process", "Spy", exe, std::to_string(proc.pid()));
    AddRow(list, "Something Else", "Spy", f2);

    RecordingView view;
    const long before = modMain::getNumberOfObjectsRemoved();
    results::RemoveSelectedSpy(list, view);

    ASSERT_EQ(list.Count(), 3);  // the two unchecked rows and the unknown kind
    EXPECT_EQ(list.Rows()(1).SubItems(2), f2);
    EXPECT_EQ(list.Rows()(2).ToolTipText, kHkcu + k2);
    EXPECT_EQ(list.Rows()(3).Text, "Something Else");
    EXPECT_FALSE(base::FileExists(f1));
    EXPECT_TRUE(base::FileExists(f2));
    EXPECT_FALSE(base::FileExists(cookie));
    EXPECT_FALSE(base::FolderExists(folder));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k1));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, k2));
    EXPECT_FALSE(REG32::RegGetString(HKEY_CURRENT_USER, vk, "bad").has_value());
    EXPECT_EQ(REG32::RegGetString(HKEY_CURRENT_USER, vk, "Start Page").value_or(""), "about:blank");
    EXPECT_TRUE(proc.WaitEnded(5000));
    EXPECT_EQ(gb_totalSpywareFound, 10);
    EXPECT_EQ(gb_totalSpyFilesRemoved, 1);
    EXPECT_EQ(gb_totalSpyCookiesRemoved, 1);
    EXPECT_EQ(gb_totalSpyFoldersRemoved, 1);
    EXPECT_EQ(gb_totalSpyRegistryKeysRemoved, 3);
    EXPECT_EQ(gb_totalSpyMemProcessRemoved, 1);
    EXPECT_FALSE(gb_removalFailed);
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_EQ(modMain::getNumberOfObjectsRemoved(), before + 7);
    // The script named the checked key that existed, not the unchecked one, and was deleted.
    ASSERT_EQ(editor.scripts.size(), 1u);
    EXPECT_EQ(editor.scripts[0], "REGEDIT4\r\n\r\n[-" + kHkcu + k1 + "]\r\n\r\n");
    EXPECT_NE(editor.commands[0].find("\\regedit.exe /s \""), std::string::npos);
    const std::string scriptPath = editor.commands[0].substr(editor.commands[0].find('"') + 1);
    EXPECT_FALSE(base::FileExists(scriptPath.substr(0, scriptPath.size() - 1)));
    // Progress: one step a visit, never past the total.
    ASSERT_FALSE(view.progress.empty());
    EXPECT_EQ(view.progress.front(), 1);
    EXPECT_LE(view.progress.back(), 10);
}

TEST(Removal, FailuresAreReportedAsFailures) {
    testing_support::ScopedProgramFolder pf;
    testing_support::TempFolder tmp;
    Globals g;
    ScriptRunner editor;
    ScratchKey key;
    const std::string stays = key / "Stays";
    core_test::SetString(HKEY_CURRENT_USER, stays, "v", "x");
    const std::string exe = tmp / "other.exe";
    ASSERT_TRUE(CopyFileA(core_test::HelperExe().c_str(), exe.c_str(), FALSE));
    core_test::RunningHelper unrelated(exe);

    results::RemovalActions actions = results::DefaultRemovalActions();
    actions.deleteFile = [](const std::string& f) {
        return f.find("resists") == std::string::npos && DeleteFileA(f.c_str());
    };
    actions.deleteKey = [](HKEY, const std::string&) { return false; };  // the key survives the direct deletion
    actions.deleteValue = [](HKEY, const std::string&, const std::string&) { return false; };
    actions.setString = [](HKEY, const std::string&, const std::string&, const std::string&) { return false; };
    actions.deleteHostsEntry = [](const std::string&, const std::string&) { return false; };
    const std::string f1 = tmp / "resists.exe", f2 = tmp / "goes.exe";
    base::WriteText(f1, "x");
    base::WriteText(f2, "x");

    FindingList list;
    AddRow(list, "Malware File", "Spy", f1);
    AddRow(list, "Malware File", "Spy", f2);
    // The id now belongs to another program than the row names: never ended.
    AddRow(list, "Malware Process", "Spy", tmp / "spy.exe", std::to_string(unrelated.pid()));
    AddRow(list, "Malware Process", "Spy", "other.exe", std::to_string(unrelated.pid()));  // a name alone
    AddRow(list, "Malware Process", "Spy", exe, "not a number");
    AddRow(list, "Malware RegKey", "Spy", stays, kHkcu + stays);
    AddRow(list, "Malware RegKey", "Spy", "", "HKEY_CURRENT_USER\\");  // the root itself
    AddRow(list, "Malware RegValue", "Spy", "v", kHkcu + stays);
    AddRow(list, "Malware RegData", "Spy", "v", kHkcu + stays, true, "y");
    AddRow(list, "Malware RegKey", "Spy", "x", "HKEY_NOWHERE\\x");
    AddRow(list, "Bad Hosts Entry", "127.0.0.1", "never.example");
    // Paths no removal may take: relative, a drive root, a share root.
    std::vector<std::string> asked;
    actions.deleteFolder = [&](const std::string& f) {
        asked.push_back(f);
        return false;
    };
    for (const char* p : {"spy.exe", "C:\\", "C:", "\\\\server\\share\\"}) AddRow(list, "Malware Folder", "Spy", p);

    RecordingView view;
    results::RemoveSelectedSpy(list, view, actions);
    EXPECT_TRUE(asked.empty()) << asked.front();
    EXPECT_EQ(WaitForSingleObject(unrelated.handle(), 0), (DWORD)WAIT_TIMEOUT) << "an unrelated process was ended";
    // goes.exe left the list, and the key the editor took after the direct deletion failed.
    ASSERT_EQ(list.Count(), 13);
    EXPECT_FALSE(base::FileExists(f2));
    for (int i = 1; i <= list.Count(); ++i) EXPECT_FALSE(list.Rows()(i).Checked) << i;
    EXPECT_EQ(gb_totalSpyFilesRemoved, 1);
    EXPECT_EQ(gb_totalSpyMemProcessRemoved, 0);
    EXPECT_EQ(gb_totalSpyRegistryKeysRemoved, 1);
    EXPECT_TRUE(gb_removalFailed);
    ASSERT_EQ(view.warnings.size(), 1u);
    EXPECT_NE(view.warnings[0].find("could not be deleted"), std::string::npos);
    // The key that survived is in the script; the editor (standing in) took it, so it counts now.
    EXPECT_EQ(editor.scripts.at(0), "REGEDIT4\r\n\r\n[-" + kHkcu + stays + "]\r\n\r\n");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, stays));
}

// The warning lists each row that is still there, one a line, and shows only when one is: a key
// that the direct deletion left but the editor took is gone, so it is neither named nor warned of.
TEST(Removal, TheWarningNamesWhatStayedAndOnlyWhenSomethingDid) {
    testing_support::ScopedProgramFolder pf;
    testing_support::TempFolder tmp;
    Globals g;
    ScratchKey key;
    const std::string file = tmp / "resists.exe", k = key / "TakenLate";
    for (const bool fileResists : {false, true}) {
        for (const bool editorFails : {false, true}) {
            SCOPED_TRACE(std::string("file ") + (fileResists ? "resists" : "goes") + ", editor " +
                         (editorFails ? "imports nothing" : "takes the key"));
            gb_removalFailed = false;
            base::WriteText(file, "x");
            core_test::SetString(HKEY_CURRENT_USER, k, "v", "x");
            results::RemovalActions actions = results::DefaultRemovalActions();
            actions.deleteFile = [&](const std::string& f) { return !fileResists && DeleteFileA(f.c_str()); };
            actions.deleteKey = [](HKEY, const std::string&) { return false; };  // only the editor can
            std::optional<ScriptRunner> editor;
            if (editorFails)
                results::SetRegEditRunner([](const std::string&) { return true; });  // imports nothing
            else
                editor.emplace();
            FindingList list;
            AddRow(list, "Malware File", "Spy", file);
            AddRow(list, "Malware RegKey", "Spy", k, kHkcu + k);
            RecordingView view;
            results::RemoveSelectedSpy(list, view, actions);
            results::SetRegEditRunner({});
            std::vector<std::string> expected;
            if (fileResists) expected.push_back("Malware File: " + file);
            if (editorFails) expected.push_back("Malware RegKey: " + kHkcu + k);
            if (expected.empty()) {
                EXPECT_TRUE(view.warnings.empty()) << view.warnings.front();
                continue;
            }
            ASSERT_EQ(view.warnings.size(), 1u);
            const std::vector<std::string> lines = base::SplitLines(view.warnings[0]);
            ASSERT_EQ(lines.size(), expected.size() + 2) << view.warnings[0];
            EXPECT_EQ(lines.front(), "Warning! Some component(s) could not be deleted or unloaded: ");
            for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i + 1], expected[i]);
            EXPECT_EQ(lines.back(), "Please reboot your system, then run Corvane again.");
            EXPECT_TRUE(gb_removalFailed);
        }
    }
    DeleteFileA(file.c_str());
}

TEST(Removal, AfterTheEditorStillThereMeansNotRemoved) {
    testing_support::ScopedProgramFolder pf;
    Globals g;
    gb_autoRemove = true;
    results::SetRegEditRunner([](const std::string&) { return true; });  // imports nothing
    ScratchKey key;
    const std::string k = key / "Stubborn";
    core_test::SetString(HKEY_CURRENT_USER, k, "v", "x");
    results::RemovalActions actions = results::DefaultRemovalActions();
    actions.deleteKey = [](HKEY, const std::string&) { return false; };
    FindingList list;
    AddRow(list, "Malware RegKey", "Spy", k, kHkcu + k);
    RecordingView view;
    results::RemoveSelectedSpy(list, view, actions);
    results::SetRegEditRunner({});
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.Rows()(1).Checked);
    EXPECT_EQ(gb_totalSpyRegistryKeysRemoved, 0);
    EXPECT_TRUE(gb_removalFailed);
    EXPECT_TRUE(view.warnings.empty()) << "auto-remove shows no warning";
}

TEST(Removal, EmptyListNothingCheckedAndProgress) {
    testing_support::ScopedProgramFolder pf;
    testing_support::TempFolder tmp;
    Globals g;
    ScriptRunner editor;
    gb_totalSpyFilesRemoved = 5;
    FindingList list;
    RecordingView view;
    const long before = modMain::getNumberOfObjectsRemoved();
    results::RemoveSelectedSpy(list, view);
    EXPECT_EQ(gb_totalSpyFilesRemoved, 0);
    EXPECT_EQ(gb_totalSpywareFound, 0);
    EXPECT_TRUE(editor.commands.empty());

    AddRow(list, "Malware File", "Spy", tmp / "a", "", false);
    AddRow(list, "Malware File", "Spy", tmp / "b", "", false);
    results::RemoveSelectedSpy(list, view);
    EXPECT_EQ(list.Count(), 2);
    ASSERT_EQ(editor.scripts.size(), 1u);
    EXPECT_EQ(editor.scripts[0], "REGEDIT4\r\n");
    EXPECT_EQ(modMain::getNumberOfObjectsRemoved(), before);

    list.Clear();
    view.progress.clear();
    for (const char* n : {"1", "2", "3"}) {
        base::WriteText(tmp / n, "x");
        AddRow(list, "Malware File", "Spy", tmp / n);
    }
    results::RemoveSelectedSpy(list, view);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(view.progress, (std::vector<long>{1, 2, 3}));

    // Every row is visited by the first pass: the progress climbs to the total there and stays.
    list.Clear();
    view.progress.clear();
    AddRow(list, "Malware RegKey", "S", "k", "HKEY_USERS\\k", false);
    for (const char* n : {"4", "5"}) {
        base::WriteText(tmp / n, "x");
        AddRow(list, "Malware File", "Spy", tmp / n);
    }
    AddRow(list, "Malware Folder", "S", tmp / "nothing", "", false);
    results::RemoveSelectedSpy(list, view);
    EXPECT_EQ(view.progress, (std::vector<long>{1, 2, 3, 4}));
    EXPECT_EQ(list.Count(), 2);
}

TEST(Removal, RegistryEditorImportsTheScriptForReal) {
    testing_support::ScopedProgramFolder pf;
    Globals g;
    results::SetRegEditRunner({});
    ScratchKey key;
    const std::string k = key / "ForTheEditor";
    core_test::SetString(HKEY_CURRENT_USER, k + "\\Deep", "v", "x");
    FindingList list;
    AddRow(list, "MALWARE REGKEY", "Spy", k, kHkcu + k);  // letter case of the kind plays no part
    const std::string script = results::CreateRegistryDeleteFile(list);
    ASSERT_FALSE(script.empty());
    EXPECT_EQ(base::ReadWhole(script), "REGEDIT4\r\n\r\n[-" + kHkcu + k + "]\r\n\r\n");
    // Two scripts never share a file.
    const std::string other = results::CreateRegistryDeleteFile(list);
    EXPECT_NE(other, script);
    DeleteFileA(other.c_str());
    ASSERT_TRUE(results::launchRegEditDelete(script));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k));
    EXPECT_FALSE(base::FileExists(script));
    // A key already gone when the script is written gets no block.
    EXPECT_EQ(results::RegistryDeleteScript(list), "REGEDIT4\r\n");
}

TEST(Removal, SeededMachineInfectionGoesLookAlikesStay) {
    testing_support::ScopedProgramFolder pf;
    Globals g;
    ScriptRunner editor;
    testing_support::SeededMachine machine;
    FindingList list;
    resultstest::AddSeededFindings(machine, list, true);
    ASSERT_GT(list.Count(), 5);
    RecordingView view;
    results::RemoveSelectedSpy(list, view);
    for (int i = 1; i <= list.Count(); ++i)
        ADD_FAILURE() << "left: " << list.Rows()(i).Text << " " << list.Rows()(i).SubItems(2) << " "
                      << list.Rows()(i).ToolTipText;
    for (const auto& item : machine.LookAlikes()) {
        switch (item.place) {
            case testing_support::SeededPlace::File:
            case testing_support::SeededPlace::Cookie:
                EXPECT_TRUE(base::FileExists(item.where)) << item.where;
                break;
            case testing_support::SeededPlace::Folder:
                EXPECT_TRUE(base::FolderExists(item.where)) << item.where;
                break;
            default:
                break;
        }
    }
    for (const auto& item : machine.Infection()) {
        if (item.place == testing_support::SeededPlace::File) {
            EXPECT_FALSE(base::FileExists(item.where)) << item.where;
        }
    }
}

// On Windows 95, 98 and Me a removed program also leaves win.ini's Load= and Run=, where it
// started from; the scan itself never touches win.ini.
TEST(Removal, WinIniStartEntriesOfARemovedFileGoOnTheNinetyFiveFamily) {
    Globals globals;
    testing_support::TempFolder windows;
    modMain::FolderSources sources = modMain::SystemFolderSources();
    sources.windowsDirectory = [&](char* buffer, UINT size) {
        lstrcpynA(buffer, windows.path().c_str(), static_cast<int>(size));
        return static_cast<UINT>(windows.path().size());
    };
    modMain::SetFolderSources(sources);
    const std::string program = windows / "spy.exe";
    const std::string winIni = windows / "win.ini";
    // Wine keeps win.ini's [windows] section in the registry whatever folder the file is in:
    // read and write it through the profile calls only, and put back what was there.
    const std::string oldLoad = modMain::GetPrivateStringValue("windows", "Load", winIni);
    const std::string oldRun = modMain::GetPrivateStringValue("windows", "Run", winIni);
    struct Case {
        const char* label;
        DWORD platform;
        std::string load, run;  // before
        std::string loadAfter, runAfter;
    };
    const Case cases[] = {
        {"98: the entry that is the file", VER_PLATFORM_WIN32_WINDOWS, program, "C:\\other.exe", "", "C:\\other.exe"},
        {"98: letter case aside", VER_PLATFORM_WIN32_WINDOWS, "c:" + program.substr(2), program, "", ""},
        {"98: a line that only holds it", VER_PLATFORM_WIN32_WINDOWS, program + " C:\\other.exe", "",
         program + " C:\\other.exe", ""},
        {"XP: nothing", VER_PLATFORM_WIN32_NT, program, program, program, program},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        osversion::Fake fake;
        fake.platformId = c.platform;
        fake.major = c.platform == VER_PLATFORM_WIN32_NT ? 5 : 4;
        fake.minor = c.platform == VER_PLATFORM_WIN32_NT ? 1 : 10;
        osversion::ScopedFake scoped(fake);
        modMain::SetPrivateStringValue("windows", "Load", winIni, c.load);
        modMain::SetPrivateStringValue("windows", "Run", winIni, c.run);
        base::WriteText(program, "MZ");
        FindingList list;
        AddRow(list, "Malware File", "Spy", program, program);
        RecordingView view;
        results::RemoveSelectedSpy(list, view);
        EXPECT_FALSE(base::FileExists(program));
        EXPECT_EQ(modMain::GetPrivateStringValue("windows", "Load", winIni), c.loadAfter);
        EXPECT_EQ(modMain::GetPrivateStringValue("windows", "Run", winIni), c.runAfter);
    }
    modMain::SetPrivateStringValue("windows", "Load", winIni, oldLoad);
    modMain::SetPrivateStringValue("windows", "Run", winIni, oldRun);
    modMain::SetFolderSources(modMain::SystemFolderSources());
}
