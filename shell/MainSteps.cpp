// The program's start-up and shut-down as tables of named steps (each name reported to OnStep as
// it runs), and what the start-up leaves running: the command line's tick, the memory check and
// the parameter channel.
#include <windows.h>

#include <initializer_list>
#include <string>

#include "base/Conversions.h"
#include "base/EntryFence.h"
#include "base/MsgBox.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/COpSysInfo.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/Statistics.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "definitions/StringCipher.h"
#include "guards/GuardSwitches.h"
#include "monitors/modMonitors.h"
#include "results/ScanResults.h"
#include "shell/AppVersion.h"
#include "shell/CursorPosition.h"
#include "shell/FormLanguage.h"
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
#include "shell/frmMain.h"
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
#include "ui/MessageLoop.h"

namespace {
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

bool Always() { return true; }
bool WithSplash() { return gb_useSplash; }

void CentreOnScreen(class frmMain& f) {
    f.SetLeft(ui::ScreenWidthTwips() / 2 - f.Width() / 2);
    f.SetTop(ui::ScreenHeightTwips() / 2 - f.Height() / 2);
}
}  // namespace

struct frmMain::Steps {
    // One step: reported and run when `when` holds; a step that answers false ends the table there.
    struct Row {
        const char* name;
        bool (*when)();
        bool (*run)(frmMain& f);
    };

    static bool Run(frmMain& f, std::initializer_list<Row> rows) {
        for (const Row& row : rows) {
            if (!row.when()) continue;
            f.Step(row.name);
            if (!row.run(f)) return false;
        }
        return true;
    }

    // The one instance of the program in this program folder: a second start is refused and ends.
    static bool SingleInstance(frmMain& f) {
        f.instance_.reset(CreateMutexA(nullptr, FALSE, frmMain::InstanceMutexName().c_str()));
        if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
        f.instance_.reset();
        base::MsgBox(modLanguage::getMessage("1119", "There is already opened instance"), MB_OK | MB_ICONERROR,
                     "Corvane");
        f.RunsProgram = false;  // nothing of the shut-down runs for a refused instance
        if (f.EndProgram)
            f.EndProgram();
        else
            ExitProcess(base::kExitAnotherInstance);
        return false;
    }

