#include "shell/frmMain.h"

#include <shellapi.h>

#include <map>
#include <memory>
#include <vector>

#include "base/Conversions.h"
#include "base/EntryFence.h"
#include "base/Modal.h"
#include "base/MsgBox.h"
#include "base/ProgramFolder.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/COpSysInfo.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/Removal.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/Statistics.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "definitions/StringCipher.h"
#include "guards/GuardSwitches.h"
#include "monitors/modMonitors.h"
#include "results/FindingList.h"
#include "results/ScanResults.h"
#include "shell/AppVersion.h"
#include "shell/CursorPosition.h"
#include "shell/FormLanguage.h"
#include "shell/MainLayout.h"
#include "shell/OptionTable.h"
#include "shell/frmAbout.h"
#include "shell/frmAddTask.h"
#include "shell/frmAlerts.h"
#include "shell/frmBackup.h"
#include "shell/frmBackupName.h"
#include "shell/frmCustomSelect.h"
#include "shell/frmEnterPassword.h"
#include "shell/frmIgnore.h"
#include "shell/frmLoad.h"
#include "shell/frmMenu.h"
#include "shell/frmMessage.h"
#include "shell/frmMsgBox.h"
#include "shell/frmOptions.h"
#include "shell/frmPopup.h"
#include "shell/frmResultBackup.h"
#include "shell/frmResults.h"
#include "shell/frmSave.h"
#include "shell/frmScanNow.h"
#include "shell/frmScanSpy.h"
#include "shell/frmSysGuards.h"
#include "shell/frmUpdate.h"
#include "shell/frminfo.h"
#include "shell/modMainWindows.h"
#include "ui/MessageLoop.h"

