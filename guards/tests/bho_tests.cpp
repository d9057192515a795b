// Browser helper objects on the real Browser Helper Objects key and class registrations of the
// prefix, with a module that carries a version resource. Everything planted is taken away and
// the files the manager writes are put back.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <map>
#include <optional>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "guards/Bho.h"
#include "guards/Places.h"

namespace {

using guards::BhoList;
using guards::BHOProfile;

std::string ModulePath() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string s = self;
    s = s.substr(0, s.rfind('\\'));
    return s.substr(0, s.rfind('\\')) + "\\core\\core_test_helper.exe";
}

std::string NewGuid() {
    GUID g;
    CoCreateGuid(&g);
    char buf[40];
    snprintf(buf, sizeof buf, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
             g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::string BhoKey(const std::string& clsid) { return std::string(guards::kBhoKey) + "\\" + clsid; }
std::string ClassKey(const std::string& clsid) { return "CLSID\\" + clsid; }

class HelperObjects : public ::testing::Test {
protected:
    void SetUp() override {
        disabled_ = {guards::BhoDisabledFile(), {}};
        removed_ = {guards::BhoRemovedFile(), {}};
        for (auto* f : {&disabled_, &removed_}) {
            if (base::FileExists(f->first)) f->second = base::ReadWhole(f->first);
            DeleteFileA(f->first.c_str());
        }
        module_ = ModulePath();
        ASSERT_TRUE(base::FileExists(module_)) << module_;
    }
    void TearDown() override {
        for (const auto& c : planted_) {
            guards::DeleteKeyTree(HKEY_LOCAL_MACHINE, BhoKey(c));
            guards::DeleteKeyTree(HKEY_CLASSES_ROOT, ClassKey(c));
        }
        for (auto* f : {&disabled_, &removed_}) {
            if (f->second)
                base::WriteText(f->first, *f->second);
            else
                DeleteFileA(f->first.c_str());
        }
    }
    // A helper object: its BHO key with a name and an extra value, and (unless told otherwise)
    // a class key with InprocServer32 naming `module`.
    std::string Plant(const std::string& name, std::optional<std::string> module, bool classKey = true,
                      bool inproc = true) {
        std::string clsid = NewGuid();
        planted_.push_back(clsid);
        EXPECT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, BhoKey(clsid), "", {REG_SZ, name + '\0'}));
        EXPECT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, BhoKey(clsid), "NoExplorer",
                                          {REG_DWORD, std::string("\x01\0\0\0", 4)}));
        if (classKey) {
            EXPECT_TRUE(
                guards::WriteRawValue(HKEY_CLASSES_ROOT, ClassKey(clsid), "", {REG_SZ, name + " Class" + '\0'}));
            if (inproc) {
                std::string key = ClassKey(clsid) + "\\InprocServer32";
                EXPECT_TRUE(guards::WriteRawValue(HKEY_CLASSES_ROOT, key, "", {REG_SZ, module.value_or("") + '\0'}));
                EXPECT_TRUE(guards::WriteRawValue(HKEY_CLASSES_ROOT, key, "ThreadingModel",
                                                  {REG_SZ, std::string("Apartment\0", 10)}));
            }
            EXPECT_TRUE(guards::WriteRawValue(HKEY_CLASSES_ROOT, ClassKey(clsid) + "\\ProgID", "",
                                              {REG_SZ, std::string("x.y\0", 4)}));
        }
        return clsid;
    }
    static size_t Index(const BhoList& list, const std::string& clsid) {
        for (size_t i = 0; i < list.Rows().size(); ++i)
            if (list.Rows()[i].clsid == clsid) return i;
        return SIZE_MAX;
    }
    std::pair<std::string, std::optional<std::string>> disabled_, removed_;
    std::vector<std::string> planted_;
    std::string module_;
};

