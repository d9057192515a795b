// The results window, the backup-name dialog and the keep-list, backups and summary panels,
// driven as a user would: scripted answers to every box and dialog, real files and folders in a
// temporary program folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Clock.h"
#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/Statistics.h"
#include "definitions/StringCipher.h"
#include "results/Backups.h"
#include "results/FindingList.h"
#include "results/KeepList.h"
#include "results/RemoveSelected.h"
#include "shell/frmBackup.h"
#include "shell/frmBackupName.h"
#include "shell/frmIgnore.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "shell/frmResultBackup.h"
#include "shell/frmResults.h"

using base::modal::Step;

namespace {

class ResultsWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        for (const char* f : {"alerts.scw", "popup.scw", "Skin\\Corvane.skn"})
            ASSERT_TRUE(CopyFileA((from + "\\" + f).c_str(), (folder / f).c_str(), FALSE)) << f;
        modEncryption::LoadEncryption();
        results::SetRegEditRunner([](const std::string&) { return true; });
        gb_backupPath = folder / "BackUp";
        gb_markChecked = true;
        frmMain.Load();
    }
    void TearDown() override {
        for (ui::Form* f : std::initializer_list<ui::Form*>{&frmResultBackup, &frmBackupName, &frmIgnore, &frmBackup,
                                                            &frmResults, &frmMsgBox, &frmMain})
            f->Unload();
        results::SetRegEditRunner({});
        gb_backupPath.clear();
        gb_markChecked = false;
        gb_scanBusy = false;
        base::modal::ClearScript();
    }
    // The next skinned box: remembers its text and answers.
    void Box(long answer) {
        base::modal::Expect("frmMsgBox", [this, answer](const Step& s) -> long {
            boxes.push_back(s.text);
            return answer;
        });
    }
    void AddFile(const std::string& name, bool checked = true) {
        const std::string path = folder / name;
        base::WriteText(path, "spy");
        results::Finding f;
        f.kind = results::FindingKind::File;
        f.SpyType = "Spy";
        f.spyItem = path;
        f.ItemToolTip = path;
        f.Checked = checked;
        results::Findings().Add(f);
    }
    testing_support::ScopedProgramFolder folder;
    std::vector<std::string> boxes;
};

}  // namespace

TEST_F(ResultsWindowsTest, NothingCheckedWarnsAndCancelChangesNothing) {
    frmResultBackup.Load();
    AddFile("a.exe", false);
    AddFile("b.exe", false);
    for (auto* button : {&frmResultBackup.cmdBackup, &frmResultBackup.cmdExclude, &frmResultBackup.cmdContinue}) {
        Box(1);
        button->Click();
    }
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& b : boxes) EXPECT_EQ(b, "Warning! Nothing selected for removal.");
    results::Findings().Rows()(1).Checked = true;
    for (auto* button : {&frmResultBackup.cmdBackup, &frmResultBackup.cmdExclude, &frmResultBackup.cmdContinue}) {
        Box(2);
        button->Click();
    }
    EXPECT_EQ(boxes[3], "Backup selected items?");
    EXPECT_EQ(boxes[4], "Move all checked items to the Keep List ?");
    EXPECT_EQ(boxes[5], "Remove the selected components from your system?");
    EXPECT_EQ(results::Findings().Count(), 2);
    EXPECT_TRUE(results::Findings().Rows()(1).Checked);
    EXPECT_TRUE(base::FileExists(folder / "a.exe"));
    EXPECT_EQ(base::modal::Pending(), 0u);
}

