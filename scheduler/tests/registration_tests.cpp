// Self-registration through the prefix's regsvr32, and the resources clients and installers read.
#include <gtest/gtest.h>

#include "tests/SchedulerFixture.h"

using namespace vornak_test;

namespace {

const char* const kClassKey = "CLSID\\{6F043C4A-7A8D-41D8-878D-2BBC83686155}";
const char* const kLibraryKey = "TypeLib\\{82737CAC-9BC8-4A67-872C-F3005B20DFC7}";
const char* const kInterfaceKeys[] = {
    "Interface\\{7FB0C1B8-A75B-49EC-B1CC-353DC98EC1BC}",  // _Schedule
    "Interface\\{1B45D581-A5A5-4A0D-8E1B-738D67D2EFF0}",  // _Job
    "Interface\\{2A0533FD-794F-40A1-82BF-68D8A2683462}",  // _Triggers
    "Interface\\{4F1C1673-6ED3-4526-87A2-911595E7230B}",  // _Trigger
};

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A string value under HKCR ("" is the default value); "<missing>" when absent.
std::string ClassesText(const std::string& path, const char* name = "") {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
    return data;
}

std::string Lower(std::string s) {
    CharLowerA(s.data());
    return s;
}

class Registration : public SchedulerTest {};

}  // namespace

TEST_F(Registration, RegsvrWritesTheServerKeysAndTakesThemAway) {
    const std::string interfaceSubKey = std::string(kInterfaceKeys[0]) + "\\TypeLib";
    auto expectRegistered = [&] {
        EXPECT_EQ(ClassesText("TaskScheduler.Schedule\\CLSID"), "{6F043C4A-7A8D-41D8-878D-2BBC83686155}");
        EXPECT_EQ(Lower(ClassesText(std::string(kClassKey) + "\\InprocServer32")), Lower(VornakPath()));
        EXPECT_EQ(ClassesText(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel"), "Apartment");
        EXPECT_EQ(ClassesText(std::string(kClassKey) + "\\ProgID"), "TaskScheduler.Schedule");
        EXPECT_EQ(ClassesText(std::string(kClassKey) + "\\TypeLib"), "{82737CAC-9BC8-4A67-872C-F3005B20DFC7}");
        EXPECT_EQ(
            Lower(ClassesText(std::string(kLibraryKey) + "\\1.0\\0\\" + (sizeof(void*) == 8 ? "win64" : "win32"))),
            Lower(VornakPath()));
        for (const char* key : kInterfaceKeys) EXPECT_TRUE(KeyExists(key)) << key;
        EXPECT_EQ(ClassesText(interfaceSubKey), "{82737CAC-9BC8-4A67-872C-F3005B20DFC7}");
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Schedule));
    };

    // The run's environment registered the server already.
    expectRegistered();

    ASSERT_EQ(RunProgram("regsvr32 /u /s \"" + VornakPath() + "\""), 0);
    for (const std::string& key :
         {std::string(kClassKey), std::string("TaskScheduler.Schedule"), std::string(kLibraryKey)})
        EXPECT_FALSE(KeyExists(key)) << key;
    for (const char* key : kInterfaceKeys) EXPECT_FALSE(KeyExists(key)) << key;
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid), S_OK);

    // Unregistering what is not registered is no failure.
    EXPECT_EQ(RunProgram("regsvr32 /u /s \"" + VornakPath() + "\""), 0);

    ASSERT_EQ(RunProgram("regsvr32 /s \"" + VornakPath() + "\""), 0);
    expectRegistered();
}

TEST_F(Registration, VersionBlockAsksForSelfRegistration) {
    std::string path = VornakPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, sizeof(Translation));
    char query[128];
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\OLESelfRegister", translation->language, translation->codePage);
    void* value = nullptr;
    EXPECT_TRUE(VerQueryValueA(block.data(), query, &value, &length)) << query;
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\NoSuchValue", translation->language, translation->codePage);
    EXPECT_FALSE(VerQueryValueA(block.data(), query, &value, &length)) << "negative control";
}

TEST_F(Registration, ResourcesHoldTheTypeLibraryAndTheInterfaceIds) {
    HMODULE module = LoadLibraryExA(VornakPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), "TYPELIB"), nullptr);
    const struct {
        const char* type;
        const IID* iid;
    } rows[] = {{"_IID_JOB", &IID__Job},
                {"_IID_SCHEDULE", &IID__Schedule},
                {"_IID_TRIGGER", &IID__Trigger},
                {"_IID_TRIGGERS", &IID__Triggers}};
    for (const auto& row : rows) {
        HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), row.type);
        ASSERT_NE(resource, nullptr) << row.type;
        ASSERT_EQ(SizeofResource(module, resource), 20u) << row.type;
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
        ASSERT_NE(data, nullptr);
        DWORD length = 0;
        memcpy(&length, data, 4);
        EXPECT_EQ(length, 16u) << row.type;
        EXPECT_EQ(memcmp(data + 4, row.iid, 16), 0) << row.type;
    }
    FreeLibrary(module);
}
