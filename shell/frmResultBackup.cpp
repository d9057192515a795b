#include "shell/frmResultBackup.h"

#include <windowsx.h>

#include "base/Conversions.h"
#include "base/Modal.h"
#include "base/ProgramFolder.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/HostsFile.h"
#include "core/Settings.h"
#include "core/Statistics.h"
#include "core/Wiring.h"
#include "core/modMain.h"
#include "results/Backups.h"
#include "results/FindingList.h"
#include "results/IgnoreList.h"
#include "results/KeepList.h"
#include "results/RemoveSelected.h"
#include "results/ScanResults.h"
#include "shell/FormLanguage.h"
#include "shell/frmBackupName.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmMsgBox.h"
#include "shell/frmScanSpy.h"
#include "shell/modMainWindows.h"
#include "ui/MessageLoop.h"

namespace {

constexpr const char* kTitle = "Corvane";

// What the removal shows: the main movie's progress, the warning box.
struct RemovalFace : results::RemovalView {
    void ShowProgress(long p) override { frmMain.flash.SetVariable("_root.progressValue", std::to_string(p)); }
    void PumpMessages() override { ui::DoEvents(); }
    void SetHourglass(bool on) override { SetCursor(LoadCursor(nullptr, on ? IDC_WAIT : IDC_ARROW)); }
    void WarnNotRemoved(const std::string& text) override { frmMsgBox.msgboxOK(text, kTitle); }
};

struct BackupFace : results::BackupView {
    std::optional<std::string> AskBackupName() override { return frmBackupName.enterBackupName(); }
    void PumpMessages() override { ui::DoEvents(); }
    void SetHourglass(bool on) override { SetCursor(LoadCursor(nullptr, on ? IDC_WAIT : IDC_ARROW)); }
    void ShowMessage(const std::string& text) override { frmMsgBox.msgboxOK(text, kTitle); }
};

// The busy flag is down again on every way out of a removal.
struct Busy {
    Busy() { gb_scanBusy = true; }
    ~Busy() { gb_scanBusy = false; }
};

std::string SystemErrorText(DWORD error) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s.empty() ? "The shell could not show the properties" : s;
}

std::string IgnoreFilePath() { return modMain::FullPath_With_Filename(results::kIgnoreListFile); }

}  // namespace

frmResultBackup::frmResultBackup()
    : ui::Form("frmResultBackup"), SpyListView(*this, "SpyListView", &SpyFrame, &results::Findings().Rows()) {
    SetCaption("Corvane");
    SetBorderStyle(ui::BorderStyle::None);  // the skin gives the shape
    Move(0, 0, 640 * 15, 420 * 15);
    SpyFrame.SetCaption("Infected Objects");
    SpyFrame.Tag = "1000";
    SpyFrame.Move(8, 4, 616, 300);
    SpyListView.Move(10, 20, 420, 270);
    SpyListView.SetCheckboxes(true);
    SpyListView.AddColumn("Maleware Type", 140, "1004");
    SpyListView.AddColumn("Malewre Item", 110, "1005");
    SpyListView.AddColumn("Maleware Details", 280, "1006");
    SpyListView.AddColumn("Default Value", 100);
    SpyListView.OnItemClick = [this](int) { SpyListView_Click(); };
    SpyListView.OnColumnClick = [this](int column) { SpyListView_ColumnClick(column); };
    SpyListView.OnRightClick = [this](POINT screen) { mnuSpyScan_Popup(screen); };
    txtSpyDescription.Move(440, 20, 166, 270);
    txtSpyDescription.SetMultiLine(true);
    txtSpyDescription.SetLocked(true);
    frmButtons.SetBorder(false);
    frmButtons.Move(8, 310, 616, 60);
    cmdBackup.SetCaption("Quarantine");
    cmdBackup.Tag = "1001";
    cmdBackup.Move(10, 14, 96, 28);
    cmdExclude.SetCaption("Keep");
    cmdExclude.Tag = "1002";
    cmdExclude.Move(114, 14, 96, 28);
    cmdContinue.SetCaption("Delete");
    cmdContinue.Tag = "1003";
    cmdContinue.Move(218, 14, 96, 28);
    cmdCancel.SetCaption("Close");
    cmdCancel.Move(510, 14, 96, 28);
    lblCount.SetCaption("");
    lblCount.Move(330, 20, 170, 20);
    cmdBackup.OnClick = [this] { cmdBackup_Click(); };
    cmdExclude.OnClick = [this] { cmdExclude_Click(); };
    cmdContinue.OnClick = [this] { cmdContinue_Click(); };
    cmdCancel.OnClick = [this] { cmdCancel_Click(); };
}

