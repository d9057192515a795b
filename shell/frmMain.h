#pragma once
// The main window. What stands here is what the other windows already lean on: its skin
// object, its movie, the frame that hosts the panels, its status bar and its role as the
// owner of every message box; and the hidden notify boxes the guards' watches report to.
// Its start-up and shut-down come with the shell.
#include "components/flash/ShockwaveFlash.h"
#include "components/skin/Skin.h"
#include "monitors/GuardHost.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmMain : public ui::Form, public monitors::GuardHost {
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

    // Opens the alerts panel, unless a scan or a removal runs.
    void showAlertForm();

    // The guards' side of the window (monitors::GuardHost).
    HWND NotifyWindow(monitors::NotifyBox box) override;
    void RequestChecks() override;
    void DoEvents() override;
    void ShowGuardAlert(const std::string& text) override;

protected:
    void Form_Load() override;
    void ResetFormState() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    ui::TextBox& Box(monitors::NotifyBox box);
    void BoxChanged(monitors::NotifyBox box);
    bool checksPosted_ = false;
};

inline class frmMain frmMain;
