#pragma once
// Removal of the checked findings of the results list, kind by kind, with the registry deletion
// script handed to the registry editor afterwards.
//
// Only checked rows are acted on. A row whose finding is gone afterwards leaves the list and is
// counted; a row whose finding stays (or whose action failed or could not be made out) stays in
// the list, unchecked, and the run reports it. A process is ended only when the process now
// running under the row's id is the program the row names (its full image path).
#include <windows.h>

#include <functional>
#include <string>

#include "results/FindingList.h"

namespace results {

// What a removal shows while it runs; the results window implements it.
class RemovalView {
public:
    virtual ~RemovalView() = default;
    virtual void ShowProgress(long /*progress*/) {}  // "_root.progressValue"
    virtual void PumpMessages() {}
    virtual void SetHourglass(bool /*on*/) {}
    virtual void WarnNotRemoved(const std::string& /*text*/) {}
};

// The removal primitives, one per action. The defaults are the core's real ones; tests replace
// single entries to make an action fail.
struct RemovalActions {
    std::function<bool(DWORD processId, const std::string& imagePath)> endProcess;
    std::function<bool(const std::string& file)> deleteFile;  // files and cookies
    std::function<bool(const std::string& folder)> deleteFolder;
    std::function<bool(HKEY root, const std::string& keyPath)> deleteKey;  // true: the key is gone
    std::function<bool(HKEY root, const std::string& keyPath, const std::string& value)> deleteValue;
    std::function<bool(HKEY root, const std::string& keyPath, const std::string& value, const std::string& text)>
        setString;
    std::function<bool(const std::string& host, const std::string& ip)> deleteHostsEntry;
    // After a malware file is removed: on Windows 95, 98 and Me, win.ini's Load= and Run= start
    // programs too, and an entry that is exactly the file is cleared.
    std::function<void(const std::string& file)> clearWinIniStart;
};
RemovalActions DefaultRemovalActions();

// The win.ini clean-up of a removed file (RemovalActions::clearWinIniStart): on the 95/98/Me
// family, each of [windows] Load= and Run= in <Windows>\win.ini that equals `file` (ignoring
// case) is set empty and the clearing is logged; on the NT family nothing is touched.
void ClearWinIniStartEntries(const std::string& file);

// Ends the process when the image of the process running under `processId` is `imagePath`
// (a full path, compared ignoring case). False when it is another program, gone, or survives.
bool EndProcessByImage(DWORD processId, const std::string& imagePath);

// The root of a full registry path "<root name>\<key path>" (the four roots the scan records,
// names exact); null for any other text. `keyPath` gets the text after the first "\".
HKEY RootOfRegistryPath(const std::string& fullPath, std::string& keyPath);

// The registry editor run: the command line, started and waited for. True when it ran and
// ended. Tests replace it; an empty runner puts back the real one.
using RegEditRunner = std::function<bool(const std::string& commandLine)>;
void SetRegEditRunner(RegEditRunner runner);
bool RunRegEditAndWait(const std::string& commandLine);

// The text of the registry deletion script for the checked "Malware RegKey" rows (kind
// compared ignoring case) whose key opens now: "REGEDIT4", then per key an empty line,
// "[-<full path>]" and an empty line, each ended by CR LF.
std::string RegistryDeleteScript(const FindingList& list);
// Writes the script to a new file of its own in gb_tempFolder (a name no other file has, made
// afresh), and returns its path; "" on failure (logged under CreateRegistryDeleteFile).
std::string CreateRegistryDeleteFile(const FindingList& list);
// "<Windows folder>\regedit.exe /s "<short path>"" for the script.
std::string RegEditCommand(const std::string& scriptPath);
// Imports the script with the registry editor, waits for it, then deletes the script. False
// (logged under launchRegEditDelete) when the editor could not be run.
bool launchRegEditDelete(const std::string& scriptPath);

// RemoveSelectedSpy: the whole run, as the results window's Delete action and the automatic
// removal after a scan start it. Sets the result counters and gb_totalSpywareFound, raises
// gb_removalFailed for what stayed, adds the removed total to the statistics once, and shows
// the warning (unless gb_autoRemove) when something could not be removed.
void RemoveSelectedSpy(FindingList& list, RemovalView& view, const RemovalActions& actions = DefaultRemovalActions());

}  // namespace results
