#pragma once
// The skinned message box: a borderless window in the shape of the main skin's
// "SubAlertMask", whose movie (alerts.scw) draws the title, the text and the buttons.
// One instance serves every call; between calls it stays loaded and hidden.
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "ui/Form.h"

class frmMsgBox : public ui::Form {
public:
    frmMsgBox();

    // OK and Cancel: 1 when OK was pressed, 2 otherwise (Cancel, or the box went away
    // without an answer). While the stop flag is raised the box is shown modeless and the
    // call returns 2 at once, as nobody is there to answer.
    long msgbox(const std::string& prompt, const std::string& title);
    // OK only: 1, or 2 when the movie sent Cancel.
    long msgboxOK(const std::string& prompt, const std::string& title);

    movie::ShockwaveFlash flash{*this, "flash"};
    long msgboxResult = 1;  // 1 OK, 2 Cancel
    HWND flashWindow = nullptr;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;
    base::modal::Step ModalStep() const override;
    void OnScriptedAnswer(long answer) override;

private:
    long Ask(const std::string& prompt, const std::string& title, long frame);
    void flash_FSCommand(const std::string& command, const std::string& args);
    void FitToMovie();

    bool answered_ = false;  // a button command came during this call
    std::string shownTitle_, shownPrompt_;
    long shownFrame_ = 0;
};

inline class frmMsgBox frmMsgBox;
