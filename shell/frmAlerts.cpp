#include "shell/frmAlerts.h"

#include "base/Conversions.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/modLanguage.h"
#include "monitors/AlertAnswers.h"
#include "monitors/AlertStore.h"
#include "shell/FormLanguage.h"
#include "shell/frmMain.h"
#include "shell/modMainWindows.h"

namespace {

monitors::GuardAlert AlertOf(const base::ListItem& row) {
    return {row.Text, row.SubItems(1), row.SubItems(2), row.SubItems(3)};
}

// A "|" inside a field would split the movie's row in two.
std::string PageField(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c == '|') c = '!';
    return out;
}

}  // namespace

frmAlerts::frmAlerts() : ui::Form("frmAlerts") {
    SetCaption("Alerts");
    Move(0, 0, 9000, 6000);
    lstAlerts.SetCheckboxes(true);
    lstAlerts.Move(8, 8, 584, 250);
    lstAlerts.AddColumn("Alert Type", 150);
    lstAlerts.AddColumn("Alert Section", 130);
    lstAlerts.AddColumn("Alert Target", 170);
    lstAlerts.AddColumn("Alert Location", 250);
    txtAlertDescription.SetMultiLine(true);
    txtAlertDescription.SetLocked(true);
    txtAlertDescription.Move(8, 266, 584, 56);
    const struct {
        ui::CommandButton& b;
        const char* caption;
        const char* tag;
        int left;
    } buttons[] = {{cmdAuthorize, "Authorize", "1000", 8},
                   {cmdDelete, "Delete", "1001", 112},
                   {cmdCheckAll, "Check All", "1002", 384},
                   {cmdUnCheckAll, "Uncheck All", "1003", 488}};
    for (const auto& b : buttons) {
        b.b.SetCaption(b.caption);
        b.b.Tag = b.tag;
        b.b.Move(b.left, 334, 100, 28);
    }
    cmdAuthorize.OnClick = [this] { cmdAuthorize_Click(); };
    cmdDelete.OnClick = [this] { cmdDelete_Click(); };
    cmdCheckAll.OnClick = [this] { cmdCheckAll_Click(); };
    cmdUnCheckAll.OnClick = [this] { cmdUnCheckAll_Click(); };
    lstAlerts.OnItemClick = [this](int) { lstAlerts_Click(); };
    lstAlerts.OnItemCheck = [this](int) { lstAlerts_Click(); };
}

void frmAlerts::Form_Load() {
    formLanguage::applyLanguage(*this);
    fillAlertList();
    lstAlerts_Click();
    frmMain.flash.SetVariable("_root.my_but", "8");
    frmMain.flash.SetVariable("_root.scanNow", "0");
    lstAlerts.SetGridLines(gb_useGridlines);
}

void frmAlerts::runMe() { modMainWindows::SetFormSize(*this, true); }

void frmAlerts::fillAlertList() {
    base::Trap("fillAlertList", [&] {
        // Damaged lines are passed over; the records after them are still listed.
        for (const auto& a : monitors::ReadAlertStore()) {
            if (isAlertInList(a.guard, a.item, a.value, a.location)) continue;
            auto& row = lstAlerts.ListItems.Add(a.guard);
            row.SubItems(1) = a.item;
            row.SubItems(2) = a.value;
            row.SubItems(3) = a.location;
        }
    });
}

bool frmAlerts::isAlertInList(const std::string& g, const std::string& i, const std::string& v,
                              const std::string& l) const {
    const auto& rows = lstAlerts.ListItems;
    for (int n = 1; n <= rows.Count(); ++n) {
        const auto& r = static_cast<const base::ListItems&>(rows)(n);
        if (r.Text == g && r.SubItems(1) == i && r.SubItems(2) == v && r.SubItems(3) == l) return true;
    }
    return false;
}

bool frmAlerts::isAnyAlertChecked() const {
    const auto& rows = static_cast<const base::ListItems&>(lstAlerts.ListItems);
    for (int n = 1; n <= rows.Count(); ++n)
        if (rows(n).Checked) return true;
    return false;
}

