#include "shell/frmOptions.h"

#include <shellapi.h>

#include <algorithm>

#include "base/Conversions.h"
#include "base/Launch.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/Removal.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/modMain.h"
#include "definitions/StringCipher.h"
#include "shell/FormLanguage.h"
#include "shell/Module2.h"
#include "shell/OptionTable.h"
#include "shell/frmEnterPassword.h"
#include "shell/frmMain.h"
#include "shell/modMainWindows.h"

namespace {

constexpr const char* kReportAddress = "https://www.corvane.example/report";
const char* const kTabCaptions[6] = {"General Options",    "Scan Options", "Startup Options",
                                     "Liveupdate Options", "Schedule",     "Interface"};

void Captioned(ui::Control& c, const char* tag, const char* caption) {
    c.Tag = tag;
    c.SetCaption(caption);
}

}  // namespace

frmOptions::frmOptions() : ui::Form("frmOptions") {
    SetCaption("Options");
    SetBorderStyle(ui::BorderStyle::None);
    Layout();
    for (int k = 0; k < 6; ++k) TabButtons[k].OnClick = [this, k] { ConfigTab_Click(k + 1); };
    chkContextMenu.OnClick = [this] { chkContextMenu_Click(); };
    chkDelAfterRestore.OnClick = [this] { gb_deleteBackupAfterRestore = chkDelAfterRestore.Value() == 1; };
    chkRemWinPos.OnClick = [this] { gb_rememWinPos = chkRemWinPos.Value() == 1; };
    chkScanUserAccount.OnClick = [this] { gb_scanAllUserAccounts = chkScanUserAccount.Value() == 1; };
    chkShowPopups.OnClick = [this] { gb_showPopup = chkShowPopups.Value() == 1; };
    chkSkipNonExeFiles.OnClick = [this] { gb_skipNonExeFiles = chkSkipNonExeFiles.Value() == 1; };
    chkSnapToDesktop.OnClick = [this] { gb_snapWinBorder = chkSnapToDesktop.Value() == 1; };
    chkUseGridLines.OnClick = [this] { gb_useGridlines = chkUseGridLines.Value() == 1; };
    chkSplashScreen.OnClick = [this] { gb_useSplash = chkSplashScreen.Value() != 1; };
    chkScanRestor.OnClick = [this] { chkScanRestor_Click(); };
    chkDelBckupAfter.OnClick = [this] { chkDelBckupAfter_Click(); };
    chkUseProxy.OnClick = [this] { chkUseProxy_Click(); };
    // Each box takes only its own option: the load sets them one after the other, and the box set
    // first must not read the other before it shows its option.
    chkScanStartup.OnClick = [this] {
        gb_runStartup = chkScanStartup.Value() == 1;
        startupPair_Click();
    };
    chkUseDelayedStartup.OnClick = [this] {
        gb_useDelayedStartup = chkUseDelayedStartup.Value() == 1;
        startupPair_Click();
    };
    chkEnablePassword.OnClick = [this] { showPassWindow(); };
    chkCustomSched.OnClick = [this] { chkCustomSched_Click(); };
    cmdEditSched.OnClick = [this] { showCustomSchedule(); };
    cmdCheckUpdate.OnClick = [this] { runLveupdate(); };
    cmdReportMalware.OnClick = [] { base::Trap("cmdReportMalware_Click", [] { modMain::OpenIt(kReportAddress); }); };
    CmdLogBrowse.OnClick = [this] { Browse(txtLogfiles); };
    CmdBackupBrowse.OnClick = [this] { Browse(txtBackup); };
    cmdBrowseRefFile.OnClick = [this] { Browse(txtRefFileLocation); };
    CmdProceed.OnClick = [this] { CmdProceed_Click(); };
    txtProxPort.OnChange = [this] {
        const std::string fixed = optionTable::ProxyPortText(txtProxPort.Text());
        if (fixed != txtProxPort.Text()) txtProxPort.SetText(fixed);
    };
}

