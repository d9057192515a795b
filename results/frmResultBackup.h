#pragma once
// The results window: the one store of findings. A scan adds its rows through the finding
// recorder of the scanning window; the window's own buttons, file and menus come with the
// results Parts.
#include "results/ResultsListView.h"
#include "ui/Form.h"

class frmResultBackup : public ui::Form {
public:
    frmResultBackup();

    results::ResultsListView SpyListView{*this, "SpyListView"};

protected:
    void Form_Load() override;
};

inline class frmResultBackup frmResultBackup;
