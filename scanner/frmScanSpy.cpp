// The scanning window as far as the definitions load and the recording of findings use it: its
// controls, the status line, the movie variables and the counters.
#include "scanner/frmScanSpy.h"

#include "core/Globals.h"
#include "core/modLanguage.h"
#include "definitions/DefinitionsStore.h"
#include "ui/MessageLoop.h"

namespace {
// Loops yield to the message loop at most this often: often enough for the window to repaint and
// for Abort and Close to run, seldom enough that a yield does not cost more than the entry.
constexpr ULONGLONG kYieldMs = 10;
}  // namespace

frmScanSpy::frmScanSpy() : ui::Form("frmScanSpy") {
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
    ProcCount = RegCount = FolderCount = FileCount = 0;
    RunningProcCount = ComponentCount = IgnoreComponentCount = NewComponentCount = 0;
    countedReports_.clear();
    gb_progressCount = 0;
}

void frmScanSpy::ResetFormState() {
    statusPending_ = itemPending_ = countersPending_ = false;
    pendingStatus_.clear();
    pendingItem_.clear();
    ProcCount = RegCount = FolderCount = FileCount = 0;
    RunningProcCount = ComponentCount = IgnoreComponentCount = NewComponentCount = 0;
    countedReports_.clear();
    ignoreList_.Clear();
    trojanGroupsLoaded_ = false;
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

void frmScanSpy::SetMovieVariable(const std::string& name, const std::string& value) {
    flash.SetVariable(name, value);
    if (MovieVariableTrace) MovieVariableTrace(name, value);
}

void frmScanSpy::YieldToMessages() {
    if (GetTickCount64() - lastYield_ < kYieldMs) return;
    ui::DoEvents();
    lastYield_ = GetTickCount64();
}

void frmScanSpy::StatusUpdate() {
    ++gb_progressCount;
    pendingStatus_ = std::to_string(gb_progressCount);  // the line itself is made when it is shown
    statusPending_ = true;
    PaceDisplay();
}

void frmScanSpy::ShowCurrentItem(const std::string& text) {
    pendingItem_ = text;
    itemPending_ = true;
    PaceDisplay();
}

void frmScanSpy::PaceDisplay() {
    // Without a window the controls cost nothing to write.
    if (!Loaded() || DisplayPacingMs == 0 || GetTickCount64() - lastDisplay_ >= DisplayPacingMs) {
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
        SetMovieVariable("_root.ScanningMovie_ScanResult", line);
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

void frmScanSpy::ShowLoadStatus(const char* id, const char* english) {
    lblScanOption.SetCaption(modLanguage::getMessage(id, english));
    SetMovieVariable("_root.ScanTitle", lblScanOption.Caption());
}

void frmScanSpy::ReadCountKeys(std::initializer_list<const char*> keys) {
    // Read as the loaders always have (a missing "NTOT" section is logged); they bound nothing.
    for (const char* key : keys) (void)modDefinitions::updateListfromINI("NTOT", key);
}