void frmAlerts::lstAlerts_Click() {
    const bool any = lstAlerts.ListItems.Count() > 0;
    for (ui::CommandButton* b : {&cmdCheckAll, &cmdUnCheckAll, &cmdDelete, &cmdAuthorize}) b->SetEnabled(any);
    const bool checked = isAnyAlertChecked();
    cmdDelete.SetEnabled(checked);
    cmdAuthorize.SetEnabled(checked);
    if (Loaded()) modMain::RefreshFormControls(hWnd());
    try {
        const int selected = lstAlerts.SelectedIndex();
        if (selected == 0) return;
        const std::string guard = static_cast<const base::ListItems&>(lstAlerts.ListItems)(selected).Text;
        const std::string startup =
            "A new program will start when windows start up, if you want this program to be added to windows "
            "startup click authorize, otherwise delete it";
        if (guard == monitors::kStartupRegistryGuard)
            txtAlertDescription.SetText(modLanguage::getMessage("1032", startup));
        else if (guard == monitors::kStartupFileGuard)
            txtAlertDescription.SetText(modLanguage::getMessage("1033", startup));
        else if (guard == monitors::kFavoritesGuard)
            txtAlertDescription.SetText(modLanguage::getMessage(
                "1034",
                "A new Item added to your favorites list,if you want to keep this entry added click authorize, "
                "otherwise delete it"));
        else if (guard == monitors::kHijackGuard)
            txtAlertDescription.SetText(modLanguage::getMessage(
                "1035",
                "A program changes your IE settings,if you want to keep this changes click authorize, "
                "otherwise click delete to restore your old settings"));
    } catch (...) {
        base::ReportCurrentException("lstAlerts_Click");
    }
}

void frmAlerts::cmdCheckAll_Click() {
    for (int n = 1; n <= lstAlerts.ListItems.Count(); ++n) lstAlerts.ListItems(n).Checked = true;
}

void frmAlerts::cmdUnCheckAll_Click() {
    for (int n = 1; n <= lstAlerts.ListItems.Count(); ++n) lstAlerts.ListItems(n).Checked = false;
}

void frmAlerts::Answer(bool authorize) {
    std::vector<monitors::AlertRow> rows;
    for (int n = 1; n <= lstAlerts.ListItems.Count(); ++n) {
        const auto& r = static_cast<const base::ListItems&>(lstAlerts.ListItems)(n);
        rows.push_back({AlertOf(r), r.Checked});
    }
    monitors::AnswerCheckedRows(rows, authorize ? monitors::Answer::Authorize : monitors::Answer::Undo);
    lstAlerts.ListItems.Clear();
    for (const auto& r : rows) {
        auto& row = lstAlerts.ListItems.Add(r.alert.guard);
        row.SubItems(1) = r.alert.item;
        row.SubItems(2) = r.alert.value;
        row.SubItems(3) = r.alert.location;
        row.Checked = r.checked;
    }
    lstAlerts_Click();
}

void frmAlerts::cmdAuthorize_Click() { Answer(true); }
void frmAlerts::cmdDelete_Click() { Answer(false); }

void frmAlerts::saveAlertList() {
    std::vector<monitors::GuardAlert> rows;
    for (int n = 1; n <= lstAlerts.ListItems.Count(); ++n)
        rows.push_back(AlertOf(static_cast<const base::ListItems&>(lstAlerts.ListItems)(n)));
    monitors::SaveAlertStore(rows, {});
}

void frmAlerts::fillAlertFlashList() {
    const auto& rows = static_cast<const base::ListItems&>(lstAlerts.ListItems);
    frmMain.flash.SetVariable("_root.NumberOfAlerts", std::to_string(rows.Count()));
    std::string text;
    for (int n = 1; n <= rows.Count(); ++n) {
        const auto& r = rows(n);
        text += PageField(r.Text) + "|" + PageField(r.SubItems(1)) + "|" + PageField(r.SubItems(2)) + "|" +
                PageField(r.SubItems(3)) + "|";
    }
    frmMain.flash.SetVariable("_root.MyAlertString", text);
    // The alerts list's variables do not share one stem: the movie's list "Alert" reads the same rows
    // under its own names, after every answer as at the page's opening.
    frmMain.flash.SetVariable("_root.NumberOfAlert", std::to_string(rows.Count()));
    frmMain.flash.SetVariable("_root.AlertString", text);
    frmMain.flash.SetVariable("_root.AlertListener", "1");
}

void frmAlerts::MarkRows(const std::string& text) {
    if (!Loaded()) Load();
    cmdUnCheckAll_Click();
    size_t from = 0;
    for (;;) {
        const size_t comma = text.find(',', from);
        const std::string part =
            base::Trim(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        // Row numbers that name no row are passed over, like parts that are no numbers.
        if (!part.empty() && part.find_first_not_of("0123456789") == std::string::npos && part.size() < 6) {
            const int row = std::stoi(part) + 1;
            if (row <= lstAlerts.ListItems.Count()) lstAlerts.ListItems(row).Checked = true;
        }
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
}

void frmAlerts::authorizeAlert(const std::string& text) {
    MarkRows(text);
    cmdAuthorize_Click();
    fillAlertFlashList();
}

void frmAlerts::deleteAlert(const std::string& text) {
    MarkRows(text);
    cmdDelete_Click();
    fillAlertFlashList();
}
