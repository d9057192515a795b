#include "shell/frmScanSpy.h"

#include "base/MsgBox.h"
#include "base/ProgramFolder.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Statistics.h"
#include "shell/CursorPosition.h"
#include "shell/FormLanguage.h"
#include "shell/frmMenu.h"
#include "shell/frmResultBackup.h"

namespace {
// The captions of the scanning movie: name, Tag, design caption.
struct CaptionRow {
    const char *name, *tag, *text;
};
constexpr CaptionRow kCaptions[] = {
    {"lblScanTitle", "1000", "Corvane - System Scan"},
    {"lblFoundCaption", "1001", "Found in this scan"},
    {"lblProcCaption", "1002", "Processes:"},
    {"lblRegCaption", "1003", "Registry items:"},
    {"lblFoldersCaption", "1004", "Folders:"},
    {"lblFilesCaption", "1005", "Files, cookies, hosts:"},
    {"lblTotalsCaption", "1006", "Totals"},
    {"lblRunningProc", "1007", "Running processes:"},
    {"lblComponent", "1008", "Malware found:"},
    {"lblIgnoreComponent", "1009", "On the ignore list:"},
    {"lblNewComponent", "1010", "New (not ignored):"},
    {"lblSFoldersCaption", "1011", "Folders searched:"},
    {"lblFScanCaption", "1012", "Files listed:"},
    {"lblRSCaption", "1013", "Registry items searched:"},
    {"lblScannedMPCaption", "1014", "Processes checked:"},
};
}  // namespace

frmScanSpy::frmScanSpy() : ui::Form("frmScanSpy"), engine(scanner::ProgramEngine()), scans(scanner::ProgramScans()) {
    for (const CaptionRow& row : kCaptions) {
        ui::Label& label = captions.emplace_back(*this, row.name);
        label.SetCaption(row.text);
        label.Tag = row.tag;
        label.SetVisible(false);
    }
    Move(0, 0, 7500, 5100);
    SetBorderStyle(ui::BorderStyle::None);
    flash.Move(0, 0, 500, 340);
    lblScanOption.Move(8, 8, 480, 18);
    lblScan.Move(8, 30, 480, 18);
    txtCurrScan.Move(8, 52, 480, 20);
    // The movie shows the title, the item and the status line; the controls keep their texts.
    lblScanOption.SetVisible(false);
    lblScan.SetVisible(false);
    txtCurrScan.SetVisible(false);
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
    SpyStatusFrame.Move(8, 270, 480, 20);
    SpyStatusFrame.SetVisible(false);
    tmrStart.SetInterval(100);
    tmrStart.SetEnabled(false);
    tmrStart.OnTimer = [this] { tmrStart_Timer(); };
    flash.FSCommand = [this](const std::string& command, const std::string& args) { OnMovieCommand(command, args); };
}

void frmScanSpy::Form_Load() {
    engine.ResetCounters();
    engine.SetProgress(this);
    scans.SetHost(this);
    flash.LoadMovie(0, base::ProgramFilePath("Scanning.scw"));
    flash.ZOrder(0);
    SetCaption();
    flashWindow_ = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow_) CursorPosition::HookFlashMenu10(flashWindow_, true);
}

ui::Label* frmScanSpy::Caption(const std::string& name) {
    for (ui::Label& label : captions)
        if (label.Name() == name) return &label;
    return nullptr;
}

void frmScanSpy::SetCaption() {
    base::Trap("SetCaption - Scan Spy", [&] {
        formLanguage::applyLanguage(*this);
        for (const ui::Label& label : captions) flash.SetVariable("_root.Label_" + label.Name(), label.Caption());
    });
}

void frmScanSpy::Form_Unload(int& Cancel) {
    // A scan still on the stack keeps the window: it is told to stop and the window ends after it.
    if (scans.Running()) {
        scans.Abort();
        closeAfterScan_ = true;
        Hide();
        Cancel = 1;
        return;
    }
    if (engine.Progress() == this) engine.SetProgress(nullptr);
    // The scan's figures outlive the program, and the home page shows them without a reload.
    base::Trap("Form_Unload", [] { modMain::saveResultCounters(); });
    base::Trap("Form_Unload", [] { frmMenu.SetCaption(); });
    if (flashWindow_) CursorPosition::HookFlashMenu10(flashWindow_, false);
    flashWindow_ = nullptr;
}

bool frmScanSpy::ScanRefused() const {
    return scans.Running() || (frmResultBackup.Loaded() && frmResultBackup.Visible());
}

bool frmScanSpy::RunScan(const std::function<bool()>& scan) {
    if (ScanRefused()) return false;
    Load();
    closeAfterScan_ = false;
    const bool ran = scan();
    // Abort during the scan: the window ends now that nothing more writes to it.
    if (closeAfterScan_) tmrStart.SetEnabled(true);
    return ran;
}

bool frmScanSpy::StartScan() {
    return RunScan([this] { return scans.StartScan(); });
}
bool frmScanSpy::QuickScan() {
    return RunScan([this] { return scans.QuickScan(); });
}
bool frmScanSpy::CustomScan(const std::string& options) {
    return RunScan([&] {
        // The drives ticked on the custom page, among the fixed drives the page lists.
        std::vector<std::string> drives;
        base::Trap("CustomScan", [&] { drives = scans.SelectedDrives(); });
        return scans.CustomScan(options, drives);
    });
}
bool frmScanSpy::ScanSelectedFolder(const std::string& folderName) {
    return RunScan([&] { return scans.ScanSelectedFolder(folderName); });
}

void frmScanSpy::OnMovieCommand(const std::string& command, const std::string&) {
    const std::string c = base::UCase(command);
    if (c == "IDC_FS_ABORTSCANNING") {
        cmdAbort_Click();
    } else if (c == "IDC_FS_DRAG") {
        ReleaseCapture();
        SendMessageA(hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
        // Pushed back inside the screen, left and top edges first.
        RECT r;
        if (gb_snapWinBorder && GetWindowRect(hWnd(), &r)) {
            const long w = r.right - r.left, h = r.bottom - r.top;
            const long sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
            long x = r.left < 0 ? 0 : r.left, y = r.top < 0 ? 0 : r.top;
            if (x > sw - w) x = sw - w;
            if (y > sh - h) y = sh - h;
            SetWindowPos(hWnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    } else {
        base::MsgBox(command + " not handeled yet");
    }
}

void frmScanSpy::cmdAbort_Click() {
    Hide();
    if (scans.Running()) {
        scans.Abort();
        closeAfterScan_ = true;  // the timer is armed once the scan returned
        return;
    }
    tmrStart.SetEnabled(true);
}

void frmScanSpy::tmrStart_Timer() {
    tmrStart.SetEnabled(false);
    if (scans.Running()) return;
    base::Trap("tmrStart_Timer", [&] {
        if (results::Findings().Count() > 0) {
            DeleteFileA(base::ProgramFilePath("Remove.reg").c_str());
            if (ShowResultsList) ShowResultsList();
        }
    });
    Unload();
}

void frmScanSpy::ResetFormState() {
    if (engine.Progress() == this) engine.SetProgress(nullptr);
    if (!scans.Running()) scans.SetHost(nullptr);
    closeAfterScan_ = spider_ = false;
    filesSeen_ = foldersSearched_ = 0;
    statusPending_ = itemPending_ = countersPending_ = false;
    pendingStatus_.clear();
    pendingItem_.clear();
    engine.Reset();
    mousePointer_ = 0;
}
