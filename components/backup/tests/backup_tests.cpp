// The backup archive against real files in a temporary folder and a scratch registry key: the
// round trip of every kind of entry, and every refusal before anything is restored.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "components/backup/Archive.h"

using testing_support::TempFolder;

namespace {

const std::string kPass = "qwvlmtrhzkbnoxpcaeyu48207gtkwzrvblxe";

struct Stat {
    DWORD attributes = 0;
    FILETIME c{}, a{}, w{};
    std::string bytes;
};

Stat StatOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    EXPECT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) << path;
    Stat s{d.dwFileAttributes, d.ftCreationTime, d.ftLastAccessTime, d.ftLastWriteTime, {}};
    if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) s.bytes = base::ReadWhole(path);
    return s;
}

void ExpectSame(const Stat& a, const Stat& b, const std::string& what) {
    EXPECT_EQ(a.attributes, b.attributes) << what;
    EXPECT_EQ(CompareFileTime(&a.c, &b.c), 0) << what;
    EXPECT_EQ(CompareFileTime(&a.w, &b.w), 0) << what;
    EXPECT_EQ(a.bytes, b.bytes) << what;
}

void SetTimes(const std::string& path, int year) {
    SYSTEMTIME st{};
    st.wYear = (WORD)year, st.wMonth = 3, st.wDay = 4, st.wHour = 5;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    base::FileHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(h);
    ASSERT_TRUE(SetFileTime(h.get(), &ft, &ft, &ft));
}

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = (char)(rng() & 0xFF);
    return s;
}

// HKCU\Software\CorvaneTests\<unique>, deleted afterwards.
struct ScratchKey {
    std::string path = "Software\\CorvaneTests\\" + testing_support::UniqueName("backup");
    ~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }
    std::string full() const { return "HKEY_CURRENT_USER\\" + path; }
};

void SetValue(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    base::RegKey k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
              0);
    ASSERT_EQ(RegSetValueExA(k.get(), name.c_str(), 0, type, (const BYTE*)data.data(), (DWORD)data.size()), 0);
}

// Every value of the key and its subkeys: "subkey|name" -> (type, data).
std::map<std::string, std::pair<DWORD, std::string>> Dump(HKEY root, const std::string& path,
                                                          const std::string& prefix = {}) {
    std::map<std::string, std::pair<DWORD, std::string>> out;
    base::RegKey k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, k.put()) != 0) return out;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nl = sizeof name, type = 0, dl = 0;
        if (RegEnumValueA(k.get(), i, name, &nl, nullptr, &type, nullptr, &dl) != 0) break;
        std::string data(dl, '\0');
        nl = sizeof name;
        RegEnumValueA(k.get(), i, name, &nl, nullptr, &type, (BYTE*)data.data(), &dl);
        out[prefix + "|" + name] = {type, data};
    }
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nl = sizeof name;
        if (RegEnumKeyExA(k.get(), i, name, &nl, nullptr, nullptr, nullptr, nullptr) != 0) break;
        for (auto& [n, v] : Dump(root, path + "\\" + name, prefix + "\\" + name)) out[n] = v;
    }
    return out;
}

// An entry of an archive written raw; a value is a string unless `attributes` says otherwise.
backup::Entry RawEntry(backup::EntryKind kind, const std::string& path, const std::string& name = {},
                       DWORD attributes = 0) {
    backup::Entry e;
    e.kind = kind;
    e.path = path;
    e.name = name;
    e.attributes = attributes ? attributes : kind == backup::EntryKind::RegValue ? REG_SZ : FILE_ATTRIBUTE_NORMAL;
    return e;
}

long ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const base::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(BackupArchive, RoundTripOfFilesFoldersAndKeys) {
    TempFolder data, store;
    ScratchKey key;
    const std::string text = data / "notes.txt", bin = data / "big.bin", tree = data / "Tree";
    std::string lines;
    for (int i = 0; i < 60000; ++i) lines += "line " + std::to_string(i) + " of a text that packs well\r\n";
    base::WriteText(text, lines);
    base::WriteText(bin, RandomBytes(2 * 1024 * 1024 + 17, 1));  // more than one block, not packable
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "\\Sub").c_str(), nullptr);
    CreateDirectoryA((tree + "\\Empty").c_str(), nullptr);
    base::WriteText(tree + "\\Sub\\deep.dat", "deep");
    base::WriteText(tree + "\\empty.txt", "");
    SetFileAttributesA(text.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    for (const auto& p : {bin, tree + "\\Sub\\deep.dat", tree + "\\empty.txt"}) SetTimes(p, 2003);
    SetTimes(tree + "\\Sub", 2001);

    const std::string multi("one\0two\0\0", 9), expand = "%SystemRoot%\\x.exe";
    SetValue(key.path, "", REG_SZ, std::string("default\0", 8));
    SetValue(key.path, "bin", REG_BINARY, std::string("\x00\x01\xFF", 3));
    SetValue(key.path, "multi", REG_MULTI_SZ, multi);
    SetValue(key.path, "expand", REG_EXPAND_SZ, expand + '\0');
    SetValue(key.path, "dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4));
    SetValue(key.path, "qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    SetValue(key.path, "none", REG_NONE, "");
    SetValue(key.path, "big", REG_BINARY, RandomBytes(1500000, 2));
    SetValue(key.path + "\\Child\\Grand", "v", REG_SZ, std::string("g\0", 2));
    const auto regBefore = Dump(HKEY_CURRENT_USER, key.path);

    std::map<std::string, Stat> before;
    for (const auto& p :
         {text, bin, tree, tree + "\\Sub", tree + "\\Sub\\deep.dat", tree + "\\empty.txt", tree + "\\Empty"})
        before[p] = StatOf(p);

    const std::string folder = store / "my-backup";
    CreateDirectoryA(folder.c_str(), nullptr);
    backup::Selection sel;
    sel.paths = {text, bin, tree, data / "not-there.exe"};
    sel.registryKeys = {key.full(), "HKEY_CURRENT_USER\\Software\\CorvaneTests\\NoSuchKey"};
    const backup::BackupReport report = backup::WriteBackup(folder, kPass, sel);
    EXPECT_EQ(report.missing.size(), 2u);
    EXPECT_LT(base::FileLength(backup::ArchivePath(folder)), lines.size() / 3 + 2 * 1024 * 1024 + 1500000 + 65536);
    // Only the archive is in the folder: nothing half written beside it.
    WIN32_FIND_DATAA fd;
    int count = 0;
    base::FindHandle f(FindFirstFileA((folder + "\\*").c_str(), &fd));
    do count += fd.cFileName[0] != '.';
    while (FindNextFileA(f.get(), &fd));
    EXPECT_EQ(count, 1);
    // An existing archive is never replaced.
    EXPECT_EQ(ErrorOf([&] { backup::WriteBackup(folder, kPass, sel); }), backup::errArchiveExists);

    // Change and remove everything, then restore.
    SetFileAttributesA(text.c_str(), FILE_ATTRIBUTE_NORMAL);
    base::WriteText(text, "changed");
    DeleteFileA(bin.c_str());
    testing_support::RemoveTree(tree);
    RegDeleteTreeA(HKEY_CURRENT_USER, key.path.c_str());
    SetValue(key.path, "dword", REG_SZ, std::string("wrong\0", 6));
    std::vector<std::string> asked;
    backup::RestoreOptions options;
    options.replacingRegKey = [&](const std::string& k) {
        asked.push_back(k);
        return true;
    };
    backup::Restore(folder, kPass, options);
    for (const auto& [p, s] : before) ExpectSame(StatOf(p), s, p);
    EXPECT_EQ(Dump(HKEY_CURRENT_USER, key.path), regBefore);
    EXPECT_EQ(asked, std::vector<std::string>{key.full()});  // only the key that was there is asked about
    SetFileAttributesA(text.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(BackupArchive, RefusesBeforeRestoringAnything) {
    TempFolder data, store;
    const std::string file = data / "victim.txt";
    base::WriteText(file, std::string(300000, 'a') + RandomBytes(1200000, 3));
    const std::string folder = store / "b";
    CreateDirectoryA(folder.c_str(), nullptr);
    backup::WriteBackup(folder, kPass, {{file}, {}});
    const std::string archive = backup::ArchivePath(folder);
    const std::string good = base::ReadWhole(archive);
    base::WriteText(file, "current");

    auto restoreWith = [&](const std::string& bytes, const std::string& pass) {
        base::WriteText(archive, bytes);
        return ErrorOf([&] { backup::Restore(folder, pass, {}); });
    };
    EXPECT_EQ(restoreWith(good, "wrong pass phrase"), backup::errWrongPassPhrase);
    EXPECT_EQ(restoreWith(good, ""), backup::errWrongPassPhrase);
    for (size_t cut :
         {size_t(0), size_t(7), size_t(60), size_t(100), good.size() / 2, good.size() - 33, good.size() - 1})
        EXPECT_EQ(restoreWith(good.substr(0, cut), kPass), backup::errArchiveDamaged) << "cut at " << cut;
    for (size_t at : {size_t(3), size_t(9), size_t(14), size_t(70), size_t(80), good.size() / 3, good.size() - 40,
                      good.size() - 1}) {
        std::string bad = good;
        bad[at] ^= 0x20;
        const long e = restoreWith(bad, kPass);
        EXPECT_TRUE(e == backup::errArchiveDamaged || e == backup::errWrongPassPhrase) << "byte " << at << ": " << e;
    }
    EXPECT_EQ(restoreWith(good + "x", kPass), backup::errArchiveDamaged);
    EXPECT_EQ(base::ReadWhole(file), "current") << "nothing was restored from a refused archive";
    DeleteFileA(archive.c_str());
    EXPECT_EQ(ErrorOf([&] { backup::Restore(folder, kPass, {}); }), backup::errArchiveMissing);
    EXPECT_EQ(restoreWith(good, kPass), 0);
    EXPECT_EQ(base::ReadWhole(file).size(), 1500000u);
}

TEST(BackupArchive, PathsThatEscapeAreRefused) {
    struct Case {
        const char* path;
        bool safe;
    };
    const Case files[] = {
        {"C:\\a\\b.txt", true}, {"\\\\server\\share\\x", true}, {"a\\b.txt", false},         {"\\a\\b.txt", false},
        {"C:a.txt", false},     {"C:\\a\\..\\b", false},        {"C:\\a\\.\\b", false},      {"C:\\a\\\\b", false},
        {"C:\\a/../b", false},  {"\\\\?\\C:\\x", false},        {"C:\\a\\b:stream", false},  {"", false},
        {"\\\\server", false},  {"\\\\server\\", false},        {"\\\\server\\share", false}};
    for (const Case& c : files) EXPECT_EQ(backup::IsSafeFilePath(c.path), c.safe) << c.path;
    const Case keys[] = {{"HKEY_CURRENT_USER\\Software\\X", true}, {"HKEY_CURRENT_USER", false},
                         {"HKEY_CURRENT_USER\\", false},           {"HKCU\\Software", false},
                         {"HKEY_LOCAL_MACHINE\\A\\..\\B", false},  {"Software\\X", false}};
    for (const Case& c : keys) EXPECT_EQ(backup::IsSafeRegistryPath(c.path), c.safe) << c.path;

    // An archive that recorded such a path restores nothing.
    TempFolder data, store;
    CreateDirectoryA((data / "in").c_str(), nullptr);
    base::WriteText(data / "first.txt", "first");
    base::WriteText(data / "in\\x.txt", "x");
    const std::string folder = store / "c";
    CreateDirectoryA(folder.c_str(), nullptr);
    backup::WriteBackup(folder, kPass, {{data / "first.txt", data / "in\\..\\in\\x.txt"}, {}});
    base::WriteText(data / "first.txt", "changed");
    EXPECT_EQ(ErrorOf([&] { backup::Restore(folder, kPass, {}); }), backup::errUnsafePath);
    EXPECT_EQ(base::ReadWhole(data / "first.txt"), "changed");
}

TEST(BackupArchive, NamesWindowsWouldNotKeepAreRefused) {
    struct Case {
        std::string path;
        bool safe;
    };
    const std::string name255(255, 'n'), deep = "C:\\" + std::string(240, 'f') + "\\" + std::string(5, 'g');
    const Case files[] = {
        {"C:\\a\\CON", false},
        {"C:\\a\\NUL.txt", false},
        {"C:\\a\\com1", false},
        {"C:\\a\\LPT1.log", false},
        {"C:\\aux\\b.txt", false},
        {"C:\\a\\nul .txt", false},
        {"C:\\a\\Com\xB9", false},
        {"C:\\a\\conout$", false},
        {"C:\\a\\COM10", true},
        {"C:\\a\\CONSOLE.txt", true},
        {"C:\\a\\nullify", true},
        {"C:\\a\\*", false},
        {"C:\\a\\b?.txt", false},
        {"C:\\a\\b<c>", false},
        {"C:\\a\\b|c", false},
        {"C:\\a\\b\"c", false},
        {"C:\\a\\victim.txt.", false},
        {"C:\\a\\victim.txt ", false},
        {"C:\\a \\b.txt", false},
        {"C:\\a\\ b.txt", true},
        {"C:\\a\\tab\there", false},
        {std::string("C:\\a\\b.txt\0x", 12), false},
        {"C:\\" + name255, true},
        {"C:\\" + name255 + "n", false},
        {"C:\\" + std::string(300, 'x'), false},
        {deep, true},           // 249 characters, its folder 243
        {deep + "\\h", false},  // its folder leaves no room to restore into
        {"C:\\" + std::string(120, 'a') + "\\" + std::string(140, 'b'), false},  // MAX_PATH
    };
    for (const Case& c : files) EXPECT_EQ(backup::IsSafeFilePath(c.path), c.safe) << c.path;
    const Case keys[] = {
        {"HKEY_CURRENT_USER\\Software\\X", true},
        {std::string("HKEY_CURRENT_USER\\Software\\X\0Y", 30), false},
        {"HKEY_CURRENT_USER\\Software\\" + name255, true},
        {"HKEY_CURRENT_USER\\Software\\" + name255 + "n", false},
    };
    for (const Case& c : keys) EXPECT_EQ(backup::IsSafeRegistryPath(c.path), c.safe) << c.path;
}

TEST(BackupArchive, AnArchiveWithOneRefusedEntryChangesNothing) {
    TempFolder data, store;
    ScratchKey key;
    const std::string first = data / "first.txt", victim = data / "victim.txt";
    struct Row {
        const char* name;
        backup::RawItem last;  // the entry that comes after good ones
    };
    const Row rows[] = {
        {"NUL.txt", {RawEntry(backup::EntryKind::File, data / "NUL.txt"), "x"}},
        {"CON", {RawEntry(backup::EntryKind::File, data / "CON"), "x"}},
        {"COM1 folder", {RawEntry(backup::EntryKind::Folder, data / "COM1"), ""}},
        {"LPT1.log", {RawEntry(backup::EntryKind::File, data / "LPT1.log"), "x"}},
        {"aux", {RawEntry(backup::EntryKind::File, data / "aux"), "x"}},
        {"*", {RawEntry(backup::EntryKind::File, data / "*"), "x"}},
        {"300 characters", {RawEntry(backup::EntryKind::File, data / std::string(300, 'v')), "x"}},
        {"server without a share", {RawEntry(backup::EntryKind::File, "\\\\server"), "x"}},
        {"server without a share, as a folder", {RawEntry(backup::EntryKind::Folder, "\\\\server"), ""}},
        {"a share's root", {RawEntry(backup::EntryKind::Folder, "\\\\server\\share"), ""}},
        {"victim.txt.", {RawEntry(backup::EntryKind::File, victim + "."), "overwritten"}},
        {"victim.txt ", {RawEntry(backup::EntryKind::File, victim + " "), "overwritten"}},
        {"key cut at a NUL", {RawEntry(backup::EntryKind::RegKey, key.full() + std::string("\\cut\0evil", 9)), ""}},
        {"value name with a NUL",
         {RawEntry(backup::EntryKind::RegValue, key.full() + "\\Other", std::string("v\0w", 3)), "data"}},
    };
    for (const Row& r : rows) {
        base::WriteText(first, "current");
        base::WriteText(victim, "current");
        const std::string folder = store / testing_support::UniqueName("raw");
        CreateDirectoryA(folder.c_str(), nullptr);
        backup::WriteRawArchiveForTests(
            folder, kPass,
            {{RawEntry(backup::EntryKind::File, first), "restored"},
             {RawEntry(backup::EntryKind::Folder, data / "made"), ""},
             {RawEntry(backup::EntryKind::RegKey, key.full()), ""},
             {RawEntry(backup::EntryKind::RegValue, key.full(), "v"), std::string("restored\0", 9)},
             {RawEntry(backup::EntryKind::RegKey, key.full() + "\\cut"), ""},
             r.last});
        EXPECT_EQ(ErrorOf([&] { backup::Restore(folder, kPass, {}); }), backup::errUnsafePath) << r.name;
        EXPECT_EQ(base::ReadWhole(first), "current") << r.name;
        EXPECT_EQ(base::ReadWhole(victim), "current") << r.name;
        EXPECT_EQ(GetFileAttributesA((data / "made").c_str()), INVALID_FILE_ATTRIBUTES) << r.name;
        base::RegKey k;
        EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key.path.c_str(), 0, KEY_READ, k.put()), ERROR_SUCCESS) << r.name;
        RegDeleteTreeA(HKEY_CURRENT_USER, key.path.c_str());
    }
    // The same archive without the refused entry restores.
    const std::string folder = store / "sound";
    CreateDirectoryA(folder.c_str(), nullptr);
    backup::WriteRawArchiveForTests(folder, kPass, {{RawEntry(backup::EntryKind::File, first), "restored"}});
    EXPECT_EQ(ErrorOf([&] { backup::Restore(folder, kPass, {}); }), 0);
    EXPECT_EQ(base::ReadWhole(first), "restored");
}

TEST(BackupArchive, AFailedBackupLeavesNoArchive) {
    TempFolder data, store;
    base::WriteText(data / "ok.txt", "ok");
    base::WriteText(data / "locked.txt", "locked");
    base::FileHandle hold(
        CreateFileA((data / "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    const std::string folder = store / "d";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_EQ(ErrorOf([&] {
                  backup::WriteBackup(folder, kPass, {{data / "ok.txt", data / "locked.txt"}, {}});
              }),
              backup::errItemUnreadable);
    WIN32_FIND_DATAA fd;
    base::FindHandle f(FindFirstFileA((folder + "\\*").c_str(), &fd));
    int count = 0;
    do count += fd.cFileName[0] != '.';
    while (FindNextFileA(f.get(), &fd));
    EXPECT_EQ(count, 0);

    // A file that cannot be replaced on restore stays as it was, and the restore says so.
    hold = base::FileHandle();
    backup::WriteBackup(folder, kPass, {{data / "ok.txt"}, {}});
    base::WriteText(data / "ok.txt", "now");
    base::FileHandle busy(
        CreateFileA((data / "ok.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(ErrorOf([&] { backup::Restore(folder, kPass, {}); }), backup::errRestoreFailed);
    busy = base::FileHandle();
    EXPECT_EQ(base::ReadWhole(data / "ok.txt"), "now");
}

TEST(BackupArchive, AnEntryThatCannotBeWrittenUndoesTheEntriesBeforeIt) {
    TempFolder data, store;
    ScratchKey key;
    const std::string old = data / "old.txt", fresh = data / "fresh.txt", made = data / "made";
    const std::string blocker = data / "blocker.txt", busy = data / "busy.txt";
    struct Row {
        const char* name;
        backup::RawItem last;  // passes every check, and still cannot be put back
    };
    const Row rows[] = {
        {"a file whose folder is a file", {RawEntry(backup::EntryKind::File, blocker + "\\x.txt"), "x"}},
        {"a folder below a file", {RawEntry(backup::EntryKind::Folder, blocker + "\\sub"), ""}},
        {"a file held open", {RawEntry(backup::EntryKind::File, busy), "x"}},
    };
    for (const Row& r : rows) {
        base::WriteText(old, "old bytes");
        SetTimes(old, 2001);
        SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        base::WriteText(blocker, "a file, not a folder");
        base::WriteText(busy, "busy");
        SetValue(key.path, "v", REG_SZ, std::string("old\0", 4));
        SetValue(key.path, "n", REG_DWORD, std::string("\x07\0\0\0", 4));
        const Stat before = StatOf(old);
        const auto keyBefore = Dump(HKEY_CURRENT_USER, key.path);

        const std::string folder = store / testing_support::UniqueName("undo");
        CreateDirectoryA(folder.c_str(), nullptr);
        backup::WriteRawArchiveForTests(
            folder, kPass,
            {{RawEntry(backup::EntryKind::File, old), "restored over the old bytes"},
             {RawEntry(backup::EntryKind::File, fresh), "a file that was not there"},
             {RawEntry(backup::EntryKind::Folder, made), ""},
             {RawEntry(backup::EntryKind::File, made + "\\deeper\\in.txt"), "in a made folder"},
             {RawEntry(backup::EntryKind::RegKey, key.full()), ""},
             {RawEntry(backup::EntryKind::RegValue, key.full(), "v", REG_BINARY), "replaced"},
             {RawEntry(backup::EntryKind::RegValue, key.full(), "added", REG_SZ), std::string("new\0", 4)},
             {RawEntry(backup::EntryKind::RegKey, key.full() + "\\New\\Deeper"), ""},
             {RawEntry(backup::EntryKind::RegValue, key.full() + "\\New\\Deeper", "x", REG_SZ), std::string("x\0", 2)},
             r.last});

        base::FileHandle hold(
            CreateFileA(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hold) << r.name;
        std::string said;
        std::vector<std::string> told;
        backup::RestoreOptions options;
        options.restored = [&](const backup::Entry& e) { told.push_back(e.path); };
        try {
            backup::Restore(folder, kPass, options);
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number(), backup::errRestoreFailed) << r.name;
            said = e.description();
        }
        hold = base::FileHandle();
        EXPECT_NE(said.find("Nothing was changed."), std::string::npos) << r.name << ": " << said;
        EXPECT_TRUE(told.empty()) << r.name << ": the guards hear only of a restore that stands";
        ExpectSame(StatOf(old), before, std::string(r.name) + ": old.txt");
        EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES) << r.name;
        EXPECT_EQ(GetFileAttributesA(made.c_str()), INVALID_FILE_ATTRIBUTES) << r.name;
        EXPECT_EQ(base::ReadWhole(busy), "busy") << r.name;
        EXPECT_EQ(Dump(HKEY_CURRENT_USER, key.path), keyBefore) << r.name;
        base::RegKey k;
        EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, (key.path + "\\New").c_str(), 0, KEY_READ, k.put()), ERROR_SUCCESS)
            << r.name;
        // Nothing of the restore's own is left behind in the folder either.
        WIN32_FIND_DATAA fd;
        base::FindHandle f(FindFirstFileA((data / "*").c_str(), &fd));
        std::vector<std::string> names;
        do
            if (fd.cFileName[0] != '.') names.push_back(fd.cFileName);
        while (FindNextFileA(f.get(), &fd));
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"blocker.txt", "busy.txt", "old.txt"})) << r.name;
        SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}
