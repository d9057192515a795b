#include "shell/frmMsgBox.h"

#include "base/Text.h"
#include "core/Globals.h"
#include "core/modMain.h"
#include "shell/CursorPosition.h"
#include "shell/frmMain.h"
#include "ui/MessageLoop.h"

frmMsgBox::frmMsgBox() : ui::Form("frmMsgBox") {
    SetCaption("Corvane");
    Move(0, 0, 400 * 15, 170 * 15);
    flash.Move(0, 0, 400, 170);
    flash.FSCommand = [this](const std::string& command, const std::string& args) { flash_FSCommand(command, args); };
}

long frmMsgBox::msgbox(const std::string& prompt, const std::string& title) { return Ask(prompt, title, 0); }

long frmMsgBox::msgboxOK(const std::string& prompt, const std::string& title) { return Ask(prompt, title, 1); }

long frmMsgBox::Ask(const std::string& prompt, const std::string& title, long frame) {
    if (!Loaded()) Load();
    frmMain.Skin.ApplyMask(hWnd(), "SubAlertMask");
    msgboxResult = 1;
    answered_ = false;  // only the movie's OK gives 1 to a question
    flash.GotoFrame(frame);
    flash.SetVariable("_root.Title", title);
    flash.SetVariable("_root.Message", prompt);
    shownTitle_ = title;
    shownPrompt_ = prompt;
    shownFrame_ = frame;
    const bool okOnly = frame == 1;
    if (gb_scanAborted) {
        // The program is closing: nobody answers this box, so a question is not taken as OK.
        Show(ui::vbModeless, &frmMain);
        return okOnly ? 1 : 2;
    }
    Show(ui::vbModal, &frmMain);
    if (!answered_) msgboxResult = okOnly ? 1 : 2;
    return msgboxResult;
}

base::modal::Step frmMsgBox::ModalStep() const {
    return {"frmMsgBox", shownTitle_, shownPrompt_, shownFrame_ == 1 ? MB_OK : MB_OKCANCEL};
}

void frmMsgBox::OnScriptedAnswer(long answer) {
    // A scripted 1 or 2 presses the movie's button, as the user would.
    if (answer == 1)
        flash.InjectCommand("IDC_FS_OK");
    else if (answer == 2)
        flash.InjectCommand("IDC_FS_CANCEL");
    else
        Hide();
}

void frmMsgBox::Form_Load() {
    flash.LoadMovie(0, modMain::FullPath_With_Filename("alerts.scw"));
    flash.ZOrder(0);
    flashWindow = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow) CursorPosition::HookFlashMenu7(flashWindow, true);
    FitToMovie();
}

void frmMsgBox::Form_Activate() { FitToMovie(); }

void frmMsgBox::Form_Unload(int&) { CursorPosition::HookFlashMenu7(flashWindow, false); }

void frmMsgBox::ResetFormState() {
    msgboxResult = 1;
    answered_ = false;
    flashWindow = nullptr;
    shownTitle_.clear();
    shownPrompt_.clear();
    shownFrame_ = 0;
}

void frmMsgBox::FitToMovie() {
    if (!Loaded()) return;
    RECT client;
    GetClientRect(hWnd(), &client);
    const int dx = client.right - flash.Width(), dy = client.bottom - flash.Height();
    int width = flash.Width(), height = flash.Height();
    if (dx != 0) width += dx;
    if (dy != 0) height += dy;
    flash.Move(0, 0, width, height);
    frmMain.Refresh();
}

void frmMsgBox::flash_FSCommand(const std::string& command, const std::string&) {
    const std::string upper = base::UCase(command);
    if (upper == "IDC_FS_DRAG") {
        ui::DragForm(*this, gb_snapWinBorder);
    } else if (upper == "IDC_FS_CANCEL") {
        msgboxResult = 2;
        answered_ = true;
        Hide();
    } else if (upper == "IDC_FS_OK") {
        msgboxResult = 1;
        answered_ = true;
        Hide();
    }
}
