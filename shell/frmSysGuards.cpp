#include "shell/frmSysGuards.h"

#include <iterator>

#include "base/Conversions.h"
#include "base/MsgBox.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "shell/CommonDialog.h"
#include "shell/FormLanguage.h"
#include "shell/frmAddTask.h"
#include "shell/frmLoad.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "shell/frmSave.h"
#include "shell/frminfo.h"

namespace {

const char kProfileFilter[] = "Profiles (*.Pro)|*.Pro|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

// The pages of the tab strip: the frame's Tag in the language pack and its English caption.
struct GuardTab {
    const char* tag;
    const char* caption;
};
const GuardTab kTabs[] = {{"1000", "Guards Summary"},
                          {"1003", "Startup Guard"},
                          {"1016", "BHO Guard"},
                          {"1023", "Windows Guard"},
                          {"1026", "Internet Explorer Guard"}};
constexpr long kStartupPage = 1;
constexpr long kStartupLockedFrame = 5;  // the startup page while "Edit Startup Items" is off

std::string Flag(bool on) { return on ? "-1" : "0"; }

// A movie variable read as a Boolean: a number (not 0 is on) or "True"/"False".
bool MovieBoolean(const std::string& text) {
    const std::string t = base::Trim(text);
    if (base::EqualsNoCase(t, "True")) return true;
    if (base::EqualsNoCase(t, "False")) return false;
    if (t.empty() || t.find_first_not_of("+-0123456789.") != std::string::npos) base::Raise(13, "Type mismatch");
    return conv::Val(t) != 0;
}

// The page's status line after a command that went through many items: what was left as it was.
std::string FailureStatus(const std::string& lead, const std::vector<std::string>& failures) {
    std::string status;
    for (const auto& f : failures) status += (status.empty() ? "" : "; ") + f;
    return status.empty() ? status : lead + status;
}

// A switch set to the value it has runs nothing, unless its guard is not in that state: a tick
// after a failed start tries the start again.
bool Settled(guards::GuardKind kind, bool on) { return guards::SwitchOf(kind).Running() == on; }

bool IsNumeric(const std::string& text) {
    const std::string t = base::Trim(text);
    return !t.empty() && t.find_first_not_of("+-0123456789.") == std::string::npos &&
           t.find_first_of("0123456789") != std::string::npos;
}

}  // namespace

frmSysGuards::frmSysGuards() : ui::Form("frmSysGuards") {
    SetCaption("System Guard");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 600 * 15, 400 * 15);
    flash.Move(0, 0, 600, 400);
    flash.FSCommand = [this](const std::string& command, const std::string& args) {
        base::Trap("flash_FSCommand", [&] { flash_FSCommand(command, args); });
    };
    tmrVersions.SetInterval(1);
    tmrVersions.SetEnabled(false);
    tmrVersions.OnTimer = [this] {
        tmrVersions.SetEnabled(false);
        base::Trap("loadBHO", [&] { bhoItems.FillVersions(); });
        updateFlashBHOList();
    };
}

void frmSysGuards::Form_Load() {
    flash.LoadMovie(0, modMain::FullPath_With_Filename("SysGuards.scw"));
    flash.ZOrder(0);
    frmMain.Skin.ApplyMask(hWnd(), "SubMask");
    showGuardTab();
    base::Trap("FRM Startup - setCaptions", [&] { setCaptions(); });
    base::Trap("loadStartUP", [&] { startupItems.Load(); });
    updateFlashStartupList();
    base::Trap("loadAddRemove", [&] { addRemove = guards::LoadInstalledPrograms(); });
    flash.SetVariable("_root.IPCaption", modLanguage::getMessage("1073", "Installed Programs"));
    updateFlashAddRemoveList();
    base::Trap("loadBHO", [&] { bhoItems.Load(true); });
    updateFlashBHOList();
    tmrVersions.SetEnabled(true);
    // The switches from the settings; a guard already running is not started twice.
    chkIEFavoritesGuard = gb_ieFavoriteGuard;
    chkIEHomePage = gb_ieDefaultPageGuard;
    txtDefaultHomePage = gb_ieDefaultHomePage;
    chkIEHiJackGuard = gb_ieHijackGuard;
    chkStartupAuto = gb_startupGuard;
    chkBHOAuto = gb_bhoGuard;
    chkIEHiJackGuard_Click();
    chkStartupManual_Click();
    chkStartupAuto_Click();
    chkBHOAuto_Click();
    chkIEFavoritesGuard_Click();
    flash.SetVariable("_root.textOFRadioButton", gb_ieDefaultHomePage);
    ShowTab(0);
}

