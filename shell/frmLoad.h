#pragma once
// Lists the configurations of BHO_Config.ini and puts the chosen one into the System Guards
// window's helper-object list (Apply then carries it out).
#include <string>
#include <vector>

#include "components/flash/ShockwaveFlash.h"
#include "ui/Form.h"

class frmLoad : public ui::Form {
public:
    frmLoad();
    movie::ShockwaveFlash flash{*this, "flash"};
    std::vector<std::string> cmboLoadProfile;
    long selected = -1;

    void flash_FSCommand(const std::string& command, const std::string& args);
    void cmdLoad_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    HWND flashWindow_ = nullptr;
};

inline class frmLoad frmLoad;
