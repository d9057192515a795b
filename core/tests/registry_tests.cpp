#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "base/Modal.h"
#include "base/testing/Testing.h"
#include "core/CRegister.h"
#include "core/REG32.h"
#include "core/RegistryModule.h"
#include "core/tests/CoreTestSupport.h"

using core_test::KeyExists;
using core_test::ScratchKey;
using core_test::SetDword;
using core_test::SetString;
using namespace std::string_literals;

namespace {
const HKEY kCU = HKEY_CURRENT_USER;
// While set, every allocation of more than this many bytes fails as on a machine out of memory.
std::size_t g_refuseAbove = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (g_refuseAbove && size > g_refuseAbove) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(CRegister, SaveThenGetRoundTripsWithoutTrailingNul) {
    ScratchKey key;
    CRegister reg;
    const std::string section = "\\" + key.path() + "\\Made\\Here\\";  // both backslashes trimmed
    EXPECT_TRUE(reg.REGSaveSetting(kCU, section, "Name", "C:\\x y\\prog.exe /STARTUP"));
    EXPECT_EQ(reg.REGGetSetting(kCU, section, "Name", "dflt"), "C:\\x y\\prog.exe /STARTUP");
    EXPECT_EQ(reg.REGGetSetting(kCU, key / "Made\\Here", "Name", "dflt"), "C:\\x y\\prog.exe /STARTUP");
    EXPECT_TRUE(reg.REGSaveSetting(kCU, section, "Empty", ""));
    EXPECT_EQ(reg.REGGetSetting(kCU, section, "Empty", "dflt"), "");
}

TEST(CRegister, StarNamesTheDefaultValueAndMissingGivesTheDefault) {
    ScratchKey key;
    CRegister reg;
    EXPECT_TRUE(reg.REGSaveSetting(kCU, key.path(), "*", "unnamed"));
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "*", "d"), "unnamed");
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "", "d"), "unnamed");
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "absent", "d"), "d");
    EXPECT_EQ(reg.REGGetSetting(kCU, key / "no\\such\\key", "x", "d"), "d");
}

TEST(CRegister, ReadsStringsWithoutNulAndRefusesNonText) {
    ScratchKey key;
    CRegister reg;
    SetString(kCU, key.path(), "NoNul", "whole", REG_SZ, /*withNul=*/false);
    SetDword(kCU, key.path(), "Number", 7);
    SetString(kCU, key.path(), "Expand", "%WINDIR%\\x", REG_EXPAND_SZ);
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "NoNul", "d"), "whole");
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "Number", "d"), "d");
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "Expand", "d"), "%WINDIR%\\x");
}

TEST(CRegister, TrimKeyPathTakesOneBackslashFromEachEnd) {
    EXPECT_EQ(CRegister::TrimKeyPath("\\\\a\\"), "\\a");
    EXPECT_EQ(CRegister::TrimKeyPath("\\a\\b\\\\"), "a\\b\\");
    EXPECT_EQ(CRegister::TrimKeyPath("a"), "a");
    EXPECT_EQ(CRegister::TrimKeyPath(""), "");
}

TEST(CRegister, DeleteSettingRemovesAValueOrTheKeyItself) {
    ScratchKey key;
    CRegister reg;
    const std::string sub = key / "Sub", rooted = "\\" + sub;
    reg.REGSaveSetting(kCU, sub, "A", "1");
    reg.REGSaveSetting(kCU, sub, "B", "2");
    EXPECT_TRUE(reg.REGDeleteSetting(kCU, rooted, "A"));
    EXPECT_EQ(reg.REGGetSetting(kCU, key / "Sub", "A", "gone"), "gone");
    EXPECT_EQ(reg.REGGetSetting(kCU, key / "Sub", "B", "gone"), "2");
    EXPECT_FALSE(reg.REGDeleteSetting(kCU, key / "Sub", "A"));
    EXPECT_FALSE(reg.REGDeleteSetting(kCU, key / "Missing", "A"));
    // An empty value name deletes the key, also when it is written with a leading backslash.
    EXPECT_TRUE(reg.REGDeleteSetting(kCU, rooted, ""));
    EXPECT_FALSE(KeyExists(kCU, key / "Sub"));
}

TEST(DeleteKey, DeletesWholeTreesAndReportsMissingKeys) {
    ScratchKey key;
    SetString(kCU, key / "T\\a\\b\\c", "v", "1");
    SetString(kCU, key / "T\\a\\b2", "v", "1");
    SetString(kCU, key / "T\\z", "v", "1");
    SetString(kCU, key / "Keep", "v", "1");
    EXPECT_EQ(RegistryModule::DeleteKey(kCU, key / "T"), 0);
    EXPECT_FALSE(KeyExists(kCU, key / "T"));
    EXPECT_TRUE(KeyExists(kCU, key / "Keep"));
    EXPECT_EQ(RegistryModule::DeleteKey(kCU, key / "T"), 2);  // and no box
    EXPECT_TRUE(base::modal::Seen().empty());
}

