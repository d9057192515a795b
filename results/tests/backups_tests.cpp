// Backups of checked findings and the backups list: the name rules, the selection, calling a
// backup off, ageing out, deleting, and the whole round trip on the seeded machine.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>

#include "base/Clock.h"
#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "core/tests/CoreTestSupport.h"
#include "results/Backups.h"
#include "results/RemoveSelected.h"
#include "results/tests/SeededFindings.h"

using results::FindingList;
using testing_support::TempFolder;

namespace {

base::ListItem& AddRow(FindingList& list, const std::string& kind, const std::string& item, const std::string& tip = {},
                       bool checked = true) {
    results::Finding f;
    f.SpyType = "Spy";
    f.spyItem = item;
    f.ItemToolTip = tip;
    f.Checked = checked;
    return list.AddRow(kind, f);
}

struct ScriptedView : results::BackupView {
    std::optional<std::string> answer;
    std::vector<std::string> messages;
    std::optional<std::string> AskBackupName() override { return answer; }
    void ShowMessage(const std::string& t) override { messages.push_back(t); }
};

void SetFolderDate(const std::string& path, const SYSTEMTIME& local) {
    FILETIME lf, ft;
    SystemTimeToFileTime(&local, &lf);
    LocalFileTimeToFileTime(&lf, &ft);
    base::FileHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(h);
    ASSERT_TRUE(SetFileTime(h.get(), &ft, &ft, &ft));
}

SYSTEMTIME DaysBefore(const SYSTEMTIME& t, int days, int hour) {
    FILETIME ft;
    SYSTEMTIME d = t;
    d.wHour = d.wMinute = d.wSecond = d.wMilliseconds = 0;
    SystemTimeToFileTime(&d, &ft);
    unsigned long long v = ft.dwLowDateTime | (unsigned long long)ft.dwHighDateTime << 32;
    v -= (unsigned long long)days * 864000000000ull;
    v += (unsigned long long)hour * 36000000000ull;
    ft = {(DWORD)v, (DWORD)(v >> 32)};
    FileTimeToSystemTime(&ft, &d);
    return d;
}

}  // namespace

TEST(Backups, NameRules) {
    TempFolder root;
    const SYSTEMTIME t = testing_support::MakeTime(2026, 12, 7, 22, 43, 15);
    const std::string dated = results::BackupNameFrom("", t);
    EXPECT_EQ(dated.find_first_of("/: "), std::string::npos) << dated;
    EXPECT_NE(dated.find('_'), std::string::npos);
    struct Case {
        const char* typed;
        const char* name;
    };
    const Case cases[] = {
        {"my backup", "my-backup"},          {"a/b:c", "a-b-c"}, {"..\\..\\Windows\\x", "..-..-Windows-x"},
        {"C:\\Windows", "C--Windows"},       {"..", ".-"},       {"x.", "x-"},
        {"a*b?c\"d<e>f|g", "a-b-c-d-e-f-g"}, {"...", "..-"}};
    for (const Case& c : cases) EXPECT_EQ(results::BackupNameFrom(c.typed, t), c.name) << c.typed;
    for (const Case& c : cases) EXPECT_TRUE(results::IsPlainFolderName(results::BackupNameFrom(c.typed, t))) << c.typed;

    EXPECT_EQ(results::FreeBackupName(root.path(), "my-backup"), "my-backup");
    CreateDirectoryA((root / "my-backup").c_str(), nullptr);
    EXPECT_EQ(results::FreeBackupName(root.path(), "my-backup"), "my-backup-");
    CreateDirectoryA((root / "my-backup-").c_str(), nullptr);
    EXPECT_EQ(results::FreeBackupName(root.path(), "my-backup"), "my-backup-2") << "an existing backup is never reused";
    EXPECT_EQ(results::FreeBackupName(root.path(), ".."), "");
}

