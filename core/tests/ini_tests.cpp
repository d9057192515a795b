#include <gtest/gtest.h>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/SettingsStore.h"
#include "core/Wiring.h"
#include "core/tests/CoreTestSupport.h"

using namespace modMain;
using testing_support::TempFolder;

TEST(IniFiles, ShortAndLongValues) {
    TempFolder t;
    const std::string ini = t / "snap.ini";
    const std::string longValue(200, 'v');
    base::WriteText(ini, "[S]\r\none=5\r\ntwo=55\r\nlong=" + longValue + "\r\nhuge=" + std::string(5000, 'h') + "\r\n");
    // One character is a value like any other: both readers give it whole.
    EXPECT_EQ(GetPrivateStringValue("S", "one", ini), "5");
    EXPECT_EQ(GetPrivateStringValue2("S", "one", ini), "5");
    EXPECT_EQ(GetPrivateStringValue("S", "two", ini), "55");
    EXPECT_EQ(GetPrivateStringValue2("S", "two", ini), "55");
    // Read whole: callers write back what they read, so a cut value would be corrupted.
    EXPECT_EQ(GetPrivateStringValue("S", "long", ini), longValue);
    EXPECT_EQ(GetPrivateStringValue2("S", "huge", ini), std::string(5000, 'h'));
    EXPECT_EQ(GetPrivateStringValue("S", "missing", ini), "");
    EXPECT_EQ(GetPrivateStringValue2("S", "one", t / "nofile.ini"), "");
}

TEST(IniFiles, SetAndClearKeys) {
    TempFolder t;
    const std::string ini = t / "startup.ini";  // shaped like win.ini
    SetPrivateStringValue("Windows", "Load", ini, "C:\\x\\load.exe");
    SetPrivateStringValue("Windows", "Run", ini, "run.exe");
    EXPECT_EQ(GetPrivateStringValue("Windows", "Load", ini), "C:\\x\\load.exe");
    DelPrivateStringValue("Windows", "Load", ini);
    const std::string text = base::ReadWhole(ini);
    EXPECT_NE(text.find("Load=\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Run=run.exe"), std::string::npos) << text;
    EXPECT_EQ(GetPrivateStringValue2("Windows", "Load", ini), "");
}

TEST(IniFiles, SetFailureIsLoggedUnderItsOwnName) {
    testing_support::ScopedProgramFolder pf;
    TempFolder t;
    SetPrivateStringValue("S", "k", t / "no\\such\\folder\\a.ini", "v");
    DelPrivateStringValue("S", "k", t / "no\\such\\folder\\a.ini");
    const std::string log = core_test::ErrorLogText();
    EXPECT_EQ(core_test::CountOccurrences(log, "Method: SetPrivateStringValue"), 1) << log;
    EXPECT_EQ(core_test::CountOccurrences(log, "Method: DelPrivateStringValue"), 1) << log;
}

// Callers write back what they read (a snapshot restored, a win.ini entry edited): whatever a
// key holds must come back unchanged through a read and a write.
TEST(IniFiles, AReadWrittenBackLeavesEveryValueAsItWas) {
    testing_support::ScopedProgramFolder pf;
    TempFolder t;
    const std::string from = t / "from.ini", to = t / "to.ini";
    const std::string values[] = {
        "5", "x", "55", std::string(126, 'a'), std::string(127, 'b'), std::string(5000, 'c'), "http://a.example/?q=1"};
    for (const std::string& v : values) {
        SetPrivateStringValue("IE", "StartPage", from, v);
        SetPrivateStringValue("IE", "StartPage", to, GetPrivateStringValue("IE", "StartPage", from));
        EXPECT_EQ(GetPrivateStringValue("IE", "StartPage", to), v) << v.size();
        SetPrivateStringValue("IE", "StartPage", to, GetPrivateStringValue2("IE", "StartPage", from));
        EXPECT_EQ(GetPrivateStringValue2("IE", "StartPage", to), v) << v.size();
    }
    EXPECT_EQ(core_test::ErrorLogText(), "");
}