void frmOptions::Layout() {
    Move(0, 0, 9000, 6000);
    FrameOptions.Move(4, 4, 592, 392);
    Captioned(FrameOptions, "", "Options");
    const int tabWidths[6] = {100, 90, 98, 118, 76, 80};
    for (int k = 0, left = 10; k < 6; left += tabWidths[k] + 2, ++k) {
        TabButtons[k].Move(left, 18, tabWidths[k], 24);
        TabButtons[k].Tag = std::to_string(1052 + k);
        TabButtons[k].SetCaption(kTabCaptions[k]);
        FrameGenOption[k].Move(10, 46, 572, 226);
        FrameGenOption[k].SetCaption(kTabCaptions[k]);
    }
    auto row = [](ui::Control& c, int i, int width = 540) { c.Move(12, 20 + i * 22, width, 20); };
    Captioned(chkContextMenu, "1002", "Add Corvane to Explorer Context Menu");
    row(chkContextMenu, 0);
    Captioned(ChkAutoRemove, "1004", "Remove maleware automatically");
    row(ChkAutoRemove, 1);
    Captioned(ChkRemoveFile, "1005", "Delete Locked files after rebooting");
    row(ChkRemoveFile, 2);
    Captioned(ChkMarkRef, "1006", "Select all maleware components by default");
    row(ChkMarkRef, 3);
    Captioned(chkShowPopups, "1008", "Show popup window");
    row(chkShowPopups, 4);
    Captioned(chkPlaySounds, "1028", "Play Sounds");
    row(chkPlaySounds, 5);
    Captioned(chkEnablePassword, "1037", "Enable password protection");
    row(chkEnablePassword, 6);
    Captioned(chkDelBckupAfter, "1044", "Delete Items in Backup More than");
    chkDelBckupAfter.Move(12, 174, 230, 20);
    txtDays.Move(246, 173, 56, 20);  // the arrows take its right end
    txtDays.SetText("10");
    udDays.SetRange(1, 60);
    udDays.Move(286, 173, 16, 20);
    Captioned(lblDays, "1045", "days");
    lblDays.Move(306, 176, 60, 18);
    Captioned(cmdReportMalware, "1038", "Report Malware");
    cmdReportMalware.Move(420, 192, 140, 24);

    Captioned(chkSpywareAdware, "", "Spyware/Adware");
    row(chkSpywareAdware, 0);
    Captioned(chkKeyLoggers, "1015", "Scan for Key Loggers");
    row(chkKeyLoggers, 1);
    Captioned(chkBHO, "1016", "Scan for  Browser Hijacker");
    row(chkBHO, 2);
    Captioned(chkTrojans, "1017", "Scan for Trojans");
    row(chkTrojans, 3);
    Captioned(chkDialers, "1018", "Scan for Dialers");
    row(chkDialers, 4);
    Captioned(chkAllCookies, "1019", "Scan for Cookies");
    row(chkAllCookies, 5);
    Captioned(chkAdvancedScanning, "1020",
              "Scan for Digital Signature and File Properties (will cause the scanning time to increase)");
    row(chkAdvancedScanning, 6);
    Captioned(chkScanRestor, "1039", "Do not Scan System Restore Folder (Applied on WinMe and WinXP Only)");
    row(chkScanRestor, 7);
    Captioned(chkDelAfterRestore, "1040", "Delete quarantuned objects after restoring");
    row(chkDelAfterRestore, 8);
    Captioned(chkScanUserAccount, "1041", "Scan All users Account");
    chkScanUserAccount.Move(12, 218, 260, 20);
    Captioned(chkSkipNonExeFiles, "1042", "Skip non executable files");
    chkSkipNonExeFiles.Move(290, 218, 260, 20);
    FrameGenOption[1].Move(10, 46, 572, 246);

    Captioned(chkScanStartup, "1007", "Scan at windows startup");
    row(chkScanStartup, 0);
    Captioned(chkUseDelayedStartup, "1049", "Use delayed start up");
    row(chkUseDelayedStartup, 1);
    Captioned(chkAutoCheckForUpdate, "1029", "Check for program updates at startup");
    row(chkAutoCheckForUpdate, 2);

    Captioned(cmdCheckUpdate, "1043", "Update Now");
    cmdCheckUpdate.Move(12, 22, 120, 24);
    Captioned(frameLoginRequired, "1030", "Login");
    frameLoginRequired.Move(12, 54, 548, 160);
    Captioned(chkUseProxy, "1031", "Use proxy server");
    chkUseProxy.Move(12, 20, 200, 20);
    ui::Label* labels[4] = {&lblServer, &lblPort, &lblUserName, &lblPasswrod};
    ui::TextBox* fields[4] = {&txtProxServer, &txtProxPort, &txtProxUserID, &txtProxPass};
    const char* texts[4] = {"Server:", "Port:", "User name:", "Password:"};
    for (int i = 0; i < 4; ++i) {
        labels[i]->Tag = std::to_string(1032 + i);
        labels[i]->SetCaption(texts[i]);
        labels[i]->Move(12, 50 + i * 26, 90, 18);
        fields[i]->Move(110, 48 + i * 26, 260, 20);
    }
    txtProxPass.SetPasswordChar('*');

    Captioned(chkCustomSched, "1050", "Scan at custom schedule");
    row(chkCustomSched, 0);
    Captioned(cmdEditSched, "1051", "&Edit Schedule");
    cmdEditSched.Move(12, 50, 120, 24);

    Captioned(chkSplashScreen, "1036", "Disable splash Screen");
    row(chkSplashScreen, 0);
    Captioned(chkUseGridLines, "1048", "Use gridlines in results lists");
    row(chkUseGridLines, 1);
    Captioned(chkSnapToDesktop, "1047", "Snap window to desktop borders");
    row(chkSnapToDesktop, 2);
    Captioned(chkRemWinPos, "1046", "Remember window position");
    row(chkRemWinPos, 3);

    Captioned(Removed, "1009", "Paths");
    Removed.Move(14, 298, 572, 68);
    ui::Label* pathLabels[3] = {&lblLogfiles, &lblBackup, &lblRefFile};
    ui::TextBox* pathFields[3] = {&txtLogfiles, &txtBackup, &txtRefFileLocation};
    ui::CommandButton* browse[3] = {&CmdLogBrowse, &CmdBackupBrowse, &cmdBrowseRefFile};
    const char* pathTexts[3] = {"Logs:", "Backups:", "Definitions:"};
    const char* pathTags[3] = {"1010", "1012", ""};
    const char* browseTags[3] = {"1011", "1013", ""};
    for (int i = 0; i < 3; ++i) {
        pathLabels[i]->Tag = pathTags[i];
        pathLabels[i]->SetCaption(pathTexts[i]);
        pathLabels[i]->Move(8 + i * 188, 18, 80, 16);
        pathFields[i]->Move(8 + i * 188, 36, 120, 20);
        browse[i]->Tag = browseTags[i];
        browse[i]->SetCaption("Browse");
        browse[i]->Move(132 + i * 188, 35, 52, 22);
    }
    Captioned(CmdProceed, "", "Proceed");
    CmdProceed.Move(470, 364, 112, 24);
}

