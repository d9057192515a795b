#pragma once
// The scan-choice panel: quick, full or custom scan, a hint for the choice under the mouse,
// and "Next >>", which starts the chosen scan or opens the custom selection. The choice is
// remembered ("ScanNowSettings") and replayed for "/STARTUP" by startupScan.
#include "shell/OptionButton.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmScanNow : public ui::Form {
public:
    frmScanNow();

    ui::Frame frmScanMode{*this, "frmScanMode"};
    shellControls::OptionButton optQuickScan{*this, "optQuickScan", &frmScanMode};
    shellControls::OptionButton optFullScan{*this, "optFullScan", &frmScanMode};
    shellControls::OptionButton optCustomScan{*this, "optCustomScan", &frmScanMode};
    ui::CommandButton lblCustomSelection{*this, "lblCustomSelection", &frmScanMode};
    ui::CommandButton cmdNext{*this, "cmdNext", &frmScanMode};
    ui::TextBox txtScanDescriptions{*this, "txtScanDescriptions", &frmScanMode};

    void cmdNext_Click();
    void lblCustomSelection_Click();
    void startupScan();
    // The hint of an option (the mouse over it, or a click on it).
    void ShowHint(const char* key);

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    void loadScanNowSettings();
    void saveScanNowSettings();
    void Choose(shellControls::OptionButton& b);
};

inline class frmScanNow frmScanNow;
