#include "shell/frmUpdate.h"

#include <cctype>

#include "base/MsgBox.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "downloader/Progress.h"
#include "shell/CursorPosition.h"
#include "shell/FormLanguage.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "ui/MessageLoop.h"

namespace {

constexpr int kStageWidth = 420, kStageHeight = 262;

downloader::Proxy ProxySettings() {
    return downloader::Proxy{gb_useProxy, gb_proxServer, gb_proxPort, gb_proxID, gb_proxPass};
}

}  // namespace

frmUpdate::frmUpdate() : ui::Form("frmUpdate") {
    SetCaption("Liveupdate ");
    Move(0, 0, kStageWidth * 15, kStageHeight * 15);
    flash.Move(0, 0, kStageWidth, kStageHeight);
    flash.FSCommand = [this](const std::string& c, const std::string& a) { flash_FSCommand(c, a); };
    cmdStop.SetCaption("Stop ");
    cmdStop.SetVisible(false);  // the movie's button is the face; this one holds caption and state
    cmdStartUpdate.SetVisible(false);
    cmdStop.OnClick = [this] { cmdStop_Click(); };
    cmdStartUpdate.OnClick = [this] { cmdStartUpdate_Click(); };
    lblStatus.Move(16, 176, 388, 16);
    lblTimer.Move(232, 211, 172, 14);
    lblTimer.SetAlignment(ui::Label::Alignment::Right);
    lblResume.Move(16, 211, 200, 14);
    lblPer.SetVisible(false);
    lblFName.SetVisible(false);
    for (ui::TextBox* t :
         {&lblRecievedSize, &lblElapsedTime, &lblTransferRate, &lblTimeRemaining, &lblFileSize, &txtURL, &txtSaveTo})
        t->SetVisible(false);
    lblFileSize.SetText("0");
    ProgressBar1.Move(16, 206, 388, 6);
    ProgressBar1.SetVisible(false);
    for (ProgressBar* b : PVProgressBar) {
        b->Move(16, 194, 388, 10);
        b->SetVisible(false);
    }
    tmrUpdate.SetInterval(500);
    tmrUpdate.SetEnabled(false);
    tmrUpdate.OnTimer = [this] { tmrUpdate_Timer(); };
    tmrUpdate2.SetInterval(2500);
    tmrUpdate2.SetEnabled(false);
    tmrUpdate2.OnTimer = [this] { tmrUpdate2_Timer(); };
    tmrPump.SetInterval(15);
    tmrPump.SetEnabled(false);
    tmrPump.OnTimer = [this] {
        if (!transfer.Step(0)) tmrPump.SetEnabled(false);
    };
    tmrReconnectTick.SetInterval(1000);
    tmrReconnectTick.SetEnabled(false);
    tmrReconnectTick.OnTimer = [this] { tmrReconnect.Timer1_Timer(); };
    tmrReconnect.InnerTimerEnabled = [this](bool on) { tmrReconnectTick.SetEnabled(on); };
    tmrReconnect.Timer = [this] { tmrReconnect_Timer(); };
}

void frmUpdate::OpenUpdateWindow(bool start) {
    base::Trap("OpenUpdateWindow", [&] {
        Load();
        Show(ui::vbModeless);
        if (start) cmdStartUpdate_Click();
    });
}

// ---- Form events

void frmUpdate::Form_Load() {
    frmMain.Skin.ApplyMask(hWnd(), "SubMask");
    flash.LoadMovie(0, modMain::FullPath_With_Filename("LiveUpdate.scw"));
    flash.ZOrder(0);
    formLanguage::applyLanguage(*this);
    flashWindow = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow) CursorPosition::HookFlashMenu11(flashWindow, true);
    SizeFlashToForm();
    SetStopCaption(cmdStop.Caption());
}

void frmUpdate::Form_Unload(int&) {
    StopDown();
    tmrReconnect.SetEnabled(false);
    CursorPosition::HookFlashMenu11(flashWindow, false);
}

void frmUpdate::ResetFormState() {
    flashWindow = nullptr;
    dblElapsed = 0;
    intPrevRecieved = 0;
    intRecievedBytes = 0;
    intTransferRate = 0;
    tfDownloadError = false;
}

