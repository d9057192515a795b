#pragma once
// Backups of checked findings and the list of backups under the backup root: back up, list,
// age out, restore and delete. Each backup is the folder "<root>\<name>" holding one archive
// (components/backup).
//
// A backup name is one folder name: besides "/", ":" and blanks, every character a folder name
// cannot hold (and "\") becomes "-", and a name made only of dots is refused. An existing folder
// is never reused: the name gets "-", then "-2", "-3" ... until one is free.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "components/backup/Archive.h"
#include "results/FindingList.h"

namespace results {

inline constexpr const char* kBackupPassPhrase = "qwvlmtrhzkbnoxpcaeyu48207gtkwzrvblxe";

// What the backup needs from the user; the results window and the backup-name dialog implement it.
class BackupView {
public:
    virtual ~BackupView() = default;
    // The name typed and confirmed; none when the user called the backup off.
    virtual std::optional<std::string> AskBackupName() = 0;
    virtual void PumpMessages() {}
    virtual void SetHourglass(bool /*on*/) {}
    virtual void ShowMessage(const std::string& /*text*/) {}
};

// The name rules: the typed text, or the date and time ("<short date>_<long time>") when it is
// empty; then the replacements. Empty when nothing usable is left.
std::string BackupNameFrom(const std::string& typed, const SYSTEMTIME& now);
// The first of name, name-, name-2, name-3 ... that names no entry under the root; empty when
// a hundred tries found none.
std::string FreeBackupName(const std::string& root, const std::string& name);
// What to back up for the checked rows: files, folders and cookies by path, every registry row's
// whole key (its tool tip), the hosts file once for any hosts row; processes add nothing.
backup::Selection SelectionOfChecked(const FindingList& list, const std::string& hostsFile);

// BackupSelectedSpy: asks the name, makes the folder, writes the archive, and tells the user
// whether the backup was made. Returns the folder written, or none (called off or failed; a
// failure is logged under BackupSelectedSpy and leaves no folder behind).
std::optional<std::string> BackupSelectedSpy(const FindingList& list, BackupView& view, const std::string& root,
                                             const std::string& hostsFile);

struct BackupRow {
    std::string dateText;  // the folder's last change, as the general date text
    std::string name;
};

// FillBackupList: the backup folders directly under the root, oldest listing order as the file
// system gives it. With ageOut, folders whose date is `days` or more days before `today` are
// deleted with everything in them and not listed. Plain files in the root are neither listed
// nor deleted. Throws base::RuntimeError when an aged backup cannot be deleted (rows so far in
// `rows`).
void FillBackupList(const std::string& root, bool ageOut, int days, const SYSTEMTIME& today,
                    std::vector<BackupRow>& rows);
// "_root.BackupString": date text and name of each row, each followed by "|".
std::string BackupListString(const std::vector<BackupRow>& rows);

// Deletes the backup's folder with everything in it. Throws base::RuntimeError (a name that is
// not one folder name under the root is refused, nothing deleted).
void DeleteBackup(const std::string& root, const std::string& name);

// Restores the named backup, answering yes to every key it replaces. Throws base::RuntimeError.
void RestoreBackup(const std::string& root, const std::string& name);

// True for a name that is one plain folder name (no separators, not "." or "..").
bool IsPlainFolderName(const std::string& name);

}  // namespace results
