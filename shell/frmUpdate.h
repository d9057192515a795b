#pragma once
// The download window: a borderless skinned window whose movie (LiveUpdate.scw) shows the file,
// its size, the bytes received, elapsed and remaining time, the rate and the progress, with the
// start, stop and close commands. The transfer and the update procedure are the downloader's
// (downloader/); this form is their view and answers their questions.
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "downloader/ExtraTimer.h"
#include "downloader/LinkScanner.h"
#include "downloader/Transfer.h"
#include "downloader/Update.h"
#include "shell/ProgressBar.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmUpdate : public ui::Form, private downloader::TransferEvents, private downloader::UpdateWindow {
public:
    frmUpdate();

    // The entry for the main window's update commands: loads the window and shows it, ready
    // for the user's Start. With `start` the update procedure runs at once.
    void OpenUpdateWindow(bool start = false);

    // The update procedure (the Start button and the movie's IDC_FS_START).
    void cmdStartUpdate_Click();
    // Fetches URL into FileLocation as a fresh file; the window's timers carry the transfer on.
    void ExecuteDownload(const std::string& URL, const std::string& FileLocation);
    void StartDownload();
    void RestartFromUrl(const std::string& URL);
    void cmdStop_Click();
    void StopMe() { cmdStop_Click(); }
    void StopDown();
    void SetCaptions();
    void tmrUpdate_Timer();
    void tmrUpdate2_Timer();
    void tmrReconnect_Timer();
    void LayoutSegmentBars(int n);
    // Fetches the wanted links of the page named in txtSaveTo, one after another.
    void CheckSite();
    std::string ExtractSrcAttribute(const std::string& page, const std::string& fileName) const {
        return downloader::ExtractSrcAttribute(page, fileName);
    }
    void ShowDownloadError(int Index, long Number, const std::string& Description);

    // The engine, its tuning variables (transfer.options) and the update server.
    downloader::Transfer transfer{this};
    downloader::UpdateSite site;
    int intTimeout = 20;    // probe time-out in ticks of 1.5 s
    int intTimeResume = 0;  // reconnect timer interval, seconds
    bool tfStopResume = false;
    bool tfExtTXT = false, tfExtGif = false, tfExtAll = false;
    double intTransferRate = 0;
    std::uint64_t intRecievedBytes = 0;
    bool tfDownloadError = false;  // the last transfer or update ended in an error
    // The home panel shows the new update date (the main window wires this).
    std::function<void()> OnDefinitionsInstalled;

    movie::ShockwaveFlash flash{*this, "flash"};
    ui::CommandButton cmdStop{*this, "cmdStop"};
    ui::CommandButton cmdStartUpdate{*this, "cmdStartUpdate"};
    // The skinned labels and the bars lie over the movie, inside the player window.
    ui::Label lblStatus{*this, "lblStatus", &flash};
    ui::Label lblTimer{*this, "lblTimer", &flash};
    ui::Label lblFName{*this, "lblFName"};
    ui::Label lblResume{*this, "lblResume", &flash};
    ui::Label lblPer{*this, "lblPer"};
    ui::TextBox lblRecievedSize{*this, "lblRecievedSize"};
    ui::TextBox lblElapsedTime{*this, "lblElapsedTime"};
    ui::TextBox lblTransferRate{*this, "lblTransferRate"};
    ui::TextBox lblTimeRemaining{*this, "lblTimeRemaining"};
    ui::TextBox lblFileSize{*this, "lblFileSize"};
    ui::TextBox txtURL{*this, "txtURL"};
    ui::TextBox txtSaveTo{*this, "txtSaveTo"};
    ProgressBar ProgressBar1{*this, "ProgressBar1", &flash};
    ProgressBar PVProgressBar0{*this, "PVProgressBar0", &flash}, PVProgressBar1{*this, "PVProgressBar1", &flash},
        PVProgressBar2{*this, "PVProgressBar2", &flash}, PVProgressBar3{*this, "PVProgressBar3", &flash},
        PVProgressBar4{*this, "PVProgressBar4", &flash}, PVProgressBar5{*this, "PVProgressBar5", &flash};
    ProgressBar* PVProgressBar[6] = {&PVProgressBar0, &PVProgressBar1, &PVProgressBar2,
                                     &PVProgressBar3, &PVProgressBar4, &PVProgressBar5};
    ui::Timer tmrUpdate{*this, "tmrUpdate"};
    ui::Timer tmrUpdate2{*this, "tmrUpdate2"};
    ui::Timer tmrPump{*this, "tmrPump"};          // steps the transfer between other messages
    ui::Timer tmrReconnectTick{*this, "Timer1"};  // the ExtraTimer's inner one-second tick
    downloader::ExtraTimer tmrReconnect;
    HWND flashWindow = nullptr;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    // TransferEvents
    void OnStarted(const std::string& fileName) override;
    void OnStatus(const std::string& text) override;
    void OnProbeTick(int secondsLeft) override;
    void OnSizeKnown(std::uint64_t total, bool resumes) override;
    void OnLayout(int bars) override;
    void OnRedirect(const std::string& url) override;
    bool AskSegmented(const std::string& question) override;
    void OnError(const std::string& prompt, const std::string& status) override;
    void OnEnded(downloader::Outcome outcome) override;
    // UpdateWindow
    std::string Message(const std::string& id, const std::string& defaultText) override;
    void ShowMessage(const std::string& text) override;
    void HideWindow() override { Hide(); }
    void DisableStart() override { cmdStartUpdate.SetEnabled(false); }
    void EnableStart() override { cmdStartUpdate.SetEnabled(true); }
    void Pump() override;
    void DefinitionsInstalled() override;

    void flash_FSCommand(const std::string& command, const std::string& args);
    void Show2(ui::TextBox& field, const char* variable, const std::string& text);
    void SetStopCaption(const std::string& caption);
    void ShowFinalFigures();
    void SizeFlashToForm();

    std::string strStopCaption = "&Stop", strCloseCaption = "&Close";
    double dblElapsed = 0;
    std::uint64_t intPrevRecieved = 0;
    unsigned long long prevTick_ = 0;
    bool updating_ = false;  // the update procedure runs (its wait loop pumps messages)
    std::set<std::string> linksFetched_;
};

inline class frmUpdate frmUpdate;
