#include "shell/frmScanNow.h"

#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "shell/FormLanguage.h"
#include "shell/ScanDrivers.h"
#include "shell/frmCustomSelect.h"
#include "shell/modMainWindows.h"
#include "ui/MessageLoop.h"

namespace {

struct Hint {
    const char* key;
    const char* text;
};
const Hint kHints[] = {
    {"1005", "Concentrates on smart specific target areas of your system, using an intelligent fast algorithm."},
    {"1006", "Does an extended scan on your entire system."},
    {"1007",
     "is a very versatile scan that caters to your choice of scanning specific files,folders drives and any area of "
     "your computer that you select for scanning."},
    {"1008",
     "Clicking on this label will take you to the custom options window where you can select a multitude of options "
     "to scan. When you have made your choice; click on the \"Scan Now\" button to run the scan."},
};

}  // namespace

frmScanNow::frmScanNow() : ui::Form("frmScanNow") {
    SetCaption("Scan Now");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 9000, 6000);
    frmScanMode.Tag = "1000";
    frmScanMode.SetCaption("Select Scan Mode");
    frmScanMode.Move(8, 8, 584, 384);
    struct Row {
        shellControls::OptionButton* b;
        const char* tag;
        const char* caption;
        const char* hint;
    };
    const Row rows[] = {{&optQuickScan, "1001", "Quick Scan", "1005"},
                        {&optFullScan, "1002", "Full Scan", "1006"},
                        {&optCustomScan, "1003", "Custom Volume Scan", "1007"}};
    for (int i = 0; i < 3; ++i) {
        Row r = rows[i];
        r.b->Tag = r.tag;
        r.b->SetCaption(r.caption);
        r.b->Move(24, 34 + i * 30, 240, 22);
        r.b->OnClick = [this, r] {
            if (r.b->Value() != 1) return;  // cleared by the group's new choice
            Choose(*r.b);
            ShowHint(r.hint);
        };
    }
    optQuickScan.SetValue(1);  // the design choice
    // Its own key: sharing the Next button's would give both the same text.
    lblCustomSelection.Tag = "1009";
    lblCustomSelection.SetCaption("Select........");
    lblCustomSelection.Move(280, 94, 140, 24);
    lblCustomSelection.OnClick = [this] { lblCustomSelection_Click(); };
    txtScanDescriptions.SetMultiLine(true);
    txtScanDescriptions.Move(24, 140, 536, 120);
    cmdNext.Tag = "1004";
    cmdNext.SetCaption("Next >>");
    cmdNext.Move(440, 330, 120, 30);
    cmdNext.OnClick = [this] { cmdNext_Click(); };
}

void frmScanNow::Choose(shellControls::OptionButton& b) {
    shellControls::Select(b, {&optQuickScan, &optFullScan, &optCustomScan});
}

void frmScanNow::ShowHint(const char* key) {
    for (const Hint& h : kHints)
        if (std::string(h.key) == key) txtScanDescriptions.SetText(formLanguage::getFormString(*this, h.key, h.text));
}

void frmScanNow::Form_Load() {
    modMainWindows::SetFormSize(*this, true);
    formLanguage::applyLanguage(*this);
    loadScanNowSettings();
}

void frmScanNow::Form_Unload(int&) { saveScanNowSettings(); }

void frmScanNow::loadScanNowSettings() {
    for (shellControls::OptionButton* b : {&optQuickScan, &optFullScan, &optCustomScan}) {
        const std::string v = settings::GetSetting("ScanNowSettings", b->Name(), b->Value() ? "True" : "False");
        b->SetValue(v == "True" || v == "-1" || v == "true");
    }
}

void frmScanNow::saveScanNowSettings() {
    for (shellControls::OptionButton* b : {&optQuickScan, &optFullScan, &optCustomScan})
        settings::SaveSetting("ScanNowSettings", b->Name(), b->Value() ? "True" : "False");
}

void frmScanNow::cmdNext_Click() {
    auto& drivers = scanDrivers::Current();
    if (optQuickScan.Value() == 1 || optFullScan.Value() == 1) {
        const bool quick = optQuickScan.Value() == 1;
        gb_removalFailed = false;
        ui::DoEvents();
        drivers.showScanWindow();
        Unload();
        if (quick) {
            drivers.QuickScan();
        } else {
            drivers.StartScan();
        }
    } else if (optCustomScan.Value() == 1) {
        gb_removalFailed = false;
        ui::DoEvents();
        lblCustomSelection_Click();
    }
}

void frmScanNow::lblCustomSelection_Click() {
    Choose(optCustomScan);
    Refresh();
    frmCustomSelect.Unload();
    frmCustomSelect.Load();
    frmCustomSelect.runMe();
    frmCustomSelect.Show(ui::vbModeless);
}

void frmScanNow::startupScan() { cmdNext_Click(); }