void frmSysGuards::showGuardTab() {
    for (size_t i = 0; i < std::size(kTabs); ++i)
        flash.SetVariable("_root.tabCaption" + std::to_string(i),
                          formLanguage::getFormString(*this, kTabs[i].tag, kTabs[i].caption));
}

void frmSysGuards::setCaptions() {
    gb_startupMessages[0] = modLanguage::getMessage("1018", "System Information Is Unavailable At This Time");
    gb_startupMessages[1] = modLanguage::getMessage("1019", "You Must fill in Text Boxes");
    gb_startupMessages[2] = modLanguage::getMessage("1020", "Editing Registry for advanced users only, Continue?");
    captionEnable = modLanguage::getMessage("1017", "Enabled");
    captionDisable = modLanguage::getMessage("1016", "Disabled");
}

void frmSysGuards::ShowTab(long page) {
    if (page < 0 || page >= static_cast<long>(std::size(kTabs))) return;
    tabGuards = page;
    flash.GotoFrame(page == kStartupPage && !chkStartupManual ? kStartupLockedFrame : page);
    // The page's list controls are made anew with the frame: send their rows again.
    updateFlashStartupList();
    updateFlashBHOList();
    updateFlashAddRemoveList();
}

void frmSysGuards::ResetFormState() {
    chkStartupAuto = chkStartupManual = chkIEFavoritesGuard = chkIEHiJackGuard = chkIEHomePage = chkBHOAuto = false;
    tabGuards = 0;
    homePageControlsEnabled = false;
    txtDefaultHomePage.clear();
    startupItems = {};
    bhoItems = {};
    addRemove.clear();
    selectedStartup = selectedBHO = selectedProgram = -1;
}

long frmSysGuards::RowOf(const std::string& arg, long selected, size_t count) const {
    long row = -1;
    if (arg == "@selected")
        row = selected;
    else if (IsNumeric(arg))
        row = static_cast<long>(conv::RoundHalfEven(conv::Val(arg) + 1)) - 1;  // the 1-based row, rounded
    return row >= 0 && static_cast<size_t>(row) < count ? row : -1;
}

void frmSysGuards::flash_FSCommand(const std::string& command, const std::string& args) {
    const std::string c = base::UCase(command);
    if (c == "IDC_FS_SHOWTAB") {
        if (IsNumeric(args)) ShowTab(static_cast<long>(conv::Val(args)));
    } else if (c == "IDC_FS_ENABLESTARTUPGUARD") {
        enableStartupAuto();
    } else if (c == "IDC_FS_IEFAVORITESGUARD") {
        enableIEFavvorites();
    } else if (c == "IDC_FS_IEHIJACKGUARD") {
        enableIEHiJackGuard();
    } else if (c == "IDC_FS_IEHOMEPAGEGUARD") {
        enableIEHomePage();
    } else if (c == "IDC_FS_BHOGUARD") {
        enableBHOGuard();
    } else if (c == "IDC_FS_ADDITTOALERTSECTION" || c == "IDC_FS_RADIOOFTEXT") {
        enableIERestoreHomePageAutomatic();
    } else if (c == "IDC_FS_EDITSTARTUPITEMS") {
        enableStartupManual();
    } else if (c == "IDC_FS_SAVEHOMEPAGE") {
        setHomepage();
    } else if (c == "IDC_FS_STARTUP_SELECT") {
        selectedStartup = RowOf(args, -1, startupItems.Rows().size());
        PushButtons();
    } else if (c == "IDC_FS_STARTUP_ENABLEDISABLE") {
        en_des_Startupitem(args);
    } else if (c == "IDC_FS_STARTUP_DELETE") {
        del_Startupitem(args);
    } else if (c == "IDC_FS_STARTUP_ADDSTARTUP") {
        add_SartupItem();
    } else if (c == "IDC_FS_STARTUP_SAVESTARTUP") {
        save_Startup();
    } else if (c == "IDC_FS_STARTUP_LOADSTARTUP") {
        load_Startup();
    } else if (c == "IDC_FS_STARTUP_APPLY") {
        apply_Startup();
    } else if (c == "IDC_FS_STARTUP_RESET") {
        reset_Startup();
    } else if (c == "IDC_FS_BHO_SELECT") {
        selectedBHO = RowOf(args, -1, bhoItems.Rows().size());
        PushButtons();
    } else if (c == "IDC_FS_BHO_DELETE") {
        remove_BHO(args);
    } else if (c == "IDC_FS_BHO_ENABLEDISABLE") {
        en_des_BHO(args);
    } else if (c == "IDC_FS_BHO_APPLY") {
        apply_BHO();
    } else if (c == "IDC_FS_BHO_SAVEBHOSETTING") {
        save_BHO();
    } else if (c == "IDC_FS_BHO_LOADBHOSETTING") {
        load_BHO();
    } else if (c == "IDC_FS_BHO_VIEWINFO") {
        info_BHO(args);
    } else if (c == "IDC_FS_BHO_RESTOREREMOVED") {
        restore_BHO();
    } else if (c == "IDC_FS_IP_SELECT") {
        selectedProgram = RowOf(args, -1, addRemove.size());
    } else if (c == "IDC_FS_UNINSTALL") {
        remove_AddRemoveGuard(args);
    } else if (c == "IDC_FS_MOREINFO") {
        info_AddRemoveGuard(args);
    }
}

