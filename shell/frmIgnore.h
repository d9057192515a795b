#pragma once
// The keep-list panel: the records of ignorelist.ign, with the checked ones taken out on
// request. Placed in the main window's frame; its list also goes to the main movie.
#include <windows.h>

#include <string>
#include <vector>

#include "results/IgnoreList.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"

class frmIgnore : public ui::Form {
public:
    frmIgnore();

    ui::Frame FrameIgnoreList{*this, "FrameIgnoreList"};
    ui::ListView IgnoreListView;
    ui::Frame FrameButton{*this, "FrameButton"};
    ui::CommandButton CmdRemove{*this, "CmdRemove", &FrameButton};
    ui::CommandButton cmdCheckAll{*this, "cmdCheckAll", &FrameButton};
    ui::CommandButton cmdUnCheckAll{*this, "cmdUnCheckAll", &FrameButton};

    void FillIgnoreIgnoreListView();
    void addIgnoreListToFlash();
    void removeIgnoreList(const std::string& arg);
    void CmdRemove_Click();
    void setAllChecked(bool on);

    // The list's right-click menu (a modal step, "mnuIgnoreList": 0 nothing chosen, else the item);
    // its two items take the captions of the two buttons when the window loads.
    enum MenuItem : long { kMenuNone = 0, kMenuCheckAll = 1, kMenuUncheckAll = 2 };
    void mnuIgnoreList_Popup(POINT screen);
    const std::string& MenuCaption(MenuItem item) const {
        return item == kMenuCheckAll ? mnuCheckAllCaption_ : mnuUncheckAllCaption_;
    }

    // The kinds as read (the list shows them upper-cased), row for row.
    const std::vector<results::IgnoreRecord>& Records() const { return records_; }

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    base::ListItems rows_;
    std::vector<results::IgnoreRecord> records_;
    std::string mnuCheckAllCaption_ = "&Check All", mnuUncheckAllCaption_ = "&Uncheck All";
};

inline class frmIgnore frmIgnore;