TEST_F(HelperObjects, ListStatesNamesAndDetails) {
    std::string sound = Plant("Sound Helper", module_);
    std::string noClass = Plant("No Class", std::nullopt, false);
    std::string noInproc = Plant("No Inproc", std::nullopt, true, false);
    std::string emptyPath = Plant("Empty Path", std::string());
    std::string gone = Plant("ab", std::string("C:\\no\\such\\module.dll"));
    auto rows = guards::SetBHOIntoList();
    auto row = [&](const std::string& clsid) {
        auto it = std::find_if(rows.begin(), rows.end(), [&](const BHOProfile& r) { return r.clsid == clsid; });
        EXPECT_NE(it, rows.end());
        return it == rows.end() ? BHOProfile{} : *it;
    };
    BHOProfile s = row(sound);
    EXPECT_EQ(s.name, "Sound Helper");
    EXPECT_EQ(s.state, "Enabled");
    EXPECT_EQ(s.description, "Core test helper");
    EXPECT_EQ(s.version, "1.2.3.4");
    EXPECT_EQ(s.path, module_);
    EXPECT_EQ(row(noClass).description, "BHO is not Registred");
    EXPECT_EQ(row(noInproc).description, "BHO Module is registred but not correctly implemented");
    EXPECT_EQ(row(emptyPath).description, "BHO Module is not found");
    BHOProfile g = row(gone);
    EXPECT_EQ(g.state, "ERROR");
    EXPECT_EQ(g.description, "Path Exist but Module not found");
    EXPECT_EQ(g.name, "UnKnown");  // two characters
    EXPECT_EQ(g.path, "C:\\no\\such\\module.dll");

    auto details = guards::BhoDetailsText(s);
    EXPECT_FALSE(details.moduleMissing);
    EXPECT_EQ(
        details.text,
        "Comments: \r\n Descriptioton: Core test helper\r\nInternal Name: helper\r\nVersion: 1.2.3.4\r\n"
        "Company: Corvane Test Makers\r\nProduct Name: Corvane tests\r\nOriginal FIleName: core_test_helper.exe\r\n"
        "Copy right: none");
    auto missing = guards::BhoDetailsText(row(noClass));
    EXPECT_TRUE(missing.moduleMissing);
    EXPECT_EQ(missing.text.substr(0, 20), "Module does not Exis");
}

TEST_F(HelperObjects, DisableRestartEnableKeepsTheRegistrationIntact) {
    std::string clsid = Plant("Sound Helper", module_);
    auto bhoBefore = guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(clsid));
    auto classBefore = guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, ClassKey(clsid));
    BhoList list;
    list.Load();
    size_t i = Index(list, clsid);
    ASSERT_NE(i, SIZE_MAX);
    list.Toggle(i);
    auto report = list.Apply();
    EXPECT_TRUE(report.failures.empty());
    EXPECT_TRUE(report.notice);
    EXPECT_FALSE(guards::KeyExists(HKEY_LOCAL_MACHINE, BhoKey(clsid)));
    EXPECT_EQ(guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, ClassKey(clsid)), classBefore);
    // The file holds the record: path on line 5, CLSID on line 6.
    auto lines = guards::SplitRecordLines(base::ReadWhole(guards::BhoDisabledFile()));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[1], "Disabled");
    EXPECT_EQ(lines[4], module_);
    EXPECT_EQ(lines[5], clsid);

    BhoList again;  // the next run
    again.Load();
    i = Index(again, clsid);
    ASSERT_NE(i, SIZE_MAX);
    EXPECT_EQ(again.Rows()[i].state, "Disabled");
    EXPECT_EQ(again.Rows()[i].version, "1.2.3.4");
    again.Toggle(i);
    EXPECT_TRUE(again.Apply().failures.empty());
    EXPECT_EQ(guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(clsid)), bhoBefore);  // NoExplorer too
    EXPECT_FALSE(base::FileExists(guards::BhoDisabledFile()));
}

TEST_F(HelperObjects, RemoveTakesBothKeysAndRestoreBringsThemBackExactly) {
    std::string clsid = Plant("Remove Me", module_);
    auto bhoBefore = guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(clsid));
    auto classBefore = guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, ClassKey(clsid));
    BhoList list;
    list.Load();
    size_t n = list.Rows().size();
    list.MarkRemove(Index(list, clsid));
    EXPECT_TRUE(list.Apply().failures.empty());
    EXPECT_EQ(list.Rows().size(), n - 1);
    EXPECT_EQ(Index(list, clsid), SIZE_MAX);
    EXPECT_FALSE(guards::KeyExists(HKEY_LOCAL_MACHINE, BhoKey(clsid)));
    EXPECT_FALSE(guards::KeyExists(HKEY_CLASSES_ROOT, ClassKey(clsid)));
    auto removed = guards::RemovedBhos();
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].clsid, clsid);
    ASSERT_TRUE(guards::RestoreRemovedBho(clsid).ok);
    EXPECT_EQ(guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(clsid)), bhoBefore);
    EXPECT_EQ(guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, ClassKey(clsid)), classBefore);
    EXPECT_TRUE(guards::RemovedBhos().empty());
}

