#pragma once
// The guards' side of the main window: the five hidden boxes their watches report to, the checks
// run from a posted message once a notification has returned, and the pop-up.
#include <windows.h>

#include <string>

#include "monitors/GuardHost.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class MainGuardHost : public monitors::GuardHost {
public:
    // The boxes in the order of monitors::NotifyBox; `window` receives the posted check message.
    MainGuardHost(ui::Form& window, ui::TextBox& startupFolder, ui::TextBox& startupRegistry, ui::TextBox& ieFavorite,
                  ui::TextBox& ieHijack, ui::TextBox& bho);

    HWND NotifyWindow(monitors::NotifyBox box) override;
    void RequestChecks() override;
    void DoEvents() override;
    void ShowGuardAlert(const std::string& text) override;

    // The window's messages: true when it was the posted check message (the checks then ran).
    bool OnMessage(UINT msg);
    void Reset() { checksPosted_ = false; }

private:
    ui::TextBox& Box(monitors::NotifyBox box);
    // A box's change: its place's check queued and the box emptied, which raises the change once
    // more with nothing to do.
    void BoxChanged(monitors::NotifyBox box);

    ui::Form& window_;
    ui::TextBox* boxes_[monitors::kNotifyBoxCount];
    bool checksPosted_ = false;
};
