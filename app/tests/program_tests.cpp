// The program as it runs: the main window brought up with the real links and guards, and the real
// Corvane.exe taking a folder request from this process through its published parameter box. The
// program's guards watch (and the hijack guard restores) the prefix's shared places while it runs,
// hence the test's locks.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "app/Links.h"
#include "base/Handles.h"
#include "base/Modal.h"
#include "base/ProgramFolder.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/StringCipher.h"
#include "guards/GuardSwitches.h"
#include "guards/Places.h"
#include "monitors/GuardHost.h"
#include "monitors/modMonitors.h"
#include "shell/frmMain.h"
#include "shell/frmSysGuards.h"

namespace {

// A program folder with what Corvane reads at start-up.
void FillProgramFolder(const testing_support::ScopedProgramFolder& pf) {
    const std::string from = testing_support::ProgramDir() + "\\";
    for (const char* d : {"Skin", "Language"}) CreateDirectoryA((pf / d).c_str(), nullptr);
    for (const char* f : {"corvane.scw", "alerts.scw", "popup.scw", "Popupwin.scw", "Skin\\Corvane.skn",
                          "Language\\English.ini", "defs.dat", "Halvex.dll"})
        CopyFileA((from + f).c_str(), (pf / f).c_str(), FALSE);
}

TEST(ProgramTest, StartsWithTheRealLinksAsTheGuardsHostAndEndsOnOk) {
    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
    FillProgramFolder(pf);
    app::InstallLinks();
    app::InstallGuards();
    frmMain.RunsProgram = true;
    frmMain.Load();
    EXPECT_TRUE(frmMain.Visible());
    EXPECT_EQ(monitors::Host(), &frmMain);
    EXPECT_NE(modEncryption::Encryptor(), nullptr);
    // The language pack's caption with the version.
    char caption[128] = {};
    GetWindowTextA(frmMain.hWnd(), caption, sizeof caption);
    EXPECT_EQ(std::string(caption).substr(0, 7), "Corvane");
    EXPECT_NE(std::string(caption).find(" 2.2"), std::string::npos);

    base::modal::Expect("frmMsgBox", 1);
    EXPECT_TRUE(frmMain.Unload());
    for (auto k : {guards::GuardKind::Startup, guards::GuardKind::IEFavorites, guards::GuardKind::IEHijack,
                   guards::GuardKind::BHO})
        EXPECT_FALSE(guards::SwitchOf(k).Running());
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    app::RemoveGuards();
    app::RemoveLinks();
    modEncryption::ReleaseEncryption();
    gb_scanAborted = false;
}

// The System Guards window over the real guards (Halvex watching the prefix's places).
class SysGuardsProgram : public ::testing::Test {
protected:
    struct Switch {
        const char *command, *variable, *label;
        guards::GuardKind kind;
    };
    static constexpr Switch kSwitches[] = {
        {"IDC_FS_ENABLESTARTUPGUARD", "_root.EnableStartupGuard", "_root.GS_StartUpGuard", guards::GuardKind::Startup},
        {"IDC_FS_IEFAVORITESGUARD", "_root.IEFavoritesGuard", "_root.GS_IEFavoriteGuard",
         guards::GuardKind::IEFavorites},
        {"IDC_FS_IEHIJACKGUARD", "_root.IEHijackGuard", "_root.GS_IEHijackGuard", guards::GuardKind::IEHijack},
        {"IDC_FS_BHOGUARD", "_root.BHOGuard", "_root.GS_BHOGuard", guards::GuardKind::BHO}};

