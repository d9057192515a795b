// The registry phases on scratch keys under HKEY_CURRENT_USER\Software\CorvaneTests: value texts,
// the walkers and the name matcher, the value-data and key checks, and the indexed matchers held
// to the row-by-row ones.
#include <algorithm>
#include <chrono>
#include <functional>

// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

#include "base/Handles.h"
#include "base/Text.h"
#include "core/Globals.h"
#include "scanner/RegistryText.h"
#include "scanner/ScanLog.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;
using R = std::vector<Row>;
using RegistryModule::FormatRegValueData;
using RegistryModule::RegFileForm;

namespace {

const std::string kHkcu = "HKEY_CURRENT_USER\\";

std::string RegText(const std::string& text) {
    std::string t = "\"";
    for (char c : text) {
        t += c;
        if (c == '\\') t += '\\';
    }
    return t + "\"";
}

void SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    base::RegKey k;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr),
              ERROR_SUCCESS);
    const std::string bytes = (type == REG_SZ || type == REG_EXPAND_SZ) ? data + '\0' : data;
    ASSERT_EQ(RegSetValueExA(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}
void MakeKey(HKEY root, const std::string& key) {
    base::RegKey k;
    RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_READ, nullptr, k.put(), nullptr);
}

void DeleteTree(HKEY root, const std::string& key) {
    {
        base::RegKey k;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, k.put()) == ERROR_SUCCESS)
            RegDeleteTreeA(k.get(), nullptr);
    }
    RegDeleteKeyA(root, key.c_str());
}

class RegistryScanTest : public ScannerTest {
protected:
    void SetUp() override {
        ScannerTest::SetUp();
        base_ = "Software\\CorvaneTests\\" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        DeleteTree(HKEY_CURRENT_USER, base_);
        MakeKey(HKEY_CURRENT_USER, base_);
        gb_scanAllUserAccounts = false;
    }
    void TearDown() override {
        DeleteTree(HKEY_CURRENT_USER, base_);
        for (const std::string& k : extraKeys_) DeleteTree(HKEY_CURRENT_USER, k);
        ScannerTest::TearDown();
    }
    void Fragments(const std::vector<std::pair<std::string, std::string>>& rows) {
        for (const auto& [fragment, spy] : rows) {
            base::ListItem& row = Engine().lists.lstRegistrySearch.ListItems.Add(fragment);
            row.SubItems(1) = spy;
        }
    }
    void Fresh() {
        results::Findings().Clear();
        Engine().Reset();
        Engine().ResetCounters();
    }
    std::string base_;
    std::vector<std::string> extraKeys_;
};

}  // namespace

TEST(RegistryText, ValueDataAndRegistrationForm) {
    struct Case {
        DWORD type;
        std::string data, text, tag;
    };
    const std::string multi("first\0second\0\0", 14);
    const Case cases[] = {
        {REG_BINARY, std::string("\x01\xAB\xFF", 3), "01 AB FF", "hex:01 AB FF"},
        {REG_BINARY, "", "", "hex:"},
        {REG_DWORD, std::string("\x1A\0\0\0", 4), "0x0000001A", "dword:0000001A"},
        {REG_DWORD, std::string("\x01\x02", 2), "0x00000201", "dword:00000201"},  // short data: no read past it
        {REG_DWORD, "", "0x00000000", "dword:00000000"},
        {REG_SZ, std::string("C:\\Bad\\x.exe\0junk", 17), "C:\\Bad\\x.exe", "\"C:\\\\Bad\\\\x.exe\""},
        {REG_EXPAND_SZ, std::string("%SystemRoot%\\x.dll\0", 19), "%SystemRoot%\\x.dll",
         "hex(2):25 53 79 73 74 65 6D 52 6F 6F 74 25 5C 78 2E 64 6C 6C 00"},
        {REG_MULTI_SZ, multi, "first", "hex(7):66 69 72 73 74 00 73 65 63 6F 6E 64 00 00"},
        {REG_QWORD, std::string(8, '\1'), "Temporary unsupported", ""},
        {REG_NONE, "", "Temporary unsupported", ""},
    };
    for (const Case& c : cases) {
        const std::string text = FormatRegValueData(c.type, c.data);
        EXPECT_EQ(text, c.text) << c.type;
        EXPECT_EQ(RegFileForm(c.type, text, c.data), c.tag) << c.type;
    }
    EXPECT_EQ(RegistryModule::GetHiveHandle("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegistryModule::GetHiveHandle("hkey_local_machine"), nullptr);
    EXPECT_EQ(RegistryModule::GetHiveHandle("HKEY_PERFORMANCE_DATA"), nullptr);
    EXPECT_EQ(RegistryModule::GetHiveName(HKEY_PERFORMANCE_DATA), "HKEY_PERFORMANCE_DATA");
    EXPECT_EQ(RegistryModule::GetHiveName(HKEY_USERS), "HKEY_USERS");
    EXPECT_EQ(RegistryModule::GetHiveName(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000010))), "");
}