TEST_F(ResultsWindowsTest, DeleteRemovesTheCheckedAndLowersTheBusyFlag) {
    frmResultBackup.Load();
    AddFile("a.exe");
    AddFile("b.exe", false);
    Box(1);
    frmResultBackup.cmdContinue.Click();
    EXPECT_FALSE(base::FileExists(folder / "a.exe"));
    EXPECT_TRUE(base::FileExists(folder / "b.exe"));
    EXPECT_EQ(results::Findings().Count(), 1);
    EXPECT_FALSE(gb_scanBusy);
    EXPECT_EQ(gb_totalSpyFilesRemoved, 1);
    // The list survives the window: written at unload, read back at load with its check states.
    frmResultBackup.Unload();
    EXPECT_TRUE(base::FileExists(folder / "rslt.qvl"));
    frmResultBackup.Load();
    ASSERT_EQ(results::Findings().Count(), 1);
    EXPECT_EQ(results::Findings().Rows()(1).SubItems(2), folder / "b.exe");
    EXPECT_FALSE(results::Findings().Rows()(1).Checked) << "the user's unchecked row is not checked again by a reload";
    // Close writes the file and tells the main movie.
    DeleteFileA((folder / "rslt.qvl").c_str());
    frmResultBackup.cmdCancel.Click();
    EXPECT_FALSE(frmResultBackup.Loaded());
    EXPECT_TRUE(base::FileExists(folder / "rslt.qvl"));
    EXPECT_EQ(frmMain.flash.GetVariable("_root.scanNow"), "2");
    EXPECT_EQ(gb_totalSpywareFound, 1);
}

TEST_F(ResultsWindowsTest, BackupNameDialogCancelMakesNoBackup) {
    frmResultBackup.Load();
    AddFile("a.exe");
    Box(1);
    base::modal::Expect("frmBackupName", [](const Step&) -> long { return 2; });
    frmResultBackup.cmdBackup.Click();
    std::vector<results::BackupRow> rows;
    results::FillBackupList(gb_backupPath, false, 10, base::Now(), rows);
    EXPECT_TRUE(rows.empty()) << "Cancel made a backup";
    EXPECT_EQ(boxes.size(), 1u) << "no success message after Cancel";

    Box(1);
    base::modal::Expect("frmBackupName", [](const Step&) -> long {
        frmBackupName.flash.SetVariable("_root.backup_txt.text", "my backup");
        return 1;
    });
    Box(1);
    frmResultBackup.cmdBackup.Click();
    EXPECT_TRUE(base::FileExists(gb_backupPath + "\\my-backup\\backup.cva"));
    EXPECT_EQ(boxes.back(), "The backup has been created successfully.");
    EXPECT_TRUE(base::FileExists(folder / "a.exe")) << "a backup removes nothing";
}

TEST_F(ResultsWindowsTest, KeepMovesCheckedRowsAndTheKeepListPanelTakesThemOut) {
    frmResultBackup.Load();
    for (int i = 0; i < 10; ++i) AddFile("f" + std::to_string(i) + ".exe", i % 3 == 0 && i);
    Box(1);
    frmResultBackup.cmdExclude.Click();
    EXPECT_EQ(results::Findings().Count(), 7);
    EXPECT_EQ(frmResultBackup.lblCount.Caption(), "7: Components found");

    frmIgnore.Load();
    ASSERT_EQ(frmIgnore.Records().size(), 3u);
    EXPECT_TRUE(frmIgnore.CmdRemove.Enabled());
    frmIgnore.addIgnoreListToFlash();
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfIgnoreList"), "3");
    const std::string s = frmMain.flash.GetVariable("_root.IgnoreListString");
    EXPECT_EQ(std::count(s.begin(), s.end(), '|'), 9);
    EXPECT_EQ(s.rfind("MALWARE FILE|Spy|", 0), 0u);
    frmIgnore.removeIgnoreList("0,x,2");
    ASSERT_EQ(frmIgnore.Records().size(), 1u);
    EXPECT_EQ(frmIgnore.Records()[0].kind, "Malware File");  // stored as read, shown upper-cased
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfIgnoreList"), "1");
    frmIgnore.setAllChecked(true);
    frmIgnore.CmdRemove_Click();
    EXPECT_FALSE(base::FileExists(folder / "ignorelist.ign"));
    EXPECT_FALSE(frmIgnore.CmdRemove.Enabled());
}

