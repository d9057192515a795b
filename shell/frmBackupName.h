#pragma once
// The backup-name dialog: a borderless window whose movie (popup.scw, frame 5) asks for the
// name of a new backup. Cancel and the close box call the backup off.
#include <optional>
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "ui/Form.h"

class frmBackupName : public ui::Form {
public:
    frmBackupName();
    // The typed name after OK (may be empty: the date-and-time name); none after Cancel or close.
    std::optional<std::string> enterBackupName();

    movie::ShockwaveFlash flash{*this, "flash"};
    HWND flashWindow = nullptr;

    void flash_FSCommand(const std::string& command, const std::string& args);

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;
    base::modal::Step ModalStep() const override;
    void OnScriptedAnswer(long answer) override;

private:
    std::optional<std::string> answer_;
};

inline class frmBackupName frmBackupName;
