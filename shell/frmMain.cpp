#include "shell/frmMain.h"

#include <shellapi.h>

#include <functional>
#include <map>
#include <vector>

#include "base/Modal.h"
#include "base/ProgramFolder.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "shell/MainLayout.h"
#include "shell/OptionTable.h"
#include "shell/frmAbout.h"
#include "shell/frmAlerts.h"
#include "shell/frmBackup.h"
#include "shell/frmCustomSelect.h"
#include "shell/frmIgnore.h"
#include "shell/frmMenu.h"
#include "shell/frmMsgBox.h"
#include "shell/frmOptions.h"
#include "shell/frmResultBackup.h"
#include "shell/frmResults.h"
#include "shell/frmScanNow.h"
#include "shell/frmScanSpy.h"
#include "shell/frmSysGuards.h"
#include "shell/modMainWindows.h"
#include "ui/MessageLoop.h"

namespace {
constexpr UINT kMenuShowHide = 1, kMenuClose = 2;
}  // namespace

std::string frmMain::InstanceMutexName() { return base::InstanceMutexName(); }

std::string frmMain::InstanceMutexName(const std::string& programFolder) {
    return base::InstanceMutexName(programFolder);
}

frmMain::frmMain() : ui::Form("frmMain") {
    SetCaption("Corvane");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, kDesignWidth, kDesignHeight);
    flash.Move(0, 0, kMovieWidth, kMovieHeight);
    FrameMain.SetBorder(false);
    FrameMain.Move(kFrameLeft, kFrameTop, 600, 400);  // a panel's 9000 by 6000 twips
    StatusBar1.SetPanelWidth(1, 200);
    StatusBar1.SetPanelWidth(2, 200);
    txtPramaterInfoEnvenHandeler.SetVisible(false);
    txtPramaterInfoEnvenHandeler.Move(0, 0, 10, 10);
    // The handlers are registered here, not called: they live with the start-up (MainSteps.cpp) and
    // the command table (MainCommands.cpp).
    txtPramaterInfoEnvenHandeler.OnChange = std::bind_front(&frmMain::txtPramaterInfoEnvenHandeler_Change, this);
    tmrStartUP.SetInterval(5000);
    tmrStartUP.SetEnabled(false);
    tmrStartUP.OnTimer = std::bind_front(&frmMain::tmrStartUP_Timer, this);
    tmrMonitor.SetInterval(100);
    tmrMonitor.SetEnabled(false);
    tmrMonitor.OnTimer = std::bind_front(&frmMain::tmrMonitor_Timer, this);
    struct B {
        ui::CommandButton& b;
        ui::Label& label;
        const char* caption;
        const char* tag;
        void (frmMain::*click)();
    };
    for (B b : {B{cmdScanNow, lblScanNow, "Scan Now", "1001", &frmMain::cmdScanNow_Click},
                B{cmdRemoveList, lblRemoveList, "Remove List", "1002", &frmMain::cmdRemoveList_Click},
                B{cmdResults, lblResults, "Results", "1003", &frmMain::cmdResults_Click},
                B{cmdBackup, lblBackup, "Backup", "1004", &frmMain::cmdBackup_Click},
                B{cmdIgnorList, lblIgnorList, "Keep List", "1005", &frmMain::cmdIgnorList_Click},
                B{cmdSystemGuards, lblSysGuard, "System Guards", "1006", &frmMain::cmdSystemGuards_Click},
                B{cmdOptions, lblOption, "Options", "1007", &frmMain::cmdOptions_Click},
                B{cmdAlerts, lblAlerts, "Alerts", "1008", &frmMain::cmdAlerts_Click},
                B{cmdAbout, lblAbout, "About", "1011", &frmMain::cmdAbout_Click},
                B{cmdHelp, lblHelp, "Help", "1012", &frmMain::cmdHelp_Click}}) {
        b.b.SetCaption(b.caption);
        b.b.Tag = b.tag;
        b.b.Move(0, 460, 60, 20);  // behind the movie
        b.b.OnClick = [this, click = b.click] { (this->*click)(); };
        // The twins: a strip under the frame, across the window once it is fitted to its movie.
        b.label.SetCaption(b.caption);
        b.label.Tag = b.tag;
        b.label.SetAlignment(ui::Label::Alignment::Center);
        b.label.Move(0, 455, 14 + 7 * static_cast<int>(std::string(b.caption).size()), 16);
        b.label.OnClick = [&button = b.b] {
            if (button.Enabled()) button.Click();
        };
    }
    // The strip's labels share the width under the page area evenly.
    ui::Label* strip[] = {&lblScanNow,  &lblRemoveList, &lblResults, &lblBackup, &lblIgnorList,
                          &lblSysGuard, &lblOption,     &lblAlerts,  &lblAbout,  &lblHelp};
    int used = 0;
    for (ui::Label* l : strip) used += l->Width();
    const int gap = (750 - used) / 9;
    for (int x = 10, k = 0; k < 10; x += strip[k]->Width() + gap, ++k) strip[k]->SetLeft(x);
    Tray1.LeftClick = [this] { Tray1_LeftClick(); };
    Tray1.RightClick = [this] { Tray1_RightClick(); };
    // Whichever way the icon reports its clicks, they do the same.
    Tray1.MouseClick = [this](long button) {
        if (button == 1) Tray1_LeftClick();
        if (button == 2) Tray1_RightClick();
    };
    Tray1.SetTrayToolTip("Corvane");
    Tray1.SetTrayImage(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
    flash.FSCommand = std::bind_front(&frmMain::flash_FSCommand, this);
}