void frmOptions::Form_Load() {
    modMainWindows::SetFormSize(*this, true);
    formLanguage::applyLanguage(*this);
    // Without the Task Scheduler the other options still work; the schedule tries again when used.
    base::Trap("Form_Load", [&] { taskSchedule.Open(); });
    loading_ = true;
    for (int k = 0; k < 6; ++k) {
        TabButtons[k].SetCaption(formLanguage::getFormString(*this, TabButtons[k].Tag, kTabCaptions[k]));
        FrameGenOption[k].SetCaption(TabButtons[k].Caption());
    }
    ConfigTab_Click(ConfigTab);
    ChkMarkRef.SetValue(gb_markChecked);
    chkAutoCheckForUpdate.SetValue(gb_autoCheckForUpdate);
    chkSpywareAdware.SetValue(gb_spywareAdware);
    chkDialers.SetValue(gb_dialers);
    chkKeyLoggers.SetValue(gb_keyLoggers);
    chkAdvancedScanning.SetValue(gb_advancedScanning);
    chkAllCookies.SetValue(gb_allCookies);
    chkTrojans.SetValue(gb_trojans);
    chkPlaySounds.SetValue(gb_playSounds);
    chkBHO.SetValue(gb_scanBHO);
    chkDelAfterRestore.SetValue(gb_deleteBackupAfterRestore);
    // Every load makes the registration match the option (as the Run value below): setting the box
    // raises its click only when it changes, and a cleared box starts cleared.
    const bool clickRaised = chkContextMenu.Value() != (gb_contextMenu ? 1 : 0);
    chkContextMenu.SetValue(gb_contextMenu);
    if (!clickRaised) chkContextMenu_Click();
    if (gb_enablePassword) chkEnablePassword.SetValue(1);
    chkScanRestor.SetValue(!gb_scanRestoreFolder);
    chkScanUserAccount.SetValue(gb_scanAllUserAccounts);
    chkSkipNonExeFiles.SetValue(gb_skipNonExeFiles);
    chkDelBckupAfter.SetValue(gb_delBckAfterDys);
    txtDays.SetText(std::to_string(gb_numberDays));
    chkDelBckupAfter_Click();
    chkUseProxy.SetValue(gb_useProxy);
    chkUseProxy_Click();
    chkRemWinPos.SetValue(gb_rememWinPos);
    chkSnapToDesktop.SetValue(gb_snapWinBorder);
    chkUseGridLines.SetValue(gb_useGridlines);
    chkSplashScreen.SetValue(!gb_useSplash);
    txtProxPass.SetText(gb_proxPass);
    txtProxPort.SetText(gb_proxPort);
    txtProxServer.SetText(gb_proxServer);
    txtProxUserID.SetText(gb_proxID);
    chkShowPopups.SetValue(gb_showPopup);
    chkUseDelayedStartup.SetValue(gb_useDelayedStartup);
    chkScanStartup.SetValue(gb_runStartup);
    startupPair_Click();  // every load writes the Run value to match the two options
    if (gb_runCustomSched) {
        chkCustomSched.SetValue(1);
        cmdEditSched.SetEnabled(true);
    } else {
        chkCustomSched.SetValue(0);
        chkCustomSched_Click();
    }
    ChkRemoveFile.SetValue(gb_deleteAfterReboot);
    ChkAutoRemove.SetValue(gb_autoRemove);
    const size_t slash = gb_scanLogFile.find_last_of('\\');
    txtLogfiles.SetText(slash == std::string::npos ? gb_scanLogFile : gb_scanLogFile.substr(0, slash));
    txtBackup.SetText(gb_backupPath);
    txtRefFileLocation.SetText(gb_definitionsPath);
    loading_ = false;
}