TEST(Backups, SelectionOfCheckedRows) {
    FindingList list;
    AddRow(list, "Malware File", "C:\\a.exe");
    AddRow(list, "Malware File", "C:\\unchecked.exe", "", false);
    AddRow(list, "Malware Folder", "C:\\dir");
    AddRow(list, "Tracking Cookie", "C:\\c.txt");
    AddRow(list, "Malware Process", "C:\\a.exe", "123");
    AddRow(list, "Malware RegValue", "val", "HKEY_CURRENT_USER\\Software\\K");
    AddRow(list, "Malware RegKey", "Software\\K2", "HKEY_LOCAL_MACHINE\\Software\\K2");
    for (int i = 0; i < 3; ++i) AddRow(list, "Bad Hosts Entry", "h" + std::to_string(i));
    const backup::Selection s = results::SelectionOfChecked(list, "C:\\hosts");
    EXPECT_EQ(s.paths, (std::vector<std::string>{"C:\\a.exe", "C:\\dir", "C:\\c.txt", "C:\\hosts"}));
    EXPECT_EQ(s.registryKeys,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\K", "HKEY_LOCAL_MACHINE\\Software\\K2"}));
}

TEST(Backups, CalledOffOrFailedLeavesNothingAndSaysSo) {
    testing_support::ScopedProgramFolder pf;
    TempFolder root, data;
    FindingList list;
    base::WriteText(data / "a.exe", "a");
    AddRow(list, "Malware File", data / "a.exe");
    ScriptedView view;
    EXPECT_FALSE(results::BackupSelectedSpy(list, view, root.path(), "C:\\hosts"));
    EXPECT_TRUE(view.messages.empty()) << "cancel makes no backup";
    std::vector<results::BackupRow> rows;
    results::FillBackupList(root.path(), false, 10, base::Now(), rows);
    EXPECT_TRUE(rows.empty());

    base::FileHandle hold(CreateFileA((data / "a.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    view.answer = "locked";
    EXPECT_FALSE(results::BackupSelectedSpy(list, view, root.path(), "C:\\hosts"));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("could not be created"), std::string::npos);
    EXPECT_FALSE(base::FolderExists(root / "locked"));
    EXPECT_NE(core_test::ErrorLogText().find("Method: BackupSelectedSpy"), std::string::npos);
    hold = base::FileHandle();

    view.answer = "";
    const auto made = results::BackupSelectedSpy(list, view, root.path(), "C:\\hosts");
    ASSERT_TRUE(made);
    EXPECT_EQ(view.messages.back(), "The backup has been created successfully.");
    EXPECT_TRUE(base::FileExists(*made + "\\backup.cva"));
}

TEST(Backups, ListAgesOutAndDeletes) {
    TempFolder root;
    const SYSTEMTIME today = base::Now();
    for (const char* n : {"nine", "ten", "old"}) CreateDirectoryA((root / n).c_str(), nullptr);
    CreateDirectoryA((root / "ten\\sub").c_str(), nullptr);
    base::WriteText(root / "ten\\sub\\f.txt", "x");
    SetFileAttributesA((root / "ten\\sub\\f.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    base::WriteText(root / "stray.txt", "not a backup");
    SetFolderDate(root / "nine", DaysBefore(today, 9, 0));
    SetFolderDate(root / "ten", DaysBefore(today, 10, 23));
    SetFolderDate(root / "old", DaysBefore(today, 400, 12));
    SetFolderDate(root / "stray.txt", DaysBefore(today, 400, 12));

    std::vector<results::BackupRow> rows;
    results::FillBackupList(root.path(), false, 10, today, rows);
    EXPECT_EQ(rows.size(), 3u) << "the stray file is not a backup";
    results::FillBackupList(root.path(), true, 10, today, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "nine");
    EXPECT_FALSE(base::FolderExists(root / "ten"));
    EXPECT_TRUE(base::FileExists(root / "stray.txt"));
    EXPECT_EQ(results::BackupListString(rows), rows[0].dateText + "|nine|");

    long e = 0;
    try {
        results::DeleteBackup(root.path(), "..\\" + std::string("x"));
    } catch (const base::RuntimeError& err) {
        e = err.number();
    }
    EXPECT_EQ(e, base::errBadFileName);
    results::DeleteBackup(root.path(), "nine");
    results::FillBackupList(root.path(), false, 10, today, rows);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(results::BackupListString(rows), "");
}

namespace {

struct FileStat {
    DWORD attributes;
    unsigned long long created, written;
    std::string bytes;
    bool operator==(const FileStat&) const = default;
};

void Snapshot(const std::string& path, std::map<std::string, FileStat>& out) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return;
    auto ft = [](const FILETIME& f) { return f.dwLowDateTime | (unsigned long long)f.dwHighDateTime << 32; };
    FileStat s{d.dwFileAttributes, ft(d.ftCreationTime), ft(d.ftLastWriteTime), {}};
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        s.written = 0;  // a folder's times change with what is put back into it
        WIN32_FIND_DATAA fd;
        base::FindHandle f(FindFirstFileA((path + "\\*").c_str(), &fd));
        if (f) do {
                const std::string n = fd.cFileName;
                if (n != "." && n != "..") Snapshot(path + "\\" + n, out);
            } while (FindNextFileA(f.get(), &fd));
    } else {
        s.bytes = base::ReadWhole(path);
    }
    out[path] = s;
}

std::map<std::string, std::pair<DWORD, std::string>> DumpKey(HKEY root, const std::string& path,
                                                             const std::string& prefix) {
    std::map<std::string, std::pair<DWORD, std::string>> out;
    base::RegKey k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, k.put()) != 0) return out;
    out[prefix + "\\"] = {0, "key"};
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nl = sizeof name, type = 0, dl = 0;
        if (RegEnumValueA(k.get(), i, name, &nl, nullptr, &type, nullptr, &dl) != 0) break;
        std::string data(dl, '\0');
        nl = sizeof name;
        RegEnumValueA(k.get(), i, name, &nl, nullptr, &type, (BYTE*)data.data(), &dl);
        out[prefix + "|" + name] = {type, data};
    }
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nl = sizeof name;
        if (RegEnumKeyExA(k.get(), i, name, &nl, nullptr, nullptr, nullptr, nullptr) != 0) break;
        for (auto& [n, v] : DumpKey(root, path + "\\" + name, prefix + "\\" + name)) out[n] = v;
    }
    return out;
}

