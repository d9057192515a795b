#include "shell/frmAddTask.h"

#include "base/MsgBox.h"
#include "base/Text.h"
#include "core/Globals.h"
#include "core/modLanguage.h"
#include "core/modMain.h"
#include "shell/CommonDialog.h"
#include "shell/CursorPosition.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "shell/frmSysGuards.h"

frmAddTask::frmAddTask() : ui::Form("frmAddTask") {
    SetCaption("Add Task");
    SetBorderStyle(ui::BorderStyle::None);
    SetStartUpPosition(ui::StartUpPosition::CenterScreen);
    Move(0, 0, 420 * 15, 260 * 15);
    flash.Move(0, 0, 420, 260);
    flash.FSCommand = [this](const std::string& command, const std::string& args) { flash_FSCommand(command, args); };
}

void frmAddTask::Form_Load() {
    frmMain.Skin.ApplyMask(hWnd(), "SubMask");
    flash.LoadMovie(0, modMain::FullPath_With_Filename("popup.scw"));
    flash.GotoFrame(0);
    flash.ZOrder(0);
    modMain::IntialStr(locationNames);
    cmboAddIn = 0;
    std::string joined;
    for (const auto& n : locationNames) joined += n + "|";
    flash.SetVariable("_root.selectedAddIn", locationNames[0]);
    flash.SetVariable("_root.updateCombo", "1");
    flash.SetVariable("_root.addIns", joined);
    // The face's list of locations on the list protocol.
    flash.SetVariable("_root.NumberOfAddIn", std::to_string(locationNames.size()));
    flash.SetVariable("_root.AddInString", joined);
    flash.SetVariable("_root.AddInListener", "1");
    flash.SelectListRow("AddIn", 0);
    flashWindow_ = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow_) CursorPosition::HookFlashMenu2(flashWindow_, true);
}

void frmAddTask::Form_Unload(int&) {
    if (flashWindow_) CursorPosition::HookFlashMenu2(flashWindow_, false);
}

void frmAddTask::ResetFormState() {
    txtName.clear();
    txtLocation.clear();
    txtNameEnabled = true;
    cmboAddIn = 0;
    flashWindow_ = nullptr;
}

void frmAddTask::flash_FSCommand(const std::string& command, const std::string& args) {
    const std::string c = base::UCase(command);
    if (c == "IDC_FS_DRAG") {
        ui::DragForm(*this, gb_snapWinBorder);
    } else if (c == "IDC_FS_CLOSE" || c == "IDC_FS_CANCEL") {
        Hide();
    } else if (c == "IDC_FS_BROWSE") {
        cmdBrowse_Click();
    } else if (c == "IDC_FS_ADDIN_SELECT") {
        const long i = std::atol(args.c_str());
        if (i >= 0 && i < static_cast<long>(locationNames.size())) {
            cmboAddIn = i;
            cmboAddIn_Click();
        }
    } else if (c == "IDC_FS_ADD") {
        txtName = flash.GetVariable("_root.taskname");
        if (!args.empty()) {
            bool known = false;
            for (size_t i = 0; i < locationNames.size(); ++i)
                if (locationNames[i] == args) cmboAddIn = static_cast<long>(i), known = true;
            if (!known) return;  // a location nobody offered adds nothing
            cmboAddIn_Click();
        }
        cmdAdd_Click();
    } else {
        base::MsgBox(command, MB_OK);
    }
}

void frmAddTask::cmboAddIn_Click() { txtNameEnabled = cmboAddIn != 6 && cmboAddIn != 7; }

void frmAddTask::cmdBrowse_Click() {
    // A cancel keeps the program chosen before.
    const std::string chosen = CommonDialog::ShowOpen("Programs (*.exe)|*.exe|All Files (*.*)|*.*");
    if (!chosen.empty()) txtLocation = chosen;
    flash.SetVariable("_root.curLocation", txtLocation);
}

void frmAddTask::cmdAdd_Click() {
    if (txtLocation.empty() || txtName.empty()) {
        // The System Guards window fills the message when it sets its captions.
        const std::string& message = gb_startupMessages[1];
        frmMsgBox.msgboxOK(message.empty() ? modLanguage::getMessage("1019", "You Must fill in Text Boxes") : message,
                           "Corvane");
        return;
    }
    const std::string location = locationNames[static_cast<size_t>(cmboAddIn)];
    const bool currentUser = cmboAddIn == 0 || cmboAddIn == 4;
    // A path with blanks is quoted, so that Windows does not run the path up to its first blank.
    std::string command = txtLocation;
    if (command.find(' ') != std::string::npos && command.front() != '"') command = "\"" + command + "\"";
    guards::StartupProfile row{
        txtNameEnabled ? txtName : location,
        modLanguage::getMessage("1017", "Enabled"),
        location,
        currentUser ? modLanguage::getMessage("1029", "Current User") : modLanguage::getMessage("1071", "All Users"),
        modLanguage::getMessage("1094", "logging on"),
        command,
        {}};
    if (!frmSysGuards.Loaded()) frmSysGuards.Load();
    frmSysGuards.startupItems.Add(std::move(row));
    Hide();
}

void frmAddTask::cmdCancel_Click() { Unload(); }
