#include "shell/frmMain.h"

#include "core/modMain.h"

frmMain::frmMain() : ui::Form("frmMain") {
    SetCaption("Corvane");
    Move(0, 0, 633 * 15, 452 * 15);
    flash.Move(0, 0, 633, 452);
    FrameMain.SetBorder(false);
    FrameMain.Move(16, 40, 600, 400);
    StatusBar1.SetPanelWidth(1, 200);
    StatusBar1.SetPanelWidth(2, 200);
}

void frmMain::Form_Load() {
    Skin.LoadSkin(modMain::FullPath_With_Filename("\\Skin\\Corvane.skn"));
    Skin.ApplyMask(hWnd(), "MainMask");
    FrameMain.ZOrder(0);
}

void frmMain::ResetFormState() { Skin = skin::Skin{}; }