TEST(DeleteKey, AnUnexpectedCodeIsLoggedAndReturnedNotTakenAsSuccess) {
    testing_support::ScopedProgramFolder pf;
    ScratchKey key;
    // A path the registry refuses outright (a leading backslash) gives ERROR_BAD_PATHNAME.
    long rc = RegistryModule::DeleteKey(kCU, "\\" + key.path());
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 2);
    EXPECT_NE(rc, 5);
    const std::string log = core_test::ErrorLogText();
    EXPECT_NE(
        log.find("Error Description: Erroor code " + std::to_string(rc) + ", Error Number: 505, Method: DeleteKey"),
        std::string::npos)
        << log;
}

TEST(DeleteValue, DeletesNamedValuesOnlyAndNeverTheDefault) {
    ScratchKey key;
    SetString(kCU, key.path(), "", "default data");
    SetString(kCU, key.path(), "Named", "x");
    SetString(kCU, key.path(), key.path(), "named like the path");
    EXPECT_TRUE(RegistryModule::DeleteValue(kCU, key.path(), "Named"));
    EXPECT_FALSE(RegistryModule::DeleteValue(kCU, key.path(), "Named"));
    EXPECT_FALSE(RegistryModule::DeleteValue(kCU, key.path(), ""));
    EXPECT_FALSE(RegistryModule::DeleteValue(kCU, key / "nope", "Named"));
    CRegister reg;
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "*", "gone"), "default data");
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), key.path(), "gone"), "named like the path");
}

TEST(QueryRegString, TextsNumbersAndMissingValues) {
    ScratchKey key;
    SetString(kCU, key.path(), "Sz", "text\0tail"s);
    SetString(kCU, key.path(), "NoNul", "bare", REG_SZ, false);
    SetString(kCU, key.path(), "Expand", "%TEMP%\\x", REG_EXPAND_SZ);
    SetDword(kCU, key.path(), "One", 1);
    SetDword(kCU, key.path(), "All", 0xFFFFFFFF);
    SetString(kCU, key.path(), "Multi", std::string(4000, 'm') + '\0', REG_MULTI_SZ);
    struct Row {
        const char* name;
        const char* want;
    };
    for (Row r : {Row{"Sz", "text"}, Row{"NoNul", "bare"}, Row{"Expand", "%TEMP%\\x"}, Row{"One", "1"},
                  Row{"All", "-1"}, Row{"Missing", ""}})
        EXPECT_EQ(RegistryModule::QueryRegString(kCU, key.path(), r.name), r.want) << r.name;
    // A long multi-string reads as its text, without overrunning.
    EXPECT_EQ(RegistryModule::QueryRegString(kCU, key.path(), "Multi"), std::string(4000, 'm'));
    EXPECT_EQ(RegistryModule::QueryRegString(kCU, key / "none", "Sz"), "");
}

// Every type reads as what it holds: the strings of a multi-string (joined by one blank, up to
// the empty string that ends the list), the numbers of a big-endian DWORD and a QWORD.
TEST(QueryRegString, EachTypeReadsForWhatItIs) {
    ScratchKey key;
    struct Row {
        const char* name;
        DWORD type;
        std::string data;
        const char* want;
    };
    auto le64 = [](unsigned long long v) {
        std::string b;
        for (int i = 0; i < 8; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
        return b;
    };
    const Row rows[] = {
        {"multi", REG_MULTI_SZ, "abcd\0efgh\0\0"s, "abcd efgh"},
        {"multi of one string", REG_MULTI_SZ, "one\0\0"s, "one"},
        {"multi without its last NUL", REG_MULTI_SZ, "a\0b"s, "a b"},
        {"multi ends at its empty string", REG_MULTI_SZ, "a\0\0hidden\0\0"s, "a"},
        {"empty multi", REG_MULTI_SZ, "\0"s, ""},
        {"big-endian 7", REG_DWORD_BIG_ENDIAN, "\0\0\0\x07"s, "7"},
        {"big-endian all bits", REG_DWORD_BIG_ENDIAN, "\xFF\xFF\xFF\xFF"s, "-1"},
        {"big-endian 0x01020304", REG_DWORD_BIG_ENDIAN, "\x01\x02\x03\x04"s, "16909060"},
        {"qword 2^32+1", REG_QWORD, le64(0x100000001ULL), "4294967297"},
        {"qword 5", REG_QWORD, le64(5), "5"},
        {"qword all bits", REG_QWORD, le64(~0ULL), "-1"},
        {"dword 7", REG_DWORD, "\x07\0\0\0"s, "7"},
        {"dword all bits", REG_DWORD, "\xFF\xFF\xFF\xFF"s, "-1"},
    };
    for (const Row& r : rows) SetString(kCU, key.path(), r.name, r.data, r.type, /*withNul=*/false);
    for (const Row& r : rows) EXPECT_EQ(RegistryModule::QueryRegString(kCU, key.path(), r.name), r.want) << r.name;
}

// An empty string value, stored with or without its NUL, is an empty text to every reader; only
// a missing value gives the reader's default.
TEST(RegistryReads, AnEmptyStringValueReadsTheSameThroughEveryHelper) {
    ScratchKey key;
    struct Row {
        const char* name;
        DWORD type;
        bool withNul;
    };
    const Row rows[] = {
        {"zero bytes", REG_SZ, false}, {"one NUL", REG_SZ, true}, {"expandable, zero bytes", REG_EXPAND_SZ, false}};
    for (const Row& r : rows) SetString(kCU, key.path(), r.name, "", r.type, r.withNul);
    CRegister reg;
    base::RegKey k = REG32::RegOpenKeyQuery(kCU, key.path());
    ASSERT_TRUE(k);
    for (const Row& r : rows) {
        EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), r.name, "dflt"), "") << r.name;
        EXPECT_EQ(REG32::RegGetString(kCU, key.path(), r.name), std::optional<std::string>("")) << r.name;
        EXPECT_EQ(RegistryModule::QueryRegString(kCU, key.path(), r.name), "") << r.name;
        EXPECT_EQ(REG32::RegGetValueData(k.get(), r.name), "") << r.name;
    }
    EXPECT_EQ(reg.REGGetSetting(kCU, key.path(), "missing", "dflt"), "dflt");
    EXPECT_EQ(REG32::RegGetString(kCU, key.path(), "missing"), std::nullopt);
}

