#include "base/MsgBox.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "guards/Bho.h"
#include "shell/CursorPosition.h"
#include "shell/frmLoad.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "shell/frmSave.h"
#include "shell/frmSysGuards.h"

namespace {

void SetUpDialog(ui::Form& form, movie::ShockwaveFlash& flash) {
    form.SetBorderStyle(ui::BorderStyle::None);
    form.SetStartUpPosition(ui::StartUpPosition::CenterScreen);
    form.Move(0, 0, 420 * 15, 260 * 15);
    flash.Move(0, 0, 420, 260);
}

void LoadPage(ui::Form& form, movie::ShockwaveFlash& flash, long frame) {
    frmMain.Skin.ApplyMask(form.hWnd(), "SubMask");
    flash.LoadMovie(0, modMain::FullPath_With_Filename("popup.scw"));
    flash.GotoFrame(frame);
    flash.ZOrder(0);
}

}  // namespace

// ---- frmSave ----

frmSave::frmSave() : ui::Form("frmSave") {
    SetCaption("Save Configuration");
    SetUpDialog(*this, flash);
    flash.FSCommand = [this](const std::string& command, const std::string& args) {
        base::Trap("frmSave flash_FSCommand", [&] { flash_FSCommand(command, args); });
    };
}

void frmSave::Form_Load() {
    LoadPage(*this, flash, 1);
    flashWindow_ = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow_) CursorPosition::HookFlashMenu9(flashWindow_, true);
}

void frmSave::Form_Unload(int&) {
    if (flashWindow_) CursorPosition::HookFlashMenu9(flashWindow_, false);
}

void frmSave::ResetFormState() {
    txtProfileName.clear();
    flashWindow_ = nullptr;
}

void frmSave::flash_FSCommand(const std::string& command, const std::string&) {
    const std::string c = base::UCase(command);
    if (c == "IDC_FS_DRAG") {
        ui::DragForm(*this, gb_snapWinBorder);
    } else if (c == "IDC_FS_CLOSE") {
        Hide();
    } else if (c == "IDC_FS_SAVE") {
        txtProfileName = flash.GetVariable("_root.profileName");
        cmdSave_Click();
    } else {
        base::MsgBox(command, MB_OK);
    }
}

bool frmSave::IsNameExist(const std::string& name) const { return guards::BhoConfigurationExists(name); }

void frmSave::cmdSave_Click() {
    switch (guards::SaveBhoConfiguration(txtProfileName, frmSysGuards.bhoItems.Rows())) {
        case guards::ConfigSave::EmptyName:
            return;
        case guards::ConfigSave::NameExists:
            frmMsgBox.msgboxOK(modLanguage::getMessage("1090", "Name already exist"), "Corvane");
            return;
        case guards::ConfigSave::Saved:
            Hide();
            return;
    }
}

// ---- frmLoad ----

frmLoad::frmLoad() : ui::Form("frmLoad") {
    SetCaption("Load Configuration");
    SetUpDialog(*this, flash);
    flash.FSCommand = [this](const std::string& command, const std::string& args) {
        base::Trap("frmLoad flash_FSCommand", [&] { flash_FSCommand(command, args); });
    };
}

void frmLoad::Form_Load() {
    LoadPage(*this, flash, 2);
    base::Trap("frmLoad Form_Load", [&] { cmboLoadProfile = guards::BhoConfigurationNames(); });
    selected = cmboLoadProfile.empty() ? -1 : 0;
    std::string joined;
    for (const auto& n : cmboLoadProfile) joined += n + "|";
    // Without a saved configuration the dialog shows an empty list; Load then says so.
    flash.SetVariable("_root.selectedProfile", selected >= 0 ? cmboLoadProfile[0] : std::string());
    flash.SetVariable("_root.profiles", joined);
    flash.SetVariable("_root.updateLoadList", "1");
    flash.SetVariable("_root.NumberOfProfiles", std::to_string(cmboLoadProfile.size()));
    flash.SetVariable("_root.ProfilesString", joined);
    flash.SetVariable("_root.ProfilesListener", "1");
    if (selected >= 0) flash.SelectListRow("Profiles", 0);
    flashWindow_ = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow_) CursorPosition::HookFlashMenu6(flashWindow_, true);
}

void frmLoad::Form_Unload(int&) {
    if (flashWindow_) CursorPosition::HookFlashMenu6(flashWindow_, false);
}

void frmLoad::ResetFormState() {
    cmboLoadProfile.clear();
    selected = -1;
    flashWindow_ = nullptr;
}

void frmLoad::flash_FSCommand(const std::string& command, const std::string& args) {
    const std::string c = base::UCase(command);
    if (c == "IDC_FS_DRAG") {
        ui::DragForm(*this, gb_snapWinBorder);
    } else if (c == "IDC_FS_CLOSE") {
        Hide();
    } else if (c == "IDC_FS_PROFILE_SELECT") {
        const long i = std::atol(args.c_str());
        if (i >= 0 && i < static_cast<long>(cmboLoadProfile.size())) {
            selected = i;
            flash.SetVariable("_root.selectedProfile", cmboLoadProfile[static_cast<size_t>(i)]);
        }
    } else if (c == "IDC_FS_LOAD") {
        if (!args.empty()) {
            long found = -1;
            for (size_t i = 0; i < cmboLoadProfile.size(); ++i)
                if (cmboLoadProfile[i] == args) found = static_cast<long>(i);
            if (found < 0) return;  // a name the list does not hold loads nothing
            selected = found;
        }
        cmdLoad_Click();
    } else {
        base::MsgBox(command, MB_OK);
    }
}

void frmLoad::cmdLoad_Click() {
    if (cmboLoadProfile.empty() || selected < 0) {
        frmMsgBox.msgboxOK(modLanguage::getMessage("1092", "No Profiles Found!"), "Corvane");
        return;
    }
    // The configuration is read first; the list changes only when it was read.
    std::optional<std::vector<guards::BHOProfile>> rows;
    base::Trap("cmdLoad_Click",
               [&] { rows = guards::LoadBhoConfiguration(cmboLoadProfile[static_cast<size_t>(selected)]); });
    if (!rows) {
        frmMsgBox.msgboxOK(modLanguage::getMessage("1092", "No Profiles Found!"), "Corvane");
        return;
    }
    frmSysGuards.bhoItems.ReplaceRows(std::move(*rows));
    Hide();
}
