#include "shell/ScanDrivers.h"

#include "shell/frmMain.h"
#include "shell/frmScanSpy.h"

namespace scanDrivers {

namespace {

Drivers Defaults() {
    Drivers d;
    d.showScanWindow = [] {
        frmScanSpy.Unload();
        frmScanSpy.Load();
        frmScanSpy.Show(ui::vbModeless, frmMain.Loaded() ? &frmMain : nullptr);
    };
    d.QuickScan = [] {};
    d.StartScan = [] {};
    d.CustomScan = [](const std::string&) {};
    return d;
}

Drivers g_drivers = Defaults();

}  // namespace

void Install(Drivers drivers) {
    Drivers d = Defaults();
    if (drivers.showScanWindow) d.showScanWindow = std::move(drivers.showScanWindow);
    if (drivers.QuickScan) d.QuickScan = std::move(drivers.QuickScan);
    if (drivers.StartScan) d.StartScan = std::move(drivers.StartScan);
    if (drivers.CustomScan) d.CustomScan = std::move(drivers.CustomScan);
    g_drivers = std::move(d);
}

Drivers& Current() { return g_drivers; }

}  // namespace scanDrivers