TEST(REG32, GetAndSetStrings) {
    ScratchKey key;
    EXPECT_TRUE(REG32::RegSetString(kCU, key / "New\\Deep", "V", "value"));
    // Written with its terminating NUL, so every reader sees the whole text.
    CRegister reg;
    EXPECT_EQ(reg.REGGetSetting(kCU, key / "New\\Deep", "V", "d"), "value");
    EXPECT_EQ(REG32::RegGetString(kCU, key / "New\\Deep", "V"), std::optional<std::string>("value"));
    SetDword(kCU, key.path(), "Dw", 5);
    SetString(kCU, key.path(), "Ex", "%PATH%", REG_EXPAND_SZ);
    EXPECT_EQ(REG32::RegGetString(kCU, key.path(), "Dw"), std::nullopt);
    EXPECT_EQ(REG32::RegGetString(kCU, key.path(), "Ex"), std::optional<std::string>("%PATH%"));
    EXPECT_EQ(REG32::RegGetString(kCU, key / "missing", "V"), std::nullopt);
    EXPECT_TRUE(REG32::SaveRegValue(kCU, "\\" + key.path() + "\\", "S", "saved"));
    EXPECT_EQ(REG32::RegGetString(kCU, key.path(), "S"), std::optional<std::string>("saved"));
}

TEST(REG32, EnumerationCountsNamesAndData) {
    ScratchKey key;
    for (const char* sub : {"one", "two", "three"}) SetString(kCU, key / sub, "x", "1");
    SetString(kCU, key.path(), " Spaced ", "  padded data  ");
    SetString(kCU, key.path(), "Big", std::string(5000, 'b'));

    gb_uninstallKeys.clear();
    REG32::RegEnumSubKeys(kCU, key.path());
    std::vector<std::string> names = gb_uninstallKeys;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"one", "three", "two"}));
    REG32::RegEnumSubKeys(kCU, key / "missing");
    EXPECT_EQ(gb_uninstallKeys.size(), 3u);

    base::RegKey k = REG32::RegOpenKeyQuery(kCU, key.path());
    ASSERT_TRUE(k);
    EXPECT_FALSE(REG32::RegOpenKeyQuery(kCU, key / "missing"));
    EXPECT_EQ(REG32::RegQueryCount(k.get(), 1), 3);
    EXPECT_EQ(REG32::RegQueryCount(k.get(), 0), 2);
    EXPECT_EQ(REG32::RegQueryCount(k.get(), 2), 0);

    std::vector<std::string> values;
    for (DWORD i = 0; i < 2; ++i) values.push_back(REG32::RegEnumValueName(k.get(), i));
    std::sort(values.begin(), values.end());
    // Names come back trimmed and without NULs, even beside data larger than any fixed area.
    EXPECT_EQ(values, (std::vector<std::string>{"Big", "Spaced"}));
    EXPECT_EQ(REG32::RegEnumValueName(k.get(), 7), "");
    EXPECT_EQ(REG32::RegGetValueData(k.get(), " Spaced "), "padded data");
    EXPECT_EQ(REG32::RegGetValueData(k.get(), "Big"), std::string(5000, 'b'));
    EXPECT_EQ(REG32::RegGetValueData(k.get(), "nothing"), "");
}

TEST(QueryRegString, AFailureIsLoggedWithItsPlaceAndReadsAsNoValue) {
    testing_support::ScopedProgramFolder pf;
    ScratchKey key;
    SetString(kCU, key.path(), "Big", std::string(300000, 'b'));
    g_refuseAbove = 100000;
    const std::string got = RegistryModule::QueryRegString(kCU, key.path(), "Big");
    g_refuseAbove = 0;
    EXPECT_EQ(got, "");
    const std::string log = core_test::ErrorLogText();
    EXPECT_NE(log.find(key.path() + "\\Big, Method: QueryRegString"), std::string::npos) << log;
    EXPECT_EQ(RegistryModule::QueryRegString(kCU, key.path(), "Big"), std::string(300000, 'b'));
}
