#include "shell/frminfo.h"

#include "base/MsgBox.h"
#include "base/Text.h"
#include "core/Globals.h"
#include "core/modMain.h"
#include "shell/CursorPosition.h"
#include "shell/frmMain.h"

frminfo::frminfo() : ui::Form("frminfo") {
    SetCaption("Program Information");
    SetBorderStyle(ui::BorderStyle::None);
    SetStartUpPosition(ui::StartUpPosition::CenterScreen);
    Move(0, 0, 360 * 15, 180 * 15);
    flash.Move(0, 0, 360, 180);
    lblpub.SetCaption("Not Found");
    lblprogver.SetCaption("Not Found");
    lblprogname.SetVisible(false);
    lblpub.SetVisible(false);
    lblprogver.SetVisible(false);
    cmdClose.SetCaption("&Close");
    cmdClose.SetVisible(false);
    cmdClose.OnClick = [this] { cmdClose_Click(); };
    flash.FSCommand = [this](const std::string& c, const std::string& a) { flash_FSCommand(c, a); };
}

void frminfo::showME() {
    if (!Loaded()) Load();
    flash.SetVariable("_root.progname", lblprogname.Caption());
    flash.SetVariable("_root.publisher", lblpub.Caption());
    flash.SetVariable("_root.version", lblprogver.Caption());
    Show(ui::vbModal, frmMain.Loaded() ? &frmMain : nullptr);
}

void frminfo::cmdClose_Click() { Unload(); }

void frminfo::flash_FSCommand(const std::string& command, const std::string&) {
    const std::string upper = base::UCase(command);
    if (upper == "IDC_FS_DRAG") {
        ui::DragForm(*this, gb_snapWinBorder);
    } else if (upper == "IDC_FS_CLOSE") {
        Hide();
    } else {
        base::MsgBox(command, MB_OK, "Corvane");
    }
}

void frminfo::Form_Load() {
    frmMain.Skin.ApplyMask(hWnd(), "SubAlertMask");
    flash.LoadMovie(0, modMain::FullPath_With_Filename("ProgInfo.scw"));
    flash.ZOrder(0);
    flash.SetVariable("_root.progname", lblprogname.Caption());
    flash.SetVariable("_root.publisher", lblpub.Caption());
    flash.SetVariable("_root.version", lblprogver.Caption());
    flashWindow = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow) CursorPosition::HookFlashMenu5(flashWindow, true);
    SizeFlashToForm();
}

void frminfo::Form_Unload(int&) {
    if (flashWindow) CursorPosition::HookFlashMenu5(flashWindow, false);
}

void frminfo::ResetFormState() { flashWindow = nullptr; }

frminfo::Sizes frminfo::FitFlashToForm(Sizes s) {
    const float dw = s.formWidth - s.flashWidth;
    const float dh = s.formHeight - s.flashHeight;
    if (dw > 0) {
        s.flashWidth += 1.2f * dw;
        s.formWidth = s.flashWidth - 0.3f * dw;
    }
    if (dh > 0) {
        s.flashHeight += 1.2f * dh;
        s.formHeight = s.flashHeight;
    }
    return s;
}

void frminfo::SizeFlashToForm() {
    const Sizes now{static_cast<float>(Width()), static_cast<float>(Height()), flash.Width() * 15.0f,
                    flash.Height() * 15.0f};
    const Sizes fit = FitFlashToForm(now);
    if (fit.flashWidth != now.flashWidth || fit.flashHeight != now.flashHeight) {
        flash.Move(0, 0, static_cast<int>(fit.flashWidth / 15), static_cast<int>(fit.flashHeight / 15));
        SetWidth(static_cast<long>(fit.formWidth));
        SetHeight(static_cast<long>(fit.formHeight));
    }
    if (frmMain.Loaded()) frmMain.Refresh();
}