void frmMain::Step(const std::string& name) {
    if (OnStep) OnStep(name);
}

bool frmMain::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg == WM_CLOSE && RunsProgram) {
        // Closing asks first; a refused close leaves the window as it is.
        Unload();
        result = 0;
        return true;
    }
    if (msg == WM_DISPLAYCHANGE) {  // a smaller screen must not leave the window out of reach
        keepFormOnScreen();
        return false;
    }
    if (!guardHost.OnMessage(msg)) return false;
    result = 0;
    return true;
}

void frmMain::ResetFormState() {
    Skin = skin::Skin{};
    guardHost.Reset();
    hiddenToTray_ = false;
    selected_.clear();
    instance_.reset();
    Tray1.Show(false);  // an unloaded main window leaves no icon behind
    Splash.Unload();
}

// The movie in front covers the frame and every panel in it.
void frmMain::Front() {
    flash.ZOrder(0);
    RaiseOverMovie();
}

void frmMain::RaiseOverMovie() {
    for (ui::Label* l : {&lblScanNow, &lblRemoveList, &lblResults, &lblBackup, &lblIgnorList, &lblSysGuard, &lblOption,
                         &lblAlerts, &lblAbout, &lblHelp})
        l->ZOrder(0);
    StatusBar1.ZOrder(0);
}

namespace {
// The panels the frame hosts (each embeds itself when it loads).
const std::vector<ui::Form*>& HostedPanels() {
    static const std::vector<ui::Form*> panels = {&frmMenu,   &frmScanNow, &frmCustomSelect, &frmResults,
                                                  &frmBackup, &frmIgnore,  &frmSysGuards,    &frmAlerts,
                                                  &frmAbout,  &frmOptions};
    return panels;
}
}  // namespace

ui::Form* frmMain::PanelShown() const {
    // The frame shows only while it lies above the movie.
    bool frameInFront = false;
    for (HWND w = GetWindow(flash.hWnd(), GW_HWNDPREV); w && !frameInFront; w = GetWindow(w, GW_HWNDPREV))
        frameInFront = w == FrameMain.hWnd();
    if (!frameInFront) return nullptr;
    for (ui::Form* p : HostedPanels())
        if (p->Loaded() && p->Visible() && GetParent(p->hWnd()) == FrameMain.hWnd()) return p;
    return nullptr;
}

// Shows one panel in the frame, in front of the movie's page area; any other panel there hides.
void frmMain::ShowPanel(ui::Form& panel) {
    if (!panel.Loaded() || GetParent(panel.hWnd()) != FrameMain.hWnd()) modMainWindows::SetFormSize(panel, true);
    for (ui::Form* p : HostedPanels())
        if (p != &panel && p->Loaded() && p->Visible() && GetParent(p->hWnd()) == FrameMain.hWnd()) p->Hide();
    panel.Show(ui::vbModeless);
    FrameMain.SetVisible(true);
    FrameMain.ZOrder(0);
    RaiseOverMovie();
}

