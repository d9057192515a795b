#pragma once
// The scan summary panel: what the last removal did kind by kind, the total found by the last
// scan, and the last scan log, which the user can save to a file. Placed in the main window's
// frame; its figures also go to the main movie.
#include <string>

#include "ui/Controls.h"
#include "ui/Form.h"

class frmResults : public ui::Form {
public:
    frmResults();

    // The two tabs (tabResults): 1 shows the figures, 2 the log.
    ui::CommandButton tabResults1{*this, "tabResults1"};
    ui::CommandButton tabResults2{*this, "tabResults2"};
    ui::Frame frameResults0{*this, "frameResults0"};
    ui::Frame frameResults1{*this, "frameResults1"};
    ui::Label lblSpywareMemProRemoved{*this, "lblSpywareMemProRemoved", &frameResults0};
    ui::Label lblSpyKeysRemoved{*this, "lblSpyKeysRemoved", &frameResults0};
    ui::Label lblSpyCookiesRemoved{*this, "lblSpyCookiesRemoved", &frameResults0};
    ui::Label lblSpywareFilesRemoved{*this, "lblSpywareFilesRemoved", &frameResults0};
    ui::Label lblSpyFoldersRemoved{*this, "lblSpyFoldersRemoved", &frameResults0};
    ui::Label lblTotalSpywareFound{*this, "lblTotalSpywareFound", &frameResults0};
    ui::Label lblSMPR{*this, "lblSMPR", &frameResults0};
    ui::Label lblSRKR{*this, "lblSRKR", &frameResults0};
    ui::Label lblSCR{*this, "lblSCR", &frameResults0};
    ui::Label lblSFIR{*this, "lblSFIR", &frameResults0};
    ui::Label lblSFOR{*this, "lblSFOR", &frameResults0};
    ui::Label lblTSF{*this, "lblTSF", &frameResults0};
    ui::TextBox txtLog{*this, "txtLog", &frameResults1};
    ui::CommandButton cmdSave{*this, "cmdSave", &frameResults1};

    // CommonDialog1.FileName: what the save dialog gave (a scripted step sets it).
    std::string dialogFileName;

    void setValuestoflash();
    void saveScanLog();
    void cmdSave_Click();
    void tabResults_Click(int tab);
    int SelectedTab() const { return tab_; }

protected:
    void Form_Load() override;
    void ResetFormState() override;

private:
    std::string ChooseLogFile();
    void ShowResultCounts();
    int tab_ = 1;
};

inline class frmResults frmResults;