TEST_F(RegistryScanTest, WalkFindsKeyNamesAndValueData) {
    const std::string walk = base_ + "\\Walk";
    SetValue(HKEY_CURRENT_USER, walk + "\\SpyBarKey\\Settings", "Level", REG_DWORD, std::string("\1\0\0\0", 4));
    SetValue(HKEY_CURRENT_USER, walk + "\\Clean", "Big", REG_BINARY, std::string(5000, '\x55'));  // longer than 4096
    SetValue(HKEY_CURRENT_USER, walk + "\\Clean", "Later", REG_SZ, "c:\\evil\\EvilToken.exe");
    SetValue(HKEY_CURRENT_USER, walk + "\\Clean", "Expand", REG_EXPAND_SZ, "%ProgramFiles%\\eviltoken\\run.exe");
    SetValue(HKEY_CURRENT_USER, walk + "\\Clean", "Plain", REG_SZ, "c:\\good\\tool.exe");
    SetValue(HKEY_CURRENT_USER, walk + "\\Clean\\Deeper", "Name EvilToken", REG_SZ, "nothing here");
    Fragments({{"SPYBAR", "SpyBar"}, {"EVILTOKEN", "Evil"}, {"", "Empty"}, {"TOKEN", "Token"}});

    Engine().ScanRegistryKeys(HKEY_CURRENT_USER, walk, 2);
    const std::string clean = kHkcu + walk + "\\Clean";
    EXPECT_EQ(Sorted(Findings()),
              Sorted(R{
                  {"Malware RegKey", "SpyBar", walk + "\\SpyBarKey", "", kHkcu + walk + "\\SpyBarKey", "", "0"},
                  // The value after a long one is still read; data is matched, not names.
                  {"Malware RegValue", "Evil", "Later", "", clean, RegText("c:\\evil\\EvilToken.exe"), "0"},
                  {"Malware RegValue", "Evil", "Expand", "", clean,
                   RegFileForm(REG_EXPAND_SZ, "", "%ProgramFiles%\\eviltoken\\run.exe" + std::string(1, '\0')), "0"},
              }))
        << "an empty fragment names nothing; a second matching row adds nothing";
    EXPECT_GT(Engine().counters.RegistryItemsSearched, 6);

    // Value names with flags 1.
    Fresh();
    Engine().ScanRegistryValues(HKEY_CURRENT_USER, walk + "\\Clean\\Deeper", 1);
    EXPECT_EQ(
        Findings(),
        (R{{"Malware RegValue", "Evil", "Name EvilToken", "", clean + "\\Deeper", RegText("nothing here"), "0"}}));
}

TEST_F(RegistryScanTest, ClassKeysAreReportedForDataBelowThem) {
    const std::string classes = "CLSIDCorvaneTests" + std::to_string(GetCurrentProcessId());
    extraKeys_.push_back(classes);
    SetValue(HKEY_CURRENT_USER, classes + "\\{1234-AB}\\InprocServer32", "", REG_SZ, "c:\\x\\SpyBar.dll");
    SetValue(HKEY_CURRENT_USER, classes + "\\{1234-AB}", "", REG_SZ, "SpyBar Band");
    SetValue(HKEY_CURRENT_USER, classes + "\\NoBrace", "", REG_SZ, "spybar");
    SetValue(HKEY_CURRENT_USER, classes + "\\{9999-CD}\\InprocServer32", "", REG_SZ, "c:\\x\\clean.dll");
    Fragments({{"SPYBAR", "SpyBar"}});
    Engine().ScanRegistryKeys(HKEY_CURRENT_USER, classes, 2);
    EXPECT_EQ(
        Sorted(Findings()),
        Sorted(R{{"Malware RegKey", "SpyBar", classes + "\\{1234-AB}", "", kHkcu + classes + "\\{1234-AB}", "", "0"},
                 // Without a brace the key keeps its path (it is not emptied).
                 {"Malware RegKey", "SpyBar", classes + "\\NoBrace", "", kHkcu + classes + "\\NoBrace", "", "0"}}));
}

