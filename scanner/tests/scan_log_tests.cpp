// The scan log's sections, byte for byte, from findings and process rows of the test's own.
#include <gtest/gtest.h>

#include "base/TextFile.h"
#include "core/Globals.h"
#include "results/FindingList.h"
#include "scanner/ScanLog.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;

namespace {

class ScanLogTest : public ScannerTest {
protected:
    void SetUp() override {
        ScannerTest::SetUp();
        gb_scanLogFile = program_ / "logs\\ScanLog10-12-26_2.log";
    }
    void Add(const std::string& kind, const std::string& spyType, const std::string& item,
             const std::string& toolTip = "", const std::string& tag = "") {
        results::Finding f;
        f.SpyType = spyType;
        f.spyItem = item;
        f.ItemToolTip = toolTip;
        f.ItemTag = tag;
        results::Findings().AddRow(kind, f);
    }
};

TEST_F(ScanLogTest, RulesHaveTheirExactLengths) {
    EXPECT_EQ("=*=*=*=*=*=*=*=*=*=*=", scanlog::Rule(21));
    EXPECT_EQ("=*=*=*=*=*=*=*=*=*=*=*=*=", scanlog::Rule(25));
    EXPECT_EQ(60u, scanlog::Rule(60).size());
    EXPECT_EQ('*', scanlog::Rule(60).back());
    EXPECT_EQ('=', scanlog::Rule(49).back());
}

TEST_F(ScanLogTest, RegistrySectionInTheRegistryEditorsForm) {
    Add("Malware RegKey", "Trojan.Sample", "HKEY_LOCAL_MACHINE\\Software\\Bad", "HKEY_LOCAL_MACHINE\\Software\\Bad");
    Add("malware regvalue", "Adware.Sample", "a\\b", "HKEY_CURRENT_USER\\Software\\Run", "\"c:\\\\x.exe\"");
    Add("Malware File", "Other", "C:\\x.exe");
    Engine().counters.RegCount = 2;
    EXPECT_EQ(
        "\r\nregistry scan Started\r\n=*=*=*=*=*=*=*=*=*=*=\r\n"
        "Registry Key Type = Trojan.Sample:\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Bad]\r\n\r\n"
        "Registry Key Value Type = Adware.Sample:\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n"
        "\"a\\\\b\"=\"c:\\\\x.exe\"\r\n\r\n"
        "\r\nRegistry scan result:\r\nInfected keys found :2\r\nScan finished\r\n",
        scanlog::RegistrySection(Engine()));
}

TEST_F(ScanLogTest, MemorySectionIndentsByTheRowNumbersDigits) {
    for (int i = 1; i <= 10; ++i) {
        base::ListItem& row = Engine().Tasklist.ListItems.Add(tree_.path() + "\\gone" + std::to_string(i) + ".exe");
        row.SubItems(1) = std::to_string(100 + i);
        row.SubItems(2) = "Normal";
    }
    testing_support::ScopedClock clock(testing_support::MakeTime(2026, 12, 10, 10, 30, 0));
    const std::string s = scanlog::MemorySection(Engine());
    EXPECT_NE(std::string::npos, s.find("#:9 (gone9.exe)\r\n    Path:" + tree_.path() +
                                        "\\gone9.exe\r\n    BasePriority:Normal\r\n\r\n\r\n"));
    EXPECT_NE(std::string::npos, s.find("#:10 (gone10.exe)\r\n     Path:"));
    EXPECT_NE(std::string::npos,
              s.find("Memory scan result:\r\nTotal modules found:10\r\nInfected modules found:0\r\nScan finished\r\n"));
    EXPECT_EQ(0u, s.find("Scanning initialized on "));
}

TEST_F(ScanLogTest, DriveSectionCountsTheFilesItLists) {
    const std::string file = tree_ / "bad.dll";
    MakeFile(file, std::string(3000, 'x'));
    Add("Malware Folder", "Spy", tree_ / "badfolder");
    Add("Malware File", "Spy", file);
    Add("Tracking Cookie", "Cookie", tree_ / "gone.txt");
    Add("Bad Hosts Entry", "Hosts", "ads.example");
    Engine().counters.FolderCount = 1;
    Engine().counters.FileCount = 3;  // file, cookie and hosts entry together
    const std::string s = scanlog::DriveSection(Engine());
    EXPECT_NE(std::string::npos, s.find("=*=*=*=*=*=*=*=*=*=*=*=*=*=*=\r\nSpy folder:" + tree_.path() +
                                        "\\badfolder\r\n"
                                        "Folder scan result:\r\nInfected folders  found:1\r\n"));
    EXPECT_NE(std::string::npos, s.find("Spy file:" + file + "\r\n\tFileSize :2 kb\r\n\tLast accessed  :"));
    // The vanished cookie loses its size and date lines only; no earlier row's version texts.
    EXPECT_NE(std::string::npos,
              s.find("Cookie file:" + tree_.path() + "\\gone.txt\r\n\tBuild :\r\n\tOS :-\r\n\r\n\r\n"));
    EXPECT_NE(std::string::npos, s.find("File scan result:\r\nSuspicious files found:2\r\nScan finished\r\n"));
}

TEST_F(ScanLogTest, TwoScansShareOneFileAndAFailedWriteKeepsWhatWasWritten) {
    Engine().counters.RegCount = 1;
    scanlog::CreateRegistryScanLogFile(Engine());
    scanlog::FinishScan(Engine());
    scanlog::CreateRegistryScanLogFile(Engine());
    scanlog::FinishScan(Engine());
    const std::string both = base::ReadWhole(gb_scanLogFile);
    const std::string one = scanlog::RegistrySection(Engine()) + scanlog::SummarySection(Engine());
    EXPECT_EQ(one + one, both);
    EXPECT_EQ(gb_scanLogFile, gb_logFileName);

    // The file locked against writing: the write is logged, the file keeps both scans.
    HANDLE h = CreateFileA(gb_scanLogFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_FALSE(scanlog::AppendToLog("more", "CreateCookieScanLogFile"));
    CloseHandle(h);
    EXPECT_EQ(both, base::ReadWhole(gb_scanLogFile));
    EXPECT_NE(std::string::npos, ErrorLog().find("CreateCookieScanLogFile"));
}

TEST_F(ScanLogTest, SummaryClosesWithTheSystemBlock) {
    testing_support::ScopedClock clock(testing_support::MakeTime(2026, 12, 10, 10, 30, 0));
    Engine().counters.FileCount = 2;
    Engine().counters.ProcCount = 1;
    const std::string s = scanlog::SummarySection(Engine());
    const std::string r60 = scanlog::Rule(60);
    EXPECT_EQ(0u, s.find("\r\n\r\n" + r60 + "\r\nTotal malware components found : 3\r\n" + r60 +
                         "\r\n\r\nScan completed on "));
    EXPECT_NE(std::string::npos, s.find("\r\nFinish\r\n\r\n\r\n" + r60 + "\r\nApplication Version: "));
    EXPECT_NE(std::string::npos, s.find("\r\nIs Windows Me: False\r\n\r\n\r\n" + r60 + "\r\n"));
}

}  // namespace