void frmOptions::Form_Unload(int&) {
    taskSchedule.Close();
    // The home panel goes back into the main window's frame.
    if (ShowHome) ShowHome();
}

void frmOptions::ConfigTab_Click(int tab) {
    ConfigTab = tab;
    for (int k = 0; k < 6; ++k) {
        FrameGenOption[k].SetVisible(k + 1 == tab);
        if (k + 1 == tab) FrameGenOption[k].ZOrder(0);
    }
}

void frmOptions::Launch(const std::string& commandLine) {
    if (launcher) {
        launcher(commandLine);
        return;
    }
    base::Launch(commandLine, 0, SW_SHOWMINIMIZED);
}

void frmOptions::chkContextMenu_Click() {
    gb_contextMenu = chkContextMenu.Value() == 1;
    const std::string quoted = "\"" + gb_contextMenuDll + "\"";
    Launch(gb_contextMenu ? "regsvr32.exe /s " + quoted : "regsvr32.exe /s /u  " + quoted);
}

void frmOptions::chkScanRestor_Click() {
    if (chkScanRestor.Value() == 1) {
        if (gb_osName != "Windows XP" && gb_osName != "Windows Me") {
            gb_scanRestoreFolder = true;
            chkScanRestor.SetValue(0);
        } else {
            gb_scanRestoreFolder = false;
        }
    } else {
        gb_scanRestoreFolder = true;
    }
}

void frmOptions::chkDelBckupAfter_Click() {
    txtDays.SetEnabled(chkDelBckupAfter.Value() == 1);
    udDays.SetEnabled(chkDelBckupAfter.Value() == 1);
}

void frmOptions::chkUseProxy_Click() {
    const bool on = chkUseProxy.Value() == 1;
    for (ui::TextBox* t : {&txtProxPass, &txtProxPort, &txtProxServer, &txtProxUserID}) t->SetEnabled(on);
    gb_useProxy = on;
}

void frmOptions::startupPair_Click() { optionTable::ApplyAutostart(gb_runStartup, gb_useDelayedStartup); }

void frmOptions::showPassWindow() {
    // Loading only shows the option in force; setting the box below raises this action again.
    static bool running = false;
    if (running || loading_) return;
    running = true;
    struct Reset {
        bool& r;
        ~Reset() { r = false; }
    } reset{running};
    const bool wanted = frmMain.flash.GetVariable("_root.Options_GO_EP") == "true";
    // Turning protection off or replacing it asks for the password in force first.
    if (!wanted && gb_enablePassword && !modMain::checkStartupPassword()) {
        frmMain.flash.SetVariable("_root.Options_GO_EP", "true");
        chkEnablePassword.SetValue(1);
        return;
    }
    chkEnablePassword.SetValue(wanted ? 1 : 0);
    if (wanted && gb_enablePassword) return;
    if (wanted) {
        const std::string answer = frmEnterPassword.newPassword(&frmMain);
        if (!answer.empty()) {
            gb_enablePassword = true;
            settings::SaveSetting("ScanSections", "Password", modEncryption::Encrypte(answer));
            return;
        }
    }
    gb_enablePassword = false;
    frmMain.flash.SetVariable("_root.Options_GO_EP", "false");
    chkEnablePassword.SetValue(0);
    settings::SaveSetting("ScanSections", "Password", "");
}

