#pragma once
// The program-information window: a small modal dialog whose movie (ProgInfo.scw) shows the
// name, the publisher and the version of an installed program, put into its labels by the caller.
#include "components/flash/ShockwaveFlash.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frminfo : public ui::Form {
public:
    frminfo();

    movie::ShockwaveFlash flash{*this, "flash"};
    ui::Label lblprogname{*this, "lblprogname"};
    ui::Label lblpub{*this, "lblpub"};
    ui::Label lblprogver{*this, "lblprogver"};
    ui::CommandButton cmdClose{*this, "cmdClose"};
    HWND flashWindow = nullptr;

    void showME();
    void cmdClose_Click();
    void flash_FSCommand(const std::string& command, const std::string& args);

    // The Flash dialogs' fit of the movie to the form, in twips: grows the movie by 1.2 times
    // what the form is wider or taller, then takes the form to the movie (less 0.3 times the
    // width difference). Returns the new sizes.
    struct Sizes {
        float formWidth, formHeight, flashWidth, flashHeight;
    };
    static Sizes FitFlashToForm(Sizes s);

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    void SizeFlashToForm();
};

inline class frminfo frminfo;
