#include "shell/frmBackupName.h"

#include "base/Text.h"
#include "core/Globals.h"
#include "core/modMain.h"
#include "shell/CursorPosition.h"
#include "shell/frmMain.h"

frmBackupName::frmBackupName() : ui::Form("frmBackupName") {
    SetCaption("Enter Backup Name");
    SetBorderStyle(ui::BorderStyle::None);
    SetStartUpPosition(ui::StartUpPosition::CenterScreen);
    Move(0, 0, 420 * 15, 260 * 15);
    flash.Move(0, 0, 420, 260);
    flash.FSCommand = [this](const std::string& c, const std::string& a) { flash_FSCommand(c, a); };
}

std::optional<std::string> frmBackupName::enterBackupName() {
    if (!Loaded()) Load();
    answer_.reset();
    flash.GotoFrame(5);
    flash.SetVariable("_root.backup_txt.text", "");
    Show(ui::vbModal, frmMain.Loaded() ? &frmMain : nullptr);
    return answer_;
}

void frmBackupName::flash_FSCommand(const std::string& command, const std::string&) {
    const std::string upper = base::UCase(command);
    if (upper == "IDC_FS_DRAG") {
        ui::DragForm(*this, gb_snapWinBorder);
    } else if (upper == "IDC_FS_OKBACKUP") {
        answer_ = flash.GetVariable("_root.backup_txt.text");
        Hide();
    } else if (upper == "IDC_FS_CLOSE" || upper == "IDC_FS_CANCELBACKUP") {
        answer_.reset();
        Hide();
    }
}

void frmBackupName::Form_Load() {
    frmMain.Skin.ApplyMask(hWnd(), "SubMask");
    flash.LoadMovie(0, modMain::FullPath_With_Filename("popup.scw"));
    flash.GotoFrame(5);
    flash.ZOrder(0);
    flashWindow = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow) CursorPosition::HookFlashMenu3(flashWindow, true);
}

void frmBackupName::Form_Unload(int&) {
    if (flashWindow) CursorPosition::HookFlashMenu3(flashWindow, false);
}

void frmBackupName::ResetFormState() {
    answer_.reset();
    flashWindow = nullptr;
}

base::modal::Step frmBackupName::ModalStep() const { return {"frmBackupName", "Enter Backup Name", "", MB_OKCANCEL}; }

// A scripted 1 presses OK with the name the test typed into the field; anything else is Cancel.
void frmBackupName::OnScriptedAnswer(long answer) {
    flash.InjectCommand(answer == 1 ? "IDC_FS_OKBACKUP" : "IDC_FS_CANCELBACKUP");
}