TEST_F(RegistryScanTest, KeyChecksOpenForReadingAndNeedARootAndAKey) {
    MakeKey(HKEY_CURRENT_USER, base_ + "\\Present");
    struct Case {
        std::string path;
        long status;
        std::string subKey;
    };
    const Case cases[] = {
        {kHkcu + base_ + "\\Present", 0, base_ + "\\Present"},
        {kHkcu + base_ + "\\Absent", ERROR_FILE_NOT_FOUND, base_ + "\\Absent"},
        {"HKEY_CURRENT_USER\\", ERROR_FILE_NOT_FOUND, ""},                // a root alone names no key
        {"HKEY_CURRENT_USER", ERROR_FILE_NOT_FOUND, ""},                  // nor does a bare root name
        {"Software\\Microsoft", ERROR_FILE_NOT_FOUND, ""},                // no root: not "an existing key"
        {"X\\" + kHkcu + base_ + "\\Present", ERROR_FILE_NOT_FOUND, ""},  // the root must lead
        {"hkey_current_user\\" + base_ + "\\Present", ERROR_FILE_NOT_FOUND, ""},
        {"HKEY_LOCAL_MACHINE\\Software", 0, "Software"},
    };
    for (const Case& c : cases) {
        std::string subKey = "stale";
        EXPECT_EQ(Engine().CheckRegistryKey(c.path, subKey), c.status) << c.path;
        EXPECT_EQ(subKey, c.subKey) << c.path;
    }

    // The key list: only existing keys with a spy name, recorded under the path below the root.
    auto add = [](const std::string& spy, const std::string& key) {
        base::ListItem& row = Engine().lists.lstRegKSearch.ListItems.Add("REG KEY");
        row.SubItems(1) = spy;
        row.SubItems(2) = key;
    };
    add("Spy", kHkcu + base_ + "\\Present");
    add("", kHkcu + base_ + "\\Present");
    add("Spy", kHkcu + base_ + "\\Absent");
    add("Spy", "HKEY_CURRENT_USER");
    add("Root", "HKEY_CURRENT_USER\\");
    Engine().CheckRegKList();
    EXPECT_EQ(Findings(),
              (R{{"Malware RegKey", "Spy", base_ + "\\Present", "", kHkcu + base_ + "\\Present", "", "0"}}));
    EXPECT_EQ(Engine().counters.RegistryItemsSearched, 5) << "every row is shown, tested or not";
}

TEST_F(RegistryScanTest, KeyThatMayOnlyBeReadIsFound) {
    // A key whose access list lets everyone read and nobody write.
    const std::string path = base_ + "\\ReadOnly";
    MakeKey(HKEY_CURRENT_USER, path);
    {
        base::RegKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        BYTE aclBuffer[256];
        PACL acl = reinterpret_cast<PACL>(aclBuffer);
        InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | WRITE_DAC | DELETE, everyone);
        SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
        RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &sd);
        FreeSid(everyone);
    }
    base::RegKey writable;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, 0x3F, writable.put()) == ERROR_SUCCESS)
        GTEST_SKIP() << "this Windows does not hold registry access lists";
    std::string subKey;
    EXPECT_EQ(Engine().CheckRegistryKey(kHkcu + path, subKey), 0);
    base::ListItem& row = Engine().lists.lstRegKSearch.ListItems.Add("REG KEY");
    row.SubItems(1) = "Spy";
    row.SubItems(2) = kHkcu + path;
    Engine().CheckRegKList();
    EXPECT_EQ(Findings().size(), 1u);
}