std::string LongName(const std::string& path) {
    char buf[1024];
    const DWORD n = GetLongPathNameA(path.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : "(missing) " + path;
}

HKEY Root(const std::string& full, std::string& rest) { return results::RootOfRegistryPath(full, rest); }

}  // namespace

TEST(Backups, SeededRoundTripBackUpRemoveRestore) {
    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot settings;
    results::SetRegEditRunner([](const std::string&) { return true; });
    gb_removalFailed = false;
    gb_autoRemove = true;
    testing_support::SeededMachine machine;
    FindingList list;
    resultstest::AddSeededFindings(machine, list, false);
    const std::string hosts = machine.Folders().hostsFile;
    const backup::Selection sel = results::SelectionOfChecked(list, hosts);
    ASSERT_FALSE(sel.paths.empty());
    ASSERT_FALSE(sel.registryKeys.empty());
    std::map<std::string, FileStat> filesBefore;
    std::vector<std::string> longNames;
    for (const auto& p : sel.paths) {
        Snapshot(p, filesBefore);
        longNames.push_back(LongName(p));
    }
    std::map<std::string, std::pair<DWORD, std::string>> regBefore;
    for (const auto& k : sel.registryKeys) {
        std::string rest;
        const HKEY root = Root(k, rest);
        for (auto& [n, v] : DumpKey(root, rest, k)) regBefore[n] = v;
    }
    const std::string hostsBefore = base::ReadWhole(hosts);

    TempFolder backupRoot;
    ScriptedView view;
    view.answer = "before removal";
    const auto made = results::BackupSelectedSpy(list, view, backupRoot.path(), hosts);
    ASSERT_TRUE(made) << (view.messages.empty() ? "" : view.messages.back());

    results::RemovalView quiet;
    results::RemoveSelectedSpy(list, quiet);
    for (const auto& p : sel.paths)
        if (p != hosts) {
            EXPECT_FALSE(base::FileExists(p) || base::FolderExists(p)) << "still there: " << p;
        }
    EXPECT_NE(base::ReadWhole(hosts), hostsBefore);

    std::vector<results::BackupRow> rows;
    results::FillBackupList(backupRoot.path(), false, 10, base::Now(), rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "before-removal");
    results::RestoreBackup(backupRoot.path(), rows[0].name);

    std::map<std::string, FileStat> filesAfter;
    for (size_t i = 0; i < sel.paths.size(); ++i) {
        Snapshot(sel.paths[i], filesAfter);
        // Back under its own name, not as a new folder named by the short form.
        EXPECT_EQ(LongName(sel.paths[i]), longNames[i]);
    }
    EXPECT_EQ(filesAfter.size(), filesBefore.size());
    for (const auto& [p, s] : filesBefore) {
        auto it = filesAfter.find(p);
        ASSERT_NE(it, filesAfter.end()) << p;
        EXPECT_EQ(it->second, s) << p;
    }
    std::map<std::string, std::pair<DWORD, std::string>> regAfter;
    for (const auto& k : sel.registryKeys) {
        std::string rest;
        const HKEY root = Root(k, rest);
        for (auto& [n, v] : DumpKey(root, rest, k)) regAfter[n] = v;
    }
    EXPECT_EQ(regAfter, regBefore);
    EXPECT_EQ(base::ReadWhole(hosts), hostsBefore);
    results::SetRegEditRunner({});
    gb_autoRemove = false;
}
