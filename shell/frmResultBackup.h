#pragma once
// The results window: shows the program's results list (results/FindingList.h). A scan adds its
// rows through the scan engine's recorder; the window's own buttons, file and menus come with
// the results work.
#include "ui/Form.h"
#include "ui/ListView.h"

class frmResultBackup : public ui::Form {
public:
    frmResultBackup();

    ui::ListView SpyListView;  // the rows of results::Findings()

protected:
    void Form_Load() override;
    void ResetFormState() override;
};

inline class frmResultBackup frmResultBackup;
