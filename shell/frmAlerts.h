#pragma once
// The alerts panel: the guard alerts the user has not answered yet, read from the alert store each
// time it loads, each record once. The user checks rows and authorizes them (the item is kept and
// no longer reported) or deletes them (the change is undone); the main movie's alerts page shows the
// same rows and sends its answers here.
#include <string>

#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"

class frmAlerts : public ui::Form {
public:
    frmAlerts();

    ui::ListView lstAlerts{*this, "lstAlerts"};
    ui::TextBox txtAlertDescription{*this, "txtAlertDescription"};
    ui::CommandButton cmdAuthorize{*this, "cmdAuthorize"};
    ui::CommandButton cmdDelete{*this, "cmdDelete"};
    ui::CommandButton cmdCheckAll{*this, "cmdCheckAll"};
    ui::CommandButton cmdUnCheckAll{*this, "cmdUnCheckAll"};

    void runMe();
    // The main movie's alerts page: _root.NumberOfAlerts, _root.MyAlertString, _root.AlertListener.
    void fillAlertFlashList();
    // The page's answers: 0-based row numbers separated by commas.
    void authorizeAlert(const std::string& text);
    void deleteAlert(const std::string& text);

    void cmdAuthorize_Click();
    void cmdCheckAll_Click();
    void cmdDelete_Click();
    void cmdUnCheckAll_Click();
    void fillAlertList();
    void lstAlerts_Click();
    bool isAnyAlertChecked() const;
    bool isAlertInList(const std::string& g, const std::string& i, const std::string& v, const std::string& l) const;
    void saveAlertList();

protected:
    void Form_Load() override;

private:
    void Answer(bool authorize);
    void MarkRows(const std::string& text);
};

inline class frmAlerts frmAlerts;
