#pragma once
// Shared fixture of the scanner tests: a temporary program folder, the definitions installed from
// a readable source, the special folders pointed into a temporary tree, and both windows put back
// after every test.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/testing/Testing.h"
#include "scanner/frmScanSpy.h"

// Calls the scanning window's own members for the tests.
struct frmScanSpyTestPeer {
    static void UpdateTrojanList() { frmScanSpy.UpdateTrojanList(); }
    static void UpdateDialersFileList() { frmScanSpy.UpdateDialersFileList(); }
    static void UpdateSpyFolderList() { frmScanSpy.UpdateSpyFolderList(); }
    static void UpdateRegistrySList() { frmScanSpy.UpdateRegistrySList(); }
    static void UpdateRegistryVList() { frmScanSpy.UpdateRegistryVList(); }
    static void UpdateRegistryKList() { frmScanSpy.UpdateRegistryKList(); }
    static void UpdateRegistryKOList() { frmScanSpy.UpdateRegistryKOList(); }
    static void updateRegValueData() { frmScanSpy.updateRegValueData(); }
    static void UpdateCookieList() { frmScanSpy.UpdateCookieList(); }
    static void UpdateHostsList() { frmScanSpy.UpdateHostsList(); }
    static void UpdateSearchByCompanyList() { frmScanSpy.UpdateSearchByCompanyList(); }
    static void UpdateSearchByOriginalFileName() { frmScanSpy.UpdateSearchByOriginalFileName(); }
    static void UpdateSearchByFileChecSum() { frmScanSpy.UpdateSearchByFileChecSum(); }
    static void ScanDrivesForAllFiles() { frmScanSpy.ScanDrivesForAllFiles(); }
    static void removeFromList() { frmScanSpy.removeFromList(); }
    static bool isSpyInResultList(const std::string& k, const std::string& s, const std::string& i) {
        return frmScanSpy.isSpyInResultList(k, s, i);
    }
    static void findFolderInList(const std::string& folder, const std::string& name, const std::string& spy) {
        frmScanSpy.findFolderInList(folder, name, spy);
    }
    static bool findFolderInListExists(const std::string& folder) { return frmScanSpy.findFolderInListExists(folder); }
};

namespace scannertest {

using Row = std::vector<std::string>;  // text, then sub-items 1..n

// The rows of a list as (text, sub-item 1, ..., sub-item `subItems`).
std::vector<Row> Rows(const ui::ListItems& items, int subItems);
// The results list's rows as (kind, spy name, item, replacement, tool tip, tag, checked "1"/"0").
std::vector<Row> Findings();

// Installs a definitions text from readable source lines ("KEY=value", "[SECTION]").
void InstallDefinitions(const std::string& source);
// The error log's text ("" when there is none).
std::string ErrorLog();
// Writes the ignore list with records (kind, item, spy name) enciphered as the program writes them.
void WriteIgnoreList(const std::vector<std::vector<std::string>>& records);

class ScannerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A folder made for one special-folder global (under the test's temporary tree).
    std::string MakeFolder(const std::string& name);
    // Creates a file with some bytes.
    static void MakeFile(const std::string& path, const std::string& bytes = "x");

    testing_support::ScopedProgramFolder program_;
    testing_support::TempFolder tree_;
    std::vector<std::pair<std::string, std::string>> movieVariables_;  // every SetVariable, in order
    std::vector<std::string> pendingCalls_;
};

}  // namespace scannertest