// ---- guard switches ----

void frmSysGuards::PushSwitch(guards::GuardKind kind, const char* boxVar, const char* labelVar) {
    const guards::GuardSwitch& sw = guards::SwitchOf(kind);
    flash.SetVariable(boxVar, Flag(sw.Setting()));
    // The state shown is the guard's own: a guard whose start failed reads Disabled.
    if (labelVar) flash.SetVariable(labelVar, sw.Running() ? captionEnable : captionDisable);
}

void frmSysGuards::chkStartupAuto_Click() {
    guards::SwitchOf(guards::GuardKind::Startup).Set(chkStartupAuto);
    PushSwitch(guards::GuardKind::Startup, "_root.EnableStartupGuard", "_root.GS_StartUpGuard");
}

void frmSysGuards::chkBHOAuto_Click() {
    guards::SwitchOf(guards::GuardKind::BHO).Set(chkBHOAuto);
    PushSwitch(guards::GuardKind::BHO, "_root.BHOGuard", "_root.GS_BHOGuard");
}

void frmSysGuards::chkIEFavoritesGuard_Click() {
    base::Trap("chkIEFavoritesGuard_Click", [&] {
        guards::SwitchOf(guards::GuardKind::IEFavorites).Set(chkIEFavoritesGuard);
        PushSwitch(guards::GuardKind::IEFavorites, "_root.IEFavoritesGuard", "_root.GS_IEFavoriteGuard");
    });
}

void frmSysGuards::chkIEHiJackGuard_Click() {
    base::Trap("chkIEHiJackGuard_Click", [&] {
        // The home-page guard works through the hijack guard: without it the box is off.
        homePageControlsEnabled = chkIEHiJackGuard;
        if (!chkIEHiJackGuard) chkIEHomePage = false;
        guards::SwitchOf(guards::GuardKind::IEHijack).Set(chkIEHiJackGuard);
        PushSwitch(guards::GuardKind::IEHijack, "_root.IEHijackGuard", "_root.GS_IEHijackGuard");
        chkIEHomePage_Click();
    });
}

void frmSysGuards::chkIEHomePage_Click() {
    guards::SetHomePageGuard(chkIEHomePage, txtDefaultHomePage);
    flash.SetVariable("_root.IEHomePageGuard", Flag(gb_ieDefaultPageGuard));
    // It works through the hijack guard: without that running it protects nothing.
    const bool protecting = gb_ieDefaultPageGuard && guards::SwitchOf(guards::GuardKind::IEHijack).Running();
    flash.SetVariable("_root.GS_IEHomePageGuard", protecting ? captionEnable : captionDisable);
    flash.SetVariable("_root.AddItToAlertSection", Flag(!gb_ieRestoreHomePageAutomatic));
}

void frmSysGuards::chkStartupManual_Click() {
    flash.SetVariable("_root.EditStartupItems", Flag(chkStartupManual));
    if (tabGuards == kStartupPage) ShowTab(kStartupPage);
}

