#pragma once
// The main window: its skin object, its movie, the frame that hosts the panels, its status bar,
// the owner of every message box, the hidden notify boxes the guards' watches report to, the
// parameter channel and the tray icon. As the program (RunsProgram) its load brings the whole
// program up and its unload takes it down; otherwise (the other windows' tests) it is a plain host
// window. Split by what changes together: the window and its buttons (frmMain.cpp), the movie's
// command table (MainCommands.cpp), the start-up and shut-down steps with the command line and the
// timers (MainSteps.cpp), the guards' side (MainGuardHost).
#include <functional>
#include <map>
#include <string>

#include "base/Handles.h"
#include "components/flash/ShockwaveFlash.h"
#include "components/skin/Skin.h"
#include "shell/MainGuardHost.h"
#include "shell/Splash.h"
#include "shell/Tray.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmMain : public ui::Form {
public:
    frmMain();

    skin::Skin Skin;  // the main skin, loaded with the window
    movie::ShockwaveFlash flash{*this, "flash"};
    ui::Frame FrameMain{*this, "FrameMain"};  // panels are placed into it (SetFormSize)
    ui::StatusBar StatusBar1{*this, "StatusBar1", 3};

    // Hidden, never shown: Halvex sends each change of a watched place to one of them as its text.
    ui::TextBox txtStartupFolder{*this, "txtStartupFolder"};
    ui::TextBox txtStartupRegistry{*this, "txtStartupRegistry"};
    ui::TextBox txtIEFavoriteMonitor{*this, "txtIEFavoriteMonitor"};
    ui::TextBox txtIEHijackMonitor{*this, "txtIEHijackMonitor"};
    ui::TextBox txtBHOMonitor{*this, "txtBHOMonitor"};
    // The guards' host over those boxes (app/ makes it the guards' host).
    MainGuardHost guardHost{
        *this, txtStartupFolder, txtStartupRegistry, txtIEFavoriteMonitor, txtIEHijackMonitor, txtBHOMonitor};

    // The parameter channel: another program sends "ScanFolder|<folder>|..." to it (WM_SETTEXT).
    ui::TextBox txtPramaterInfoEnvenHandeler{*this, "txtPramaterInfoEnvenHandeler"};
    ui::Timer tmrStartUP{*this, "tmrStartUP"};
    ui::Timer tmrMonitor{*this, "tmrMonitor"};
    Tray Tray1;
    Splash Splash;  // shown while the program comes up, when the option says so

    // The button layer behind the movie.
    ui::CommandButton cmdScanNow{*this, "cmdScanNow"};
    ui::CommandButton cmdRemoveList{*this, "cmdRemoveList"};
    ui::CommandButton cmdResults{*this, "cmdResults"};
    ui::CommandButton cmdBackup{*this, "cmdBackup"};
    ui::CommandButton cmdIgnorList{*this, "cmdIgnorList"};
    ui::CommandButton cmdSystemGuards{*this, "cmdSystemGuards"};
    ui::CommandButton cmdOptions{*this, "cmdOptions"};
    ui::CommandButton cmdAlerts{*this, "cmdAlerts"};
    ui::CommandButton cmdAbout{*this, "cmdAbout"};
    ui::CommandButton cmdHelp{*this, "cmdHelp"};
    // Their label twins, in front of the movie: a click runs the button's handler while the
    // button is enabled (the disabled one names the page on show).
    ui::Label lblScanNow{*this, "lblScanNow"};
    ui::Label lblRemoveList{*this, "lblRemoveList"};
    ui::Label lblResults{*this, "lblResults"};
    ui::Label lblBackup{*this, "lblBackup"};
    ui::Label lblIgnorList{*this, "lblIgnorList"};
    ui::Label lblSysGuard{*this, "lblSysGuard"};
    ui::Label lblOption{*this, "lblOption"};
    ui::Label lblAlerts{*this, "lblAlerts"};
    ui::Label lblAbout{*this, "lblAbout"};
    ui::Label lblHelp{*this, "lblHelp"};

    // Load as the program: the whole start-up on load, the shut-down on unload. Set by the
    // entry point (and by the tests of the start-up); off, the window is a plain host.
    bool RunsProgram = false;
    // The command line the start-up tick reads.
    std::string CommandLine;
    // Test seam: ends the program at once (the refused second instance); unset, the process exits.
    std::function<void()> EndProgram;
    // Test seam: when set, takes the scan drivers' calls ("StartScan", "QuickScan", "CustomScan",
    // "ScanSelectedFolder") in their place.
    std::function<void(const std::string& driver, const std::string& arg)> OnScan;
    // The name of the object that marks a running instance of the program in its folder.
    static std::string InstanceMutexName();
    // The same for the program started from `programFolder`.
    static std::string InstanceMutexName(const std::string& programFolder);
    // Test seam: each start-up and shut-down step by name, in order, when set.
    std::function<void(const std::string&)> OnStep;
    // The main movie's pages (frames of corvane.scw).
    enum Page : long {
        Home = 0,
        Custom = 2,
        Options = 3,
        Results = 4,
        Alerts = 5,
        SystemGuards = 6,
        RemoveList = 7,
        About = 8
    };

    // The main movie's commands.
    void flash_FSCommand(const std::string& command, const std::string& args);

    // Public operations.
    void showAlertForm();  // opens the alerts page, unless a scan or a removal runs
    void disableMe(ui::CommandButton& butt, bool allButt);
    void showScanNow();
    void showResultsList();
    // A scan starts (the window disabled with every button, its movie stopped) or ends (the window
    // and the buttons of the home page enabled again). The scanning window tells it.
    void ScanStateChanged(bool scanning);
    // A scan or a removal runs: the movie's page commands wait for it.
    static bool ScanBusy();
    // The drive choice of the custom page: the fixed drives (the ones a custom scan's flags
    // index) and the remembered choice ticked.
    void setDrivesToFlash();

    // Button, tray and menu handlers.
    void cmdScanNow_Click();
    void cmdRemoveList_Click();
    void cmdResults_Click();
    void cmdBackup_Click();
    void cmdIgnorList_Click();
    void cmdSystemGuards_Click();
    void showOptions();          // the options page with the option values
    bool getOptionsFromFlash();  // false: a value did not convert, nothing changed
    void cmdOptions_Click();
    void cmdAlerts_Click();
    void cmdAbout_Click();
    void cmdHelp_Click();
    void Tray1_LeftClick();
    void Tray1_RightClick();
    void mnuMainShowHide_Click();
    void mnuMainClose_Click();
    bool mnuMainShowHideChecked() const { return hiddenToTray_; }

    void dragForm();
    void keepFormOnScreen();  // with the snap option on, puts the window back inside the screen
    // The window, movie and frame as designed (twips); start-up fits them (layoutMainFrame).
    static constexpr long kDesignWidth = 10875, kDesignHeight = 7110;
    static constexpr int kMovieWidth = 633, kMovieHeight = 452;  // pixels
    static constexpr int kFrameLeft = 142, kFrameTop = 42;       // pixels
    // Panels embedded in the frame; the one shown there covers the movie's page area, the
    // movie brought to the front covers them all.
    ui::Form* PanelShown() const;
    void ShowPanel(ui::Form& panel);
    void HideToTray();  // the movie's minimise: only the tray icon remains
    void tmrStartUP_Timer();
    void txtPramaterInfoEnvenHandeler_Change();

    void layoutMainFrame();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct Steps;         // the start-up and shut-down tables (MainSteps.cpp)
    struct CommandTable;  // the movie's commands (MainCommands.cpp)
    void Step(const std::string& name);
    bool ProtectedPage();  // the password step: refused sends the movie home
    void Front();
    // Runs a scan driver ("StartScan", "QuickScan", "CustomScan", "ScanSelectedFolder"), or hands the
    // call to OnScan; false when no scan ran.
    bool RunScanDriver(const std::string& driver, const std::string& arg = {});
    void ShowScanWindow();
    void autoStartScan();
    void scheduledScan();
    void tmrMonitor_Timer();
    std::string MovieArgument(const std::string& args);
    void RaiseOverMovie();                         // the status bar and the labels stay in front of the movie
    std::map<std::string, std::string> selected_;  // the row chosen in each list of the movie
    bool hiddenToTray_ = false;
    // The tray menu is tracking; a close asked meanwhile waits until the menu has gone.
    bool trayMenuOpen_ = false;
    bool closeAfterTrayMenu_ = false;
    base::Handle instance_;  // held while this instance runs
};

inline class frmMain frmMain;
