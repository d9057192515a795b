// The results window, the backup-name dialog and the keep-list, backups and summary panels,
// driven as a user would: scripted answers to every box and dialog, real files and folders in a
// temporary program folder.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

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
#include "shell/frmMenu.h"
#include "shell/frmMsgBox.h"
#include "shell/frmResultBackup.h"
#include "shell/frmResults.h"
#include "shell/modMainWindows.h"

using base::modal::Step;

namespace {

class ResultsWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        for (const char* f : {"alerts.scw", "popup.scw", "Skin\\Corvane.skn", "Skin\\Remove.skn"})
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

// The keep-list and backups panels give the main window's frame back to the home page as they
// unload; the backups panel also ends the main movie's progress.
TEST_F(ResultsWindowsTest, KeepListAndBackupsPanelsLeaveTheHomePageBehind) {
    ASSERT_TRUE(
        CopyFileA((testing_support::ProgramDir() + "\\corvane.scw").c_str(), (folder / "corvane.scw").c_str(), FALSE));
    frmMain.flash.LoadMovie(0, folder / "corvane.scw");
    struct Case {
        ui::Form* panel;
        bool endsProgress;
    };
    for (const Case& c : {Case{&frmIgnore, false}, Case{&frmBackup, true}}) {
        c.panel->Load();
        frmMain.ShowPanel(*c.panel);
        ASSERT_EQ(frmMain.PanelShown(), c.panel);
        frmMain.flash.SetVariable("_root.progress", "");
        c.panel->Unload();
        EXPECT_EQ(frmMain.PanelShown(), &frmMenu) << c.panel->Name();
        EXPECT_EQ(frmMain.flash.GetVariable("_root.progress") == "done", c.endsProgress) << c.panel->Name();
    }
    frmMenu.Unload();
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

namespace {

results::Finding Row(results::FindingKind kind, const std::string& spy, const std::string& item) {
    results::Finding f;
    f.kind = kind;
    f.SpyType = spy;
    f.spyItem = item;
    f.Checked = false;
    return f;
}

// The user's right click on row `index` (1-based) of the results list: the mouse, as the list
// view sees it (a press and its release), or the menu key with the row selected.
void RightClickRow(int index, bool withMouse) {
    HWND list = frmResultBackup.SpyListView.hWnd();
    frmResultBackup.SpyListView.Select(index);
    if (!withMouse) {
        SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
        return;
    }
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    PostMessageA(list, WM_RBUTTONUP, 0, at);
    SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, at);
}

// A click on the header of `column` (1-based).
void ClickColumn(int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(frmResultBackup.SpyListView.hWnd(), LVM_GETHEADER, 0, 0));
    RECT r{};
    SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column - 1), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
}

std::vector<std::string> Column(int column) {
    std::vector<std::string> shown;
    for (int i = 0; i < results::Findings().Count(); ++i)
        shown.push_back(frmResultBackup.SpyListView.CellText(i, column - 1));
    return shown;
}

}  // namespace

TEST_F(ResultsWindowsTest, RightClickMenuChecksUnchecksAndShowsProperties) {
    using results::FindingKind;
    frmResultBackup.Show();
    results::Findings().Add(Row(FindingKind::File, "Spy", "C:\\spy\\a.exe"));
    results::Findings().Add(Row(FindingKind::Folder, "Spy", "C:\\spy"));
    results::Findings().Add(Row(FindingKind::Cookie, "Spy", "C:\\cookies\\user@ads.txt"));
    results::Findings().Add(Row(FindingKind::RegKey, "Spy", "Software\\Spy"));
    results::Findings().Add(Row(FindingKind::Process, "Spy", "C:\\spy\\run.exe"));
    const int n = results::Findings().Count();
    auto checkedCount = [] {
        int c = 0;
        for (int i = 1; i <= results::Findings().Count(); ++i) c += results::Findings().Rows()(i).Checked;
        return c;
    };

    base::modal::Expect("mnuSpyScan", frmResultBackup.kMenuCheckAll);
    RightClickRow(2, true);
    EXPECT_EQ(base::modal::Pending(), 0u) << "the right button opens the menu";
    EXPECT_EQ(checkedCount(), n);
    base::modal::Expect("mnuSpyScan", frmResultBackup.kMenuUncheckAll);
    RightClickRow(1, false);
    EXPECT_EQ(checkedCount(), 0);
    base::modal::Expect("mnuSpyScan", frmResultBackup.kMenuNone);  // dismissed: nothing changes
    RightClickRow(1, false);
    EXPECT_EQ(checkedCount(), 0);

    // Properties: the file, folder and cookie rows' item; none for the others.
    std::vector<std::string> shown;
    modMainWindows::SetShellExecuteExForTest([&](SHELLEXECUTEINFOA* info) {
        shown.push_back(std::string(info->lpVerb) + " " + info->lpFile);
        return TRUE;
    });
    for (int i = 1; i <= n; ++i) {
        base::modal::Expect("mnuSpyScan", frmResultBackup.kMenuShowProperties);
        RightClickRow(i, false);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"properties C:\\spy\\a.exe", "properties C:\\spy",
                                               "properties C:\\cookies\\user@ads.txt"}));

    // The shell refuses: the error log says so, under the menu's name.
    modMainWindows::SetShellExecuteExForTest([](SHELLEXECUTEINFOA*) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    });
    base::modal::Expect("mnuSpyScan", frmResultBackup.kMenuShowProperties);
    RightClickRow(1, false);
    modMainWindows::SetShellExecuteExForTest(nullptr);
    const std::string log = base::ReadWhole(folder / "logs\\errorlog.txt");
    EXPECT_NE(log.find("Error Number: 2, Method: mnuShowProperties - Scan Spy"), std::string::npos) << log;
    EXPECT_EQ(base::modal::Pending(), 0u);
}