void frmSysGuards::enableStartupManual() {
    const bool on = MovieBoolean(flash.GetVariable("_root.EditStartupItems"));
    if (on == chkStartupManual) return;
    chkStartupManual = on;
    chkStartupManual_Click();
}

void frmSysGuards::enableStartupAuto() {
    chkStartupAuto = MovieBoolean(flash.GetVariable("_root.EnableStartupGuard"));
    chkStartupAuto_Click();
}

void frmSysGuards::enableIEFavvorites() {
    const bool on = MovieBoolean(flash.GetVariable("_root.IEFavoritesGuard"));
    if (on == chkIEFavoritesGuard && Settled(guards::GuardKind::IEFavorites, on)) return;
    chkIEFavoritesGuard = on;
    chkIEFavoritesGuard_Click();
}

void frmSysGuards::enableIEHiJackGuard() {
    const bool on = MovieBoolean(flash.GetVariable("_root.IEHijackGuard"));
    if (on == chkIEHiJackGuard && Settled(guards::GuardKind::IEHijack, on)) return;
    chkIEHiJackGuard = on;
    chkIEHiJackGuard_Click();
}

void frmSysGuards::enableIEHomePage() {
    const bool on = MovieBoolean(flash.GetVariable("_root.IEHomePageGuard")) && homePageControlsEnabled;
    if (on == chkIEHomePage) {
        chkIEHomePage_Click();  // a refused tick shows off again
        return;
    }
    chkIEHomePage = on;
    chkIEHomePage_Click();
}

void frmSysGuards::enableBHOGuard() {
    const bool on = MovieBoolean(flash.GetVariable("_root.BHOGuard"));
    if (on == chkBHOAuto && Settled(guards::GuardKind::BHO, on)) return;
    chkBHOAuto = on;
    chkBHOAuto_Click();
}

void frmSysGuards::enableIERestoreHomePageAutomatic() {
    gb_ieRestoreHomePageAutomatic = !MovieBoolean(flash.GetVariable("_root.AddItToAlertSection"));
    modMain::saveSettingOf(&gb_ieRestoreHomePageAutomatic);
}

void frmSysGuards::setHomepage() {
    // The address the user typed in the movie is the one saved.
    txtDefaultHomePage = flash.GetVariable("_root.textOFRadioButton");
    cmdSaveHomePage_Click();
}

void frmSysGuards::cmdSaveHomePage_Click() {
    if (!guards::SaveProtectedHomePage(txtDefaultHomePage)) {
        frmMsgBox.msgboxOK("The home page could not be saved:\r\n" + txtDefaultHomePage, "Corvane");
        return;
    }
    frmMsgBox.msgboxOK(
        modLanguage::getMessage("1112", "Your home page set to this site ") + "\r\n" + txtDefaultHomePage, "Corvane");
}

// ---- startup items ----

void frmSysGuards::PushButtons() {
    auto caption = [&](long row, const std::string& state, const std::string& error) {
        if (row < 0) return captionDisable;
        return (state == captionEnable || state == error) ? captionDisable : captionEnable;
    };
    const auto& s = startupItems.Rows();
    flash.SetVariable("_root.startupToggleCaption",
                      caption(selectedStartup, selectedStartup >= 0 ? s[selectedStartup].item.state : "", ""));
    const auto& b = bhoItems.Rows();
    flash.SetVariable("_root.bhoToggleCaption",
                      caption(selectedBHO, selectedBHO >= 0 ? b[selectedBHO].state : "", guards::BhoTexts::Error()));
    // Delete marks a row Remove: offered for a row not marked so (startup: an Enabled or Disabled row).
    const std::string startupState = selectedStartup >= 0 ? s[selectedStartup].item.state : "";
    const bool startupDelete = selectedStartup >= 0 && (startupState == guards::StartupTexts::Enabled() ||
                                                        startupState == guards::StartupTexts::Disabled());
    const bool bhoDelete = selectedBHO >= 0 && b[selectedBHO].state != guards::BhoTexts::Remove();
    flash.SetVariable("_root.startupDeleteEnabled", startupDelete ? "1" : "0");
    flash.SetVariable("_root.bhoDeleteEnabled", bhoDelete ? "1" : "0");
}

