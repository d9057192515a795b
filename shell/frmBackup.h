#pragma once
// The backups panel: the backups under the backup root, restored or deleted on request, old
// ones aged out when that option is on. Placed in the main window's frame; its list also goes to
// the main movie.
#include <string>
#include <vector>

#include "results/Backups.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ListView.h"

class frmBackup : public ui::Form {
public:
    frmBackup();

    ui::Frame FrameBackupList{*this, "FrameBackupList"};
    ui::ListView BackupList;
    ui::Frame FrameButton{*this, "FrameButton"};
    ui::CommandButton cmdRestore{*this, "cmdRestore", &FrameButton};
    ui::CommandButton cmdClean{*this, "cmdClean", &FrameButton};

    void FillBackupList();
    void addBackupListInFlash();
    void RestoreBackup(const std::string& index);
    void DeleteBackup(const std::string& index);
    void cmdClean_Click();
    void cmdRestore_Click();

    static std::string BackupRoot();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;
    void ResetFormState() override;

private:
    bool SelectByIndex(const std::string& index);
    base::ListItems rows_;
    std::vector<results::BackupRow> backups_;
};

inline class frmBackup frmBackup;
