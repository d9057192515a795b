#include "shell/frmCustomSelect.h"

#include "base/Text.h"
#include "core/SettingsStore.h"
#include "shell/FormLanguage.h"
#include "shell/OptionTable.h"
#include "shell/ScanDrivers.h"
#include "shell/frmMain.h"
#include "shell/modMainWindows.h"

frmCustomSelect::frmCustomSelect() : ui::Form("frmCustomSelect") {
    SetCaption("Custom Select");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 9000, 6000);
    frameCustom.SetCaption("Custom Scan");
    frameCustom.Move(8, 8, 584, 384);
    chkScanMemory.Tag = "1000";
    chkScanMemory.SetCaption("Scan Memory");
    chkScanMemory.Move(24, 34, 240, 22);
    chkScanMemory.SetValue(1);
    chkRegistry.Tag = "1001";
    chkRegistry.SetCaption("Scan Registry");
    chkRegistry.Move(24, 62, 240, 22);
    chkRegistry.SetValue(1);
    chkRegistry.OnClick = [this] { chkRegistry_Click(); };
    frameRegistry.SetCaption("");
    frameRegistry.Move(44, 86, 220, 66);
    optQuickScan.Tag = "1002";
    optQuickScan.SetCaption("Quick Scan");
    optQuickScan.Move(14, 14, 200, 20);
    optQuickScan.SetValue(1);
    optQuickScan.OnClick = [this] {
        if (optQuickScan.Value() == 1) shellControls::Select(optQuickScan, {&optQuickScan, &optDeepScan});
    };
    optDeepScan.Tag = "1003";
    optDeepScan.SetCaption("Deep Scan");
    optDeepScan.Move(14, 38, 200, 20);
    optDeepScan.OnClick = [this] {
        if (optDeepScan.Value() == 1) shellControls::Select(optDeepScan, {&optQuickScan, &optDeepScan});
    };
    chkCookies.Tag = "1004";
    chkCookies.SetCaption("Scan Cookies");
    chkCookies.Move(24, 160, 240, 22);
    treeSelect.Move(290, 26, 278, 290);
    chkCookies.SetValue(1);
    lblDrives.SetCaption("The files and folders of the drives checked in the tree are scanned as well.");
    lblDrives.Move(24, 196, 250, 40);
    cmdCancel.Tag = "1005";
    cmdCancel.SetCaption("&Cancel");
    cmdCancel.Move(330, 330, 110, 30);
    cmdCancel.OnClick = [this] { cmdCancel_Click(); };
    cmdScan.Tag = "1006";
    cmdScan.SetCaption("Scan &Now");
    cmdScan.Move(450, 330, 110, 30);
    cmdScan.OnClick = [this] { cmdScan_Click(); };
}

void frmCustomSelect::runMe() {
    modMainWindows::SetFormSize(*this, true);
    loadCustomSettings();
    FillTree();
}

// The fixed drives in the order the drive flags count them, each marked as the flags say.
void frmCustomSelect::FillTree() {
    std::vector<std::string> drives;
    for (const std::string& name : optionTable::BarFields(optionTable::ListFixedDrives().names))
        drives.push_back(name.substr(0, name.find('\\') + 1));  // "C:\System" -> "C:\"
    std::vector<bool> marks;
    for (const std::string& f :
         optionTable::BarFields(settings::GetSetting("SelectedDrives", "selected", optionTable::kDefaultDriveFlags)))
        marks.push_back(base::LCase(f) == "true");
    treeSelect.Fill(drives, marks);
}

// The drives checked in the tree become the drive choice (sixteen flags, as the drive page's).
void frmCustomSelect::SaveTreeDrives() {
    const auto& drives = treeSelect.Root().children;
    std::string flags;
    for (size_t i = 0; i < 16; ++i)
        flags += std::string(i ? "|" : "") + (i < drives.size() && drives[i]->checked ? "true" : "false");
    settings::SaveSetting("SelectedDrives", "selected", flags);
    if (frmMain.Loaded()) {  // the drive page shows the same choice
        frmMain.flash.SetVariable("_root.SelectedDrives", flags);
        frmMain.setDrivesToFlash();
    }
}

void frmCustomSelect::chkRegistry_Click() {
    const bool on = chkRegistry.Value() == 1;
    optQuickScan.SetEnabled(on);
    optDeepScan.SetEnabled(on);
}

void frmCustomSelect::Form_Load() {
    chkRegistry_Click();
    formLanguage::applyLanguage(*this);
}

void frmCustomSelect::Form_Unload(int&) { saveCustomSettings(); }

void frmCustomSelect::saveCustomSettings() {
    settings::SaveSetting("CustomSettings", "chkScanMemory", std::to_string(chkScanMemory.Value()));
    settings::SaveSetting("CustomSettings", "chkRegistry", std::to_string(chkRegistry.Value()));
    settings::SaveSetting("CustomSettings", "optQuickScan", optQuickScan.Value() ? "True" : "False");
    settings::SaveSetting("CustomSettings", "optDeepScan", optDeepScan.Value() ? "True" : "False");
    settings::SaveSetting("CustomSettings", "chkCookies", std::to_string(chkCookies.Value()));
}

void frmCustomSelect::loadCustomSettings() {
    auto flag = [](const char* key, const char* fallback) {
        return settings::GetSetting("CustomSettings", key, fallback) == "1" ? 1 : 0;
    };
    auto option = [](const char* key, const char* fallback) {
        return settings::GetSetting("CustomSettings", key, fallback) == "True" ? 1 : 0;
    };
    chkScanMemory.SetValue(flag("chkScanMemory", "1"));
    chkRegistry.SetValue(flag("chkRegistry", "1"));
    chkRegistry_Click();
    optQuickScan.SetValue(option("optQuickScan", "True"));
    optDeepScan.SetValue(option("optDeepScan", "False"));
    chkCookies.SetValue(flag("chkCookies", "1"));
}

void frmCustomSelect::cmdCancel_Click() { Unload(); }

std::string frmCustomSelect::ScanOptions() const {
    std::string options;
    auto add = [&](const char* code) { options += options.empty() ? code : std::string("|") + code; };
    if (chkScanMemory.Value() == 1) add("SM");
    if (chkRegistry.Value() == 1) add(optDeepScan.Value() == 1 ? "DS" : "QS");
    if (chkCookies.Value() == 1) add("SC");
    return options;
}

// Starts the custom scan the panel shows; the panel stays loaded beneath the scanning window.
void frmCustomSelect::cmdScan_Click() {
    const std::string options = ScanOptions();
    saveCustomSettings();
    SaveTreeDrives();
    auto& drivers = scanDrivers::Current();
    drivers.showScanWindow();
    drivers.CustomScan(options);
}
