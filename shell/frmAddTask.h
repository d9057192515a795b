#pragma once
// The add-startup-item dialog: a name, a program and one of the eight startup locations; it
// appends one Enabled row to the System Guards window's startup list, which Apply carries out.
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "core/IniFiles.h"
#include "ui/Form.h"

class frmAddTask : public ui::Form {
public:
    frmAddTask();

    movie::ShockwaveFlash flash{*this, "flash"};
    std::string txtName, txtLocation;
    bool txtNameEnabled = true;
    StartupLocationNames locationNames;  // cmboAddIn's items
    long cmboAddIn = 0;                  // the selected location

    void flash_FSCommand(const std::string& command, const std::string& args);
    void cmdAdd_Click();
    void cmdBrowse_Click();
    void cmdCancel_Click();
    void cmboAddIn_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    HWND flashWindow_ = nullptr;
};

inline class frmAddTask frmAddTask;
