#pragma once
// Saves the System Guards window's helper-object list under a new name in BHO_Config.ini.
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "ui/Form.h"

class frmSave : public ui::Form {
public:
    frmSave();
    movie::ShockwaveFlash flash{*this, "flash"};
    std::string txtProfileName;

    void flash_FSCommand(const std::string& command, const std::string& args);
    void cmdSave_Click();
    bool IsNameExist(const std::string& name) const;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    HWND flashWindow_ = nullptr;
};

inline class frmSave frmSave;