TEST_F(RegistryScanTest, AKeyThatCannotBeReadIsLoggedByItsPlaceAndNeverLooksClean) {
    const std::string walk = base_ + "\\Walk", locked = walk + "\\Locked";
    SetValue(HKEY_CURRENT_USER, locked, "Hidden", REG_SZ, "c:\\evil\\EvilToken.exe");
    SetValue(HKEY_CURRENT_USER, walk + "\\Open", "Plain", REG_SZ, "c:\\good\\tool.exe");
    // Everyone may change the key's access list and delete it, nobody may read it.
    auto grant = [&](DWORD rights) {
        base::RegKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, locked.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
        PSECURITY_DESCRIPTOR sd = nullptr;
        char sddl[64];
        wsprintfA(sddl, "D:(A;;0x%lX;;;WD)", static_cast<unsigned long>(rights));
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr));
        EXPECT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        LocalFree(sd);
    };
    grant(WRITE_DAC | DELETE);
    struct Restore {
        std::function<void()> f;
        ~Restore() { f(); }
    } restore{[&] { grant(KEY_ALL_ACCESS); }};
    {
        base::RegKey probe;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, locked.c_str(), 0, KEY_READ, probe.put()) == ERROR_SUCCESS)
            GTEST_SKIP() << "this Windows does not hold registry access lists";
    }
    Fragments({{"EVILTOKEN", "Evil"}});
    const std::string place = "Key: " + kHkcu + locked + ", Method: ";
    auto CountOf = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    struct Case {
        const char* method;
        std::function<void()> scan;
    };
    const Case cases[] = {
        {"WalkSubKeys", [&] { Engine().ScanRegistryKeys(HKEY_CURRENT_USER, walk, 2); }},
        {"ScanRegistryValues", [&] { Engine().ScanRegistryValues(HKEY_CURRENT_USER, locked, 2); }},
        {"ScanRegistryKeys", [&] { Engine().ScanRegistryKeys(HKEY_CURRENT_USER, locked, 2); }},
        {"CheckRegistryValueRows",
         [&] {
             base::ListItem& row = Engine().lists.lstRegistry.ListItems.Add(kHkcu + locked);
             row.SubItems(1) = "c:\\evil\\EvilToken.exe";
             row.SubItems(2) = "Evil";
             Engine().CheckRegistryValueRows();
         }},
        {"CheckRegistryKType",
         [&] {
             base::ListItem& row = Engine().lists.lstRegKSearch.ListItems.Add("REG KEY");
             row.SubItems(1) = "Spy";
             row.SubItems(2) = kHkcu + locked;
             Engine().CheckRegKList();
         }},
    };
    for (const Case& c : cases) {
        Fresh();
        Engine().lists.lstRegistry.ListItems.Clear();
        Engine().lists.lstRegKSearch.ListItems.Clear();
        const size_t before = CountOf(ErrorLog(), place + c.method);
        c.scan();
        EXPECT_EQ(CountOf(ErrorLog(), place + c.method), before + 1) << c.method << "\n" << ErrorLog();
        EXPECT_EQ(Engine().counters.UnreadPlaces, 1) << c.method;
        EXPECT_NE(scanlog::RegistrySection(Engine()).find("Keys that could not be read (see the error log) :1"),
                  std::string::npos)
            << c.method;
    }
    // A key that is not there is nothing to tell, and a clean scan's log says nothing of it.
    Fresh();
    Engine().ScanRegistryValues(HKEY_CURRENT_USER, base_ + "\\Missing", 2);
    Engine().ScanRegistryKeys(HKEY_CURRENT_USER, walk + "\\Open", 2);
    EXPECT_EQ(Engine().counters.UnreadPlaces, 0);
    EXPECT_EQ(scanlog::RegistrySection(Engine()).find("could not be read"), std::string::npos);
}

