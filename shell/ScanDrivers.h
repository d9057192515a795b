#pragma once
// The scanning window's drivers as the scan-choice panels start them. The scanning window
// (frmScanSpy.QuickScan, StartScan, CustomScan) installs them; until it does, a choice shows
// the scanning window and starts nothing. Tests install recorders.
#include <functional>
#include <string>

namespace scanDrivers {

struct Drivers {
    std::function<void()> showScanWindow;  // unload, load and show the scanning window modeless
    std::function<void()> QuickScan;
    std::function<void()> StartScan;
    std::function<void(const std::string& options)> CustomScan;
};

void Install(Drivers drivers);  // an empty member keeps the default for that member
Drivers& Current();

}  // namespace scanDrivers
