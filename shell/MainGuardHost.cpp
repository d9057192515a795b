#include "shell/MainGuardHost.h"

#include "monitors/modMonitors.h"
#include "shell/frmPopup.h"
#include "ui/MessageLoop.h"

namespace {
// Runs the checks that notifications asked for, once the notification has returned.
constexpr UINT kRunGuardChecks = WM_APP + 0x316;
}  // namespace

MainGuardHost::MainGuardHost(ui::Form& window, ui::TextBox& startupFolder, ui::TextBox& startupRegistry,
                             ui::TextBox& ieFavorite, ui::TextBox& ieHijack, ui::TextBox& bho)
    : window_(window), boxes_{&startupFolder, &startupRegistry, &ieFavorite, &ieHijack, &bho} {
    using monitors::NotifyBox;
    for (NotifyBox box : {NotifyBox::StartupFolder, NotifyBox::StartupRegistry, NotifyBox::IEFavorite,
                          NotifyBox::IEHijack, NotifyBox::BHO}) {
        ui::TextBox& t = Box(box);
        t.SetVisible(false);
        t.Move(0, 0, 10, 10);
        t.OnChange = [this, box] { BoxChanged(box); };
    }
}

ui::TextBox& MainGuardHost::Box(monitors::NotifyBox box) { return *boxes_[static_cast<int>(box)]; }

void MainGuardHost::BoxChanged(monitors::NotifyBox box) {
    ui::TextBox& t = Box(box);
    if (modMonitors::RouteNotification(box, t.Text())) t.SetText("");
}

HWND MainGuardHost::NotifyWindow(monitors::NotifyBox box) { return Box(box).hWnd(); }

void MainGuardHost::RequestChecks() {
    if (checksPosted_) return;
    if (window_.hWnd() != nullptr && PostMessageA(window_.hWnd(), kRunGuardChecks, 0, 0)) {
        checksPosted_ = true;
        return;
    }
    modMonitors::RunPendingChecks();
}

bool MainGuardHost::OnMessage(UINT msg) {
    if (msg != kRunGuardChecks) return false;
    checksPosted_ = false;
    modMonitors::RunPendingChecks();
    return true;
}

void MainGuardHost::DoEvents() { ui::DoEvents(); }

void MainGuardHost::ShowGuardAlert(const std::string& text) {
    // Only one pop-up at a time: the one on screen, in whatever phase, gives way to the new one.
    if (frmPopup.Loaded()) frmPopup.Unload();
    frmPopup.Load();
    frmPopup.DisplayAlert(text, 3000, &window_);
    if (window_.Loaded() && window_.Visible()) SetFocus(window_.hWnd());
}