void frmUpdate::SizeFlashToForm() {
    if (!Loaded()) return;
    RECT client;
    GetClientRect(hWnd(), &client);
    flash.Move(0, 0, client.right, client.bottom);
}

// ---- Commands

void frmUpdate::flash_FSCommand(const std::string& command, const std::string&) {
    const std::string c = base::UCase(command);
    if (c == "IDC_FS_DRAG")
        ui::DragForm(*this, gb_snapWinBorder);
    else if (c == "IDC_FS_CLOSE")
        cmdStop_Click();
    else if (c == "IDC_FS_START")
        cmdStartUpdate_Click();
    else if (c == "IDC_FS_STOP")
        cmdStop_Click();
    else if (c == "IDC_FS_MINIMIZE")
        ShowWindow(hWnd(), SW_MINIMIZE);
    else
        base::MsgBox(command, MB_OK);
}

void frmUpdate::cmdStartUpdate_Click() {
    if (updating_) return;  // the procedure is already running (its wait loop pumps this command)
    updating_ = true;
    base::Trap("cmdStartUpdate_Click", [&] {
        if (!Loaded()) Load();
        tfDownloadError = false;
        downloader::UpdateSite s = site;
        s.proxy = ProxySettings();
        transfer.options.probeTimeoutMs = intTimeout > 0 ? intTimeout * 1500 : 30000;
        const downloader::UpdateResult r = downloader::RunUpdate(transfer, *this, s);
        tfDownloadError = r == downloader::UpdateResult::DownloadFailed || r == downloader::UpdateResult::Refused ||
                          r == downloader::UpdateResult::InstallFailed;
    });
    updating_ = false;
}

void frmUpdate::cmdStop_Click() {
    if (!transfer.isFileDownloaded() && cmdStop.Caption() != strCloseCaption) {
        cmdStop.SetEnabled(false);
        StopDown();
    }
    Hide();
}

void frmUpdate::SetCaptions() {
    strStopCaption = modLanguage::getMessage("1122", "&Stop");
    strCloseCaption = modLanguage::getMessage("1123", "&Close");
    SetStopCaption(strStopCaption);
}

void frmUpdate::SetStopCaption(const std::string& caption) {
    cmdStop.SetCaption(caption);
    std::string shown;
    for (char ch : caption)
        if (ch != '&') shown += ch;
    flash.SetVariable("_root.stopCaption", shown);
}

void frmUpdate::Show2(ui::TextBox& field, const char* variable, const std::string& text) {
    field.SetText(text);
    flash.SetVariable(variable, field.Text());
}

// ---- Transfers

void frmUpdate::ExecuteDownload(const std::string& URL, const std::string& FileLocation) {
    txtSaveTo.SetText(FileLocation);
    txtURL.SetText(URL);
    transfer.options.proxy = ProxySettings();
    transfer.options.probeTimeoutMs = intTimeout > 0 ? intTimeout * 1500 : 30000;
    transfer.ExecuteDownload(URL, FileLocation);
    if (transfer.Downloading()) tmrPump.SetEnabled(true);
}

void frmUpdate::StartDownload() {
    transfer.options.proxy = ProxySettings();
    if (!transfer.StartDownload()) {
        Hide();
        return;
    }
    tmrPump.SetEnabled(true);
}

void frmUpdate::RestartFromUrl(const std::string& URL) {
    transfer.SetTarget(URL, transfer.strSaveTo());
    StartDownload();
}

void frmUpdate::StopDown() {
    base::Trap("StopDown", [&] { transfer.StopDown(); });
    ShowFinalFigures();
    lblStatus.SetCaption("Transfer Stopped");
    cmdStop.SetEnabled(true);
    SetStopCaption(strCloseCaption);
}