TEST_F(RegistryScanTest, ValueDataRowsGoOnPastAFaultyOne) {
    const std::string data = base_ + "\\Data";
    SetValue(HKEY_CURRENT_USER, data, "Start Page", REG_SZ, "http://www.CoolWebSearch.com/");
    SetValue(HKEY_CURRENT_USER, data, "Search", REG_EXPAND_SZ, "  %WINDIR%\\coolsearch.htm ");
    SetValue(HKEY_CURRENT_USER, data, "Empty", REG_SZ, "");
    SetValue(HKEY_CURRENT_USER, data, "Clean", REG_SZ, "about:blank");
    auto add = [](const std::string& t, const std::string& k, const std::string& v, const std::string& d,
                  const std::string& r) {
        base::ListItem& row = Engine().lists.lstRegValueData.ListItems.Add(t);
        row.SubItems(1) = k;
        row.SubItems(2) = v;
        row.SubItems(3) = d;
        row.SubItems(4) = r;
    };
    const std::string full = kHkcu + data;
    add("", full, "Start Page", "cool", "");                    // no spy name: logged, skipped
    add("NoSlash", "HKEY_CURRENT_USER", "Start Page", "", "");  // no key path: logged, skipped
    add("Cool", full, "Start Page", " coolwebsearch ", "about:blank");
    add("AnyData", full, "Clean", "", "");  // an empty pattern matches any data
    add("NoData", full, "Empty", "", "");   // but not empty data
    add("Missing", full, "Absent", "", "");
    add("Search", full, "", "COOLSEARCH", "");  // every value of the key, REG_EXPAND_SZ as text
    const size_t logBefore = ErrorLog().size();
    Engine().checkRegValueData();
    EXPECT_EQ(Findings(), (R{{"Malware RegData", "Cool", "Start Page", "about:blank", full, " coolwebsearch ", "0"},
                             {"Malware RegData", "AnyData", "Clean", "", full, "", "0"},
                             {"Malware RegData", "Search", "Search", "", full, "COOLSEARCH", "0"}}));
    const std::string log = ErrorLog().substr(logBefore);
    size_t entries = 0;
    for (size_t at = log.find("malware type or key not valid , Error Number: 505, Method: checkRegValueData");
         at != std::string::npos;
         at = log.find("malware type or key not valid , Error Number: 505, Method: checkRegValueData", at + 1))
        ++entries;
    EXPECT_EQ(entries, 2u) << log;
}

TEST_F(RegistryScanTest, ValueDataUnderEveryUser) {
    const std::string data = base_ + "\\Users";
    SetValue(HKEY_CURRENT_USER, data, "Start Page", REG_SZ, "http://spy.example/");
    base::ListItem& row = Engine().lists.lstRegValueData.ListItems.Add("Spy");
    row.SubItems(1) = "HKEY_USERS\\S-1-5-21-1\\" + data;
    row.SubItems(2) = "Start Page";
    row.SubItems(3) = "spy.example";
    Engine().checkRegValueData();
    EXPECT_TRUE(Findings().empty()) << "with the all-users option off, HKEY_USERS rows find nothing";
    gb_scanAllUserAccounts = true;
    Engine().checkRegValueData();
    const auto rows = Findings();
    ASSERT_EQ(rows.size(), 1u) << "the current user's hive holds the value";
    EXPECT_EQ(rows[0][4].rfind("HKEY_USERS\\", 0), 0u) << rows[0][4];
    EXPECT_EQ(rows[0][4].substr(rows[0][4].size() - data.size()), data);
    EXPECT_EQ(rows[0][4].find("Classes"), std::string::npos);
}

TEST_F(RegistryScanTest, IndexedMatchersFindWhatTheRowByRowOnesFind) {
    // A generated branch: names and data that hold fragments here and there.
    const std::string branch = base_ + "\\Branch";
    std::vector<std::pair<std::string, std::string>> fragments;
    for (int f = 0; f < 150; ++f)
        fragments.push_back({"FRAG" + std::to_string(f * 7 % 1000) + "X", "Spy" + std::to_string(f)});
    fragments.push_back({"AG1", "Short"});    // inside other fragments
    fragments.push_back({"FRAG7X", "Twin"});  // a second row of one fragment
    Fragments(fragments);
    for (int a = 0; a < 12; ++a)
        for (int b = 0; b < 12; ++b) {
            const std::string key =
                branch + "\\K" + std::to_string(a) + (a % 5 == 0 ? "frag14x" : "") + "\\S" + std::to_string(b);
            SetValue(HKEY_CURRENT_USER, key, "V" + std::to_string(b), REG_SZ,
                     "c:\\p\\frag" + std::to_string((a * 12 + b) * 3) + "x.exe");
            SetValue(HKEY_CURRENT_USER, key, "D", REG_DWORD, std::string("\7\0\0\0", 4));
            SetValue(HKEY_CURRENT_USER, key, "E", REG_EXPAND_SZ, "%TEMP%\\Frag" + std::to_string(b * 7) + "X");
        }
    // REGV rows: some keys named twice, in two letter cases.
    for (int r = 0; r < 40; ++r) {
        const int a = r % 12, b = (r * 5) % 12;
        std::string key = "HKEY_CURRENT_USER\\" + branch + "\\K" + std::to_string(a) + (a % 5 == 0 ? "frag14x" : "") +
                          "\\S" + std::to_string(b);
        if (r % 3 == 0) key = base::UCase(key);
        base::ListItem& row = Engine().lists.lstRegistry.ListItems.Add(key);
        row.SubItems(1) = r % 2 ? "V" + std::to_string(b) : "0x00000007";
        row.SubItems(2) = "Row" + std::to_string(r);
    }
    auto run = [&](bool reference) {
        Engine().useReferenceMatchers = reference;
        results::Findings().Clear();
        Engine().ResetCounters();
        Engine().ScanRegistryKeys(HKEY_CURRENT_USER, branch, 2);
        Engine().CheckRegistryValueRows();
        return std::make_pair(Findings(), Engine().counters.RegistryItemsSearched);
    };
    const auto indexed = run(false);
    const auto reference = run(true);
    EXPECT_GT(indexed.first.size(), 40u);
    EXPECT_EQ(indexed.first, reference.first);
    EXPECT_EQ(indexed.second, reference.second);
}

