#pragma once
// The System Guards window: the guard switches and the protected home page, the startup items,
// the browser helper objects and the installed programs, each a page of its movie
// (SysGuards.scw). The lists are the engine's (guards/); the window shows them on the Flash
// list protocol and carries out the movie's commands.
#include <string>
#include <vector>

#include "components/flash/ShockwaveFlash.h"
#include "guards/Bho.h"
#include "guards/GuardSwitches.h"
#include "guards/InstalledPrograms.h"
#include "guards/Startup.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmSysGuards : public ui::Form {
public:
    frmSysGuards();

    movie::ShockwaveFlash flash{*this, "flash"};
    // Reads the helper objects' version resources once the window is open.
    ui::Timer tmrVersions{*this, "tmrVersions"};

    // State of the window's switches (the movie shows them); all off until the window loads.
    bool chkStartupAuto = false, chkStartupManual = false, chkIEFavoritesGuard = false, chkIEHiJackGuard = false,
         chkIEHomePage = false, chkBHOAuto = false;
    bool homePageControlsEnabled = false;
    std::string txtDefaultHomePage;
    std::string captionEnable, captionDisable;

    // The managers' data.
    guards::StartupList startupItems;                                   // lstStartupItems
    guards::BhoList bhoItems;                                           // lstBHO
    std::vector<guards::InstalledProgram> addRemove;                    // lstAddRemove
    long selectedStartup = -1, selectedBHO = -1, selectedProgram = -1;  // 0-based, -1 none
    long tabGuards = 0;                                                 // the page shown, 0-4

    // Commands of the movie (the main window's dispatcher names).
    void flash_FSCommand(const std::string& command, const std::string& args);
    void enableStartupAuto();
    void enableIEFavvorites();
    void enableIEHiJackGuard();
    void enableIEHomePage();
    void enableBHOGuard();
    void enableIERestoreHomePageAutomatic();
    void enableStartupManual();
    void setHomepage();
    void en_des_Startupitem(const std::string& index);
    void del_Startupitem(const std::string& index);
    void add_SartupItem();
    void save_Startup();
    void load_Startup();
    void apply_Startup();
    void reset_Startup();
    void remove_BHO(const std::string& index);
    void en_des_BHO(const std::string& index);
    void apply_BHO();
    void save_BHO();
    void load_BHO();
    void info_BHO(const std::string& index);
    void restore_BHO();
    void remove_AddRemoveGuard(const std::string& index);
    void info_AddRemoveGuard(const std::string& index);

    // Shows a page (a frame of the movie) with its lists; the startup page without its list
    // while "Edit Startup Items" is off.
    void ShowTab(long page);
    void updateFlashStartupList();
    void updateFlashBHOList();
    void updateFlashAddRemoveList();

    void cmdAddTask_Click();
    void cmdSaveHomePage_Click();
    void chkStartupAuto_Click();
    void chkStartupManual_Click();
    void chkIEFavoritesGuard_Click();
    void chkIEHiJackGuard_Click();
    void chkIEHomePage_Click();
    void chkBHOAuto_Click();

protected:
    void Form_Load() override;
    void ResetFormState() override;

private:
    // The tab captions and the startup page's messages (gb_startupMessages) from the language pack.
    void showGuardTab();
    void setCaptions();
    // The row a command names: "@selected" (the face's buttons), or a 0-based index as text
    // (plus one and rounded, halves to even, it is the 1-based row); -1 for anything else or a
    // row past the list.
    long RowOf(const std::string& arg, long selected, size_t count) const;
    void PushSwitch(guards::GuardKind kind, const char* boxVar, const char* labelVar);
    void PushButtons();
};

inline class frmSysGuards frmSysGuards;
