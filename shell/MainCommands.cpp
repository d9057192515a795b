// The main movie's commands: one row a command, whether it asks the password first, and what it
// does. A scan or a removal in progress lets only the window's own rows through.
#include <map>
#include <string>
#include <vector>

#include "base/MsgBox.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Removal.h"
#include "core/SettingsStore.h"
#include "core/modMain.h"
#include "shell/AppVersion.h"
#include "shell/frmAlerts.h"
#include "shell/frmBackup.h"
#include "shell/frmIgnore.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmOptions.h"
#include "shell/frmResultBackup.h"
#include "shell/frmResults.h"
#include "shell/frmSysGuards.h"
#include "shell/frmUpdate.h"

namespace {
constexpr char kWebSite[] = "http://www.corvane.example/";
}  // namespace

struct frmMain::CommandTable {
    using Handler = void (*)(frmMain& f, const std::string& args);
    struct Row {
        bool password;  // asks the password first
        Handler run;
    };
    static const std::map<std::string, Row>& Rows();
};

namespace {
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The drive flags a page sent ("true,false,..."): remembered, and the movie shows them.
void KeepDriveFlags(class frmMain& f, const std::string& flags) {
    const std::string drives = ReplaceAll(flags, ",", "|");
    settings::SaveSetting("SelectedDrives", "selected", drives);
    f.flash.SetVariable("_root.SelectedDrives", drives);
}
}  // namespace

const std::map<std::string, frmMain::CommandTable::Row>& frmMain::CommandTable::Rows() {
    using F = frmMain;
    // Every row that changes something asks the password too: the movie must not be the only
    // thing between a user without it and a removal, a restore or a guard switch. Once the
    // password was accepted in this session the step passes at once.
    static const std::map<std::string, Row> rows = {
        {"IDC_FS_SENDITAGAIN",
         {false,
          [](F& f, const std::string& a) { KeepDriveFlags(f, a); }}},
        {"IDC_FS_SCANMODE",
         {true,
          [](F& f, const std::string& a) {
              std::string mode = base::UCase(a);
              if (mode == "CUSTOMSCAN") {
                  f.flash.GotoFrame(F::Custom);
                  return;
              }
              f.ShowScanWindow();
              f.RunScanDriver(mode == "FULLSCAN" ? "StartScan" : "QuickScan");
          }}},
        {"IDC_FS_CUSTOMSCAN",
         {true,
          [](F& f, const std::string& a) {
              // The custom page sends its drive flags: they choose the drives, and the page
              // scans every other place a custom scan can.
              std::string options = a;
              const std::string lower = base::LCase(a);
              if (lower.find("true") != std::string::npos || lower.find("false") != std::string::npos) {
                  KeepDriveFlags(f, a);
                  options = "SM|QS|DS|SC";
              }
              f.ShowScanWindow();
              f.RunScanDriver("CustomScan", options);
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
              f.flash.SetVariable("_root.versionNumber", appVersion::VersionNumberText());
              f.flash.GotoFrame(F::About);
              f.flash.ZOrder(0);
          }}},
        {"IDC_FS_WEBSITE", {false, [](F&, const std::string&) { modMain::OpenIt(kWebSite); }}},
    };
    return rows;
}

namespace {
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
        auto it = CommandTable::Rows().find(c);
        if (it == CommandTable::Rows().end()) {
            base::MsgBox(command + "Not handled yet", MB_OK, "Corvane");
            return;
        }
        if (FrontFirst(c)) Front();
        if (it->second.password && !ProtectedPage()) return;
        it->second.run(*this, MovieArgument(args));
        // A list is sent anew after a command that changes it: a row chosen before names another
        // row now, or none (a last row deleted), until one is chosen again.
        static const std::map<std::string, std::vector<const char*>> resent = {
            {"IDC_FS_ALERT", {"ALERT"}},
            {"IDC_FS_AUTHORIZE", {"ALERT"}},
            {"IDC_FS_DELETE", {"ALERT"}},
            {"IDC_FS_RESULTS", {"BACKUP", "IGNORE"}},
            {"IDC_FS_RESULTSDELETEBACKUP", {"BACKUP"}},
            {"IDC_FS_RESUTSIGNORE", {"IGNORE"}},
            {"IDC_FS_REMOVEIGNORE", {"IGNORE"}}};
        if (auto lists = resent.find(c); lists != resent.end())
            for (const char* list : lists->second) selected_.erase(list);
    });
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

void frmMain::showAlertForm() {
    if (gb_scanBusy) return;
    flash_FSCommand("IDC_FS_Alert", "");
    Tray1_LeftClick();
    flash.GotoFrame(Alerts);
}
