#pragma once
// The common dialog's file open and save, through the modal seam (step kind "CommonDialog",
// the filter as its text). A cancel gives the empty name, never the name chosen last time.
#include <string>

namespace CommonDialog {

// Filter in the control's form: "Name (*.x)|*.x|All Files (*.*)|*.*".
std::string ShowOpen(const std::string& filter, const std::string& title = {});
std::string ShowSave(const std::string& filter, const std::string& title = {});

// Tests: the name a scripted OK (answer 1) gives to the next dialog.
void SetScriptedFileName(const std::string& name);

}  // namespace CommonDialog
