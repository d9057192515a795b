#include "shell/frmMenu.h"

#include "base/Trap.h"
#include "core/Globals.h"
#include "core/Removal.h"
#include "core/SettingsStore.h"
#include "core/Statistics.h"
#include "core/Wiring.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "shell/AppVersion.h"
#include "shell/FormLanguage.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "shell/frmScanNow.h"
#include "shell/modMainWindows.h"

namespace {

// The design captions: the defaults when the language pack lacks a key. Taking the current
// caption instead would append another value on every refresh.
constexpr const char* kFrameCaption = "Corvane";
constexpr const char* kUpdateCaption = "Last Update on:";
constexpr const char* kLastScanCaption = "Last System Scan:";
constexpr const char* kRemovedCaption = "Number of Objects Removed:";
constexpr const char* kScansCaption = "Number of Scans:";

}  // namespace

frmMenu::frmMenu() : ui::Form("frmMenu"), CmbLang(*this, "CmbLang", &frameMain, &langRows_) {
    ui::Form::SetCaption("Home");
    SetBorderStyle(ui::BorderStyle::None);
    Move(0, 0, 9000, 6000);
    frameMain.Tag = "1001";
    frameMain.SetCaption(kFrameCaption);
    frameMain.Move(8, 8, 584, 384);
    struct Row {
        ui::Label* label;
        const char* tag;
        const char* caption;
    };
    const Row rows[] = {{&updateFileNumberLabel, "1002", kUpdateCaption},
                        {&lblLastSystemScan, "1003", kLastScanCaption},
                        {&lblNumberOfObjectsRemoved, "1005", kRemovedCaption},
                        {&lblNumberOfScans, "1004", kScansCaption}};
    for (int i = 0; i < 4; ++i) {
        rows[i].label->Tag = rows[i].tag;
        rows[i].label->SetCaption(rows[i].caption);
        rows[i].label->Move(20, 32 + i * 28, 540, 20);
    }
    cmdScan.Tag = "1008";
    cmdScan.SetCaption("Start Scan");
    cmdScan.Move(20, 160, 150, 30);
    cmdScan.OnClick = [this] { cmdScan_Click(); };
    cmdResetStat.Tag = "1006";
    cmdResetStat.SetCaption("Reset Statistics");
    cmdResetStat.Move(184, 160, 150, 30);
    cmdResetStat.OnClick = [this] { cmdResetStat_Click(); };
    lblLanguage.SetCaption("Language:");
    lblLanguage.Move(20, 210, 200, 18);
    CmbLang.Move(20, 230, 314, 110);
    CmbLang.AddColumn("Language", 290);
    CmbLang.RowImage = [this](int index) {
        return index >= 1 && index <= static_cast<int>(flagImage_.size()) ? flagImage_[index - 1] : -1;
    };
    CmbLang.OnItemClick = [this](int index) { CmbLang_Click(index); };
    lblWebSite.Tag = "1000";
    lblWebSite.SetCaption("https://www.corvane.example/");
    lblWebSite.Move(360, 350, 210, 24);
    lblWebSite.OnClick = [] { modMain::OpenIt("https://www.corvane.example/"); };
}

void frmMenu::Form_Load() {
    SetCaption();
    FillLangCombo();
}

void frmMenu::ResetFormState() {
    languages_.clear();
    flagImage_.clear();
    langRows_.Clear();
}

void frmMenu::runMe() { modMainWindows::SetFormSize(*this, true); }

void frmMenu::SetCaption() {
    formLanguage::applyLanguage(*this);
    const std::string date = homePanel::FileDateText(modMain::FullPath_With_Filename("defs.dat"));
    auto text = [this](const ui::Label& l, const char* design) {
        return formLanguage::getFormString(*this, l.Tag, design);
    };
    auto& movie = frmMain.flash;
    updateFileNumberLabel.SetCaption(text(updateFileNumberLabel, kUpdateCaption) + " " + date);
    movie.SetVariable("_root.LastUpdateOn", date);
    const std::string lastScan = modMain::getLastSystemScanDate();
    lblLastSystemScan.SetCaption(text(lblLastSystemScan, kLastScanCaption) + "  " + lastScan);
    movie.SetVariable("_root.LastSystemScan", lastScan);
    const std::string removed = std::to_string(modMain::getNumberOfObjectsRemoved());
    lblNumberOfObjectsRemoved.SetCaption(text(lblNumberOfObjectsRemoved, kRemovedCaption) + "  " + removed);
    movie.SetVariable("_root.NumberOfObjectsRemoved", removed);
    const std::string scans = std::to_string(modMain::getNumberOfScans());
    lblNumberOfScans.SetCaption(text(lblNumberOfScans, kScansCaption) + "  " + scans);
    movie.SetVariable("_root.NumberOfScans", scans);
    frameMain.SetCaption(formLanguage::getFormString(*this, frameMain.Tag, kFrameCaption) + " " +
                         std::to_string(appVersion::kMajor) + "." + std::to_string(appVersion::kMinor));
    Refresh();
}

void frmMenu::FillLangCombo() {
    base::Trap("FillLangCombo", [&] {
        const std::string folder = modMain::FullPath_With_Filename("Language\\");
        languages_ = homePanel::LanguageItems(folder, gb_languageFile);
        langRows_.Clear();
        flagImage_.clear();
        // ImageList1: each pack's own flag picture, by the pack's name.
        HIMAGELIST images = ImageList_Create(kFlagWidth, kFlagHeight, ILC_COLOR24, 4, 4);
        for (const auto& item : languages_) {
            langRows_.Add(item.name);
            int image = -1;
            if (!item.flagFile.empty()) {
                HBITMAP flag = static_cast<HBITMAP>(LoadImageA(nullptr, (folder + item.flagFile).c_str(), IMAGE_BITMAP,
                                                               kFlagWidth, kFlagHeight, LR_LOADFROMFILE));
                if (flag) {
                    image = ImageList_Add(images, flag, nullptr);
                    DeleteObject(flag);
                }
            }
            flagImage_.push_back(image);
        }
        CmbLang.SetSmallImages(images);
        if (Loaded()) CmbLang.Refresh();
        for (size_t i = 0; i < languages_.size(); ++i)
            if (languages_[i].selected) CmbLang.Select(static_cast<int>(i) + 1);
    });
}

void frmMenu::CmbLang_Click(int index) {
    if (index < 1 || index > static_cast<int>(languages_.size())) return;
    const std::string file = languages_[static_cast<size_t>(index) - 1].name + ".ini";
    if (file == gb_languageFile) return;
    gb_languageFile = file;
    SetCaption();
    wiring::ShowLanguagePanel(modLanguage::getMessage("1010", "Language:") + " " +
                              gb_languageFile.substr(0, gb_languageFile.size() - 4));
}

void frmMenu::cmdResetStat_Click() {
    if (frmMsgBox.msgbox(modLanguage::getMessage("1062", "Do you want to reset the program statistics?"), "Corvane") !=
        1)
        return;
    settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "0");
    settings::SaveSetting("Statistics", "NUMBER OF SCANS", "0");
    SetCaption();
}

void frmMenu::resetStates() { cmdResetStat_Click(); }

void frmMenu::cmdScan_Click() {
    gb_removalFailed = false;
    frmScanNow.Load();
    Unload();
    frmScanNow.Show(ui::vbModeless);
}

void frmMenu::clickTheScanButton() {
    cmdScan_Click();
    frmScanNow.startupScan();
}