    static bool StartUp(frmMain& f) {
        return Run(f, {
                          {"SingleInstance", Always, SingleInstance},
                          {"LoadEncryption", Always, [](frmMain&) { return modEncryption::LoadEncryption(), true; }},
                          {"LoadSettings", Always, [](frmMain&) { return modMain::loadFormMainSettings(), true; }},
                          {"Splash", WithSplash,
                           [](frmMain& f) {
                               f.Splash.SetVersion("Version " + std::to_string(appVersion::kMajor) + "." +
                                                   std::to_string(appVersion::kMinor));
                               f.Splash.LoadFile(modMain::FullPath_With_Filename("Corvane.spl"));
                               f.Splash.ShowSplash(0);
                               return true;
                           }},
                          {"Position", Always,
                           [](frmMain& f) {
                               if (!gb_rememWinPos) return CentreOnScreen(f), true;
                               const long cx = ui::ScreenWidthTwips() / 2 - f.Width() / 2;
                               const long cy = ui::ScreenHeightTwips() / 2 - f.Height() / 2;
                               f.SetLeft(static_cast<long>(
                                   conv::Val(settings::GetSetting("Interface", "winLeft", std::to_string(cx)))));
                               f.SetTop(static_cast<long>(
                                   conv::Val(settings::GetSetting("Interface", "winTop", std::to_string(cy)))));
                               return true;
                           }},
                          {"Skin", Always,
                           [](frmMain& f) {
                               f.Skin.LoadSkin(modMain::FullPath_With_Filename("\\Skin\\Corvane.skn"));
                               f.Skin.ApplyMask(f.hWnd(), "MainMask");
                               return true;
                           }},
                          {"Movie", Always,
                           [](frmMain& f) {
                               f.flash.Move(0, -2, kMovieWidth, kMovieHeight);
                               f.flash.LoadMovie(0, modMain::FullPath_With_Filename("corvane.scw"));
                               f.Front();
                               return true;
                           }},
                          {"SelectedDrives", Always,
                           [](frmMain& f) {
                               f.flash.SetVariable(
                                   "_root.SelectedDrives",
                                   settings::GetSetting("SelectedDrives", "selected", optionTable::kDefaultDriveFlags));
                               return true;
                           }},
                          {"Folders", Always,
                           [](frmMain&) { return modMain::FillSpecialFolderGlobals(COpSysInfo().Platform()), true; }},
                          {"DeleteLogFile", Always,
                           [](frmMain& f) {
                               modMain::deleteLogFile();
                               f.tmrStartUP.SetEnabled(true);
                               return true;
                           }},
                          {"Caption", Always,
                           [](frmMain& f) {
                               f.SetCaption(formLanguage::getFormString(f, "1000", "Corvane") + " " +
                                            std::to_string(appVersion::kMajor) + "." +
                                            std::to_string(appVersion::kMinor));
                               // The about page may show before its command ever came (a refused password leads there).
                               f.flash.SetVariable("_root.versionNumber", appVersion::VersionNumberText());
                               modMain::loadResultCounters();
                               return true;
                           }},
                          {"Home", Always, [](frmMain& f) { return f.cmdScanNow_Click(), true; }},
                          {"FlashMenuHook", Always,
                           [](frmMain& f) { return CursorPosition::HookFlashMenu1(f.flash.hWnd(), true), true; }},
                          {"OptionsToMovie", Always,
                           [](frmMain& f) {
                               f.setDrivesToFlash();
                               optionTable::SetOptionsToFlash(
                                   [&](const std::string& n, const std::string& v) { f.flash.SetVariable(n, v); });
                               return true;
                           }},
                          {"PublishHandles", Always,
                           [](frmMain& f) {
                               settings::SaveSetting(
                                   "txtHandle", "txtPramaterInfoEnvenHandeler",
                                   std::to_string(reinterpret_cast<UINT_PTR>(f.txtPramaterInfoEnvenHandeler.hWnd())));
                               settings::SaveSetting("formHandle", "fromhandlewindow",
                                                     std::to_string(reinterpret_cast<UINT_PTR>(f.hWnd())));
                               return true;
                           }},
                          {"MonitorTimer", Always, [](frmMain& f) { return f.tmrMonitor.SetEnabled(true), true; }},
                          {"LoadForms", Always,
                           [](frmMain&) {
                               frmMsgBox.Load();
                               frmScanSpy.Load();
                               return true;
                           }},
                          {"TrayIcon", Always, [](frmMain& f) { return f.Tray1.Show(true), true; }},
                          {"HideSplash", WithSplash, [](frmMain& f) { return f.Splash.HideSplash(), true; }},
                          {"Show", Always,
                           [](frmMain& f) {
                               f.layoutMainFrame();
                               if (!gb_rememWinPos) CentreOnScreen(f);  // centred at its fitted size
                               f.keepFormOnScreen();
                               f.Show();
                               return true;
                           }},
                      });
    }

    // The guards stop before their snapshots go: a change handled in between would otherwise be
    // compared with a missing snapshot.
    static bool StopGuards(frmMain&) {
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
        return true;
    }

