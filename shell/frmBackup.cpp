#include "shell/frmBackup.h"

#include "base/Clock.h"
#include "base/ErrorLog.h"
#include "base/MsgBox.h"
#include "base/RuntimeError.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Wiring.h"
#include "core/modMain.h"
#include "shell/FormLanguage.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmMsgBox.h"
#include "shell/modMainWindows.h"

namespace {
constexpr const char* kTitle = "Corvane";

void ShowError(const std::string& text) { base::MsgBox(text, MB_OK | MB_ICONINFORMATION, kTitle); }
}  // namespace

frmBackup::frmBackup() : ui::Form("frmBackup"), BackupList(*this, "BackupList", &FrameBackupList, &rows_) {
    SetCaption("Form1");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 9000, 6000);
    FrameBackupList.SetCaption("Backups");
    FrameBackupList.Tag = "1000";
    FrameBackupList.Move(4, 4, 592, 340);
    BackupList.Move(10, 20, 572, 310);
    BackupList.AddColumn("Creation Date", 200, "1003");
    BackupList.AddColumn("Name", 340, "1004");
    FrameButton.SetBorder(false);
    FrameButton.Move(4, 348, 592, 44);
    cmdRestore.SetCaption("Restore");
    cmdRestore.Tag = "1001";
    cmdRestore.Move(10, 8, 100, 28);
    cmdClean.SetCaption("Delete");
    cmdClean.Tag = "1002";
    cmdClean.Move(120, 8, 100, 28);
    cmdRestore.OnClick = [this] { cmdRestore_Click(); };
    cmdClean.OnClick = [this] { cmdClean_Click(); };
}

std::string frmBackup::BackupRoot() {
    std::string root = gb_backupPath.empty() ? modMain::FullPath_With_Filename("BackUp") : gb_backupPath;
    while (!root.empty() && root.back() == '\\') root.pop_back();
    return root;
}

void frmBackup::Form_Load() {
    modMainWindows::SetFormSize(*this, true);
    formLanguage::applyLanguage(*this);
    formLanguage::applyColumnLanguage(*this, BackupList);
    BackupList.SetGridLines(gb_useGridlines);
}

// The home page takes the frame again, and the main movie's progress ends.
void frmBackup::Form_Unload(int&) {
    base::Trap("Form_Unload", [] { frmMain.ShowPanel(frmMenu); });
    base::Trap("Form_Unload", [] { frmMain.flash.TPlay("_root.endOFTheProgress"); });
}

void frmBackup::ResetFormState() {
    rows_.Clear();
    backups_.clear();
}

void frmBackup::FillBackupList() {
    rows_.Clear();
    try {
        results::FillBackupList(BackupRoot(), gb_delBckAfterDys, gb_numberDays, base::Now(), backups_);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    for (const results::BackupRow& b : backups_) rows_.Add(b.dateText).SubItems(1) = b.name;
    const bool any = rows_.Count() > 0;
    cmdClean.SetEnabled(any);
    cmdRestore.SetEnabled(any);
    if (Loaded()) BackupList.Refresh();
}

void frmBackup::addBackupListInFlash() {
    frmMain.flash.SetVariable("_root.NumberOfBackup", std::to_string(backups_.size()));
    frmMain.flash.SetVariable("_root.BackupString", results::BackupListString(backups_));
    frmMain.flash.SetVariable("_root.BackupListener", "1");
}

bool frmBackup::SelectByIndex(const std::string& index) {
    if (index.empty() || index.find_first_not_of("0123456789") != std::string::npos) return false;
    const int row = std::stoi(index) + 1;
    if (row > rows_.Count()) throw base::RuntimeError(35600);
    BackupList.Select(row);
    return true;
}

void frmBackup::RestoreBackup(const std::string& index) {
    if (SelectByIndex(index)) cmdRestore_Click();
}

void frmBackup::DeleteBackup(const std::string& index) {
    if (!SelectByIndex(index)) return;
    cmdClean_Click();
    addBackupListInFlash();
}

void frmBackup::cmdClean_Click() {
    if (rows_.Count() == 0) return;
    if (frmMsgBox.msgbox(wiring::GetMessage("1064", "Delete this backup?"), kTitle) == 1) {
        const int selected = BackupList.SelectedIndex();
        try {
            if (selected >= 1) results::DeleteBackup(BackupRoot(), rows_(selected).SubItems(1));
        } catch (const std::exception& e) {
            ShowError(e.what());
        }
        FillBackupList();
    }
}

void frmBackup::cmdRestore_Click() {
    const int selected = BackupList.SelectedIndex();
    std::string name;
    const bool ok = base::Trap("cmdRestor_Click", [&] {
        if (selected < 1 || rows_.Count() == 0) throw base::RuntimeError(91, "No backup is selected");
        name = rows_(selected).SubItems(1);
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        results::RestoreBackup(BackupRoot(), name);
    });
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (!ok) {
        // The log has the cause; the user learns that nothing was restored.
        if (selected >= 1) frmMsgBox.msgboxOK("The backup could not be restored.", kTitle);
        return;
    }
    frmMsgBox.msgboxOK(wiring::GetMessage("1065", "The backup has been restored successfully."), kTitle);
    if (gb_deleteBackupAfterRestore) cmdClean_Click();
}