TEST_F(HelperObjects, RestoreRemovedBringsBackEveryRemovedObjectIntoTheList) {
    // One removed straight away, one disabled in an earlier run and removed from its
    // Disabled row: its BHO key comes back from the disable's copy.
    const std::string plain = Plant("Plain Removed", module_), wasDisabled = Plant("Disabled Then Removed", module_);
    std::map<std::string, std::pair<std::optional<std::string>, std::optional<std::string>>> before;
    for (const auto& c : {plain, wasDisabled})
        before[c] = {guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(c)),
                     guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, ClassKey(c))};
    BhoList first;
    first.Load();
    first.Toggle(Index(first, wasDisabled));
    ASSERT_TRUE(first.Apply().failures.empty());
    BhoList list;
    list.Load();
    ASSERT_EQ(list.Rows()[Index(list, wasDisabled)].state, "Disabled");
    list.MarkRemove(Index(list, plain));
    list.MarkRemove(Index(list, wasDisabled));
    ASSERT_TRUE(list.Apply().failures.empty());
    ASSERT_EQ(guards::RemovedBhos().size(), 2u);
    const size_t n = list.Rows().size();

    EXPECT_TRUE(list.RestoreRemoved().failures.empty());
    for (const auto& c : {plain, wasDisabled}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(c)), before[c].first);
        EXPECT_EQ(guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, ClassKey(c)), before[c].second);
        const size_t i = Index(list, c);
        ASSERT_NE(i, SIZE_MAX);
        EXPECT_EQ(list.Rows()[i].state, "Enabled");
        EXPECT_EQ(list.Rows()[i].version, "1.2.3.4");
    }
    EXPECT_EQ(list.Rows().size(), n + 2);
    EXPECT_TRUE(guards::RemovedBhos().empty());
    // They are in the snapshot too: an Apply now has nothing to do, a second restore neither.
    EXPECT_TRUE(list.Apply().failures.empty());
    EXPECT_TRUE(guards::KeyExists(HKEY_LOCAL_MACHINE, BhoKey(plain)));
    EXPECT_TRUE(list.RestoreRemoved().failures.empty());
    EXPECT_EQ(list.Rows().size(), n + 2);
}

TEST_F(HelperObjects, ADisabledObjectALoadedConfigurationLeavesOutStaysRecorded) {
    const std::string off = Plant("Switched Off", module_), other = Plant("Other", module_);
    const auto bhoBefore = guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(off));
    BhoList list;
    list.Load();
    std::vector<BHOProfile> configuration = list.Rows();  // saved before the object was disabled
    std::erase_if(configuration, [&](const BHOProfile& r) { return r.clsid == off; });
    list.Toggle(Index(list, off));
    ASSERT_TRUE(list.Apply().failures.empty());
    ASSERT_FALSE(guards::KeyExists(HKEY_LOCAL_MACHINE, BhoKey(off)));

    list.ReplaceRows(configuration);
    EXPECT_TRUE(list.Apply().failures.empty());
    auto kept = guards::LoadBHOListFile(guards::BhoDisabledFile());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].clsid, off);

    BhoList again;  // the next run lists it and puts its key back exactly
    again.Load();
    const size_t i = Index(again, off);
    ASSERT_NE(i, SIZE_MAX);
    EXPECT_EQ(again.Rows()[i].state, "Disabled");
    again.Toggle(i);
    EXPECT_TRUE(again.Apply().failures.empty());
    EXPECT_EQ(guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKey(off)), bhoBefore);
    EXPECT_TRUE(guards::KeyExists(HKEY_LOCAL_MACHINE, BhoKey(other)));
}

