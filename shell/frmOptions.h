#pragma once
// The options window: one control for every user option and the scheduled scan's Task
// Scheduler object, while the main movie's options page is open. The program loads it and
// never shows it; its controls' click actions carry out at once what an option change must do
// (the autostart entry, the context-menu library, the password, the scheduled scan).
#include <functional>
#include <string>

#include "shell/ScheduleSetting.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmOptions : public ui::Form {
public:
    frmOptions();

    // The tab strip's selection: tab k+1 shows frame k.
    int ConfigTab = 1;
    void ConfigTab_Click(int tab);

    ui::Frame FrameOptions{*this, "FrameOptions"};
    ui::CommandButton TabButtons[6] = {{*this, "ConfigTab1", &FrameOptions}, {*this, "ConfigTab2", &FrameOptions},
                                       {*this, "ConfigTab3", &FrameOptions}, {*this, "ConfigTab4", &FrameOptions},
                                       {*this, "ConfigTab5", &FrameOptions}, {*this, "ConfigTab6", &FrameOptions}};
    ui::Frame FrameGenOption[6] = {
        {*this, "FrameGenOption0", &FrameOptions}, {*this, "FrameGenOption1", &FrameOptions},
        {*this, "FrameGenOption2", &FrameOptions}, {*this, "FrameGenOption3", &FrameOptions},
        {*this, "FrameGenOption4", &FrameOptions}, {*this, "FrameGenOption5", &FrameOptions}};
    // General options
    ui::CheckBox chkContextMenu{*this, "chkContextMenu", &FrameGenOption[0]};
    ui::CheckBox ChkAutoRemove{*this, "ChkAutoRemove", &FrameGenOption[0]};
    ui::CheckBox ChkRemoveFile{*this, "ChkRemoveFile", &FrameGenOption[0]};
    ui::CheckBox ChkMarkRef{*this, "ChkMarkRef", &FrameGenOption[0]};
    ui::CheckBox chkShowPopups{*this, "chkShowPopups", &FrameGenOption[0]};
    ui::CheckBox chkPlaySounds{*this, "chkPlaySounds", &FrameGenOption[0]};
    ui::CheckBox chkEnablePassword{*this, "chkEnablePassword", &FrameGenOption[0]};
    ui::CheckBox chkDelBckupAfter{*this, "chkDelBckupAfter", &FrameGenOption[0]};
    ui::TextBox txtDays{*this, "txtDays", &FrameGenOption[0]};
    ui::UpDown udDays{*this, "udDays", txtDays, &FrameGenOption[0]};  // 1 to 60 days
    ui::Label lblDays{*this, "lblDays", &FrameGenOption[0]};
    ui::CommandButton cmdReportMalware{*this, "cmdReportMalware", &FrameGenOption[0]};
    // Scan options
    ui::CheckBox chkSpywareAdware{*this, "chkSpywareAdware", &FrameGenOption[1]};
    ui::CheckBox chkKeyLoggers{*this, "chkKeyLoggers", &FrameGenOption[1]};
    ui::CheckBox chkBHO{*this, "chkBHO", &FrameGenOption[1]};
    ui::CheckBox chkTrojans{*this, "chkTrojans", &FrameGenOption[1]};
    ui::CheckBox chkDialers{*this, "chkDialers", &FrameGenOption[1]};
    ui::CheckBox chkAllCookies{*this, "chkAllCookies", &FrameGenOption[1]};
    ui::CheckBox chkAdvancedScanning{*this, "chkAdvancedScanning", &FrameGenOption[1]};
    ui::CheckBox chkScanRestor{*this, "chkScanRestor", &FrameGenOption[1]};
    ui::CheckBox chkDelAfterRestore{*this, "chkDelAfterRestore", &FrameGenOption[1]};
    ui::CheckBox chkScanUserAccount{*this, "chkScanUserAccount", &FrameGenOption[1]};
    ui::CheckBox chkSkipNonExeFiles{*this, "chkSkipNonExeFiles", &FrameGenOption[1]};
    // Start-up options
    ui::CheckBox chkScanStartup{*this, "chkScanStartup", &FrameGenOption[2]};
    ui::CheckBox chkUseDelayedStartup{*this, "chkUseDelayedStartup", &FrameGenOption[2]};
    ui::CheckBox chkAutoCheckForUpdate{*this, "chkAutoCheckForUpdate", &FrameGenOption[2]};
    // Live update
    ui::CommandButton cmdCheckUpdate{*this, "cmdCheckUpdate", &FrameGenOption[3]};
    ui::Frame frameLoginRequired{*this, "frameLoginRequired", &FrameGenOption[3]};
    ui::CheckBox chkUseProxy{*this, "chkUseProxy", &frameLoginRequired};
    ui::Label lblServer{*this, "lblServer", &frameLoginRequired};
    ui::TextBox txtProxServer{*this, "txtProxServer", &frameLoginRequired};
    ui::Label lblPort{*this, "lblPort", &frameLoginRequired};
    ui::TextBox txtProxPort{*this, "txtProxPort", &frameLoginRequired};
    ui::Label lblUserName{*this, "lblUserName", &frameLoginRequired};
    ui::TextBox txtProxUserID{*this, "txtProxUserID", &frameLoginRequired};
    ui::Label lblPasswrod{*this, "lblPasswrod", &frameLoginRequired};
    ui::TextBox txtProxPass{*this, "txtProxPass", &frameLoginRequired};
    // Schedule
    ui::CheckBox chkCustomSched{*this, "chkCustomSched", &FrameGenOption[4]};
    ui::CommandButton cmdEditSched{*this, "cmdEditSched", &FrameGenOption[4]};
    // Interface
    ui::CheckBox chkSplashScreen{*this, "chkSplashScreen", &FrameGenOption[5]};
    ui::CheckBox chkUseGridLines{*this, "chkUseGridLines", &FrameGenOption[5]};
    ui::CheckBox chkSnapToDesktop{*this, "chkSnapToDesktop", &FrameGenOption[5]};
    ui::CheckBox chkRemWinPos{*this, "chkRemWinPos", &FrameGenOption[5]};
    // Paths
    ui::Frame Removed{*this, "Removed"};
    ui::Label lblLogfiles{*this, "lblLogfiles", &Removed};
    ui::TextBox txtLogfiles{*this, "txtLogfiles", &Removed};
    ui::CommandButton CmdLogBrowse{*this, "CmdLogBrowse", &Removed};
    ui::Label lblBackup{*this, "lblBackup", &Removed};
    ui::TextBox txtBackup{*this, "txtBackup", &Removed};
    ui::CommandButton CmdBackupBrowse{*this, "CmdBackupBrowse", &Removed};
    ui::Label lblRefFile{*this, "lblRefFile", &Removed};
    ui::TextBox txtRefFileLocation{*this, "txtRefFileLocation", &Removed};
    ui::CommandButton cmdBrowseRefFile{*this, "cmdBrowseRefFile", &Removed};
    ui::CommandButton CmdProceed{*this, "CmdProceed", &FrameOptions};

    // The Task Scheduler object while the window is loaded.
    scheduleSetting::TaskSchedule taskSchedule;

    // Called by the main window's dispatcher and the options read-back.
    void setSchedule(const std::string& args);
    // True when setSchedule would take the text: its fields are all there and each is valid.
    static bool ScheduleCanBeSet(const std::string& args);
    void showPassWindow();
    void showCustomSchedule();
    void runLveupdate();
    void CmdProceed_Click();

    // The work item's name: the application title.
    static constexpr const char* kTaskName = "Corvane";

    // Starts the context-menu library's regsvr32 line without waiting; tests record it.
    std::function<void(const std::string& commandLine)> launcher;
    // The unload hands the main window's frame back to the home panel (the program's links connect it).
    std::function<void()> ShowHome;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override { loading_ = false; }

private:
    void Layout();
    void chkContextMenu_Click();
    void chkScanRestor_Click();
    void chkDelBckupAfter_Click();
    void chkUseProxy_Click();
    void startupPair_Click();
    void chkCustomSched_Click();
    void Browse(ui::TextBox& field);
    void Launch(const std::string& commandLine);
    bool loading_ = false;
};

inline class frmOptions frmOptions;