    void SetUp() override {
        FillProgramFolder(pf);
        ASSERT_TRUE(CopyFileA((testing_support::ProgramDir() + "\\SysGuards.scw").c_str(),
                              (pf / "SysGuards.scw").c_str(), FALSE));
        modMain::FillSpecialFolderGlobals("");
        app::InstallLinks();
        app::InstallGuards();
        AllOff();
        frmMain.Load();
        frmSysGuards.Load();
    }
    void TearDown() override {
        for (const auto& c : kSwitches) Set(c.variable, c.command, "0");
        frmSysGuards.Unload();
        frmMain.Unload();
        app::RemoveGuards();
        app::RemoveLinks();
        AllOff();
        gb_ieDefaultHomePage.clear();
    }
    static void AllOff() {
        gb_startupGuard = gb_ieFavoriteGuard = gb_ieHijackGuard = gb_bhoGuard = gb_ieDefaultPageGuard = false;
        gb_ieRestoreHomePageAutomatic = false;
    }
    // Sets the movie's variable as the face does and sends the command; the label it shows then.
    static std::string Set(const char* variable, const char* command, const char* value) {
        frmSysGuards.flash.SetVariable(variable, value);
        frmSysGuards.flash.InjectCommand(command);
        return frmSysGuards.flash.GetVariable(variable);
    }
    static std::string Tick(const Switch& c, const char* value) {
        Set(c.variable, c.command, value);
        return frmSysGuards.flash.GetVariable(c.label);
    }

    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
};

// Each switch starts and stops its guard. A start that fails (no Halvex.dll) shows Disabled,
// and the same tick starts the guard once the library is back.
TEST_F(SysGuardsProgram, EachSwitchStartsAndStopsItsRealGuard) {
    for (const auto& c : kSwitches) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(Tick(c, "-1"), "Enabled");
        EXPECT_TRUE(guards::SwitchOf(c.kind).Running());
        EXPECT_EQ(Tick(c, "0"), "Disabled");
        EXPECT_FALSE(guards::SwitchOf(c.kind).Running());
    }
    const std::string dll = pf / "Halvex.dll", away = pf / "Halvex.away";
    ASSERT_TRUE(MoveFileA(dll.c_str(), away.c_str()));
    for (const auto& c : kSwitches) {
        SCOPED_TRACE(std::string("without Halvex: ") + c.command);
        EXPECT_EQ(Tick(c, "-1"), "Disabled");
        EXPECT_FALSE(guards::SwitchOf(c.kind).Running());
    }
    ASSERT_TRUE(MoveFileA(away.c_str(), dll.c_str()));
    for (const auto& c : kSwitches) {
        SCOPED_TRACE(std::string("Halvex back: ") + c.command);
        EXPECT_EQ(Tick(c, "-1"), "Enabled");
        EXPECT_TRUE(guards::SwitchOf(c.kind).Running());
    }
}

// The home page typed and saved in the window is the one the hijack guard puts back.
TEST_F(SysGuardsProgram, TheSavedHomePageIsRestoredWhenSomethingChangesIt) {
    const char kStart[] = "Start Page";
    auto page = [&] {
        auto v = guards::ReadRawValue(HKEY_CURRENT_USER, modMonitors::kIEMainKey, kStart);
        return v ? guards::ValueText(*v) : std::string();
    };
    const auto before = guards::ReadRawValue(HKEY_CURRENT_USER, modMonitors::kIEMainKey, kStart);
    struct PutBack {
        std::optional<guards::RawValue> value;
        ~PutBack() {
            if (value)
                guards::WriteRawValue(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", *value);
            else
                guards::DeleteValueIfPresent(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page");
        }
    } putBack{before};
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, modMonitors::kIEMainKey, kStart,
                                      {REG_SZ, std::string("http://before.example/") + '\0'}));
    EXPECT_EQ(Tick(kSwitches[2], "-1"), "Enabled");
    Set("_root.IEHomePageGuard", "IDC_FS_IEHOMEPAGEGUARD", "-1");
    Set("_root.AddItToAlertSection", "IDC_FS_ADDITTOALERTSECTION", "0");  // restore without asking
    frmSysGuards.flash.SetVariable("_root.textOFRadioButton", "http://protected.example/");
    base::modal::Expect("frmMsgBox", 1);
    frmSysGuards.flash.InjectCommand("IDC_FS_SAVEHOMEPAGE");
    EXPECT_EQ(gb_ieDefaultHomePage, "http://protected.example/");

    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, modMonitors::kIEMainKey, kStart,
                                      {REG_SZ, std::string("http://hijacker.example/") + '\0'}));
    const DWORD until = GetTickCount() + 5000;
    while (page() != "http://protected.example/" && GetTickCount() < until) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(10);
    }
    EXPECT_EQ(page(), "http://protected.example/");
}

TEST(ProgramTest, CorvaneExeTakesAFolderRequestFromAnotherProcess) {
    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
    FillProgramFolder(pf);
    SetEnvironmentVariableA(base::kProgramFolderEnv, pf.path().c_str());
    SetEnvironmentVariableA(settings::kRootEnv, store.root().c_str());
    std::string cmd = "\"" + testing_support::ProgramDir() + "\\Corvane.exe\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(base::kProgramFolderEnv, nullptr);
    SetEnvironmentVariableA(settings::kRootEnv, nullptr);
    ASSERT_TRUE(started);
    base::Handle process(pi.hProcess), thread(pi.hThread);

    // The running program publishes its parameter box in the settings.
    HWND box = nullptr;
    for (int i = 0; i < 200 && box == nullptr; ++i) {
        const std::string h = settings::GetSetting("txtHandle", "txtPramaterInfoEnvenHandeler");
        if (!h.empty() && h != "-1") box = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::stoull(h)));
        if (box == nullptr) Sleep(50);
    }
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(IsWindow(box));
    const char* request = "ScanFolder|C:\\CorvaneNoSuchFolder";
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(request));
    // The request ran in the program's change handler, which empties the box when it is done.
    char text[256] = "unread";
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "");

    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
}

}  // namespace
