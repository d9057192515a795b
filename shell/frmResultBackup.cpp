#include "shell/frmResultBackup.h"

#include "core/Globals.h"
#include "results/FindingList.h"

frmResultBackup::frmResultBackup()
    : ui::Form("frmResultBackup"), SpyListView(*this, "SpyListView", nullptr, &results::Findings().Rows()) {
    SetCaption("Corvane");
    SetBorderStyle(ui::BorderStyle::Sizable);
    Move(0, 0, 9000, 6000);
    SpyListView.Move(8, 8, 580, 340);
    SpyListView.SetCheckboxes(true);
    SpyListView.AddColumn("Maleware Type", 190);
    SpyListView.AddColumn("Malewre Item", 130);
    SpyListView.AddColumn("Maleware Details", 250);
    SpyListView.AddColumn("Default Value", 100);
}

void frmResultBackup::Form_Load() { SpyListView.SetGridLines(gb_useGridlines); }

// The findings go with the window, as the rows of the list control it stands for did.
void frmResultBackup::ResetFormState() { results::Findings().Clear(); }
