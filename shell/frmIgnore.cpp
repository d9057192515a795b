#include "shell/frmIgnore.h"

#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/modMain.h"
#include "results/KeepList.h"
#include "shell/FormLanguage.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/modMainWindows.h"

namespace {
std::string ListPath() { return modMain::FullPath_With_Filename(results::kIgnoreListFile); }
}  // namespace

frmIgnore::frmIgnore() : ui::Form("frmIgnore"), IgnoreListView(*this, "IgnoreListView", &FrameIgnoreList, &rows_) {
    SetCaption("Form1");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 9000, 6000);
    FrameIgnoreList.SetCaption("Keep List");
    FrameIgnoreList.Tag = "1000";
    FrameIgnoreList.Move(4, 4, 592, 340);
    IgnoreListView.Move(10, 20, 572, 310);
    IgnoreListView.SetCheckboxes(true);
    IgnoreListView.AddColumn("Type", 130, "1004");
    IgnoreListView.AddColumn("System", 130, "1005");
    IgnoreListView.AddColumn("Details", 300, "1006");
    FrameButton.SetBorder(false);
    FrameButton.Move(4, 348, 592, 44);
    CmdRemove.SetCaption("Remove Selection");
    CmdRemove.Tag = "1001";
    CmdRemove.Move(10, 8, 130, 28);
    cmdCheckAll.SetCaption("Check All");
    cmdCheckAll.Tag = "1002";
    cmdCheckAll.Move(150, 8, 100, 28);
    cmdUnCheckAll.SetCaption("Uncheck All");
    cmdUnCheckAll.Tag = "1003";
    cmdUnCheckAll.Move(260, 8, 100, 28);
    CmdRemove.OnClick = [this] { CmdRemove_Click(); };
    cmdCheckAll.OnClick = [this] { setAllChecked(true); };
    cmdUnCheckAll.OnClick = [this] { setAllChecked(false); };
    IgnoreListView.OnRightClick = [this](POINT screen) { mnuIgnoreList_Popup(screen); };
}

void frmIgnore::Form_Load() {
    modMainWindows::SetFormSize(*this, true);
    formLanguage::applyLanguage(*this);
    mnuCheckAllCaption_ = cmdCheckAll.Caption();
    mnuUncheckAllCaption_ = cmdUnCheckAll.Caption();
    formLanguage::applyColumnLanguage(*this, IgnoreListView);
    IgnoreListView.SetGridLines(gb_useGridlines);
    FillIgnoreIgnoreListView();
}

// The home page takes the frame again.
void frmIgnore::Form_Unload(int&) {
    base::Trap("Form_Unload", [] { frmMain.showScanNow(); });
    base::Trap("Form_Unload", [] { modMainWindows::SetFormSize(frmMenu, true); });
}

void frmIgnore::ResetFormState() {
    rows_.Clear();
    records_.clear();
    mnuCheckAllCaption_ = "&Check All";
    mnuUncheckAllCaption_ = "&Uncheck All";
}

void frmIgnore::mnuIgnoreList_Popup(POINT screen) {
    const long chosen = base::modal::Run({"mnuIgnoreList", "IgnoreList", "", 0}, [&]() -> long {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, kMenuCheckAll, mnuCheckAllCaption_.c_str());
        AppendMenuA(menu, MF_STRING, kMenuUncheckAll, mnuUncheckAllCaption_.c_str());
        const long cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hWnd(), nullptr);
        DestroyMenu(menu);
        return cmd;
    });
    if (chosen == kMenuCheckAll || chosen == kMenuUncheckAll) setAllChecked(chosen == kMenuCheckAll);
}

void frmIgnore::FillIgnoreIgnoreListView() {
    rows_.Clear();
    records_.clear();
    base::Trap("FillIgnoreIgnoreListView", [&] { records_ = results::ReadKeepList(ListPath()); });
    for (const results::IgnoreRecord& r : records_) {
        base::ListItem& row = rows_.Add(base::UCase(r.kind));
        row.SubItems(1) = r.spyName;
        row.SubItems(2) = r.item;
    }
    const bool any = !records_.empty();
    CmdRemove.SetEnabled(any);
    cmdCheckAll.SetEnabled(any);
    cmdUnCheckAll.SetEnabled(any);
    if (Loaded()) IgnoreListView.Refresh();
}

void frmIgnore::addIgnoreListToFlash() {
    frmMain.flash.SetVariable("_root.NumberOfIgnoreList", std::to_string(records_.size()));
    frmMain.flash.SetVariable("_root.IgnoreListString", results::IgnoreListString(records_));
    frmMain.flash.SetVariable("_root.IgnoreListListener", "1");
}

void frmIgnore::CmdRemove_Click() {
    base::Trap("CmdRemove_Click", [&] {
        std::vector<results::IgnoreRecord> keep;
        for (int i = 1; i <= rows_.Count(); ++i)
            if (!rows_(i).Checked) keep.push_back(records_[i - 1]);
        results::RewriteKeepList(ListPath(), keep);
    });
    FillIgnoreIgnoreListView();
}

void frmIgnore::removeIgnoreList(const std::string& arg) {
    std::vector<int> marked;
    size_t start = 0;
    while (start <= arg.size()) {
        size_t end = arg.find(',', start);
        if (end == std::string::npos) end = arg.size();
        const std::string part = base::Trim(arg.substr(start, end - start));
        start = end + 1;
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) continue;
        const int row = std::stoi(part) + 1;
        if (row > rows_.Count()) throw base::RuntimeError(35600);  // before anything is removed
        marked.push_back(row);
    }
    for (int i = 1; i <= rows_.Count(); ++i) rows_(i).Checked = false;
    for (int row : marked) rows_(row).Checked = true;
    CmdRemove_Click();
    addIgnoreListToFlash();
}

void frmIgnore::setAllChecked(bool on) {
    for (int i = 1; i <= rows_.Count(); ++i) rows_(i).Checked = on;
    if (Loaded()) IgnoreListView.Refresh();
}
