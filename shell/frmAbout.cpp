#include "shell/frmAbout.h"

#include "base/ProgramFolder.h"
#include "core/Removal.h"
#include "shell/AppVersion.h"
#include "shell/FormLanguage.h"
#include "shell/modMainWindows.h"

frmAbout::frmAbout() : ui::Form("frmAbout") {
    SetCaption("About");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 9000, 6000);
    frameAbout.Tag = "1000";
    frameAbout.SetCaption("About ...");
    frameAbout.Move(8, 8, 584, 384);
    lblTitle.Tag = "1001";
    lblTitle.SetCaption("Application Title");
    lblTitle.Move(20, 30, 540, 22);
    lblVersion.Tag = "1002";
    lblVersion.SetCaption("Version");
    lblVersion.Move(20, 58, 540, 20);
    lblDisclaimer.Tag = "1003";
    lblDisclaimer.SetCaption(
        "Corvane looks for spyware, adware, dialers, key loggers, trojans, browser hijackers and tracking "
        "cookies in running programs, the registry, files and folders, cookies and the hosts file, and "
        "guards the places where they settle between scans. Remove only what you recognise as unwanted: "
        "a backup is made first when you ask for one.");
    lblDisclaimer.Move(20, 96, 540, 110);
    lblWebSite.Tag = "1004";
    lblWebSite.SetCaption(kWebSite);
    lblWebSite.Move(20, 220, 260, 24);
    lblWebSite.OnClick = [] { modMain::OpenIt(kWebSite); };
    updateFileNumberLabel.SetCaption("Update File Number");
    updateFileNumberLabel.Move(20, 260, 300, 20);
}

void frmAbout::Form_Load() {
    modMainWindows::SetFormSize(*this, true);
    formLanguage::applyLanguage(*this);
    lblVersion.SetCaption(formLanguage::getFormString(*this, lblVersion.Tag, lblVersion.Caption()) + " " +
                          std::to_string(appVersion::kMajor) + "." + std::to_string(appVersion::kMinor) + ".0." +
                          std::to_string(appVersion::kRevision));
    lblTitle.SetCaption(lblTitle.Caption() + "    " + base::AppTitle());
}
