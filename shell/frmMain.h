#pragma once
// The main window. What stands here is what the other windows already lean on: its skin
// object, its movie, the frame that hosts the panels, its status bar and its role as the
// owner of every message box. Its start-up and shut-down come with the shell.
#include "components/flash/ShockwaveFlash.h"
#include "components/skin/Skin.h"
#include "ui/Controls.h"
#include "ui/Form.h"

class frmMain : public ui::Form {
public:
    frmMain();

    skin::Skin Skin;  // the main skin, loaded with the window
    movie::ShockwaveFlash flash{*this, "flash"};
    ui::Frame FrameMain{*this, "FrameMain"};  // panels are placed into it (SetFormSize)
    ui::StatusBar StatusBar1{*this, "StatusBar1", 3};

protected:
    void Form_Load() override;
    void ResetFormState() override;
};

inline class frmMain frmMain;
