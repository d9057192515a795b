#pragma once
// The about panel: the program's title and version, what it scans for, and its web address.
// Placed in the main window's frame; it has no commands of its own.
#include "ui/Controls.h"
#include "ui/Form.h"

class frmAbout : public ui::Form {
public:
    frmAbout();

    ui::Frame frameAbout{*this, "frameAbout"};
    ui::Label lblTitle{*this, "lblTitle", &frameAbout};
    ui::Label lblVersion{*this, "lblVersion", &frameAbout};
    ui::Label lblDisclaimer{*this, "lblDisclaimer", &frameAbout};
    ui::CommandButton lblWebSite{*this, "lblWebSite", &frameAbout};
    ui::Label updateFileNumberLabel{*this, "updateFileNumberLabel", &frameAbout};

    static constexpr const char* kWebSite = "https://www.corvane.example/";

protected:
    void Form_Load() override;
};

inline class frmAbout frmAbout;