    // Every other window goes, and the panels that remember their controls save them as they go.
    static bool UnloadForms(frmMain& f) {
        for (ui::Form* form : std::initializer_list<ui::Form*>{
                 &frmMessage,      &frmAbout,         &frmAddTask, &frmAlerts,    &frmBackup, &frmBackupName,
                 &frmCustomSelect, &frmEnterPassword, &frmIgnore,  &frminfo,      &frmLoad,   &frmPopup,
                 &frmResultBackup, &frmResults,       &frmSave,    &frmSysGuards, &frmUpdate, &frmOptions,
                 &frmScanSpy,      &frmScanNow,       &frmMsgBox,  &frmMenu})
            base::Trap("Form_Unload", [form] {
                if (form->Loaded()) form->Unload();
            });
        // Once the results window has gone: what this session's list holds and the file does not yet.
        results::ProgramResults().SaveIfChanged();
        // A removal after the scanning window went counted on: those figures are kept too.
        base::Trap("saveResultCounters", [] { modMain::saveResultCounters(); });
        f.tmrStartUP.SetEnabled(false);
        f.tmrMonitor.SetEnabled(false);
        f.instance_.reset();
        return true;
    }

    // False when the user kept the program open.
    static bool ShutDown(frmMain& f) {
        return Run(
            f, {
                   {"Confirm", Always,
                    [](frmMain&) {
                        return frmMsgBox.msgbox(
                                   modLanguage::getMessage("1113",
                                                           "Are you sure, you want to close the program ,If "
                                                           "yes you will lose system guards protection !!"),
                                   "Corvane") != 2;
                    }},
                   {"Unhook", Always,
                    [](frmMain& f) {
                        CursorPosition::HookFlashMenu1(f.flash.hWnd(), false);
                        if (frmMessage.Loaded()) CursorPosition::HookMessageWindow(frmMessage.hWnd(), false);
                        return true;
                    }},
                   {"Handles", Always,
                    [](frmMain& f) {
                        settings::SaveSetting("txtHandle", "txtPramaterInfoEnvenHandeler", "-1");
                        settings::SaveSetting("formHandle", "fromhandlewindow", "-1");
                        settings::SaveSetting("Interface", "winLeft", std::to_string(f.Left()));
                        settings::SaveSetting("Interface", "winTop", std::to_string(f.Top()));
                        return true;
                    }},
                   {"StopFlag", Always, [](frmMain&) { return gb_scanAborted = true; }},
                   {"SaveSettings", Always, [](frmMain&) { return modMain::saveFormMainSettings(), true; }},
                   {"TrayOff", Always, [](frmMain& f) { return f.Tray1.Show(false), true; }},
                   {"StopGuards", Always, StopGuards},
                   {"DeleteSnapshots", Always,
                    [](frmMain&) {
                        for (const char* file :
                             {modMonitors::kStartupFolderSnapshot, modMonitors::kStartupRegistrySnapshot,
                              modMonitors::kFavoritesSnapshot, modMonitors::kHijackSnapshot, modMonitors::kBhoSnapshot})
                            DeleteFileA(modMain::FullPath_With_Filename(file).c_str());
                        return true;
                    }},
                   {"UnloadForms", Always, UnloadForms},
                   {"End", Always,
                    [](frmMain& f) {
                        f.RunsProgram = false;
                        PostQuitMessage(0);
                        return true;
                    }},
               });
    }
};

void frmMain::Form_Load() {
    if (RunsProgram) {
        Steps::StartUp(*this);
        return;
    }
    Skin.LoadSkin(modMain::FullPath_With_Filename("\\Skin\\Corvane.skn"));
    Skin.ApplyMask(hWnd(), "MainMask");
    layoutMainFrame();
    FrameMain.ZOrder(0);
    RaiseOverMovie();
}

void frmMain::Form_Unload(int& Cancel) {
    if (RunsProgram && trayMenuOpen_) {
        // Asked from inside the tray menu's loop (a close request, a log-off): the question would
        // come under a menu that cannot end until it is answered. End the menu, then ask.
        closeAfterTrayMenu_ = true;
        EndMenu();
        Cancel = 1;
        return;
    }
    if (RunsProgram && !Steps::ShutDown(*this)) Cancel = 1;
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
    RunScanDriver("StartScan");
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
            RunScanDriver("ScanSelectedFolder", text);
        });
    }
    txtPramaterInfoEnvenHandeler.SetText("");
}
