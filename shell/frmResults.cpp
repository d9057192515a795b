#include "shell/frmResults.h"

#include <windows.h>
// commdlg.h needs the types of windows.h.
#include <commdlg.h>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/Statistics.h"
#include "core/Wiring.h"
#include "core/modMain.h"
#include "shell/FormLanguage.h"
#include "shell/frmMain.h"
#include "shell/modMainWindows.h"

frmResults::frmResults() : ui::Form("frmResults") {
    SetCaption("Scanning results");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 9000, 6000);
    tabResults1.SetCaption("Scanning Results");
    tabResults1.Tag = "1006";
    tabResults1.Move(4, 4, 140, 24);
    tabResults2.SetCaption("Scanning Log");
    tabResults2.Tag = "1007";
    tabResults2.Move(146, 4, 140, 24);
    tabResults1.OnClick = [this] { tabResults_Click(1); };
    tabResults2.OnClick = [this] { tabResults_Click(2); };
    frameResults0.Move(4, 30, 592, 360);
    frameResults1.Move(4, 30, 592, 360);
    struct Line {
        ui::Label *caption, *value;
        const char *text, *tag;
    };
    const Line lines[] = {
        {&lblSpywareMemProRemoved, &lblSMPR, "Malware Memory Processes killed successfully", "1000"},
        {&lblSpyKeysRemoved, &lblSRKR, "Malware registry keys removed successfully", "1001"},
        {&lblSpyCookiesRemoved, &lblSCR, "Malware cookies removed successfully", "1002"},
        {&lblSpywareFilesRemoved, &lblSFIR, "Malware files removed successfully", "1003"},
        {&lblSpyFoldersRemoved, &lblSFOR, "Malware folders removed successfully", "1004"},
        {&lblTotalSpywareFound, &lblTSF, "Total Malware found", "1005"},
    };
    int y = 30;
    for (const Line &l : lines) {
        l.caption->SetCaption(l.text);
        l.caption->Tag = l.tag;
        l.caption->Move(30, y, 400, 22);
        l.value->SetCaption("0");
        l.value->Move(440, y, 100, 22);
        y += 40;
    }
    txtLog.SetMultiLine(true);
    txtLog.SetLocked(true);
    txtLog.Move(10, 18, 572, 296);
    cmdSave.SetCaption("Save to file");
    cmdSave.Tag = "1008";
    cmdSave.Move(10, 322, 120, 28);
    cmdSave.OnClick = [this] { cmdSave_Click(); };
}

void frmResults::Form_Load() {
    modMainWindows::SetFormSize(*this, true);
    ShowResultCounts();
    tabResults_Click(1);
}

void frmResults::ResetFormState() {
    dialogFileName.clear();
    tab_ = 1;
}

void frmResults::ShowResultCounts() {
    lblSFIR.SetCaption(std::to_string(gb_totalSpyFilesRemoved));
    lblSFOR.SetCaption(std::to_string(gb_totalSpyFoldersRemoved));
    lblSRKR.SetCaption(std::to_string(gb_totalSpyRegistryKeysRemoved));
    lblSCR.SetCaption(std::to_string(gb_totalSpyCookiesRemoved));
    lblSMPR.SetCaption(std::to_string(gb_totalSpyMemProcessRemoved));
    // Beside "Total Malware found": what the scan found, not the sum of what was removed.
    lblTSF.SetCaption(std::to_string(gb_totalSpywareFound));
    if (!gb_logFileName.empty() && base::FileExists(gb_logFileName)) {
        std::string text = txtLog.Text();
        modMain::AppendFileToTextBox(gb_logFileName, text);
        txtLog.SetText(text);
    }
    // The two tabs are tagged controls too: the pack re-labels them with the rest.
    formLanguage::applyLanguage(*this);
}

void frmResults::tabResults_Click(int tab) {
    tab_ = tab;
    frameResults0.SetVisible(tab == 1);
    frameResults1.SetVisible(tab == 2);
}

void frmResults::setValuestoflash() {
    frmMain.flash.SetVariable("_root.MMPKS", lblSMPR.Caption());
    frmMain.flash.SetVariable("_root.MRKRS", lblSRKR.Caption());
    frmMain.flash.SetVariable("_root.MCRS", lblSCR.Caption());
    frmMain.flash.SetVariable("_root.MFRS", lblSFIR.Caption());
    frmMain.flash.SetVariable("_root.RMFRS", lblSFOR.Caption());
    frmMain.flash.SetVariable("_root.TMF", lblTSF.Caption());
    frmMain.flash.SetVariable("_root.ScanLogText", txtLog.Text());
}

std::string frmResults::ChooseLogFile() {
    dialogFileName.clear();
    const std::string title = wiring::GetMessage("1095", "Choose directory ...");
    base::modal::Run({"GetSaveFileName", title, "", 0}, [&]() -> long {
        char file[MAX_PATH] = {};
        const std::string folder = modMain::FullPath_With_Filename("");
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = hWnd();
        ofn.lpstrFilter = "Log files (*.txt)\0*.txt\0";
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrInitialDir = folder.c_str();
        ofn.lpstrTitle = title.c_str();
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        if (!GetSaveFileNameA(&ofn)) return 0;
        dialogFileName = file;
        return 1;
    });
    return dialogFileName;
}

void frmResults::cmdSave_Click() {
    const std::string path = ChooseLogFile();
    if (!path.empty()) modMain::WriteLogFile(path, txtLog.Text());
}

void frmResults::saveScanLog() {
    if (!Loaded()) Load();
    cmdSave_Click();
}
