#pragma once
// The notification-area icon of the main window. It owns a hidden window of its own, the target
// of the icon's mouse messages, and turns a button press on the icon into one click event. The
// icon is the only way back to a hidden main window, so it adds itself again when the shell
// restarts ("TaskbarCreated").
#include <windows.h>
// windows.h first
#include <shellapi.h>

#include <functional>
#include <string>

class Tray {
public:
    Tray();
    ~Tray();
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    // True: add the icon, or modify it when shown; false: delete it when shown.
    void Show(bool UpDateData);
    // True: the balloon tip on the icon (it neither adds the icon nor changes IsVisible).
    void showBalloonoolTip(bool UpDateData);

    HICON TrayImage() const { return icon_; }
    void SetTrayImage(HICON icon) { icon_ = icon; }
    const std::string& TrayBalloonToolTip() const { return balloon_; }
    void SetTrayBalloonToolTip(const std::string& text) { balloon_ = text; }
    const std::string& TrayToolTip() const { return tip_; }
    void SetTrayToolTip(const std::string& text) { tip_ = text; }
    long EventMode() const { return eventMode_; }
    // 0: LeftClick and RightClick; 1: MouseClick. Anything else is taken as the nearer of the two.
    void SetEventMode(long mode) { eventMode_ = mode > 1 ? 1 : mode < 0 ? 0 : mode; }
    bool IsVisible() const { return visible_; }
    HWND hwnd();

    std::function<void()> LeftClick;
    std::function<void()> RightClick;
    std::function<void(long button)> MouseClick;

    // What the shell sends to the control's window (tests feed it the same way).
    static constexpr UINT kCallbackMessage = WM_MOUSEMOVE;
    int ReAdds() const { return reAdds_; }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void Fill(NOTIFYICONDATAA& nid, UINT flags) const;
    void MouseMessage(UINT mouse);

    HWND wnd_ = nullptr;
    HICON icon_ = nullptr;
    bool visible_ = false;
    bool clickGuard_ = false;
    bool handled_ = false;
    DWORD returnedAt_ = 0;
    std::string tip_ = "Program notification";
    std::string balloon_ = "The Program Still Running Here";
    long eventMode_ = 0;
    UINT taskbarCreated_ = 0;
    int reAdds_ = 0;
};
