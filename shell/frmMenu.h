#pragma once
// The home panel: the program statistics (also pushed into the main movie), their reset, the
// language choice and the scan button that leads to the scan choice.
#include <vector>

#include "base/ListItems.h"
#include "shell/HomePanel.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"

class frmMenu : public ui::Form {
public:
    frmMenu();

    ui::Frame frameMain{*this, "frameMain"};
    ui::Label updateFileNumberLabel{*this, "updateFileNumberLabel", &frameMain};
    ui::Label lblLastSystemScan{*this, "lblLastSystemScan", &frameMain};
    ui::Label lblNumberOfObjectsRemoved{*this, "lblNumberOfObjectsRemoved", &frameMain};
    ui::Label lblNumberOfScans{*this, "lblNumberOfScans", &frameMain};
    ui::CommandButton cmdScan{*this, "cmdScan", &frameMain};
    ui::CommandButton cmdResetStat{*this, "cmdResetStat", &frameMain};
    ui::CommandButton lblWebSite{*this, "lblWebSite", &frameMain};
    ui::Label lblLanguage{*this, "lblLanguage", &frameMain};
    ui::ListView CmbLang;  // the language packs, each beside its flag picture
    static constexpr int kFlagWidth = 20, kFlagHeight = 14;

    void CmbLang_Click(int index);
    void cmdResetStat_Click();
    void cmdScan_Click();
    void SetCaption();
    void clickTheScanButton();
    void runMe();
    void resetStates();

    const std::vector<homePanel::LanguageItem>& Languages() const { return languages_; }

protected:
    void Form_Load() override;
    void ResetFormState() override;

private:
    void FillLangCombo();
    std::vector<homePanel::LanguageItem> languages_;
    std::vector<int> flagImage_;  // the picture of each row in CmbLang's image list, -1 for none
    base::ListItems langRows_;
};

inline class frmMenu frmMenu;
