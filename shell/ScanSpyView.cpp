// The scanning window's display: what the engine and the scan drivers report, drawn into the
// window's controls and its movie. It calls nothing of the engine: the engine calls it.
#include <windows.h>
// PlaySoundA, after the types it needs
#include <mmsystem.h>

#include "core/modLanguage.h"
#include "shell/frmMsgBox.h"
#include "shell/frmScanSpy.h"
#include "ui/MessageLoop.h"

void frmScanSpy::ScanStarting() {
    spider_ = false;
    flash.SetVariable("_root.ButtonCaption", modLanguage::getMessage("1131", "Abort Scanning"));
    if (MainWindowScanning) MainWindowScanning(true);
}

void frmScanSpy::StatusCaption(const std::string& text) { SpyStatusFrame.SetText(text); }

void frmScanSpy::ScanResult(const std::string& text) {
    FlushDisplay();
    lblScan.SetCaption(text);
    txtCurrScan.SetText(text);
    flash.SetVariable("_root.ScanningMovie_ScanResult", text);
}

void frmScanSpy::ScanFinished(bool found, const std::string& buttonCaption) {
    FlushDisplay();
    flash.SetVariable("_root.stopMovie", "1");
    spider_ = found;
    flash.SetVariable("_root.ScanFound", found ? "1" : "0");
    flash.SetVariable("_root.ButtonCaption", buttonCaption);
    if (MainWindowScanning) MainWindowScanning(false);
}

void frmScanSpy::ResultsNotSaved(const std::string& text) {
    ScanResult(text);
    frmMsgBox.msgboxOK(text, "Corvane");
}

void frmScanSpy::PlaySoundFile(const std::string& path) { PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC); }

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

// Busy is the hourglass.
void frmScanSpy::Busy(bool busy) { SetMousePointer(busy ? 11 : 0); }

void frmScanSpy::Flush() { FlushDisplay(); }

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

void frmScanSpy::FileCounters(long filesSeen, long foldersSearched) {
    filesSeen_ = filesSeen;
    foldersSearched_ = foldersSearched;
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
    flash.SetVariable("_root.ScanMovie_SFolders", std::to_string(foldersSearched_));
    flash.SetVariable("_root.ScanMovie_SFiles", std::to_string(filesSeen_));
    flash.SetVariable("_root.ScanMovie_SRItems", std::to_string(engine.counters.RegistryItemsSearched));
    flash.SetVariable("_root.ScanMovie_SMProcesses", std::to_string(engine.counters.ProcessChecks));
}