void frmUpdate::ShowFinalFigures() {
    tmrUpdate.SetEnabled(false);
    tmrUpdate2.SetEnabled(false);
    tmrPump.SetEnabled(false);
    intTransferRate = 0;
    lblTimer.SetVisible(false);
    intRecievedBytes = transfer.GetReceivedTotal();
    const int percent = downloader::Percent(intRecievedBytes, transfer.TotalSize());
    ProgressBar1.SetValue(percent);
    flash.SetVariable("_root.progressPercent", std::to_string(percent));
    const std::vector<downloader::SegmentState> segments = transfer.Segments();
    for (size_t i = 0; i < segments.size() && i < 6; ++i) {
        const auto& s = segments[i];
        PVProgressBar[i]->SetValue(s.done ? PVProgressBar[i]->Max()
                                          : downloader::Percent(s.next - s.start, s.end - s.start));
    }
    Show2(lblRecievedSize, "_root.recieved", downloader::ByteConversion(static_cast<double>(intRecievedBytes)));
    Show2(lblTransferRate, "_root.transferRate", "0 Bytes/Second");
    Show2(lblTimeRemaining, "_root.remainingTime", downloader::ConvertTime(0));
}

void frmUpdate::LayoutSegmentBars(int n) {
    if (n < 1) n = 1;
    if (n > 6) n = 6;
    ProgressBar1.SetVisible(n > 1);
    const int width = 388 / n;
    for (int i = 0; i < 6; ++i) {
        PVProgressBar[i]->SetVisible(i < n);
        if (i < n) {
            PVProgressBar[i]->Move(16 + width * i, 194, width - (n > 1 ? 2 : 0), 10);
            PVProgressBar[i]->SetValue(0);
        }
    }
}

void frmUpdate::tmrUpdate_Timer() {
    intRecievedBytes = transfer.GetReceivedTotal();
    if (!transfer.SizeKnown() || intRecievedBytes < transfer.TotalSize()) {
        Show2(lblRecievedSize, "_root.recieved", downloader::ByteConversion(static_cast<double>(intRecievedBytes)));
        dblElapsed += 0.5;
        Show2(lblElapsedTime, "_root.elapsedTime", downloader::ConvertTime(dblElapsed));
        const int percent = downloader::Percent(intRecievedBytes, transfer.TotalSize());
        ProgressBar1.SetValue(percent);
        flash.SetVariable("_root.progressPercent", std::to_string(percent));
        const std::vector<downloader::SegmentState> segments = transfer.Segments();
        for (size_t i = 0; i < segments.size() && i < 6; ++i)
            PVProgressBar[i]->SetValue(
                downloader::Percent(segments[i].next - segments[i].start, segments[i].end - segments[i].start));
    }
    Refresh();
}

void frmUpdate::tmrUpdate2_Timer() {
    intRecievedBytes = transfer.GetReceivedTotal();
    if (transfer.SizeKnown() && intRecievedBytes >= transfer.TotalSize()) return;
    Show2(lblRecievedSize, "_root.recieved", downloader::ByteConversion(static_cast<double>(intRecievedBytes)));
    const unsigned long long now = GetTickCount64();
    const double seconds = prevTick_ ? static_cast<double>(now - prevTick_) / 1000.0 : 2.5;
    const downloader::RateTick r =
        downloader::ComputeRate(intRecievedBytes, intPrevRecieved, seconds, transfer.TotalSize());
    Show2(lblTransferRate, "_root.transferRate", downloader::ByteConversion(r.bytesPerSecond) + " /Second");
    if (r.bytesPerSecond != 0) intTransferRate = r.bytesPerSecond;
    Show2(lblTimeRemaining, "_root.remainingTime",
          r.hasEstimate ? downloader::ConvertTime(r.remainingSeconds) : "--:--:--");
    intPrevRecieved = intRecievedBytes;
    prevTick_ = now;
}

void frmUpdate::tmrReconnect_Timer() { intRecievedBytes = transfer.GetReceivedTotal(); }

void frmUpdate::ShowDownloadError(int, long, const std::string& Description) {
    tfDownloadError = true;
    frmMsgBox.msgboxOK("FTP Downloading error:" + Description, "Corvane");
}