bool frmMain::ProtectedPage() {
    if (modMain::checkStartupPassword()) return true;
    flash.GotoFrame(Home);
    return false;
}

bool frmMain::RunScanDriver(const std::string& driver, const std::string& arg) {
    if (OnScan) {
        OnScan(driver, arg);
        return true;
    }
    if (driver == "StartScan") return frmScanSpy.StartScan();
    if (driver == "QuickScan") return frmScanSpy.QuickScan();
    if (driver == "CustomScan") return frmScanSpy.CustomScan(arg);
    return frmScanSpy.ScanSelectedFolder(arg);
}

void frmMain::ShowScanWindow() {
    frmScanSpy.Load();
    frmScanSpy.Show(ui::vbModeless, this);
}

void frmMain::setDrivesToFlash() {
    const optionTable::FixedDrives drives = optionTable::ListFixedDrives();
    flash.SetVariable("_root.NumberOfDrives", std::to_string(drives.count));
    flash.SetVariable("_root.NamesOfDrives", drives.names);
    const std::string selected = settings::GetSetting("SelectedDrives", "selected", optionTable::kDefaultDriveFlags);
    flash.SetVariable("_root.SelectedDrives", selected);
    // The movie cannot split these texts: box i is named after the i-th fixed drive (no name, no
    // box) and ticked by flag i.
    const std::vector<std::string> names = base::Split(drives.names, '|'), flags = base::Split(selected, '|');
    for (size_t i = 0; i < 16; ++i) {
        const std::string name = i < names.size() ? names[i].substr(0, names[i].find('\\')) : "";
        flash.SetVariable("_root.driveName" + std::to_string(i), name);
        flash.SetVariable("_root.drive" + std::to_string(i),
                          !name.empty() && i < flags.size() && base::LCase(flags[i]) == "true" ? "1" : "0");
    }
}

void frmMain::disableMe(ui::CommandButton& butt, bool allButt) {
    for (ui::CommandButton* b : {&cmdScanNow, &cmdRemoveList, &cmdResults, &cmdBackup, &cmdIgnorList, &cmdSystemGuards,
                                 &cmdOptions, &cmdAlerts, &cmdAbout, &cmdHelp})
        b->SetEnabled(!allButt && b->Name() != butt.Name());
}

void frmMain::showScanNow() { cmdScanNow_Click(); }
void frmMain::showResultsList() { cmdRemoveList_Click(); }

bool frmMain::ScanBusy() { return gb_scanBusy || frmScanSpy.Scanning(); }

void frmMain::ScanStateChanged(bool scanning) {
    if (!Loaded()) return;
    if (scanning) {
        flash.SetVariable("_root.stopMovie", "True");
        disableMe(cmdScanNow, true);
        SetEnabled(false);
        return;
    }
    SetEnabled(true);
    // The labels answer only enabled buttons: the home page's set, as the scan left the movie.
    disableMe(cmdScanNow, false);
}

// The home panel afresh: it puts the statistics into the movie's home page as it loads. Each step
// goes on whatever the one before did.
void frmMain::cmdScanNow_Click() {
    base::Trap("cmdScanNow_Click", [&] { frmMenu.Unload(); });
    base::Trap("cmdScanNow_Click", [&] { frmMenu.Load(); });
    base::Trap("cmdScanNow_Click", [&] { frmMenu.runMe(); });
    base::Trap("cmdScanNow_Click", [&] { ShowPanel(frmMenu); });
    base::Trap("cmdScanNow_Click", [&] { flash.GotoFrame(Home); });
    disableMe(cmdScanNow, false);
}

void frmMain::cmdRemoveList_Click() {
    if (ScanBusy()) return;  // the list would stop the scan and lose what it found so far
    if (!modMain::checkStartupPassword()) return cmdAbout_Click();
    frmResultBackup.Unload();
    frmResultBackup.fillRemoveList();
    flash.GotoFrame(Home);
    disableMe(cmdRemoveList, false);
    frmResultBackup.runMe();
    frmResultBackup.Show(ui::vbModal, this);
}

void frmMain::cmdResults_Click() {
    if (!modMain::checkStartupPassword()) return cmdAbout_Click();
    frmResults.Unload();
    frmResults.Load();
    ShowPanel(frmResults);
    flash.TPlay("_root.endOFTheProgress");
    disableMe(cmdResults, false);
}