TEST_F(HelperObjects, ApplyTouchesOnlyChangedRowsAndNeverABadClsid) {
    std::string shortName = Plant("ab", module_);  // listed as UnKnown
    std::string other = Plant("Other", module_);
    BhoList list;
    list.Load();
    EXPECT_TRUE(list.Apply().failures.empty());
    EXPECT_EQ(guards::ValueText(*guards::ReadRawValue(HKEY_LOCAL_MACHINE, BhoKey(shortName), "")), "ab");
    // A row with an empty or malformed CLSID (a cut file, a hostile configuration) is refused.
    std::vector<BHOProfile> rows = list.Rows();
    for (const char* bad : {"", "CLSID", "{not-a-guid}"}) rows.push_back({"Bad", "Remove", "", "", "", bad, {}});
    for (auto& r : rows)
        if (r.clsid == other) r.state = "Disabled";
    list.ReplaceRows(rows);
    auto report = list.Apply();
    EXPECT_TRUE(report.failures.empty());  // rows the list never read are not acted on
    for (const char* bad : {"", "CLSID", "{not-a-guid}", "{11111111-2222-3333-4444-55555555555}\\.."}) {
        BHOProfile r{"Bad", "Remove", "", "", "", bad, {}};
        EXPECT_FALSE(guards::RemoveBho(r).ok) << bad;
        EXPECT_FALSE(guards::DisableBho(r).ok) << bad;
        EXPECT_FALSE(guards::EnableBho(r).ok) << bad;
    }
    EXPECT_TRUE(guards::KeyExists(HKEY_LOCAL_MACHINE, guards::kBhoKey));
    EXPECT_TRUE(guards::KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(guards::KeyExists(HKEY_LOCAL_MACHINE, BhoKey(shortName)));
    EXPECT_FALSE(guards::KeyExists(HKEY_LOCAL_MACHINE, BhoKey(other)));  // the good row went ahead
    EXPECT_TRUE(guards::KeyExists(HKEY_CLASSES_ROOT, ClassKey(other)));
}

TEST_F(HelperObjects, TogglesFollowTheirRules) {
    BhoList list;
    std::vector<BHOProfile> rows = {{"a", "Enabled", "", "", "", NewGuid(), {}},
                                    {"b", "ERROR", "", "", "", NewGuid(), {}},
                                    {"c", "Remove", "", "", "", NewGuid(), {}}};
    list.ReplaceRows(rows);
    for (size_t i = 0; i < 3; ++i) list.Toggle(i);
    EXPECT_EQ(list.Rows()[0].state, "Disabled");
    EXPECT_EQ(list.Rows()[1].state, "Disabled");
    EXPECT_EQ(list.Rows()[2].state, "Enabled");
}

TEST_F(HelperObjects, ConfigurationsRoundTripAndKeepTheirNamesApart) {
    testing_support::ScopedProgramFolder folder;
    std::vector<BHOProfile> rows = {
        {"Name, with \"quotes\"", "Disabled", "two\r\nlines", "1.0.0.0", "C:\\m.dll", NewGuid(), {}},
        {"", "ERROR", "", "", "", NewGuid(), {}}};
    EXPECT_EQ(guards::SaveBhoConfiguration("", rows), guards::ConfigSave::EmptyName);
    EXPECT_EQ(guards::SaveBhoConfiguration("a", rows), guards::ConfigSave::Saved);
    std::string before = base::ReadWhole(guards::BhoConfigFile());
    EXPECT_EQ(guards::SaveBhoConfiguration("a", rows), guards::ConfigSave::NameExists);
    EXPECT_EQ(base::ReadWhole(guards::BhoConfigFile()), before);
    EXPECT_EQ(guards::SaveBhoConfiguration("A", {rows[1]}), guards::ConfigSave::Saved);
    EXPECT_EQ(guards::SaveBhoConfiguration("empty", {}), guards::ConfigSave::Saved);
    EXPECT_EQ(guards::BhoConfigurationNames(), (std::vector<std::string>{"a", "A"}));
    auto back = guards::LoadBhoConfiguration("a");
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ((*back)[i].name, rows[i].name);
        EXPECT_EQ((*back)[i].state, rows[i].state);
        EXPECT_EQ((*back)[i].description, rows[i].description);
        EXPECT_EQ((*back)[i].path, rows[i].path);
        EXPECT_EQ((*back)[i].clsid, rows[i].clsid);
    }
    EXPECT_EQ(guards::LoadBhoConfiguration("A")->size(), 1u);
    EXPECT_FALSE(guards::LoadBhoConfiguration("missing"));
    // The file's layout: seven lines a record, CLSID before the path.
    auto lines = guards::SplitRecordLines(before);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[5], rows[0].clsid);
    EXPECT_EQ(lines[6], "C:\\m.dll");
    // A file cut inside a record still reads, and a first line that is empty offers nothing.
    base::WriteText(guards::BhoConfigFile(), "x\r\nname\r\nEnabled\r\n");
    EXPECT_EQ(guards::BhoConfigurationNames(), std::vector<std::string>{"x"});
    base::WriteText(guards::BhoConfigFile(), "\r\n" + before);
    EXPECT_TRUE(guards::BhoConfigurationNames().empty());
}

}  // namespace
