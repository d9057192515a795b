#pragma once
// What the guards need from the window side, which the main window implements: the hidden notify
// windows their watches report to, a deferred run of the checks, the message pump and the pop-up.
// The guards themselves hold no window.
#include <windows.h>

#include <string>

namespace monitors {

// The five notify windows, one per kind of place (the five Run keys share one).
enum class NotifyBox { StartupFolder, StartupRegistry, IEFavorite, IEHijack, BHO };
inline constexpr int kNotifyBoxCount = 5;

class GuardHost {
public:
    virtual ~GuardHost() = default;
    // The window Halvex sends the texts of this box's watches to (WM_SETTEXT on the calling thread).
    virtual HWND NotifyWindow(NotifyBox box) = 0;
    // Arrange for modMonitors::RunPendingChecks to run soon on this thread, after the notification
    // that asked has returned (a posted message or a zero timer).
    virtual void RequestChecks() = 0;
    // Dispatch the messages waiting for this thread (the checks yield between items).
    virtual void DoEvents() = 0;
    // The alert pop-up (frmPopup); the text is the guard name followed by " Alert".
    virtual void ShowGuardAlert(const std::string& text) = 0;
};

// The host the guards use; nullptr (the default) gives no windows, no pop-ups and checks that run
// at once. Returns the host it replaces.
GuardHost* SetGuardHost(GuardHost* host);
GuardHost* Host();

}  // namespace monitors