TEST_F(ResultsWindowsTest, ColumnClicksSortTheListAndFlipTheOrder) {
    using results::FindingKind;
    frmResultBackup.Show();
    results::Findings().Add(Row(FindingKind::File, "Beta", "C:\\b.exe"));
    results::Findings().Add(Row(FindingKind::RegKey, "alpha", "Software\\c"));
    results::Findings().Add(Row(FindingKind::Folder, "Gamma", "C:\\a"));
    results::Findings().Add(Row(FindingKind::File, "delta", "C:\\d.exe"));

    ClickColumn(2);  // the order flips from ascending: descending by the spy name
    EXPECT_EQ(Column(2), (std::vector<std::string>{"Gamma", "delta", "Beta", "alpha"}));
    ClickColumn(2);  // the same column again: ascending
    EXPECT_EQ(Column(2), (std::vector<std::string>{"alpha", "Beta", "delta", "Gamma"}));
    ClickColumn(3);  // another column: the order flips again, the key is the new column
    EXPECT_EQ(Column(3), (std::vector<std::string>{"Software\\c", "C:\\d.exe", "C:\\b.exe", "C:\\a"}));
    ClickColumn(1);  // ascending by kind; rows of one kind keep their order
    EXPECT_EQ(Column(1),
              (std::vector<std::string>{"Malware File", "Malware File", "Malware Folder", "Malware RegKey"}));
    EXPECT_EQ(Column(3)[0], "C:\\d.exe");
    // The list is the program's: what the removal and the results file see is the sorted order.
    EXPECT_EQ(results::Findings().Rows()(1).SubItems(2), "C:\\d.exe");
    frmResultBackup.Unload();
    const std::string file = base::ReadWhole(folder / "rslt.qvl");
    size_t at = 0;
    for (const char* item : {"C:\\d.exe", "C:\\b.exe", "C:\\a\"", "Software\\c"}) {
        const size_t next = file.find(item, at);
        ASSERT_NE(next, std::string::npos) << item << " in the results file, in the order shown:\n" << file;
        at = next;
    }
}

TEST_F(ResultsWindowsTest, ResultsWindowTakesItsShapeFromItsSkin) {
    frmResultBackup.Show();
    ASSERT_TRUE(frmResultBackup.Skin1.Loaded());
    EXPECT_EQ(frmResultBackup.Skin1.Name(), "Remove");
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(frmResultBackup.hWnd(), region), ERROR) << "the window has the skin's shape";
    RECT box;
    GetRgnBox(region, &box);
    RECT window;
    GetWindowRect(frmResultBackup.hWnd(), &window);
    EXPECT_NEAR(box.right, window.right - window.left, 1) << "scaled to the window";
    EXPECT_FALSE(PtInRegion(region, 0, 0)) << "rounded corners";
    EXPECT_TRUE(PtInRegion(region, (window.right - window.left) / 2, 4));
    DeleteObject(region);
    EXPECT_EQ(GetWindowLongPtrA(frmResultBackup.hWnd(), GWL_STYLE) & WS_CAPTION, 0) << "borderless";
}

// The kind column takes a third of the list's width and the item column two thirds, from the list
// as the window lays it out when it loads; the spy name and the default value keep their widths.
TEST_F(ResultsWindowsTest, ColumnsShareTheListsWidthAtLoad) {
    frmResultBackup.Load();
    HWND list = frmResultBackup.SpyListView.hWnd();
    ASSERT_NE(list, nullptr);
    RECT r{};
    GetWindowRect(list, &r);
    const double width = r.right - r.left;
    auto shown = [&](int column) { return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)); };
    EXPECT_NEAR(shown(0), width / 3, 0.5);
    EXPECT_NEAR(shown(2), width / 1.5, 0.5);
    EXPECT_EQ(shown(1), 110);
    EXPECT_EQ(shown(3), 100);
}
