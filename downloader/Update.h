#pragma once
// The update procedure of the download window and the program-version check, window-free:
// they talk to the window through UpdateWindow.
#include <cstdint>
#include <functional>
#include <string>

#include "downloader/Fetch.h"
#include "downloader/Transfer.h"

namespace downloader {

// The update server; every address is "http://" + host + a path below "/updates/".
inline constexpr const char* kDefaultUpdateHost = "update.corvane.example";
inline constexpr const char* kDownloadPage = "http://www.corvane.example/download.htm";

struct UpdateSite {
    std::string host = kDefaultUpdateHost;  // may carry ":port"
    Proxy proxy;
    int fetchTimeoutMs = 15000;
    std::string Address(const std::string& path) const { return "http://" + host + path; }
};

// What the procedure needs of the window.
class UpdateWindow {
public:
    virtual ~UpdateWindow() = default;
    virtual std::string Message(const std::string& id, const std::string& defaultText) = 0;  // getMessage
    virtual void ShowMessage(const std::string& text) = 0;  // the skinned box, titled "Corvane"
    virtual void HideWindow() = 0;
    virtual void DisableStart() = 0;
    virtual void EnableStart() = 0;         // the user may try again
    virtual void Pump() = 0;                // DoEvents between the transfer's steps
    virtual void DefinitionsInstalled() {}  // the home panel shows the new update date
};

enum class UpdateResult { NoConnection, Latest, DownloadFailed, Refused, InstallFailed, Installed, Trapped };

// Why a verified download is refused.
enum : long {
    errOlderDefinitions = 30013,        // its update number is below the installed one
    errUnannouncedDefinitions = 30014,  // its update number is not the one the server announced
    errDownloadFailed = 30015,          // a file of the update could not be downloaded
};

// A download of the update may hold 16 times the installed definitions, and never less than this.
inline constexpr std::uint64_t kMinDownloadBound = 32ull << 20;

// The text of message 1114, "#" already turned into line breaks.
std::string NoConnectionText(UpdateWindow& w, const std::string& host);

// cmdStartUpdate_Click: version check, the two downloads on `transfer`, then the install of a
// complete, intact and correctly signed defs.dat in one move, when it carries the announced
// update number and is not older than the installed one. The installed files stay
// byte-identical on every other end.
UpdateResult RunUpdate(Transfer& transfer, UpdateWindow& w, const UpdateSite& site);

// "1.2.0.15" for version 1.2, revision 15.
std::string RunningVersionText(int major, int minor, int revision);
// CheckNewVerAvailable: true when the server names another program version (the user is told
// and the download page is handed to `openPage`).
bool CheckNewVerAvailable(const UpdateSite& site, const std::string& runningVersion, UpdateWindow& w,
                          const std::function<void(const std::string&)>& openPage);

}  // namespace downloader