void frmResultBackup::Form_Load() {
    formLanguage::applyLanguage(*this);
    formLanguage::applyColumnLanguage(*this, SpyListView);
    // The kind and the item share the list's width; the other two keep theirs.
    const double listWidth = SpyListView.Width();
    SpyListView.SetColumnWidth(1, static_cast<int>(conv::RoundHalfEven(listWidth / 3)));
    SpyListView.SetColumnWidth(3, static_cast<int>(conv::RoundHalfEven(listWidth / 1.5)));
    SpyListView.SetGridLines(gb_useGridlines);
    results::ProgramResults().Open(gb_markChecked || gb_autoRemove);
    SpyListView.Refresh();
    SpyListView_Click();
    Skin1.LoadSkin(base::ProgramFilePath("skin\\Remove.skn"));
    Skin1.ApplyMask(hWnd(), "RemoveMask");
}

void frmResultBackup::Form_Unload(int&) {
    // A list the file could not take stays in memory: the next showing shows it, not the file.
    results::ScanResults& store = results::ProgramResults();
    if (!store.Close()) frmMsgBox.msgboxOK(store.NotSavedText(), kTitle);
    gb_totalSpywareFound = results::Findings().Count();
    base::Trap("Form_Unload", [] { wiring::EndProgress(); });
}

void frmResultBackup::Form_Resize() {
    if (!Loaded()) return;
    RECT rc;
    GetClientRect(hWnd(), &rc);
    const int w = std::max<int>(rc.right, 548), h = std::max<int>(rc.bottom, 335);
    SpyFrame.Move(8, 4, w - 16, h - 80);
    frmButtons.Move(8, h - 70, w - 16, 60);
    SpyListView.Move(10, 20, w - 16 - 20 - 176, h - 80 - 30);
    txtSpyDescription.Move(w - 16 - 176, 20, 166, h - 80 - 30);
    cmdCancel.Move(w - 16 - 106, 14, 96, 28);
    Skin1.ApplyMask(hWnd(), "RemoveMask");  // the shape follows the new size
}

// Borderless: the background drags the window, its right and bottom edges size it.
bool frmResultBackup::OnMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_NCHITTEST) return false;
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(hWnd(), &p);
    RECT rc;
    GetClientRect(hWnd(), &rc);
    constexpr int kEdge = 8;
    const bool right = p.x >= rc.right - kEdge, bottom = p.y >= rc.bottom - kEdge;
    result = right && bottom ? HTBOTTOMRIGHT : right ? HTRIGHT : bottom ? HTBOTTOM : HTCAPTION;
    return true;
}

// The findings go with the window, as the rows of the list control it stands for did, once the
// results file holds them.
void frmResultBackup::ResetFormState() { results::ProgramResults().Release(); }

std::optional<std::string> frmResultBackup::KindDescription(const std::string& kind) {
    struct Row {
        const char *kind, *id, *text;
    };
    static const Row rows[] = {
        {"Malware RegValue", "1135",
         "It is a value of the registry key which contains the data the registry key can include many values."},
        {"Malware Folder", "1136", "A folder contains many spyware files."},
        {"Malware File", "1137",
         "Spyware exists as independent executable programs, they have the ability to monitor keystrokes, install "
         "other "
         "spyware programs. Once installed, the spyware monitors user activity on the Internet and transmits that "
         "information in the background to someone else."},
        {"Tracking Cookie", "1138",
         "The main purpose of cookies is to identify users and possibly prepare customized Web pages for them. When "
         "you "
         "enter a Web site using cookies, you may be asked to fill out a form providing such information as your name "
         "and "
         "interests. This information is packaged into a cookie and sent to your Web browser which stores it for later "
         "use."},
        {"Malware RegKey", "1139",
         "Is a key that contains information about a certain thing in the spyware case, it stores information about "
         "the "
         "user (e.g. his favorite websites, his passwords, etc)."},
        {"Malware Process", "1140", "Is a memory process executed by spyware program"},
        {"Malware RegData", "1141", "This data is harmfull for your operating system."},
        {"Bad Hosts Entry", "1142", "This is bad host entry in your host file."},
    };
    for (const Row& r : rows)
        if (kind == r.kind) return wiring::GetMessage(r.id, r.text);
    return std::nullopt;
}

void frmResultBackup::countCheckedItems(short& result) const {
    const base::ListItems& rows = results::Findings().Rows();
    result = 0;
    for (int i = 1; i <= rows.Count(); ++i)
        if (rows(i).Checked) {
            result = 1;
            return;
        }
}

void frmResultBackup::SpyListView_Click() {
    base::Trap("SpyListView_Click", [&] {
        const int i = SpyListView.SelectedIndex();
        if (i < 1) return;
        if (auto text = KindDescription(results::Findings().Rows()(i).Text)) txtSpyDescription.SetText(*text);
    });
}

void frmResultBackup::SpyListView_ColumnClick(int column) {
    SpyListView.SetSortOrder(SpyListView.SortOrder() == 0 ? 1 : 0);
    SpyListView.SetSortKey(column - 1);
    SpyListView.Sort();
}