void frmSysGuards::updateFlashStartupList() {
    std::string text;
    for (const auto& r : startupItems.Rows())
        for (const std::string* f :
             {&r.item.name, &r.item.state, &r.item.location, &r.item.user, &r.item.when, &r.item.command})
            text += *f + "|";
    flash.SetVariable("_root.NumberOfSAG", std::to_string(startupItems.Rows().size()));
    flash.SetVariable("_root.SAGString", text);
    flash.SetVariable("_root.StartupGuardGridListener", "1");
    flash.SetVariable("_root.SAGListener", "1");  // the face's list takes the stem's own listener
    if (selectedStartup >= static_cast<long>(startupItems.Rows().size())) selectedStartup = -1;
    PushButtons();
}

void frmSysGuards::en_des_Startupitem(const std::string& index) {
    const long row = RowOf(index, selectedStartup, startupItems.Rows().size());
    if (row < 0) return;
    selectedStartup = row;
    startupItems.Toggle(static_cast<size_t>(row));
    updateFlashStartupList();
}

void frmSysGuards::del_Startupitem(const std::string& index) {
    const long row = RowOf(index, selectedStartup, startupItems.Rows().size());
    if (row < 0) return;
    selectedStartup = row;
    startupItems.MarkRemove(static_cast<size_t>(row));
    updateFlashStartupList();
}

void frmSysGuards::add_SartupItem() {
    cmdAddTask_Click();
    updateFlashStartupList();
}

void frmSysGuards::cmdAddTask_Click() {
    if (frmAddTask.Loaded()) frmAddTask.Unload();
    frmAddTask.Show(ui::vbModal, &frmMain);
}

void frmSysGuards::save_Startup() {
    const std::string name = CommonDialog::ShowSave(kProfileFilter);
    if (name.empty()) return;  // cancelled: no earlier file is overwritten
    startupItems.SaveProfile(name);
}

void frmSysGuards::load_Startup() {
    const std::string name = CommonDialog::ShowOpen(kProfileFilter);
    if (!name.empty()) {
        // A file that cannot be read leaves the list as it was.
        bool truncated = false;
        if (!base::Trap("load_Startup", [&] { startupItems.LoadProfile(name, &truncated); }))
            flash.SetVariable("_root.startupStatus", "The profile could not be read: " + name);
        else
            flash.SetVariable(
                "_root.startupStatus",
                truncated ? "The profile ends inside an item; its last item is incomplete: " + name : std::string());
    }
    updateFlashStartupList();
}

void frmSysGuards::apply_Startup() {
    guards::StartupList::ApplyReport report;
    base::Trap("FRM Startup - ApplyNow", [&] { report = startupItems.Apply(); });
    flash.SetVariable("_root.startupStatus", FailureStatus("Not changed: ", report.failures));
    updateFlashStartupList();
}

void frmSysGuards::reset_Startup() {
    startupItems.Reset();
    updateFlashStartupList();
}

// ---- helper objects ----

void frmSysGuards::updateFlashBHOList() {
    std::string text;
    for (const auto& r : bhoItems.Rows())
        for (const std::string* f : {&r.name, &r.state, &r.description, &r.version, &r.clsid, &r.path})
            text += *f + "|";
    flash.SetVariable("_root.NumberOfBHO", std::to_string(bhoItems.Rows().size()));
    flash.SetVariable("_root.BHOString", text);
    flash.SetVariable("_root.BHOGuardGridListener", "1");
    flash.SetVariable("_root.BHOListener", "1");  // the face's list takes the stem's own listener
    if (selectedBHO >= static_cast<long>(bhoItems.Rows().size())) selectedBHO = -1;
    PushButtons();
}

void frmSysGuards::remove_BHO(const std::string& index) {
    const long row = RowOf(index, selectedBHO, bhoItems.Rows().size());
    if (row < 0) return;
    selectedBHO = row;
    bhoItems.MarkRemove(static_cast<size_t>(row));
    updateFlashBHOList();
}

void frmSysGuards::en_des_BHO(const std::string& index) {
    const long row = RowOf(index, selectedBHO, bhoItems.Rows().size());
    if (row < 0) return;
    selectedBHO = row;
    bhoItems.Toggle(static_cast<size_t>(row));
    updateFlashBHOList();
}