TEST_F(RegistryScanTest, StopFlagEndsADeepWalkAtOnce) {
    const std::string branch = base_ + "\\Deep";
    for (int a = 0; a < 40; ++a)
        for (int b = 0; b < 25; ++b)
            SetValue(HKEY_CURRENT_USER, branch + "\\A" + std::to_string(a) + "\\B" + std::to_string(b), "v", REG_SZ,
                     "data");
    Fragments({{"NOTHING", "N"}});
    class Stopper : public RecordingProgress {
    public:
        int pumps = 0;
        std::chrono::steady_clock::time_point stoppedAt;
        void Pump() override {
            if (++pumps == 3) {
                gb_scanAborted = true;
                stoppedAt = std::chrono::steady_clock::now();
            }
        }
    } stopper;
    Engine().SetProgress(&stopper);
    const auto start = std::chrono::steady_clock::now();
    Engine().ScanRegistryKeys(HKEY_CURRENT_USER, branch, 2);
    const auto end = std::chrono::steady_clock::now();
    Engine().SetProgress(&progress_);
    if (stopper.pumps < 3) GTEST_SKIP() << "the walk ended before it was stopped";
    EXPECT_LT(std::chrono::duration<double>(end - stopper.stoppedAt).count(), 0.2);
    EXPECT_LT(Engine().counters.RegistryItemsSearched, 2000) << "the walk ended early";
    (void)start;
}

TEST_F(RegistryScanTest, LinkBackUpTheTreeIsNoLoop) {
    // A registry link inside the branch that points at the branch itself.
    const std::string branch = base_ + "\\Linked";
    MakeKey(HKEY_CURRENT_USER, branch + "\\SpyBarKey");
    std::string sid;
    {
        HANDLE raw = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw));
        base::Handle token(raw);
        BYTE buffer[256];
        DWORD size = 0;
        ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size));
        char* text = nullptr;
        ASSERT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text));
        sid = text;
        LocalFree(text);
    }
    const std::string target = "\\Registry\\User\\" + sid + "\\" + branch;
    // A link key is deleted as itself (deleting it by its path would reach its target).
    struct LinkRemover {
        std::string path;
        ~LinkRemover() {
            base::RegKey self;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, self.put()) !=
                ERROR_SUCCESS)
                return;
            using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
            auto del = reinterpret_cast<NtDeleteKeyFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey"));
            if (del) del(self.get());
        }
    } remover{branch + "\\Loop"};
    base::RegKey link;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (branch + "\\Loop").c_str(), 0, nullptr,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr,
                        link.put(), nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "this Windows makes no registry links";
    std::wstring wide(target.begin(), target.end());
    ASSERT_EQ(RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(wide.data()),
                             static_cast<DWORD>(wide.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    link.reset();
    {
        base::RegKey through;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (branch + "\\Loop\\SpyBarKey").c_str(), 0, KEY_READ, through.put()) !=
            ERROR_SUCCESS)
            GTEST_SKIP() << "the link does not lead anywhere here";
    }
    Fragments({{"SPYBAR", "SpyBar"}});
    Engine().ScanRegistryKeys(HKEY_CURRENT_USER, branch, 2);
    EXPECT_EQ(Findings(),
              (R{{"Malware RegKey", "SpyBar", branch + "\\SpyBarKey", "", kHkcu + branch + "\\SpyBarKey", "", "0"}}));
}
