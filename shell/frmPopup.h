#pragma once
// The guard alert pop-up: a small top-most window without caption that slides up out of the
// bottom-right corner of the screen, shows the alert in its movie (Popupwin.scw) for a few seconds
// and slides down again. Only one exists at a time; a new alert replaces the one on screen.
#include <functional>
#include <string>

#include "components/flash/ShockwaveFlash.h"
#include "ui/Controls.h"
#include "ui/Form.h"

// Pop-ups shown since the count was last reset (by the latest one closing by itself).
inline short gb_popupCount = 0;

// Where a pop-up starts, in twips: flush with the right edge, its bottom at the bottom of the usable
// screen, 90 twips high. Every pop-up takes the bottom place: only one is on screen at a time.
struct PopupPlacement {
    long left, top, width, height;
};
PopupPlacement PopupStart(long screenWidthPx, long screenHeightPx, long twipsPerPixelX, long twipsPerPixelY,
                          long pictureWidth, long pictureHeight, long frameWidth, long frameHeight);

class frmPopup : public ui::Form {
public:
    frmPopup();

    movie::ShockwaveFlash flash{*this, "flash"};
    ui::Frame picBackground{*this, "picBackground"};  // its size is the open size
    ui::Label lblAlert{*this, "lblAlert", &picBackground};
    ui::Timer tmrOpen{*this, "tmrOpen"};
    ui::Timer tmrAlert{*this, "tmrAlert"};
    ui::Timer tmrClose{*this, "tmrClose"};

    void DisplayAlert(const std::string& MessageText, long Duration, ui::Form* owner);
    short Sequence() const { return sequence_; }

    // The timers' events, also what tests step through.
    void tmrOpen_Timer();
    void tmrAlert_Timer();
    void tmrClose_Timer();
    void flash_FSCommand(const std::string& command, const std::string& args);
    // The movie's "show alert": the alerts page opens (the program's links connect it).
    std::function<void()> ShowAlerts;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    long FullHeight() const;  // twips
    short sequence_ = 0;
    long frameWidth_ = 0, frameHeight_ = 0;
    HWND flashWindow_ = nullptr;
};

inline class frmPopup frmPopup;
