// Shows one page of the System Guards window, or one of its dialogs, for a few seconds over a
// few planted items (a Run value, a Startup shortcut, a helper object, an installed program),
// then takes the items away and closes. Used by scripts/screenshot.
// Page 1 is shown with "Edit Startup Items" ticked; "startup-off" shows it without.
//   sysguards_demo.exe <page 0-4 | startup-off | addtask | save | load | proginfo> [seconds]
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/ErrorLog.h"
#include "core/Globals.h"
#include "guards/Bho.h"
#include "guards/GuardSwitches.h"
#include "guards/InstalledPrograms.h"
#include "guards/Places.h"
#include "shell/frmAddTask.h"
#include "shell/frmLoad.h"
#include "shell/frmMain.h"
#include "shell/frmSave.h"
#include "shell/frmSysGuards.h"
#include "ui/MessageLoop.h"

namespace {

const char kClsid[] = "{0D5E3C7A-9F41-4B8E-A1C2-3B4D5E6F7A81}";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void Plant(bool on) {
    const std::string bho = std::string(guards::kBhoKey) + "\\" + kClsid;
    const std::string cls = std::string("CLSID\\") + kClsid;
    const std::string prog = std::string(guards::kUninstallKey) + "CorvaneDemoProgram";
    if (!on) {
        guards::DeleteValueIfPresent(HKEY_CURRENT_USER, kRun, "Demo Updater");
        guards::DeleteKeyTree(HKEY_LOCAL_MACHINE, bho);
        guards::DeleteKeyTree(HKEY_CLASSES_ROOT, cls);
        guards::DeleteKeyTree(HKEY_LOCAL_MACHINE, prog);
        return;
    }
    auto sz = [](const std::string& s) { return guards::RawValue{REG_SZ, s + '\0'}; };
    guards::WriteRawValue(HKEY_CURRENT_USER, kRun, "Demo Updater",
                          sz("\"C:\\Program Files\\Demo\\update.exe\" /silent"));
    guards::WriteRawValue(HKEY_LOCAL_MACHINE, bho, "", sz("Demo Toolbar Helper"));
    guards::WriteRawValue(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "", sz("C:\\windows\\system32\\demo.dll"));
    guards::WriteRawValue(HKEY_LOCAL_MACHINE, prog, "DisplayName", sz("Demo Photo Editor 2.1"));
    guards::WriteRawValue(HKEY_LOCAL_MACHINE, prog, "UninstallString", sz("C:\\Program Files\\Demo\\uninst.exe"));
    guards::WriteRawValue(HKEY_LOCAL_MACHINE, prog, "Publisher", sz("Demo Imaging Ltd."));
}

// Stands in for the real-time guards, which the program's wiring connects.
struct DemoGuard : guards::GuardControl {
    bool running = false;
    bool Start() override { return running = true; }
    void Stop() override { running = false; }
    bool Running() const override { return running; }
} demoGuards[4];

void CALLBACK Quit(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    base::InstallErrorLog();
    const std::string what = __argc > 1 ? __argv[1] : "0";
    const int seconds = __argc > 2 ? std::atoi(__argv[2]) : 6;
    Plant(true);
    gb_startupGuard = gb_bhoGuard = gb_ieHijackGuard = gb_ieDefaultPageGuard = true;
    gb_ieDefaultHomePage = "http://www.example.com/";
    for (auto kind : {guards::GuardKind::Startup, guards::GuardKind::IEFavorites, guards::GuardKind::IEHijack,
                      guards::GuardKind::BHO})
        guards::SwitchOf(kind).Connect(&demoGuards[static_cast<int>(kind)]);
    frmMain.Load();
    frmSysGuards.Load();
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, Quit);
    if (what == "addtask" || what == "save" || what == "load") {
        if (what == "save" || what == "load") {
            guards::SaveBhoConfiguration("Work", frmSysGuards.bhoItems.Rows());
            guards::SaveBhoConfiguration("Home", frmSysGuards.bhoItems.Rows());
        }
        ui::Form& dialog = what == "addtask" ? static_cast<ui::Form&>(frmAddTask)
                           : what == "save"  ? static_cast<ui::Form&>(frmSave)
                                             : static_cast<ui::Form&>(frmLoad);
        if (what == "addtask") {
            frmAddTask.Load();
            frmAddTask.flash.SetVariable("_root.taskname", "Demo Reminder");
            frmAddTask.flash.SetVariable("_root.curLocation", "C:\\Program Files\\Demo\\remind.exe");
        }
        dialog.Show(ui::vbModal, &frmMain);
        if (what != "addtask") DeleteFileA(guards::BhoConfigFile().c_str());
    } else if (what == "proginfo") {
        for (size_t i = 0; i < frmSysGuards.addRemove.size(); ++i)
            if (frmSysGuards.addRemove[i].key == "CorvaneDemoProgram")
                frmSysGuards.flash.InjectCommand("IDC_FS_MOREINFO", std::to_string(i));
    } else {
        frmSysGuards.Show();
        frmSysGuards.chkStartupManual = what != "startup-off";
        frmSysGuards.chkStartupManual_Click();
        frmSysGuards.ShowTab(what == "startup-off" ? 1 : std::atoi(what.c_str()));
        frmSysGuards.flash.SelectListRow("SAG", 0);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    frmSysGuards.Unload();
    frmMain.Unload();
    Plant(false);
    return 0;
}
