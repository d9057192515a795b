#include "shell/frmMain.h"

#include "core/Globals.h"
#include "core/modMain.h"
#include "monitors/modMonitors.h"
#include "shell/frmAlerts.h"
#include "shell/frmPopup.h"
#include "ui/MessageLoop.h"

namespace {
// Runs the checks that notifications asked for, once the notification has returned.
constexpr UINT kRunGuardChecks = WM_APP + 0x316;
}  // namespace

frmMain::frmMain() : ui::Form("frmMain") {
    SetCaption("Corvane");
    Move(0, 0, 633 * 15, 452 * 15);
    flash.Move(0, 0, 633, 452);
    FrameMain.SetBorder(false);
    FrameMain.Move(16, 40, 600, 400);
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

void frmMain::showAlertForm() {
    if (gb_scanBusy) return;
    frmAlerts.Unload();
    frmAlerts.Load();
    frmAlerts.runMe();
}

void frmMain::Form_Load() {
    Skin.LoadSkin(modMain::FullPath_With_Filename("\\Skin\\Corvane.skn"));
    Skin.ApplyMask(hWnd(), "MainMask");
    FrameMain.ZOrder(0);
}

void frmMain::ResetFormState() {
    Skin = skin::Skin{};
    checksPosted_ = false;
}