// A line break in a value would write keys and sections of its own into the file; a NUL would
// cut the value. Such writes are refused whole, and so are keys and sections holding them.
TEST(IniFiles, LineBreaksAndNulsAreRefusedAndNothingIsWritten) {
    testing_support::ScopedProgramFolder pf;
    TempFolder t;
    const std::string ini = t / "snap.ini";
    const std::string before = "[S]\r\nkeep=1\r\n";
    base::WriteText(ini, before);
    struct Row {
        const char* name;
        std::string section, key, value;
    };
    const Row rows[] = {
        {"CR LF in the value", "S", "k", "first\r\nInjected=1\r\n[Other]\r\nX=2"},
        {"lone CR", "S", "k", "first\rInjected=1"},
        {"lone LF", "S", "k", "first\nInjected=1"},
        {"NUL", "S", "k", std::string("first\0Injected=1", 16)},
        {"line break in the key", "S", "k\r\nInjected", "1"},
        {"line break in the section", "S]\r\n[Other", "X", "2"},
    };
    for (const Row& r : rows) {
        SetPrivateStringValue(r.section, r.key, ini, r.value);
        EXPECT_EQ(base::ReadWhole(ini), before) << r.name;
    }
    DelPrivateStringValue("S", "keep\r\nInjected", ini);
    EXPECT_EQ(base::ReadWhole(ini), before);
    EXPECT_EQ(GetPrivateStringValue2("S", "Injected", ini), "");
    EXPECT_EQ(GetPrivateStringValue2("Other", "X", ini), "");
    const std::string log = core_test::ErrorLogText();
    EXPECT_EQ(core_test::CountOccurrences(log, "Method: SetPrivateStringValue"), static_cast<int>(std::size(rows)))
        << log;
    EXPECT_EQ(core_test::CountOccurrences(log, "Method: DelPrivateStringValue"), 1) << log;
    // A plain value still goes in.
    SetPrivateStringValue("S", "k", ini, "first");
    EXPECT_EQ(GetPrivateStringValue("S", "k", ini), "first");
}

// The system stores values of 32,767 characters and more as garbage or not at all, without an
// error: those are refused. Reads of any length come back whole.
TEST(IniFiles, LongValuesAreWrittenAndReadWholeOrRefused) {
    testing_support::ScopedProgramFolder pf;
    TempFolder t;
    const std::string ini = t / "long.ini";
    std::string longest(32766, 'x');
    longest.front() = 'A';
    longest.back() = 'Z';
    SetPrivateStringValue("S", "longest", ini, longest);
    EXPECT_EQ(GetPrivateStringValue("S", "longest", ini), longest);
    EXPECT_EQ(GetPrivateStringValue2("S", "longest", ini), longest);
    const std::string stored = base::ReadWhole(ini);
    for (size_t n : {32767u, 32768u, 40000u, 70000u}) {
        SetPrivateStringValue("S", "longest", ini, std::string(n, 'y'));
        SetPrivateStringValue("S", "new", ini, std::string(n, 'y'));
        EXPECT_TRUE(base::ReadWhole(ini) == stored) << n;
    }
    EXPECT_EQ(core_test::CountOccurrences(core_test::ErrorLogText(), "Method: SetPrivateStringValue"), 8);

    // Files written by other programs may hold longer values than the system writes.
    for (size_t n : {1048575u, 1048576u, 3000000u}) {
        const std::string value = "<" + std::string(n - 2, 'v') + ">";
        base::WriteText(ini, "[S]\r\nbefore=1\r\nbig=" + value + "\r\nafter=2\r\n");
        // Compared by hand: a failure message of megabytes would help nobody.
        const std::string read = GetPrivateStringValue("S", "big", ini),
                          read2 = GetPrivateStringValue2("S", "big", ini);
        EXPECT_TRUE(read == value) << n << " characters read as " << read.size();
        EXPECT_TRUE(read2 == value) << n << " characters read as " << read2.size();
        EXPECT_EQ(GetPrivateStringValue2("S", "after", ini), "2") << n;
    }
}

TEST(VersionHeader, ReadsTheStringsOfAnyCodePage) {
    // The helper's resource uses code page 65001, which the unsigned translation handles.
    FileVersionHeader h = GetVerHeader(core_test::HelperExe());
    EXPECT_EQ(h.CompanyName, "Corvane Test Makers");
    EXPECT_EQ(h.FileDescription, "Core test helper");
    EXPECT_EQ(h.FileVersion, "1.2.3.4");
    EXPECT_EQ(h.InternalName, "helper");
    EXPECT_EQ(h.LegalCopyright, "none");
    EXPECT_EQ(h.OriginalFileName, "core_test_helper.exe");
    EXPECT_EQ(h.ProductName, "Corvane tests");
    EXPECT_EQ(h.ProductVersion, "1.2");
    EXPECT_EQ(h.Comments, "");  // absent from the resource
    EXPECT_EQ(h.SpecialBuild, "");
}

TEST(VersionHeader, MissingFileAndFileWithoutResource) {
    TempFolder t;
    const std::string missing = t / "gone.dll";
    FileVersionHeader h = GetVerHeader(missing);
    const std::string message = "The file \"" + missing + "\" doesn't exist.";
    for (const std::string* f : {&h.CompanyName, &h.FileVersion, &h.Comments, &h.SpecialBuild}) EXPECT_EQ(*f, message);

    const std::string plain = t / "plain.txt";
    base::WriteText(plain, "no resource here");
    FileVersionHeader none = GetVerHeader(plain);
    EXPECT_EQ(none.CompanyName + none.FileDescription + none.ProductName + none.Comments, "");
}

