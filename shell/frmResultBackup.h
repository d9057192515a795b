#pragma once
// The results window: shows and edits the program's results list (results/ScanResults.h, which
// keeps it in the results file), and runs the three actions on its checked rows - back up,
// remove, keep - each after the user confirmed. The logic is the results engine's; the window
// asks, shows and reports.
#include <optional>
#include <string>

#include "components/skin/Skin.h"
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
    skin::Skin Skin1;  // skin\Remove.skn: the window's shape

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
    // A click on a column header: the order flips (one order for the whole list) and the clicked
    // column (1-based) becomes the sort key.
    void SpyListView_ColumnClick(int column);
    void setAllChecked(bool on);

    // The list's right-click menu (a modal step, "mnuSpyScan": 0 nothing chosen, else the item).
    enum MenuItem : long { kMenuNone = 0, kMenuCheckAll = 1, kMenuUncheckAll = 2, kMenuShowProperties = 3 };
    void mnuSpyScan_Popup(POINT screen);
    void mnuCheckAll_Click() { setAllChecked(true); }
    void mnuUncheckAll_Click() { setAllChecked(false); }
    // The shell's property sheet of the first selected row's file or folder (file, folder and
    // cookie rows; other kinds have none).
    void mnuShowProperties_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void Form_Resize() override;
    void ResetFormState() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void BackupSelectedSpy();
    void moveCheckedToKeepList();
    // Nothing checked: the warning, and false. Otherwise the confirmation's answer.
    bool Confirm(const std::string& id, const std::string& text);
};

inline class frmResultBackup frmResultBackup;