void frmMain::cmdBackup_Click() {
    if (!modMain::checkStartupPassword()) return cmdAbout_Click();
    frmBackup.Load();
    frmBackup.FillBackupList();
    frmMenu.Unload();
    ShowPanel(frmBackup);
    flash.TPlay("_root.endOFTheProgress");
    disableMe(cmdBackup, false);
}

void frmMain::cmdIgnorList_Click() {
    if (!modMain::checkStartupPassword()) return cmdAbout_Click();
    frmIgnore.Unload();
    frmIgnore.Load();
    frmMenu.Unload();
    ShowPanel(frmIgnore);
    flash.TPlay("_root.endOFTheProgress");
    disableMe(cmdIgnorList, false);
}

void frmMain::cmdSystemGuards_Click() {
    if (!modMain::checkStartupPassword()) return cmdAbout_Click();
    frmSysGuards.Unload();
    frmSysGuards.Load();
    flash.GotoFrame(SystemGuards);
    ShowPanel(frmSysGuards);
    flash.TPlay("_root.endOFTheProgress");
    disableMe(cmdSystemGuards, false);
}

void frmMain::showOptions() {
    base::Trap("showOptions", [&] {
        flash.GotoFrame(Options);
        optionTable::SetOptionsToFlash([&](const std::string& n, const std::string& v) { flash.SetVariable(n, v); });
    });
}

// The options page's values back into the globals (all or none), the schedule they name, the
// options window reloaded over the new values (it writes the Run value and drops a schedule that
// is off), and the store at once. A value that does not convert changes nothing and says so.
bool frmMain::getOptionsFromFlash() {
    // A schedule the Task Scheduler cannot take changes nothing, as a value that does not convert:
    // the page stays with what was typed, and the schedule in force stays.
    const std::string schedule = flash.GetVariable("_root.scheduleSettings");
    if (!schedule.empty() && !frmOptions::ScheduleCanBeSet(schedule)) {
        const std::string told =
            "The schedule could not be set: its day, hour or minute is not valid. The schedule in force stays.";
        StatusBar1.SetPanelText(1, told);
        frmMsgBox.msgboxOK(told, "Corvane");
        return false;
    }
    const bool ok = base::Trap("getOptionsFromFlash", [&] {
        optionTable::GetOptionsFromFlash([&](const std::string& n) { return flash.GetVariable(n); });
        if (!schedule.empty()) {
            if (!frmOptions.Loaded()) frmOptions.Load();
            frmOptions.setSchedule(schedule);
        }
        frmOptions.Unload();
        frmOptions.Load();
        modMain::saveFormMainSettings();
    });
    StatusBar1.SetPanelText(1, ok ? "" : "The options were not saved: a value on the page is not valid.");
    return ok;
}

void frmMain::cmdOptions_Click() {
    if (!modMain::checkStartupPassword()) return cmdAbout_Click();
    frmOptions.Load();  // loaded, never shown: the movie's options page is its face
    showOptions();
    Front();
    flash.TPlay("_root.endOFTheProgress");
    disableMe(cmdOptions, false);
}

void frmMain::cmdAlerts_Click() {
    if (!modMain::checkStartupPassword()) return cmdAbout_Click();
    frmAlerts.Unload();
    frmAlerts.Load();
    frmAlerts.runMe();
    ShowPanel(frmAlerts);
    flash.TPlay("_root.endOFTheProgress");
    disableMe(cmdAlerts, false);
}

void frmMain::cmdAbout_Click() {
    frmAbout.Load();
    ShowPanel(frmAbout);
    frmMenu.Unload();
    flash.GotoFrame(About);
    flash.TPlay("_root.endOFTheProgress");
    flash.SetVariable("_root.my_but", "11");
    flash.SetVariable("_root.scanNow", "0");
    disableMe(cmdAbout, false);
}

