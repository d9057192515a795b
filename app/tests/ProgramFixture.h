#pragma once
// The program brought up in the test's own process, as Corvane.exe wires it, over a program folder
// as the build assembles it and settings of its own.
#include <windows.h>

#include <string>

#include "app/Links.h"
#include "app/tests/ProgramTesting.h"
#include "base/Modal.h"
#include "base/ProgramFolder.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/StringCipher.h"
#include "guards/GuardSwitches.h"
#include "shell/frmMain.h"

namespace programtest {

// The program brought up in this process with the real links (and, when asked, the real guards);
// what it installed goes again with the object.
class InProcessProgram {
public:
    explicit InProcessProgram(bool guards = true, const std::string& commandLine = {}) : guards_(guards) {
        FillProgramFolder(pf);
        app::InstallLinks();
        if (guards_) app::InstallGuards();
        frmMain.RunsProgram = true;
        frmMain.CommandLine = commandLine;
        frmMain.Load();
    }
    ~InProcessProgram() {
        if (frmMain.Loaded()) {
            base::modal::ClearScript();
            base::modal::Expect("frmMsgBox", 1);
            frmMain.Unload();
        }
        MSG m;
        while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        if (guards_) app::RemoveGuards();
        app::RemoveLinks();
        modEncryption::ReleaseEncryption();
        frmMain.CommandLine.clear();
        gb_scanAborted = false;
    }
    // Closes it with OK at the question: true when it ended with every guard stopped.
    bool CloseWithOk() {
        base::modal::Expect("frmMsgBox", 1);
        const bool closed = frmMain.Unload();
        for (auto k : {guards::GuardKind::Startup, guards::GuardKind::IEFavorites, guards::GuardKind::IEHijack,
                       guards::GuardKind::BHO})
            if (guards::SwitchOf(k).Running()) return false;
        return closed;
    }
    InProcessProgram(const InProcessProgram&) = delete;
    InProcessProgram& operator=(const InProcessProgram&) = delete;

    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;

private:
    bool guards_;
};

}  // namespace programtest
