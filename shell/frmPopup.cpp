#include "shell/frmPopup.h"

#include <algorithm>

#include "base/MsgBox.h"
#include "base/Text.h"
#include "core/modMain.h"
#include "shell/CursorPosition.h"
#include "shell/FormLanguage.h"
#include "ui/MessageLoop.h"

namespace {
constexpr long kPictureWidth = 3150;   // twips
constexpr long kPictureHeight = 1620;  // twips
constexpr long kStartHeight = 90;
constexpr long kStep = 30;
constexpr long kClosedHeight = 120;
}  // namespace

PopupPlacement PopupStart(long screenWidthPx, long screenHeightPx, long tppX, long tppY, long pictureWidth,
                          long pictureHeight, long frameWidth, long frameHeight) {
    PopupPlacement p{};
    p.height = kStartHeight;
    p.width = pictureWidth + frameWidth;
    p.left = tppX * screenWidthPx - p.width;
    p.top = tppY * screenHeightPx + 300;
    (void)pictureHeight;
    (void)frameHeight;
    return p;
}

frmPopup::frmPopup() : ui::Form("frmPopup") {
    SetCaption("");
    SetBorderStyle(ui::BorderStyle::None);
    SetStartUpPosition(ui::StartUpPosition::Manual);
    Move(0, 0, kPictureWidth, kPictureHeight);
    picBackground.SetBorder(false);
    picBackground.SetVisible(false);  // its size is the open size; the movie is the face
    picBackground.Move(0, 0, kPictureWidth / 15, kPictureHeight / 15);
    lblAlert.SetCaption("Alert Message");
    lblAlert.Move(8, 40, 190, 30);
    flash.Move(0, 0, kPictureWidth / 15, kPictureHeight / 15);
    tmrOpen.SetInterval(10);
    tmrOpen.SetEnabled(false);
    tmrAlert.SetInterval(5000);
    tmrAlert.SetEnabled(false);
    tmrClose.SetInterval(10);
    tmrClose.SetEnabled(false);
    tmrOpen.OnTimer = [this] { tmrOpen_Timer(); };
    tmrAlert.OnTimer = [this] { tmrAlert_Timer(); };
    tmrClose.OnTimer = [this] { tmrClose_Timer(); };
    flash.FSCommand = [this](const std::string& c, const std::string& a) { flash_FSCommand(c, a); };
}

void frmPopup::Form_Load() {
    formLanguage::setTopMost(*this, true);
    SetWindowLongPtrA(hWnd(), GWL_EXSTYLE, GetWindowLongPtrA(hWnd(), GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    flash.LoadMovie(0, modMain::FullPath_With_Filename("Popupwin.scw"));
    flash.ZOrder(0);
    flashWindow_ = CursorPosition::FindFlashPlayerWindow(hWnd());
    if (flashWindow_) CursorPosition::HookFlashMenu8(flashWindow_, true);
}

void frmPopup::Form_Unload(int&) {
    if (flashWindow_) CursorPosition::HookFlashMenu8(flashWindow_, false);
}

void frmPopup::ResetFormState() {
    sequence_ = 0;
    frameWidth_ = frameHeight_ = 0;
    flashWindow_ = nullptr;
}

long frmPopup::FullHeight() const { return kPictureHeight + frameHeight_; }

void frmPopup::DisplayAlert(const std::string& MessageText, long Duration, ui::Form* owner) {
    if (!Loaded()) Load();
    // The count stops at its largest value instead of failing every later pop-up.
    if (gb_popupCount < 32767) ++gb_popupCount;
    sequence_ = gb_popupCount;
    lblAlert.SetCaption(MessageText);
    flash.SetVariable("_root.Message", lblAlert.Caption());
    tmrAlert.SetInterval(Duration);
    const long screenW = GetSystemMetrics(SM_CXFULLSCREEN), screenH = GetSystemMetrics(SM_CYFULLSCREEN);
    RECT outer{}, inner{};
    GetWindowRect(hWnd(), &outer);
    GetClientRect(hWnd(), &inner);
    const long tx = ui::TwipsPerPixelX(), ty = ui::TwipsPerPixelY();
    frameWidth_ = ((outer.right - outer.left) - inner.right) * tx;
    frameHeight_ = ((outer.bottom - outer.top) - inner.bottom) * ty;
    PopupPlacement p = PopupStart(screenW, screenH, tx, ty, kPictureWidth, kPictureHeight, frameWidth_, frameHeight_);
    // The full-screen height need not end above the task bar (nor on the screen): keep the bottom edge
    // on the work area.
    RECT work{};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && p.top + p.height > work.bottom * ty)
        p.top = work.bottom * ty - p.height;
    Move(p.left, p.top, p.width, p.height);  // it grows upwards from there, its bottom edge staying
    Show(ui::vbModeless, owner);
    tmrOpen.SetEnabled(true);
}

void frmPopup::tmrOpen_Timer() {
    const long full = FullHeight();
    const long h = Height();
    if (full <= h) {
        tmrOpen.SetEnabled(false);
        tmrAlert.SetEnabled(true);
        return;
    }
    const long grown = std::min(h + kStep, full);
    Move(Left(), Top() - (grown - h), Width(), grown);
}

void frmPopup::tmrAlert_Timer() {
    tmrAlert.SetEnabled(false);
    tmrClose.SetEnabled(true);
}

void frmPopup::tmrClose_Timer() {
    const long h = Height();
    if (h <= kClosedHeight) {
        if (gb_popupCount == sequence_) gb_popupCount = 0;
        Unload();
        return;
    }
    Move(Left(), Top() + kStep, Width(), h - kStep);
}

void frmPopup::flash_FSCommand(const std::string& command, const std::string&) {
    if (base::UCase(command) == "IDC_FS_SHOWALERT") {
        if (ShowAlerts) ShowAlerts();
        return;
    }
    base::MsgBox(command, MB_OK);
}