TEST(ShortPath, ExistingAndMissing) {
    TempFolder t;
    const std::string f = t / "long name for short path.data";
    base::WriteText(f, "x");
    std::string s = GetShortPath(f);
    EXPECT_FALSE(s.empty());
    EXPECT_TRUE(base::FileExists(s));
    EXPECT_EQ(GetShortPath(t / "none"), "");
}

TEST(StartupLocationNames, EnglishDefaultsAndLanguagePackTexts) {
    StartupLocationNames names;
    IntialStr(names);
    EXPECT_EQ(names, (StartupLocationNames{"Registry(User Run)", "Registry(Machine Run)", "Registry(Machine RunOnce)",
                                           "Registry(Machine RunOnceEx)", "StartUp (Current User)",
                                           "StartUp (All Users)", "Win.ini Load", "Win.ini Run"}));
    wiring::SetGetMessage([](const std::string& id, const std::string& d) { return id == "1026" ? "Alle" : d; });
    IntialStr(names);
    wiring::SetGetMessage({});
    EXPECT_EQ(names[5], "Alle");
    EXPECT_EQ(names[4], "StartUp (Current User)");
}

TEST(Shortcut, PointsAtItsTarget) {
    testing_support::ScopedProgramFolder pf;  // its own error log
    TempFolder t;
    const std::string lnk = t / "helper.lnk";
    EXPECT_TRUE(CreateShortcutFile(lnk, core_test::HelperExe()));
    EXPECT_TRUE(base::FileExists(lnk));
    EXPECT_EQ(core_test::ErrorLogText().find("CreateShortcutFile"), std::string::npos);
    // A shortcut whose save fails is an error, logged with the shortcut it was for.
    const std::string nowhere = t / "no\\folder\\x.lnk";
    EXPECT_FALSE(CreateShortcutFile(nowhere, core_test::HelperExe()));
    EXPECT_FALSE(base::FileExists(nowhere));
    const std::string log = core_test::ErrorLogText();
    EXPECT_NE(log.find("Shortcut: " + nowhere + ", Method: CreateShortcutFile"), std::string::npos) << log;
}

// The start-up password.
class PasswordTest : public ::testing::Test {
protected:
    void SetUp() override {
        gb_enablePassword = true;
        gb_passwordAccepted = false;
        // A stand-in cipher: stored texts are the password reversed; "bad" cannot be deciphered.
        wiring::SetDecrypt([](const std::string& stored, std::string& plain) {
            if (stored == "bad") return false;
            plain.assign(stored.rbegin(), stored.rend());
            return true;
        });
    }
    void TearDown() override {
        wiring::SetDecrypt({});
        gb_enablePassword = gb_passwordAccepted = false;
    }
    static void Types(const std::string& text) {
        base::modal::Expect("frmEnterPassword", [text](const base::modal::Step&) {
            wiring::PasswordEntry() = text;
            return text.empty() ? 2L : 1L;
        });
    }
    core_test::ScopedSettingsRoot store;
};

TEST_F(PasswordTest, OptionOffNeverAsks) {
    gb_enablePassword = false;
    EXPECT_TRUE(checkStartupPassword());
    EXPECT_TRUE(base::modal::Seen().empty());
}

TEST_F(PasswordTest, RightPasswordIsAskedOnceUntilTheFlagIsCleared) {
    settings::SaveSetting("ScanSections", "Password", "terces");
    Types("secret");
    EXPECT_TRUE(checkStartupPassword());
    EXPECT_TRUE(gb_passwordAccepted);
    EXPECT_TRUE(checkStartupPassword());  // not asked again
    EXPECT_EQ(base::modal::Seen().size(), 1u);
    gb_passwordAccepted = false;  // the main window was hidden or restored
    Types("secret");
    EXPECT_TRUE(checkStartupPassword());
    EXPECT_EQ(base::modal::Pending(), 0u);
}

TEST_F(PasswordTest, WrongCaseEmptyEntryAndUndecipherableStoreAreRefused) {
    settings::SaveSetting("ScanSections", "Password", "terces");
    Types("Secret");
    EXPECT_FALSE(checkStartupPassword());
    Types("");  // Cancel
    EXPECT_FALSE(checkStartupPassword());
    // Nothing stored: Cancel's empty entry must not equal the empty deciphered text.
    settings::DeleteSetting("ScanSections", "Password");
    Types("");
    EXPECT_FALSE(checkStartupPassword());
    settings::SaveSetting("ScanSections", "Password", "bad");
    Types("dab");
    EXPECT_FALSE(checkStartupPassword());
    EXPECT_FALSE(gb_passwordAccepted);
}