void frmOptions::setSchedule(const std::string& args) {
    if (args.empty()) return;
    // A text with too few fields is the caller's error; a bad field is trapped below before
    // the Task Scheduler is touched, so the schedule in force stays.
    std::vector<std::string> fields;
    for (size_t start = 0, bar;; start = bar + 1) {
        bar = args.find('|', start);
        fields.push_back(args.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
    }
    if (fields.size() < 5) throw base::RuntimeError(9);
    base::TrapWith(
        [&] {
            const scheduleSetting::ScheduleRequest request = scheduleSetting::ParseScheduleArgs(args);
            if (!taskSchedule.IsOpen()) taskSchedule.Open();
            if (!request.never) {
                gb_runCustomSched = true;
                if (const short index = taskSchedule.GetTaskIndex(kTaskName)) taskSchedule.Delete(index);
                taskSchedule.CreateScan(kTaskName, modMain::FullPath_With_Filename("Corvane.exe"), request);
            } else {
                gb_runCustomSched = false;
                cmdEditSched.SetEnabled(false);
                if (const short index = taskSchedule.GetTaskIndex(kTaskName)) taskSchedule.Delete(index);
            }
        },
        [&] { return "Method: setSchedule Args" + args; });
}

bool frmOptions::ScheduleCanBeSet(const std::string& args) {
    if (std::count(args.begin(), args.end(), '|') < 4) return false;
    try {
        scheduleSetting::ParseScheduleArgs(args);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void frmOptions::chkCustomSched_Click() {
    base::Trap("chkCustomSched_Click", [&] {
        if (chkCustomSched.Value() == 1) {
            gb_runCustomSched = true;
            cmdEditSched.SetEnabled(true);
            return;
        }
        gb_runCustomSched = false;
        cmdEditSched.SetEnabled(false);
        if (!taskSchedule.IsOpen()) return;
        if (const short index = taskSchedule.GetTaskIndex(kTaskName)) taskSchedule.Delete(index);
    });
}

void frmOptions::showCustomSchedule() {
    base::Trap("cmdEditSched_Click", [&] {
        if (!taskSchedule.IsOpen()) taskSchedule.Open();
        if (const short index = taskSchedule.GetTaskIndex(kTaskName)) taskSchedule.ShowProperties(index);
    });
}

void frmOptions::runLveupdate() {
    base::Trap("cmdCheckUpdate_Click", [&] {
        const std::string updater = modMain::FullPath_With_Filename("Quillon.exe");
        ShellExecuteA(hWnd(), "open", updater.c_str(), "0", "c:\\", SW_SHOWNORMAL);
    });
}

void frmOptions::Browse(ui::TextBox& field) {
    const std::string chosen = Module2::BrowseForFolder(field.Text(), hWnd(), "&Select a directory:");
    if (!chosen.empty()) field.SetText(chosen);
}

void frmOptions::CmdProceed_Click() {
    gb_markChecked = ChkMarkRef.Value() == 1;
    gb_autoCheckForUpdate = chkAutoCheckForUpdate.Value() == 1;
    gb_spywareAdware = chkSpywareAdware.Value() == 1;
    gb_dialers = chkDialers.Value() == 1;
    gb_playSounds = chkPlaySounds.Value() == 1;
    gb_keyLoggers = chkKeyLoggers.Value() == 1;
    gb_advancedScanning = chkAdvancedScanning.Value() == 1;
    gb_allCookies = chkAllCookies.Value() == 1;
    gb_trojans = chkTrojans.Value() == 1;
    gb_scanBHO = chkBHO.Value() == 1;
    gb_enablePassword = chkEnablePassword.Value() == 1;
    if (chkDelBckupAfter.Value() == 1) {
        gb_delBckAfterDys = true;
        const double days = conv::RoundHalfEven(conv::Val(txtDays.Text()));
        if (days < -32768 || days > 32767) throw base::RuntimeError(6);
        gb_numberDays = static_cast<short>(days);
    } else {
        gb_delBckAfterDys = false;
    }
    gb_deleteAfterReboot = ChkRemoveFile.Value() == 1;
    gb_autoRemove = ChkAutoRemove.Value() == 1;
    const size_t slash = gb_scanLogFile.find_last_of('\\');
    gb_scanLogFile = txtLogfiles.Text() + (slash == std::string::npos ? std::string() : gb_scanLogFile.substr(slash));
    gb_backupPath = txtBackup.Text();
    gb_definitionsPath = txtRefFileLocation.Text();
    if (chkUseProxy.Value() == 1) {
        gb_proxPass = txtProxPass.Text();
        gb_proxPort = txtProxPort.Text();
        gb_proxServer = txtProxServer.Text();
        gb_proxID = txtProxUserID.Text();
        gb_useProxy = true;
    } else {
        gb_proxPass = gb_proxPort = gb_proxServer = gb_proxID = "";
        gb_useProxy = false;
    }
    modMain::saveFormMainSettings();
    Unload();
}
