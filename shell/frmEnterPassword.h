#pragma once
// The password dialog: a borderless window whose movie (popup.scw) asks for a new password
// twice (frame 3) or for the password once (frame 4). It only collects text; the callers
// compare and store it.
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmEnterPassword : public ui::Form {
public:
    frmEnterPassword();

    // Both return the text the user confirmed, or "" when the dialog was closed.
    std::string newPassword(ui::Form* parent);
    std::string checkPasword(ui::Form* parent);

    movie::ShockwaveFlash flash{*this, "flash"};
    ui::TextBox txtPassword{*this, "txtPassword"};
    ui::TextBox txtValidatePassword{*this, "txtValidatePassword"};
    HWND flashWindow = nullptr;

    void flash_FSCommand(const std::string& command, const std::string& args);
    void cmdOk_Click();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;
    base::modal::Step ModalStep() const override;
    void OnScriptedAnswer(long answer) override;

private:
    std::string Ask(long frame, ui::Form* parent, bool confirm);
    std::string result_;
    // The page shown decides what OK means: the new-password page asks for the confirmation.
    bool newMode_ = false;
};

inline class frmEnterPassword frmEnterPassword;
