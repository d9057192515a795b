#pragma once
// The custom-selection panel: which phases a custom scan runs (memory, registry quick or
// deep, cookies), remembered in "CustomSettings"; "Scan Now" starts that custom scan over the
// drives chosen on the main movie's drive page.
#include <string>

#include "shell/FolderTreeView.h"
#include "shell/OptionButton.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmCustomSelect : public ui::Form {
public:
    frmCustomSelect();

    ui::Frame frameCustom{*this, "frameCustom"};
    ui::CheckBox chkScanMemory{*this, "chkScanMemory", &frameCustom};
    ui::CheckBox chkRegistry{*this, "chkRegistry", &frameCustom};
    ui::Frame frameRegistry{*this, "frameRegistry", &frameCustom};
    shellControls::OptionButton optQuickScan{*this, "optQuickScan", &frameRegistry};
    shellControls::OptionButton optDeepScan{*this, "optDeepScan", &frameRegistry};
    ui::CheckBox chkCookies{*this, "chkCookies", &frameCustom};
    ui::Label lblDrives{*this, "lblDrives", &frameCustom};
    // The fixed drives and their folders; the drives' marks are the drives the scan walks.
    shellControls::FolderTreeView treeSelect{*this, "treeSelect", &frameCustom};
    ui::CommandButton cmdCancel{*this, "cmdCancel", &frameCustom};
    ui::CommandButton cmdScan{*this, "cmdScan", &frameCustom};

    void runMe();
    void chkRegistry_Click();
    void cmdCancel_Click();
    void cmdScan_Click();
    // The custom scan's option codes for the controls: "SM", "QS" or "DS", "SC", joined by "|".
    std::string ScanOptions() const;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    void FillTree();
    void SaveTreeDrives();
    void saveCustomSettings();
    void loadCustomSettings();
};

inline class frmCustomSelect frmCustomSelect;
