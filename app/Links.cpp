#include "app/Links.h"

#include "core/Wiring.h"
#include "core/modLanguage.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "guards/GuardSwitches.h"
#include "monitors/modMonitors.h"
#include "shell/ScanDrivers.h"
#include "shell/frmEnterPassword.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmMsgBox.h"
#include "shell/frmOptions.h"
#include "shell/frmPopup.h"
#include "shell/frmScanSpy.h"
#include "shell/frmUpdate.h"

namespace app {

namespace {
// One real-time guard behind its switch.
struct Guard : guards::GuardControl {
    void (*start)();
    void (*stop)();
    bool (*running)();
    Guard(void (*a)(), void (*b)(), bool (*c)()) : start(a), stop(b), running(c) {}
    bool Start() override {
        start();
        return running();
    }
    void Stop() override { stop(); }
    bool Running() const override { return running(); }
};
Guard startupGuard{modMonitors::startStartupMonitor, modMonitors::stopStartupMonitor, modMonitors::StartupGuardRunning};
Guard favoritesGuard{modMonitors::startIEFavoriteMonitor, modMonitors::stopIEFavoriteMonitor,
                     modMonitors::FavoritesGuardRunning};
Guard hijackGuard{modMonitors::startIEHijackGuard, modMonitors::stopIEHijackGuard, modMonitors::HijackGuardRunning};
Guard bhoGuard{modMonitors::startBHOMonitor, modMonitors::stopBHOMonitor, modMonitors::BhoGuardRunning};
}  // namespace

void InstallGuards() {
    monitors::SetGuardHost(&frmMain.guardHost);
    guards::SwitchOf(guards::GuardKind::Startup).Connect(&startupGuard);
    guards::SwitchOf(guards::GuardKind::IEFavorites).Connect(&favoritesGuard);
    guards::SwitchOf(guards::GuardKind::IEHijack).Connect(&hijackGuard);
    guards::SwitchOf(guards::GuardKind::BHO).Connect(&bhoGuard);
    wiring::SetOwnChangeFollower(&modMonitors::followOwnChange);
}

void RemoveGuards() {
    for (auto k : {guards::GuardKind::Startup, guards::GuardKind::IEFavorites, guards::GuardKind::IEHijack,
                   guards::GuardKind::BHO})
        guards::SwitchOf(k).Connect(nullptr);
    wiring::SetOwnChangeFollower({});
    monitors::SetGuardHost(nullptr);
}

// The windows' collaborators, every one of them here: a hook a window offers and nobody
// connects shows as a missing line below (and in the links tests).
void ConnectWindows() {
    // The scan-choice panels start the scanning window's scans.
    scanDrivers::Install({{},
                          [] { frmScanSpy.QuickScan(); },
                          [] { frmScanSpy.StartScan(); },
                          [](const std::string& options) { frmScanSpy.CustomScan(options); }});
    // The main window around a scan, and the results list once the scanning window is left.
    frmScanSpy.MainWindowScanning = [](bool scanning) { frmMain.ScanStateChanged(scanning); };
    frmScanSpy.ShowResultsList = [] {
        if (frmMain.Loaded()) frmMain.showResultsList();
    };
    // New definitions: the home page shows their date at once.
    frmUpdate.OnDefinitionsInstalled = [] { frmMenu.SetCaption(); };
    // The pop-up's "show alert" opens the alerts page.
    frmPopup.ShowAlerts = [] { frmMain.showAlertForm(); };
    // The options window gives the frame back to the home panel when it goes.
    frmOptions.ShowHome = [] {
        if (frmMain.Loaded()) frmMain.showScanNow();
    };
}

void DisconnectWindows() {
    scanDrivers::Install({});
    frmScanSpy.MainWindowScanning = nullptr;
    frmScanSpy.ShowResultsList = nullptr;
    frmUpdate.OnDefinitionsInstalled = nullptr;
    frmPopup.ShowAlerts = nullptr;
    frmOptions.ShowHome = nullptr;
}

void InstallLinks() {
    ConnectWindows();
    wiring::SetGetMessage(&modLanguage::getMessage);
    wiring::SetMsgBoxOK(
        [](const std::string& prompt, const std::string& title) { return frmMsgBox.msgboxOK(prompt, title); });
    wiring::SetLanguagePanel([](const std::string& text) { frmMain.StatusBar1.SetPanelText(3, text); });
    wiring::SetEndProgress([] { frmMain.flash.TPlay("_root.endOFTheProgress"); });
    wiring::SetLoadDefinitions([] { modDefinitions::LoadDefinitions(); });
    wiring::SetDecrypt([](const std::string& stored, std::string& plain) {
        std::string hex = stored;
        plain = modEncryption::Decrypt(hex);
        // The cipher answers "" for anything it cannot decipher.
        return !plain.empty();
    });
    wiring::SetShowPasswordDialog([] {
        // Every check starts from a fresh dialog.
        frmEnterPassword.Unload();
        wiring::PasswordEntry() = frmEnterPassword.checkPasword(&frmMain);
    });
}

void RemoveLinks() {
    DisconnectWindows();
    wiring::SetGetMessage({});
    wiring::SetMsgBoxOK({});
    wiring::SetLanguagePanel({});
    wiring::SetEndProgress({});
    wiring::SetLoadDefinitions({});
    wiring::SetDecrypt({});
    wiring::SetShowPasswordDialog({});
}

}  // namespace app
