#pragma once
// The results window: shows the program's results list (results/FindingList.h), keeps it in the
// results file between showings, and runs the three actions on its checked rows - back up,
// remove, keep - each after the user confirmed. The logic is the results engine's; the window
// asks, shows and reports.
#include <optional>
#include <string>

#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"

class frmResultBackup : public ui::Form {
public:
    frmResultBackup();

    ui::Frame SpyFrame{*this, "SpyFrame"};
    ui::ListView SpyListView;  // the rows of results::Findings()
    ui::TextBox txtSpyDescription{*this, "txtSpyDescription", &SpyFrame};
    ui::Frame frmButtons{*this, "frmButtons"};
    ui::CommandButton cmdBackup{*this, "cmdBackup", &frmButtons};
    ui::CommandButton cmdExclude{*this, "cmdExclude", &frmButtons};
    ui::CommandButton cmdContinue{*this, "cmdContinue", &frmButtons};
    ui::CommandButton cmdCancel{*this, "cmdCancel", &frmButtons};
    ui::Label lblCount{*this, "lblCount", &frmButtons};

    // The removal of the checked rows (also the automatic removal after a scan).
    void RemoveSelectedSpy();
    void runMe();
    void removeSpyItems(const std::string& arg, bool delByDef);
    void fillRemoveList();
    void ignoreSpyItems(const std::string& arg);
    void backupSpyItems(const std::string& arg);

    // The description of a kind, or none for a text that names no kind.
    static std::optional<std::string> KindDescription(const std::string& kind);
    // 1 when a row is checked, else 0.
    void countCheckedItems(short& result) const;

    void cmdBackup_Click();
    void cmdExclude_Click();
    void cmdContinue_Click();
    void cmdCancel_Click();
    void SpyListView_Click();
    void setAllChecked(bool on);

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void Form_Resize() override;
    void ResetFormState() override;

private:
    void BackupSelectedSpy();
    void moveCheckedToKeepList();
    // Nothing checked: the warning, and false. Otherwise the confirmation's answer.
    bool Confirm(const std::string& id, const std::string& text);
};

inline class frmResultBackup frmResultBackup;