TEST_F(ResultsWindowsTest, BackupsPanelListsRestoresAndDeletes) {
    frmBackup.Load();
    frmBackup.FillBackupList();
    frmBackup.addBackupListInFlash();
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfBackup"), "0");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.BackupString"), "");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.BackupListener"), "1");
    EXPECT_FALSE(frmBackup.cmdRestore.Enabled());

    frmResultBackup.Load();
    AddFile("a.exe");
    Box(1);
    base::modal::Expect("frmBackupName", [](const Step&) -> long {
        frmBackupName.flash.SetVariable("_root.backup_txt.text", "one");
        return 1;
    });
    Box(1);
    frmResultBackup.cmdBackup.Click();
    base::WriteText(folder / "a.exe", "changed");
    base::WriteText(gb_backupPath + "\\stray.txt", "not a backup");

    frmBackup.FillBackupList();
    ASSERT_EQ(frmBackup.BackupList.CellText(0, 1), "one");
    Box(1);
    frmBackup.RestoreBackup("0");
    EXPECT_EQ(base::ReadWhole(folder / "a.exe"), "spy");
    EXPECT_EQ(boxes.back(), "The backup has been restored successfully.");
    Box(1);
    frmBackup.DeleteBackup("0");
    EXPECT_EQ(boxes.back(), "Delete this backup?");
    EXPECT_FALSE(base::FolderExists(gb_backupPath + "\\one"));
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfBackup"), "0");
    EXPECT_TRUE(base::FileExists(gb_backupPath + "\\stray.txt"));
}

TEST_F(ResultsWindowsTest, SummaryShowsTheFiguresAndSavesTheLog) {
    gb_totalSpyFilesRemoved = 3, gb_totalSpyFoldersRemoved = 1, gb_totalSpyRegistryKeysRemoved = 2;
    gb_totalSpyCookiesRemoved = 0, gb_totalSpyMemProcessRemoved = 4, gb_totalSpywareFound = 12;
    base::WriteText(folder / "scan.log", "scan line");
    gb_logFileName = folder / "scan.log";
    frmResults.Load();
    frmResults.setValuestoflash();
    const std::pair<const char*, const char*> want[] = {{"_root.MMPKS", "4"}, {"_root.MRKRS", "2"},
                                                        {"_root.MCRS", "0"},  {"_root.MFRS", "3"},
                                                        {"_root.RMFRS", "1"}, {"_root.TMF", "12"}};
    for (const auto& [var, value] : want) EXPECT_EQ(frmMain.flash.GetVariable(var), value) << var;
    EXPECT_NE(frmMain.flash.GetVariable("_root.ScanLogText").find("scan line"), std::string::npos);
    EXPECT_TRUE(frmResults.frameResults0.Visible());
    EXPECT_FALSE(frmResults.frameResults1.Visible());
    frmResults.tabResults2.Click();
    EXPECT_FALSE(frmResults.frameResults0.Visible());
    EXPECT_TRUE(frmResults.frameResults1.Visible());

    const std::string out = folder / "saved.txt";
    base::WriteText(out, "old content that is longer");
    base::modal::Expect("GetSaveFileName", [&](const Step&) -> long {
        frmResults.dialogFileName = out;
        return 1;
    });
    frmResults.saveScanLog();
    EXPECT_EQ(base::ReadWhole(out), frmResults.txtLog.Text() + "\r\n");
    base::modal::Expect("GetSaveFileName", [](const Step&) -> long { return 0; });
    base::WriteText(out, "kept");
    frmResults.saveScanLog();
    EXPECT_EQ(base::ReadWhole(out), "kept");
    gb_logFileName.clear();
    gb_totalSpyFilesRemoved = gb_totalSpyFoldersRemoved = gb_totalSpyRegistryKeysRemoved = 0;
    gb_totalSpyMemProcessRemoved = gb_totalSpywareFound = 0;
}
