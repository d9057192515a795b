#include "shell/frmEnterPassword.h"

#include "base/MsgBox.h"
#include "base/Text.h"
#include "core/Globals.h"
#include "core/modMain.h"
#include "shell/CursorPosition.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"

frmEnterPassword::frmEnterPassword() : ui::Form("frmEnterPassword") {
    SetCaption("Enter Passwrod");
    SetBorderStyle(ui::BorderStyle::None);
    SetStartUpPosition(ui::StartUpPosition::CenterScreen);
    Move(0, 0, 420 * 15, 260 * 15);
    flash.Move(0, 0, 420, 260);
    txtPassword.SetVisible(false);
    txtValidatePassword.SetVisible(false);
    flash.FSCommand = [this](const std::string& c, const std::string& a) { flash_FSCommand(c, a); };
}

std::string frmEnterPassword::newPassword(ui::Form* parent) { return Ask(3, parent, true); }

std::string frmEnterPassword::checkPasword(ui::Form* parent) { return Ask(4, parent, false); }

std::string frmEnterPassword::Ask(long frame, ui::Form* parent, bool confirm) {
    if (!Loaded()) Load();
    result_.clear();
    newMode_ = confirm;
    txtPassword.SetText("");
    if (confirm) txtValidatePassword.SetText("");
    flash.GotoFrame(frame);
    // A fresh page: what was typed at the last asking is not offered again.
    flash.SetVariable("_root.password_txt.text", "");
    flash.SetVariable("_root.confirm_txt.text", "");
    flash.SetVariable("_root.okpassword.text", "");
    Show(ui::vbModal, parent && parent->Loaded() ? parent : nullptr);
    return result_;
}

void frmEnterPassword::flash_FSCommand(const std::string& command, const std::string&) {
    const std::string upper = base::UCase(command);
    if (upper == "IDC_FS_DRAG") {
        ui::DragForm(*this, gb_snapWinBorder);
    } else if (upper == "IDC_FS_CLOSE") {
        result_.clear();
        Hide();
    } else if (upper == "IDC_FS_SAVEPASSWORD") {
        txtPassword.SetText(flash.GetVariable("_root.password_txt.text"));
        txtValidatePassword.SetText(flash.GetVariable("_root.confirm_txt.text"));
        cmdOk_Click();
    } else if (upper == "IDC_FS_OKPASSWORD") {
        txtPassword.SetText(flash.GetVariable("_root.okpassword.text"));
        cmdOk_Click();
    } else {
        base::MsgBox(command, MB_OK, "Corvane");
    }
}

void frmEnterPassword::cmdOk_Click() {
    if (!newMode_) {
        result_ = txtPassword.Text();
        Hide();
        return;
    }
    if (txtValidatePassword.Text() != txtPassword.Text()) {
        frmMsgBox.msgboxOK("Passwords do not match.", "Corvane");
        txtPassword.SetText("");
        txtValidatePassword.SetText("");
        return;
    }
    result_ = txtPassword.Text();
    Hide();
}

void frmEnterPassword::Form_Load() {
    frmMain.Skin.ApplyMask(hWnd(), "SubMask");
    flash.LoadMovie(0, modMain::FullPath_With_Filename("popup.scw"));
    flash.ZOrder(0);
    flashWindow = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow) CursorPosition::HookFlashMenu4(flashWindow, true);
}

void frmEnterPassword::Form_Unload(int&) {
    if (flashWindow) CursorPosition::HookFlashMenu4(flashWindow, false);
}

void frmEnterPassword::ResetFormState() {
    result_.clear();
    newMode_ = false;
    flashWindow = nullptr;
}

base::modal::Step frmEnterPassword::ModalStep() const {
    return {"frmEnterPassword", "Enter Passwrod", "", MB_OKCANCEL};
}

// A scripted 1 presses the page's OK with what the test typed into the movie's fields;
// anything else closes the dialog.
void frmEnterPassword::OnScriptedAnswer(long answer) {
    if (answer != 1) {
        flash.InjectCommand("IDC_FS_CLOSE");
        return;
    }
    flash.InjectCommand(newMode_ ? "IDC_FS_SAVEPASSWORD" : "IDC_FS_OKPASSWORD");
}