void frmUpdate::CheckSite() {
    base::Trap("CheckSite", [&] {
        downloader::LinkFilter filter{tfExtTXT, tfExtGif, tfExtAll};
        const std::string page = txtSaveTo.Text(), pageUrl = txtURL.Text();
        const std::vector<downloader::SiteLink> links =
            downloader::CheckSite(page, pageUrl, transfer.Url().file, filter, linksFetched_);
        // One transfer at a time: the window has one set of sockets and counters.
        for (const downloader::SiteLink& l : links) {
            ExecuteDownload(l.url, l.localPath);
            while (transfer.Step(20)) ui::DoEvents();
            if (Loaded()) {
                SetLeft(Left() + 40);
                SetTop(Top() + 40);
            }
        }
        tmrUpdate_Timer();
    });
}

// ---- What the engine reports

void frmUpdate::OnStarted(const std::string& fileName) {
    SetCaptions();
    tmrReconnect.SetEnabled(false);
    tmrReconnect.SetIntervalUnit(0);
    tmrReconnect.SetInterval(intTimeResume);
    // Each transfer counts its own time and rate.
    dblElapsed = 0;
    intPrevRecieved = 0;
    prevTick_ = 0;
    lblFName.SetCaption(fileName);
    flash.SetVariable("_root.currentFile", fileName);
    Show2(lblFileSize, "_root.totalSize", "0");
    Show2(lblRecievedSize, "_root.recieved", downloader::ByteConversion(0));
    Show2(lblElapsedTime, "_root.elapsedTime", downloader::ConvertTime(0));
    flash.SetVariable("_root.progressPercent", "0");
    lblStatus.SetCaption("");
    lblResume.SetCaption("");
    lblTimer.SetVisible(true);
    PVProgressBar0.SetVisible(true);
    PVProgressBar0.SetValue(0);
    cmdStop.SetEnabled(true);
    Refresh();
}

void frmUpdate::OnStatus(const std::string& text) { lblStatus.SetCaption(text); }

void frmUpdate::OnProbeTick(int secondsLeft) {
    lblTimer.SetCaption("Timeout: " + std::to_string(secondsLeft) + " sec.");
}

void frmUpdate::OnSizeKnown(std::uint64_t total, bool resumes) {
    lblTimer.SetVisible(false);
    Show2(lblFileSize, "_root.totalSize", downloader::ByteConversion(static_cast<double>(total)));
    lblResume.SetCaption(resumes ? "** Resume Supported **" : "");
    if (tfStopResume) tmrReconnect.SetEnabled(true);
}

void frmUpdate::OnLayout(int bars) {
    LayoutSegmentBars(bars);
    tmrUpdate.SetEnabled(true);
    tmrUpdate2.SetEnabled(true);
}

void frmUpdate::OnRedirect(const std::string& url) { txtURL.SetText(url); }

bool frmUpdate::AskSegmented(const std::string& question) {
    return base::MsgBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void frmUpdate::OnError(const std::string& prompt, const std::string& status) {
    tfDownloadError = true;
    // During an update its own end says what failed, in one box.
    if (!updating_) frmMsgBox.msgboxOK(prompt, "Corvane");
    lblStatus.SetCaption(status);
}

void frmUpdate::OnEnded(downloader::Outcome outcome) {
    ShowFinalFigures();
    if (outcome == downloader::Outcome::Complete) {
        lblStatus.SetCaption(modLanguage::getMessage("1148", "Transfer Completed..."));
        for (size_t i = 0; i < transfer.Segments().size() && i < 6; ++i)
            PVProgressBar[i]->SetValue(PVProgressBar[i]->Max());
    }
    // Whatever the end, the button now closes the window.
    cmdStop.SetEnabled(true);
    SetStopCaption(strCloseCaption);
    Refresh();
}

// ---- What the update procedure needs

std::string frmUpdate::Message(const std::string& id, const std::string& defaultText) {
    return modLanguage::getMessage(id, defaultText);
}

void frmUpdate::ShowMessage(const std::string& text) { frmMsgBox.msgboxOK(text, "Corvane"); }

void frmUpdate::Pump() { ui::DoEvents(); }

void frmUpdate::DefinitionsInstalled() {
    if (OnDefinitionsInstalled) OnDefinitionsInstalled();
}