namespace {
// Runs the checks that notifications asked for, once the notification has returned.
constexpr UINT kRunGuardChecks = WM_APP + 0x316;
// One version for the whole program: the caption, the about page, the home panel and the splash.
constexpr int kVersionMajor = appVersion::kMajor, kVersionMinor = appVersion::kMinor,
              kVersionRevision = appVersion::kRevision;
constexpr char kWebSite[] = "http://www.corvane.example/";
constexpr UINT kMenuShowHide = 1, kMenuClose = 2;

// The about page's version line.
std::string VersionNumberText() {
    return "Version: " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + ".0." +
           std::to_string(kVersionRevision);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// True when the upper-cased command line holds the switch as a word of its own ("/SCAN", not "/SCANX").
bool HasSwitch(const std::string& upper, const std::string& sw) {
    for (size_t at = upper.find(sw); at != std::string::npos; at = upper.find(sw, at + 1)) {
        bool startOk = at == 0 || upper[at - 1] == ' ' || upper[at - 1] == '"';
        size_t end = at + sw.size();
        bool endOk = end == upper.size() || upper[end] == ' ' || upper[end] == '"';
        if (startOk && endOk) return true;
    }
    return false;
}

// The one instance of the program in this program folder: a second start is refused.
std::string InstanceName() { return frmMain::InstanceMutexName(); }
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
    using monitors::NotifyBox;
    for (NotifyBox box : {NotifyBox::StartupFolder, NotifyBox::StartupRegistry, NotifyBox::IEFavorite,
                          NotifyBox::IEHijack, NotifyBox::BHO}) {
        ui::TextBox& t = Box(box);
        t.SetVisible(false);
        t.Move(0, 0, 10, 10);
        t.OnChange = [this, box] { BoxChanged(box); };
    }
    txtPramaterInfoEnvenHandeler.SetVisible(false);
    txtPramaterInfoEnvenHandeler.Move(0, 0, 10, 10);
    txtPramaterInfoEnvenHandeler.OnChange = [this] { txtPramaterInfoEnvenHandeler_Change(); };
    tmrStartUP.SetInterval(5000);
    tmrStartUP.SetEnabled(false);
    tmrStartUP.OnTimer = [this] { tmrStartUP_Timer(); };
    tmrMonitor.SetInterval(100);
    tmrMonitor.SetEnabled(false);
    tmrMonitor.OnTimer = [this] { tmrMonitor_Timer(); };
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
    flash.FSCommand = [this](const std::string& c, const std::string& a) { flash_FSCommand(c, a); };
}

void frmMain::Step(const std::string& name) {
    if (OnStep) OnStep(name);
}

ui::TextBox& frmMain::Box(monitors::NotifyBox box) {
    switch (box) {
        case monitors::NotifyBox::StartupFolder:
            return txtStartupFolder;
        case monitors::NotifyBox::StartupRegistry:
            return txtStartupRegistry;
        case monitors::NotifyBox::IEFavorite:
            return txtIEFavoriteMonitor;
        case monitors::NotifyBox::IEHijack:
            return txtIEHijackMonitor;
        case monitors::NotifyBox::BHO:
            break;
    }
    return txtBHOMonitor;
}

// The change handler of each box (txtStartupFolder_Change ...): a change of its place is taken and
// the box emptied, which raises the handler once more with nothing to do.
void frmMain::BoxChanged(monitors::NotifyBox box) {
    ui::TextBox& t = Box(box);
    if (modMonitors::RouteNotification(box, t.Text())) t.SetText("");
}

HWND frmMain::NotifyWindow(monitors::NotifyBox box) { return Box(box).hWnd(); }

void frmMain::RequestChecks() {
    if (checksPosted_) return;
    if (hWnd() != nullptr && PostMessageA(hWnd(), kRunGuardChecks, 0, 0)) {
        checksPosted_ = true;
        return;
    }
    modMonitors::RunPendingChecks();
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
    if (msg != kRunGuardChecks) return false;
    checksPosted_ = false;
    modMonitors::RunPendingChecks();
    result = 0;
    return true;
}

void frmMain::DoEvents() { ui::DoEvents(); }

void frmMain::ShowGuardAlert(const std::string& text) {
    // Only one pop-up at a time: the one on screen, in whatever phase, gives way to the new one.
    if (frmPopup.Loaded()) frmPopup.Unload();
    frmPopup.Load();
    frmPopup.DisplayAlert(text, 3000, this);
    if (Loaded() && Visible()) SetFocus(hWnd());
}

// ---- start-up and shut-down

void frmMain::Form_Load() {
    if (RunsProgram) {
        StartProgram();
        return;
    }
    Skin.LoadSkin(modMain::FullPath_With_Filename("\\Skin\\Corvane.skn"));
    Skin.ApplyMask(hWnd(), "MainMask");
    layoutMainFrame();
    FrameMain.ZOrder(0);
    RaiseOverMovie();
}

void frmMain::StartProgram() {
    Step("SingleInstance");
    instance_.reset(CreateMutexA(nullptr, FALSE, InstanceName().c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        instance_.reset();
        base::MsgBox(modLanguage::getMessage("1119", "There is already opened instance"), MB_OK | MB_ICONERROR,
                     "Corvane");
        RunsProgram = false;  // nothing of the shut-down runs for a refused instance
        if (EndProgram)
            EndProgram();
        else
            ExitProcess(base::kExitAnotherInstance);
        return;
    }
    Step("LoadEncryption");
    modEncryption::LoadEncryption();
    Step("LoadSettings");
    modMain::loadFormMainSettings();
    if (gb_useSplash) {
        Step("Splash");
        Splash.SetVersion("Version " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor));
        Splash.LoadFile(modMain::FullPath_With_Filename("Corvane.spl"));
        Splash.ShowSplash(0);
    }
    Step("Position");
    if (gb_rememWinPos) {
        long cx = ui::ScreenWidthTwips() / 2 - Width() / 2;
        long cy = ui::ScreenHeightTwips() / 2 - Height() / 2;
        SetLeft(static_cast<long>(conv::Val(settings::GetSetting("Interface", "winLeft", std::to_string(cx)))));
        SetTop(static_cast<long>(conv::Val(settings::GetSetting("Interface", "winTop", std::to_string(cy)))));
    } else {
        SetLeft(ui::ScreenWidthTwips() / 2 - Width() / 2);
        SetTop(ui::ScreenHeightTwips() / 2 - Height() / 2);
    }
    Step("Skin");
    Skin.LoadSkin(modMain::FullPath_With_Filename("\\Skin\\Corvane.skn"));
    Skin.ApplyMask(hWnd(), "MainMask");
    Step("Movie");
    flash.Move(0, -2, kMovieWidth, kMovieHeight);
    flash.LoadMovie(0, modMain::FullPath_With_Filename("corvane.scw"));
    Front();
    Step("SelectedDrives");
    flash.SetVariable("_root.SelectedDrives",
                      settings::GetSetting("SelectedDrives", "selected", optionTable::kDefaultDriveFlags));
    Step("Folders");
    modMain::FillSpecialFolderGlobals(COpSysInfo().Platform());
    Step("DeleteLogFile");
    modMain::deleteLogFile();
    tmrStartUP.SetEnabled(true);
    Step("Caption");
    SetCaption(formLanguage::getFormString(*this, "1000", "Corvane") + " " + std::to_string(kVersionMajor) + "." +
               std::to_string(kVersionMinor));
    // The about page may show before its command ever came (a refused password leads there).
    flash.SetVariable("_root.versionNumber", VersionNumberText());
    modMain::loadResultCounters();
    Step("Home");
    cmdScanNow_Click();
    Step("FlashMenuHook");
    CursorPosition::HookFlashMenu1(flash.hWnd(), true);
    Step("OptionsToMovie");
    setDrivesToFlash();
    optionTable::SetOptionsToFlash([&](const std::string& n, const std::string& v) { flash.SetVariable(n, v); });
    Step("PublishHandles");
    settings::SaveSetting("txtHandle", "txtPramaterInfoEnvenHandeler",
                          std::to_string(reinterpret_cast<UINT_PTR>(txtPramaterInfoEnvenHandeler.hWnd())));
    settings::SaveSetting("formHandle", "fromhandlewindow", std::to_string(reinterpret_cast<UINT_PTR>(hWnd())));
    Step("MonitorTimer");
    tmrMonitor.SetEnabled(true);
    Step("LoadForms");
    frmMsgBox.Load();
    frmScanSpy.Load();
    Step("TrayIcon");
    Tray1.Show(true);
    if (gb_useSplash) {
        Step("HideSplash");
        Splash.HideSplash();
    }
    Step("Show");
    layoutMainFrame();
    if (!gb_rememWinPos) {  // centred at its fitted size
        SetLeft(ui::ScreenWidthTwips() / 2 - Width() / 2);
        SetTop(ui::ScreenHeightTwips() / 2 - Height() / 2);
    }
    keepFormOnScreen();
    Show();
}

void frmMain::Form_Unload(int& Cancel) {
    if (!RunsProgram) return;
    Step("Confirm");
    long answer = frmMsgBox.msgbox(
        modLanguage::getMessage(
            "1113", "Are you sure, you want to close the program ,If yes you will lose system guards protection !!"),
        "Corvane");
    if (answer == 2) {
        Cancel = 1;
        return;
    }
    Step("Unhook");
    CursorPosition::HookFlashMenu1(flash.hWnd(), false);
    if (frmMessage.Loaded()) CursorPosition::HookMessageWindow(frmMessage.hWnd(), false);
    Step("Handles");
    settings::SaveSetting("txtHandle", "txtPramaterInfoEnvenHandeler", "-1");
    settings::SaveSetting("formHandle", "fromhandlewindow", "-1");
    settings::SaveSetting("Interface", "winLeft", std::to_string(Left()));
    settings::SaveSetting("Interface", "winTop", std::to_string(Top()));
    Step("StopFlag");
    gb_scanAborted = true;
    Step("SaveSettings");
    modMain::saveFormMainSettings();
    Step("TrayOff");
    Tray1.Show(false);
    // The guards stop before their snapshots go: a change handled in between would otherwise
    // be compared with a missing snapshot.
    Step("StopGuards");
    base::Trap("stopStartupMonitor", [] {
        if (gb_startupGuard || modMonitors::StartupGuardRunning()) modMonitors::stopStartupMonitor();
    });
    base::Trap("stopIEFavoriteMonitor", [] {
        if (gb_ieFavoriteGuard || modMonitors::FavoritesGuardRunning()) modMonitors::stopIEFavoriteMonitor();
    });
    base::Trap("stopIEHijackGuard", [] {
        if (gb_ieHijackGuard || modMonitors::HijackGuardRunning()) modMonitors::stopIEHijackGuard();
    });
    base::Trap("stopBHOMonitor", [] {
        if (gb_bhoGuard || modMonitors::BhoGuardRunning()) modMonitors::stopBHOMonitor();
    });
    Step("DeleteSnapshots");
    for (const char* f : {modMonitors::kStartupFolderSnapshot, modMonitors::kStartupRegistrySnapshot,
                          modMonitors::kFavoritesSnapshot, modMonitors::kHijackSnapshot, modMonitors::kBhoSnapshot})
        DeleteFileA(modMain::FullPath_With_Filename(f).c_str());
    Step("UnloadForms");
    // Every other window goes, and the panels that remember their controls save them as they go.
    for (ui::Form* f : std::initializer_list<ui::Form*>{
             &frmMessage,      &frmAbout,         &frmAddTask, &frmAlerts,    &frmBackup, &frmBackupName,
             &frmCustomSelect, &frmEnterPassword, &frmIgnore,  &frminfo,      &frmLoad,   &frmPopup,
             &frmResultBackup, &frmResults,       &frmSave,    &frmSysGuards, &frmUpdate, &frmOptions,
             &frmScanSpy,      &frmScanNow,       &frmMsgBox,  &frmMenu})
        base::Trap("Form_Unload", [f] {
            if (f->Loaded()) f->Unload();
        });
    // Once the results window has gone: what this session's list holds and the file does not yet.
    results::ProgramResults().SaveIfChanged();
    tmrStartUP.SetEnabled(false);
    tmrMonitor.SetEnabled(false);
    instance_.reset();
    Step("End");
    RunsProgram = false;
    PostQuitMessage(0);
}

void frmMain::ResetFormState() {
    Skin = skin::Skin{};
    checksPosted_ = false;
    hiddenToTray_ = false;
    selected_.clear();
    instance_.reset();
    Tray1.Show(false);  // an unloaded main window leaves no icon behind
    Splash.Unload();
}

// ---- the main movie's commands

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

namespace {
using Handler = void (*)(class frmMain& f, const std::string& args);
struct Row {
    bool password;  // asks the password first
    Handler run;
};

// Runs a scan driver, or hands the call to the test's stand-in; false when no scan ran.
bool Scan(const char* driver, const std::string& arg = {}) {
    if (frmMain.OnScan) {
        frmMain.OnScan(driver, arg);
        return true;
    }
    const std::string d = driver;
    if (d == "StartScan") return frmScanSpy.StartScan();
    if (d == "QuickScan") return frmScanSpy.QuickScan();
    if (d == "CustomScan") return frmScanSpy.CustomScan(arg);
    return frmScanSpy.ScanSelectedFolder(arg);
}

void ShowScanWindow() {
    frmScanSpy.Load();
    frmScanSpy.Show(ui::vbModeless, &frmMain);
}

const std::map<std::string, Row>& Commands() {
    using F = class frmMain;
    // Every row that changes something asks the password too: the movie must not be the only
    // thing between a user without it and a removal, a restore or a guard switch. Once the
    // password was accepted in this session the step passes at once.
    static const std::map<std::string, Row> rows = {
        {"IDC_FS_SENDITAGAIN",
         {false,
          [](F& f, const std::string& a) {
              std::string drives = ReplaceAll(a, ",", "|");
              settings::SaveSetting("SelectedDrives", "selected", drives);
              f.flash.SetVariable("_root.SelectedDrives", drives);
          }}},
        {"IDC_FS_SCANMODE",
         {true,
          [](F& f, const std::string& a) {
              std::string mode = base::UCase(a);
              if (mode == "CUSTOMSCAN") {
                  f.flash.GotoFrame(F::Custom);
                  return;
              }
              ShowScanWindow();
              if (mode == "FULLSCAN")
                  Scan("StartScan");
              else
                  Scan("QuickScan");
          }}},
        {"IDC_FS_CUSTOMSCAN",
         {true,
          [](F& f, const std::string& a) {
              // The custom page sends its drive flags: they choose the drives, and the page
              // scans every other place a custom scan can.
              std::string options = a;
              const std::string lower = base::LCase(a);
              if (lower.find("true") != std::string::npos || lower.find("false") != std::string::npos) {
                  const std::string drives = ReplaceAll(a, ",", "|");
                  settings::SaveSetting("SelectedDrives", "selected", drives);
                  f.flash.SetVariable("_root.SelectedDrives", drives);
                  options = "SM|QS|DS|SC";
              }
              ShowScanWindow();
              Scan("CustomScan", options);
          }}},
        {"IDC_FS_OPTIONS",
         {true,
          [](F& f, const std::string&) {
              frmOptions.Load();
              f.showOptions();
          }}},
        {"IDC_FS_SAVESETTINGS",
         {true,
          [](F& f, const std::string&) {
              if (!f.getOptionsFromFlash()) return;  // the page stays, with what the user typed
              frmOptions.Unload();
              f.flash.GotoFrame(F::Home);
          }}},
        {"IDC_FS_ADVANCEDSETTINGS", {true, [](F&, const std::string&) { frmOptions.showCustomSchedule(); }}},
        {"IDC_FS_CHANGEPASSWORD", {true, [](F&, const std::string&) { frmOptions.showPassWindow(); }}},
        // The outside updater does not exist here: the program's own update window does its work.
        {"IDC_FS_UPDATENOW", {false, [](F&, const std::string&) { frmUpdate.OpenUpdateWindow(); }}},
        {"IDC_FS_LIVEUPDATE", {false, [](F&, const std::string&) { frmUpdate.OpenUpdateWindow(); }}},
        {"IDC_FS_SYSGUARD",
         {true,
          [](F& f, const std::string&) {
              f.flash.GotoFrame(F::SystemGuards);
              // Each opening reads the places afresh: a Run value or helper object added meanwhile shows.
              frmSysGuards.Unload();
              frmSysGuards.Load();
              f.ShowPanel(frmSysGuards);  // the window's own movie fills the page
          }}},
        {"IDC_FS_ENABLESTARTUPGUARD", {true, [](F&, const std::string&) { frmSysGuards.enableStartupAuto(); }}},
        {"IDC_FS_IEFAVORITESGUARD", {true, [](F&, const std::string&) { frmSysGuards.enableIEFavvorites(); }}},
        {"IDC_FS_IEHIJACKGUARD", {true, [](F&, const std::string&) { frmSysGuards.enableIEHiJackGuard(); }}},
        {"IDC_FS_IEHOMEPAGEGUARD", {true, [](F&, const std::string&) { frmSysGuards.enableIEHomePage(); }}},
        {"IDC_FS_ADDITTOALERTSECTION", {true, [](F&, const std::string&) { frmSysGuards.enableIERestoreHomePageAutomatic(); }}},
        {"IDC_FS_RADIOOFTEXT", {true, [](F&, const std::string&) { frmSysGuards.enableIERestoreHomePageAutomatic(); }}},
        {"IDC_FS_SAVEHOMEPAGE", {true, [](F&, const std::string&) { frmSysGuards.setHomepage(); }}},
        {"IDC_FS_STARTUP_ENABLEDISABLE", {true, [](F&, const std::string& a) { frmSysGuards.en_des_Startupitem(a); }}},
        {"IDC_FS_STARTUP_DELETE", {true, [](F&, const std::string& a) { frmSysGuards.del_Startupitem(a); }}},
        {"IDC_FS_STARTUP_ADDSTARTUP", {true, [](F&, const std::string&) { frmSysGuards.add_SartupItem(); }}},
        {"IDC_FS_STARTUP_SAVESTARTUP", {true, [](F&, const std::string&) { frmSysGuards.save_Startup(); }}},
        {"IDC_FS_STARTUP_LOADSTARTUP", {true, [](F&, const std::string&) { frmSysGuards.load_Startup(); }}},
        {"IDC_FS_STARTUP_RESET", {true, [](F&, const std::string&) { frmSysGuards.reset_Startup(); }}},
        {"IDC_FS_STARTUP_APPLY", {true, [](F&, const std::string&) { frmSysGuards.apply_Startup(); }}},
        {"IDC_FS_BHO_ENABLEDISABLE", {true, [](F&, const std::string& a) { frmSysGuards.en_des_BHO(a); }}},
        {"IDC_FS_BHO_DELETE", {true, [](F&, const std::string& a) { frmSysGuards.remove_BHO(a); }}},
        {"IDC_FS_BHO_VIEWINFO", {false, [](F&, const std::string& a) { frmSysGuards.info_BHO(a); }}},
        {"IDC_FS_BHO_APPLY", {true, [](F&, const std::string&) { frmSysGuards.apply_BHO(); }}},
        {"IDC_FS_BHO_SAVEBHOSETTING", {true, [](F&, const std::string&) { frmSysGuards.save_BHO(); }}},
        {"IDC_FS_BHO_LOADBHOSETTING", {true, [](F&, const std::string&) { frmSysGuards.load_BHO(); }}},
        {"IDC_FS_UNINSTALL", {true, [](F&, const std::string& a) { frmSysGuards.remove_AddRemoveGuard(a); }}},
        {"IDC_FS_MOREINFO", {false, [](F&, const std::string& a) { frmSysGuards.info_AddRemoveGuard(a); }}},
        {"IDC_FS_RESULTS",
         {true,
          [](F& f, const std::string&) {
              frmResults.Load();
              frmIgnore.Load();
              frmBackup.Load();
              frmIgnore.addIgnoreListToFlash();
              frmBackup.FillBackupList();
              frmBackup.addBackupListInFlash();
              frmResults.setValuestoflash();
              f.flash.GotoFrame(F::Results);
          }}},
        {"IDC_FS_SAVESCANLOG", {false, [](F&, const std::string&) { frmResults.saveScanLog(); }}},
        {"IDC_FS_RESULTSBACKUP", {true, [](F&, const std::string& a) { frmBackup.RestoreBackup(a); }}},
        {"IDC_FS_RESULTSDELETEBACKUP", {true, [](F&, const std::string& a) { frmBackup.DeleteBackup(a); }}},
        {"IDC_FS_RESUTSIGNORE", {true, [](F&, const std::string& a) { frmIgnore.removeIgnoreList(a); }}},
        {"IDC_FS_ALERT",
         {true,
          [](F& f, const std::string&) {
              frmAlerts.Unload();
              frmAlerts.Load();
              frmAlerts.fillAlertFlashList();
              f.flash.GotoFrame(F::Alerts);
          }}},
        {"IDC_FS_AUTHORIZE", {true, [](F&, const std::string& a) { frmAlerts.authorizeAlert(a); }}},
        {"IDC_FS_DELETE", {true, [](F&, const std::string& a) { frmAlerts.deleteAlert(a); }}},
        {"IDC_FS_SCANNOW",
         {false,
          [](F& f, const std::string&) {
              // The movie's home page, in front; the home panel starts afresh behind it.
              frmMenu.Unload();
              frmMenu.Load();
              frmMenu.runMe();
              f.flash.GotoFrame(F::Home);
          }}},
        {"IDC_FS_SHOWREMOVELIST", {false, [](F&, const std::string&) {}}},
        {"IDC_FS_REMOVELIST",
         {true,
          [](F& f, const std::string&) {
              frmResultBackup.Unload();
              frmResultBackup.Load();
              frmResultBackup.runMe();
              frmResultBackup.Show(ui::vbModal, &f);
          }}},
        {"IDC_FS_REMOVEIGNORE",
         {true,
          [](F&, const std::string& a) {
              frmResultBackup.ignoreSpyItems(a);
              frmIgnore.FillIgnoreIgnoreListView();
          }}},
        {"IDC_FS_REMOVELIST_REMOVE", {true, [](F&, const std::string& a) { frmResultBackup.removeSpyItems(a, false); }}},
        {"IDC_FS_REMOVEBACKUP", {true, [](F&, const std::string& a) { frmResultBackup.backupSpyItems(a); }}},
        {"IDC_FS_RESETSTATISTICS", {true, [](F&, const std::string&) { frmMenu.resetStates(); }}},
        {"IDC_FS_DRAG", {false, [](F& f, const std::string&) { f.dragForm(); }}},
        {"IDC_FS_MINIMIZE", {false, [](F& f, const std::string&) { f.HideToTray(); }}},
        {"IDC_FS_HELP", {false, [](F& f, const std::string&) { f.cmdHelp_Click(); }}},
        {"IDC_FS_CLOSE", {false, [](F& f, const std::string&) { f.Unload(); }}},
        {"IDC_FS_ABOUT",
         {false,
          [](F& f, const std::string&) {
              f.flash.SetVariable("_root.versionNumber", VersionNumberText());
              f.flash.GotoFrame(F::About);
              f.flash.ZOrder(0);
          }}},
        {"IDC_FS_WEBSITE", {false, [](F&, const std::string&) { modMain::OpenIt(kWebSite); }}},
    };
    return rows;
}

// Rows that act on the window alone (a scan runs on while it is moved, hidden or closed).
bool AllowedWhileBusy(const std::string& c) {
    return c == "IDC_FS_DRAG" || c == "IDC_FS_MINIMIZE" || c == "IDC_FS_CLOSE" || c == "IDC_FS_HELP" ||
           c == "IDC_FS_WEBSITE";
}

// Rows that bring the movie to the front before anything else.
bool FrontFirst(const std::string& c) {
    return c == "IDC_FS_SCANMODE" || c == "IDC_FS_OPTIONS" || c == "IDC_FS_SYSGUARD" || c == "IDC_FS_RESULTS" ||
           c == "IDC_FS_ALERT" || c == "IDC_FS_SCANNOW";
}
}  // namespace

void frmMain::flash_FSCommand(const std::string& command, const std::string& args) {
    base::Trap("flash_FSCommand", [&] {
        const std::string c = base::UCase(command);
        // A list row chosen in the movie: the page's buttons act on it ("@backup", "@ignore", "@alert").
        for (const char* list : {"BACKUP", "IGNORE", "ALERT"}) {
            if (c == std::string("IDC_FS_") + list + "ROW") {
                selected_[list] = args;
                return;
            }
        }
        // While a scan or a removal runs only the window's own handling goes on: no page or list
        // opens over the scan, and nothing changes the findings it is recording.
        if (ScanBusy() && !AllowedWhileBusy(c)) return;
        auto it = Commands().find(c);
        if (it == Commands().end()) {
            base::MsgBox(command + "Not handled yet", MB_OK, "Corvane");
            return;
        }
        if (FrontFirst(c)) Front();
        if (it->second.password && !ProtectedPage()) return;
        it->second.run(*this, MovieArgument(args));
        // The alerts list is sent anew after an answer: a row chosen before names another row now.
        if (c == "IDC_FS_ALERT" || c == "IDC_FS_AUTHORIZE" || c == "IDC_FS_DELETE") selected_.erase("ALERT");
    });
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

// The movie's buttons cannot compute their argument: "@drives" stands for the drive check boxes'
// flags, "@backup" / "@ignore" / "@alert" for the row chosen in that list.
std::string frmMain::MovieArgument(const std::string& args) {
    if (base::UCase(args) == "@DRIVES") {
        std::string flags;
        for (int i = 0; i < 16; ++i) {
            if (i) flags += ",";
            flags += flash.GetVariable("_root.drive" + std::to_string(i)) == "1" ? "true" : "false";
        }
        return flags;
    }
    if (args.size() > 1 && args[0] == '@') return selected_[base::UCase(args.substr(1))];
    return args;
}

// ---- public operations, buttons, tray

void frmMain::showAlertForm() {
    if (gb_scanBusy) return;
    flash_FSCommand("IDC_FS_Alert", "");
    Tray1_LeftClick();
    flash.GotoFrame(Alerts);
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
    const bool ok = base::Trap("getOptionsFromFlash", [&] {
        optionTable::GetOptionsFromFlash([&](const std::string& n) { return flash.GetVariable(n); });
        if (!flash.GetVariable("_root.scheduleSettings").empty()) {
            if (!frmOptions.Loaded()) frmOptions.Load();
            frmOptions.setSchedule(flash.GetVariable("_root.scheduleSettings"));
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
        HWND owner = hWnd() != nullptr ? hWnd() : Tray1.hwnd();
        SetForegroundWindow(owner);
        long r = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, owner, nullptr);
        DestroyMenu(menu);
        return r;
    });
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

// ---- the command line, the timers and the parameter channel

// The scan chosen last on the scan-choice panel, as if the user had chosen it again. The custom
// choice starts nothing: the movie shows its custom selection page for the user to finish it.
void frmMain::autoStartScan() {
    frmMenu.clickTheScanButton();
    if (frmScanNow.Loaded() && frmScanNow.optCustomScan.Value() == 1) flash.GotoFrame(Custom);
}

// The scheduled task's start: a full scan nobody watches (its findings are in the results file
// once it ended, as after every scan).
void frmMain::scheduledScan() {
    ShowScanWindow();
    Scan("StartScan");
}

void frmMain::tmrStartUP_Timer() {
    bool ok = base::Trap("Timer1_Timer", [&] {
        const std::string upper = base::UCase(CommandLine);
        if (!CommandLine.empty() && upper.find("/STARTUP") != std::string::npos) autoStartScan();
        // The scheduled task starts the program with "/SCAN": that start is meant to scan.
        else if (HasSwitch(upper, "/SCAN"))
            scheduledScan();
        if (CommandLine.find("ScanFolder") != std::string::npos) txtPramaterInfoEnvenHandeler.SetText(CommandLine);
        tmrStartUP.SetEnabled(false);
        if (gb_autoCheckForUpdate) frmUpdate.OpenUpdateWindow();
    });
    if (!ok) tmrStartUP.SetEnabled(false);
}

void frmMain::tmrMonitor_Timer() {
    tmrMonitor.SetEnabled(false);
    base::Trap("tmrMonitor_Timer", [&] {
        if (frmScanSpy.engine.ScanMemoryFast()) {
            long a = frmMsgBox.msgbox(modLanguage::getMessage("1129",
                                                              "Warning: a spyware found running in memory, "
                                                              "You should scan your system now. Scan now?"),
                                      "Corvane");
            if (a == 1) scheduledScan();
        }
        using guards::GuardKind;
        for (GuardKind k : {GuardKind::Startup, GuardKind::IEFavorites, GuardKind::IEHijack, GuardKind::BHO}) {
            guards::GuardSwitch& s = guards::SwitchOf(k);
            if (s.Setting() && !s.Running()) s.Set(true);
        }
    });
}

void frmMain::txtPramaterInfoEnvenHandeler_Change() {
    const std::string text = txtPramaterInfoEnvenHandeler.Text();
    if (text.empty()) return;
    if (!gb_scanBusy && !frmScanSpy.ScanRefused() && text.find("ScanFolder") != std::string::npos) {
        base::Trap("txtPramaterInfoEnvenHandeler_Change", [&] {
            gb_removalFailed = false;
            ui::DoEvents();
            frmScanSpy.Unload();
            frmScanSpy.Load();
            disableMe(cmdScanNow, false);
            frmScanSpy.Show(ui::vbModeless, this);
            // The load records the definitions' direct paths: they belong to this scan's list.
            frmScanSpy.scans.NewResults();
            frmScanSpy.loadDataBase(true);
            Scan("ScanSelectedFolder", text);
        });
    }
    txtPramaterInfoEnvenHandeler.SetText("");
}
