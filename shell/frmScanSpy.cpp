#include "shell/frmScanSpy.h"

#include "core/modLanguage.h"
#include "ui/MessageLoop.h"

frmScanSpy::frmScanSpy() : ui::Form("frmScanSpy"), engine(scanner::ProgramEngine()) {
    Move(0, 0, 7500, 5100);
    lblScanOption.Move(8, 8, 480, 18);
    lblScan.Move(8, 30, 480, 18);
    txtCurrScan.Move(8, 52, 480, 20);
    int top = 80;
    for (ui::TextBox* box : {&lblProc, &lblReg, &lblFolders, &lblFiles, &txtRunningProc, &txtComponent,
                             &txtIgnoreComponent, &txtNewComponent}) {
        box->SetText("0");
        box->Move(8, top, 60, 20);
        box->SetVisible(false);
        top += 22;
    }
    tmrDisplay.SetInterval(50);
    tmrDisplay.SetEnabled(false);
    tmrDisplay.OnTimer = [this] { FlushDisplay(); };
}

void frmScanSpy::Form_Load() {
    engine.ResetCounters();
    engine.SetProgress(this);
}

void frmScanSpy::ResetFormState() {
    if (engine.Progress() == this) engine.SetProgress(nullptr);
    statusPending_ = itemPending_ = countersPending_ = false;
    pendingStatus_.clear();
    pendingItem_.clear();
    engine.Reset();
    mousePointer_ = 0;
}

void frmScanSpy::SetMousePointer(int pointer) {
    mousePointer_ = pointer;
    if (hWnd()) {
        POINT p;
        GetCursorPos(&p);
        HWND under = WindowFromPoint(p);
        if (under == hWnd() || IsChild(hWnd(), under))
            SetCursor(LoadCursor(nullptr, pointer == 11 ? IDC_WAIT : IDC_ARROW));
    }
}

bool frmScanSpy::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg == WM_SETCURSOR && mousePointer_ == 11 && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        result = TRUE;
        return true;
    }
    return false;
}

void frmScanSpy::Pump() { ui::DoEvents(); }

void frmScanSpy::Title(const std::string& text) {
    lblScanOption.SetCaption(text);
    flash.SetVariable("_root.ScanTitle", lblScanOption.Caption());
}

void frmScanSpy::LoadStatus(long count) {
    pendingStatus_ = std::to_string(count);  // the line itself is made when it is shown
    statusPending_ = true;
    PaceDisplay();
}

void frmScanSpy::CurrentItem(const std::string& text) {
    pendingItem_ = text;
    itemPending_ = true;
    PaceDisplay();
}

void frmScanSpy::CountersChanged(const scanner::ScanCounters&) {
    countersPending_ = true;
    PaceDisplay();
}

void frmScanSpy::PaceDisplay() {
    if (DisplayPacingMs == 0 || GetTickCount64() - lastDisplay_ >= DisplayPacingMs) {
        FlushDisplay();
        return;
    }
    if (!tmrDisplay.Enabled()) tmrDisplay.SetEnabled(true);
}

void frmScanSpy::FlushDisplay() {
    if (tmrDisplay.Enabled()) tmrDisplay.SetEnabled(false);
    if (statusPending_) {
        statusPending_ = false;
        // The message id carries its trailing blank, as the loaders have always asked for it.
        const std::string line = modLanguage::getMessage("1115 ", "Loading Database") + " - " + pendingStatus_;
        txtCurrScan.SetText(line);
        flash.SetVariable("_root.ScanningMovie_ScanResult", line);
    }
    if (itemPending_) {
        itemPending_ = false;
        lblScan.SetCaption(pendingItem_);
    }
    if (countersPending_) {
        countersPending_ = false;
        PushCounters();
    }
    lastDisplay_ = GetTickCount64();
}

void frmScanSpy::PushCounters() {
    lblProc.SetText(std::to_string(ProcCount));
    lblReg.SetText(std::to_string(RegCount));
    lblFolders.SetText(std::to_string(FolderCount));
    lblFiles.SetText(std::to_string(FileCount));
    txtRunningProc.SetText(std::to_string(RunningProcCount));
    txtIgnoreComponent.SetText(std::to_string(IgnoreComponentCount));
    txtComponent.SetText(std::to_string(ComponentCount));
    txtNewComponent.SetText(std::to_string(NewComponentCount));
    flash.SetVariable("_root.ScanMovie_ProcessesRunning", txtRunningProc.Text());
    flash.SetVariable("_root.ScanMovie_MIgnorList", txtIgnoreComponent.Text());
    flash.SetVariable("_root.ScanMovie_MFound", txtComponent.Text());
    flash.SetVariable("_root.ScanMovie_MNIgnorList", txtNewComponent.Text());
    flash.SetVariable("_root.ScanMovie_IFiles", lblFiles.Text());
    flash.SetVariable("_root.ScanMovie_IFolders", lblFolders.Text());
    flash.SetVariable("_root.ScanMovie_IMProcesses", lblProc.Text());
    flash.SetVariable("_root.ScanMovie_IRItems", lblReg.Text());
}