void frmSysGuards::apply_BHO() {
    guards::BhoList::ApplyReport report;
    base::Trap("FillBHOProfile", [&] { report = bhoItems.Apply(); });
    flash.SetVariable("_root.bhoStatus", FailureStatus("Not changed: ", report.failures));
    updateFlashBHOList();
    if (report.notice)
        frmMsgBox.msgboxOK(modLanguage::getMessage("1067",
                                                   "The changes will come into effect the next time you start "
                                                   "your Internet Explorer or Windows Explorer"),
                           "Corvane");
}

void frmSysGuards::save_BHO() {
    bhoItems.FillVersions();
    if (frmSave.Loaded()) frmSave.Unload();
    frmSave.Show(ui::vbModal, &frmMain);
}

void frmSysGuards::load_BHO() {
    bhoItems.FillVersions();
    if (frmLoad.Loaded()) frmLoad.Unload();
    frmLoad.Show(ui::vbModal, &frmMain);
    updateFlashBHOList();
}

void frmSysGuards::info_BHO(const std::string& index) {
    bhoItems.FillVersions();
    const long row = RowOf(index, selectedBHO, bhoItems.Rows().size());
    if (row < 0) return;
    selectedBHO = row;
    const guards::BhoDetails d = guards::BhoDetailsText(bhoItems.Rows()[static_cast<size_t>(row)]);
    base::MsgBox(d.text, MB_OK | (d.moduleMissing ? MB_ICONSTOP : 0), base::AppTitle());
}

void frmSysGuards::restore_BHO() {
    std::vector<guards::BHOProfile> removed;
    base::Trap("restore_BHO", [&] { removed = guards::RemovedBhos(); });
    if (removed.empty()) {
        frmMsgBox.msgboxOK("No removed helper object is kept to be put back.", "Corvane");
        return;
    }
    std::string names;
    for (const auto& r : removed) names += "\r\n" + (r.name.empty() ? r.clsid : r.name);
    if (frmMsgBox.msgbox("Put back the helper objects removed earlier?" + names, "Corvane") == 2) return;
    guards::BhoList::ApplyReport report;
    base::Trap("restore_BHO", [&] { report = bhoItems.RestoreRemoved(); });
    flash.SetVariable("_root.bhoStatus", FailureStatus("Not put back: ", report.failures));
    updateFlashBHOList();
}

// ---- installed programs ----

void frmSysGuards::updateFlashAddRemoveList() {
    std::string text;
    for (const auto& p : addRemove) text += p.displayName + "|";
    flash.SetVariable("_root.NumberOfIP", std::to_string(addRemove.size()));
    flash.SetVariable("_root.IPString", text);
    flash.SetVariable("_root.InstalledProgramsListener", "1");
    flash.SetVariable("_root.IPListener", "1");  // the face's list takes the stem's own listener
}

void frmSysGuards::remove_AddRemoveGuard(const std::string& index) {
    const long row = RowOf(index, selectedProgram, addRemove.size());
    if (row < 0) return;
    selectedProgram = row;
    base::Trap("ar cmdRemove_Click", [&] {
        const guards::InstalledProgram& p = addRemove[static_cast<size_t>(row)];
        if (frmMsgBox.msgbox(modLanguage::getMessage("1069", "Do you want to UnInstall this program?"),
                             modLanguage::getMessage("1070", "Program Uninstall")) == 2)
            return;
        const guards::UninstallStart started = guards::StartUninstall(p.key);
        flash.SetVariable("_root.ipStatus", started.started ? std::string() : p.displayName + ": " + started.error);
        if (!started.started) frmMsgBox.msgboxOK(p.displayName + ": " + started.error, "Corvane");
    });
    updateFlashAddRemoveList();
}

void frmSysGuards::info_AddRemoveGuard(const std::string& index) {
    const long row = RowOf(index, selectedProgram, addRemove.size());
    if (row < 0) return;
    selectedProgram = row;
    base::Trap("ar cmdViewInfo_Click", [&] {
        const guards::ProgramInfo info = guards::GetProgramInfo(addRemove[static_cast<size_t>(row)]);
        if (!frminfo.Loaded()) frminfo.Load();
        frminfo.lblprogname.SetCaption(info.name);
        frminfo.lblpub.SetCaption(info.publisher);
        frminfo.lblprogver.SetCaption(info.version);
        frminfo.showME();
    });
}