void frmResultBackup::mnuSpyScan_Popup(POINT screen) {
    const long chosen = base::modal::Run({"mnuSpyScan", "SpyScan", "", 0}, [&]() -> long {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, kMenuCheckAll, "&Check All");
        AppendMenuA(menu, MF_STRING, kMenuUncheckAll, "&Uncheck All");
        AppendMenuA(menu, MF_STRING, kMenuShowProperties, "&Show Properties");
        const long cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hWnd(), nullptr);
        DestroyMenu(menu);
        return cmd;
    });
    switch (chosen) {
        case kMenuCheckAll:
            mnuCheckAll_Click();
            break;
        case kMenuUncheckAll:
            mnuUncheckAll_Click();
            break;
        case kMenuShowProperties:
            mnuShowProperties_Click();
            break;
        default:
            break;
    }
}

void frmResultBackup::mnuShowProperties_Click() {
    base::Trap("mnuShowProperties - Scan Spy", [&] {
        const base::ListItems& rows = results::Findings().Rows();
        if (rows.Count() == 0) return;
        const int i = SpyListView.SelectedIndex();
        if (i < 1) return;
        const std::string& kind = rows(i).Text;
        if (kind != "Malware Folder" && kind != "Malware File" && kind != "Tracking Cookie") return;
        if (!modMainWindows::DisplayFileProperties(rows(i).SubItems(2))) {
            const DWORD error = GetLastError();
            throw base::RuntimeError(static_cast<long>(error), SystemErrorText(error));
        }
    });
}

void frmResultBackup::setAllChecked(bool on) {
    base::ListItems& rows = results::Findings().Rows();
    for (int i = 1; i <= rows.Count(); ++i) rows(i).Checked = on;
    SpyListView.Refresh();
}

bool frmResultBackup::Confirm(const std::string& id, const std::string& text) {
    short checked = 0;
    countCheckedItems(checked);
    if (!checked) {
        frmMsgBox.msgboxOK(wiring::GetMessage("1096", "Warning! Nothing selected for removal."), kTitle);
        return false;
    }
    gb_scanAborted = false;
    return frmMsgBox.msgbox(wiring::GetMessage(id, text), kTitle) == 1;
}

void frmResultBackup::cmdBackup_Click() {
    base::Trap("cmdBackup", [&] {
        if (!Confirm("1097", "Backup selected items?")) return;
        short checked = 0;
        countCheckedItems(checked);
        if (checked) BackupSelectedSpy();
    });
}

void frmResultBackup::cmdExclude_Click() {
    base::Trap("cmdExclude", [&] {
        if (!Confirm("1100", "Move all checked items to the Keep List ?")) return;
        short checked = 0;
        countCheckedItems(checked);
        if (checked) moveCheckedToKeepList();
    });
}

void frmResultBackup::cmdContinue_Click() {
    base::Trap("cmdContinue", [&] {
        short checked = 0;
        countCheckedItems(checked);
        if (!checked) {
            frmMsgBox.msgboxOK(wiring::GetMessage("1096", "Warning! Nothing selected for removal."), kTitle);
            return;
        }
        gb_scanAborted = false;
        if (frmMsgBox.msgbox(wiring::GetMessage("1098", "Remove the selected components from your system?"), kTitle) ==
            1) {
            Busy busy;
            RemoveSelectedSpy();
        }
        if (results::Findings().Count() == 0) txtSpyDescription.SetText("");
    });
}

void frmResultBackup::cmdCancel_Click() {
    base::Trap("cmdCancel", [&] {
        // The home page again, with what the removal changed in its figures.
        frmMenu.Unload();
        frmMain.showScanNow();
        Unload();
        frmMain.flash.SetVariable("_root.scanNow", "2");
    });
}

void frmResultBackup::RemoveSelectedSpy() {
    if (!Loaded()) Load();
    RemovalFace face;
    results::RemoveSelectedSpy(results::Findings(), face);
    SpyListView.Refresh();
}

void frmResultBackup::BackupSelectedSpy() {
    BackupFace face;
    std::string root = gb_backupPath.empty() ? modMain::FullPath_With_Filename("BackUp") : gb_backupPath;
    while (!root.empty() && root.back() == '\\') root.pop_back();
    results::BackupSelectedSpy(results::Findings(), face, root, modMain::HostsFilePath());
}

void frmResultBackup::moveCheckedToKeepList() {
    results::moveCheckedToKeepList(results::Findings(), IgnoreFilePath());
    SpyListView.Refresh();
    lblCount.SetCaption(std::to_string(results::Findings().Count()) + ": " +
                        wiring::GetMessage("1099", "Components found"));
}

// The scanning window goes before the list shows: its unload keeps the scan's counters.
void frmResultBackup::runMe() {
    if (frmScanSpy.Loaded()) frmScanSpy.Unload();
}

void frmResultBackup::removeSpyItems(const std::string&, bool) {
    base::Trap("removeSpyItems", [&] { cmdContinue_Click(); });
}
void frmResultBackup::fillRemoveList() {
    base::Trap("fillRemoveList", [&] {
        if (!Loaded()) Load();
    });
}
void frmResultBackup::ignoreSpyItems(const std::string&) {
    base::Trap("ignoreSpyItems", [&] { cmdExclude_Click(); });
}
void frmResultBackup::backupSpyItems(const std::string&) {
    base::Trap("backupSpyItems", [&] { cmdBackup_Click(); });
}
