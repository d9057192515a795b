#pragma once
// How the context menu reaches Corvane: the parameter box the running program publishes in its
// settings, the folder-scan request it takes there or on its command line, and the program in the
// folder this library lives in.
#include <windows.h>

#include <string>
#include <vector>

namespace cm {

// The published text ("" when there is none). The settings live where the program's store keeps
// them: HKEY_CURRENT_USER\<root>\Corvane\<section>, the root "Software" or, for tests, the
// environment variable CORVANE_SETTINGS_ROOT.
std::string PublishedBoxSetting();
// The window a published text names: decimal digits only, and a window that exists; else nullptr.
HWND ParseBox(const std::string& text);
// The running program's parameter box, or nullptr when no program runs.
HWND PublishedParameterBox();

// "ScanFolder|<folder>|<folder>...".
std::string FolderRequest(const std::vector<std::string>& folders);

// Puts the request into the box. The program runs the scan inside its change handler, so the
// sender does not wait for it: a handler still busy after a short while has taken the request.
bool HandToBox(HWND box, const std::string& request);

// Starts "<folder>\Corvane.exe" <request>. A request too long for a command line goes through the
// box once the started program has published it (waits a bounded time).
bool StartProgram(const std::string& folder, const std::string& request);

// Hands the request to the running program, or starts one with it.
bool Deliver(const std::string& programFolder, const std::string& request);

}  // namespace cm