void frmMain::cmdHelp_Click() {
    base::Trap("cmdHelp_Click", [&] {
        SetCurrentDirectoryA(base::ProgramFolder().c_str());
        const std::string help = modMain::FullPath_With_Filename("Help\\Help.chm");
        // No help to show: the user is told, and the log says why.
        auto fail = [&](long number, const std::string& why) {
            frmMsgBox.msgboxOK(modLanguage::getMessage("1153", "The help file could not be opened:") + "\r\n" + help,
                               "Corvane");
            throw base::RuntimeError(number, why + ": " + help);
        };
        if (!base::FileExists(help)) fail(53, "File not found");
        const auto shown =
            reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", help.c_str(), "", "", SW_SHOWNORMAL));
        if (shown <= 32) fail(static_cast<long>(shown), "The help file could not be opened");
    });
}

void frmMain::HideToTray() {
    hiddenToTray_ = true;
    Hide();
}

void frmMain::Tray1_LeftClick() {
    hiddenToTray_ = false;
    if (hWnd() != nullptr) ShowWindow(hWnd(), SW_RESTORE);
    gb_passwordAccepted = false;
    if (!modMain::checkStartupPassword()) cmdAbout_Click();
    Show();
}

void frmMain::Tray1_RightClick() {
    long choice = base::modal::Run({"mnuMain", "Main Menu", "", 0}, [this]() -> long {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING | (hiddenToTray_ ? MF_CHECKED : 0), kMenuShowHide, "Show/Hide");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, kMenuClose, "&Close");
        POINT p;
        GetCursorPos(&p);
        // The icon's own window owns the menu: a modal window disables the main one, and a menu
        // whose owner takes no input could not be closed. Foreground first, so that a click
        // elsewhere ends the menu; the message after it lets the next menu open.
        HWND owner = Tray1.hwnd();
        SetForegroundWindow(owner);
        trayMenuOpen_ = true;
        long r = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, owner, nullptr);
        trayMenuOpen_ = false;
        PostMessageA(owner, WM_NULL, 0, 0);
        DestroyMenu(menu);
        return r;
    });
    if (closeAfterTrayMenu_) {
        closeAfterTrayMenu_ = false;
        choice = static_cast<long>(kMenuClose);
    }
    if (choice == static_cast<long>(kMenuShowHide)) mnuMainShowHide_Click();
    if (choice == static_cast<long>(kMenuClose)) mnuMainClose_Click();
}

void frmMain::mnuMainShowHide_Click() {
    if (hiddenToTray_) {
        hiddenToTray_ = false;
        gb_passwordAccepted = false;
        Show();
    } else {
        HideToTray();
    }
}

void frmMain::mnuMainClose_Click() { Unload(); }

void frmMain::dragForm() {
    ui::DragWindow(hWnd());
    if (!gb_snapWinBorder) return;
    const mainLayout::Position at =
        mainLayout::KeepOnScreen({Left(), Top()}, Width(), Height(), ui::ScreenWidthTwips(), ui::ScreenHeightTwips());
    Move(at.left, at.top, Width(), Height());
}

void frmMain::layoutMainFrame() {
    mainLayout::Geometry g;
    g.windowWidth = Width();
    g.windowHeight = Height();
    g.flashWidth = flash.Width() * 15L;
    g.flashHeight = flash.Height() * 15L;
    g.frameLeft = FrameMain.Left() * 15L;
    g.frameTop = FrameMain.Top() * 15L;
    const mainLayout::Geometry fit = mainLayout::LayoutMainFrame(g);
    auto px = [](long twips) { return static_cast<int>((twips + 7) / 15); };
    flash.Move(flash.Left(), flash.Top(), px(fit.flashWidth), px(fit.flashHeight));
    FrameMain.Move(px(fit.frameLeft), px(fit.frameTop), FrameMain.Width(), FrameMain.Height());
    Move(Left(), Top(), fit.windowWidth, fit.windowHeight);
    if (hWnd()) {
        Skin.ApplyMask(hWnd(), "MainMask");  // the shape follows the new size
        SendMessageA(StatusBar1.hWnd(), WM_SIZE, 0, 0);
        StatusBar1.Reposition();
    }
    Refresh();
}

void frmMain::keepFormOnScreen() {
    base::Trap("keepFormOnScreen", [&] {
        if (!gb_snapWinBorder || !hWnd()) return;
        const mainLayout::Position at = mainLayout::KeepOnScreen({Left(), Top()}, Width(), Height(),
                                                                 ui::ScreenWidthTwips(), ui::ScreenHeightTwips());
        if (at.left != Left() || at.top != Top()) Move(at.left, at.top, Width(), Height());
    });
}
