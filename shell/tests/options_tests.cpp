// The options window, the options page's variables and the password dialog, over a scratch
// settings root, a scratch program folder and the real Run key (put back afterwards).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/Wiring.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/StringCipher.h"
#include "shell/OptionTable.h"
#include "shell/frmEnterPassword.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmMsgBox.h"
#include "shell/frmOptions.h"
#include "shell/tests/RunValue.h"

namespace {

using base::modal::Step;

using shelltest::RunValue;
using shelltest::SetRunValue;

// Every option at its default as the settings load sets it.
void Defaults() {
    gb_contextMenu = gb_deleteAfterReboot = gb_markChecked = gb_showPopup = gb_playSounds = true;
    gb_spywareAdware = gb_keyLoggers = gb_scanBHO = gb_trojans = gb_dialers = gb_allCookies = true;
    gb_scanRestoreFolder = gb_scanAllUserAccounts = gb_useSplash = true;
    gb_autoRemove = gb_enablePassword = gb_delBckAfterDys = gb_advancedScanning = false;
    gb_deleteBackupAfterRestore = gb_skipNonExeFiles = gb_runStartup = gb_useDelayedStartup = false;
    gb_autoCheckForUpdate = gb_useProxy = gb_runCustomSched = gb_useGridlines = false;
    gb_snapWinBorder = gb_rememWinPos = false;
    gb_numberDays = 10;
    gb_proxServer = gb_proxPort = gb_proxID = gb_proxPass = "";
    gb_scheduleType = gb_dayTime = gb_minuteValue = gb_hourValue = gb_dayName = gb_monthDate = "";
    gb_passwordAccepted = false;
}

class OptionsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        frmOptions.ShowHome = [] { frmMain.showScanNow(); };  // as the program's links connect it
        run_ = RunValue();
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        for (const char* f : {"popup.scw", "alerts.scw", "corvane.scw", "Skin\\Corvane.skn"})
            ASSERT_TRUE(CopyFileA((from + "\\" + f).c_str(), (folder / f).c_str(), FALSE)) << f;
        Defaults();
        gb_contextMenuDll = folder / "CorvaneShell.dll";
        gb_scanLogFile = folder / "logs\\ScanLog10-12-26_1.log";
        modEncryption::LoadEncryption();
        frmOptions.launcher = [this](const std::string& line) { launched.push_back(line); };
        frmMain.Load();
    }
    void TearDown() override {
        frmOptions.ShowHome = nullptr;
        for (ui::Form* f :
             std::initializer_list<ui::Form*>{&frmOptions, &frmEnterPassword, &frmMsgBox, &frmMenu, &frmMain})
            f->Unload();
        frmOptions.launcher = {};
        modEncryption::ReleaseEncryption();
        SetRunValue(run_);
        Defaults();
        base::modal::ClearScript();
    }
    std::string Quoted(const std::string& name) const { return "\"" + (folder / name) + "\""; }

    testing_support::ScopedProgramFolder folder;
    core_test::ScopedSettingsRoot settingsRoot;
    std::optional<std::string> run_;
    std::vector<std::string> launched;
};

TEST_F(OptionsWindow, TheRunValueFollowsBothStartUpOptionsWithTheProgramPathQuoted) {
    SetRunValue("written by hand");
    frmOptions.Load();
    EXPECT_EQ(RunValue(), std::nullopt) << "a load with both options off removes the value";
    struct Row {
        int scan, delayed;
        std::optional<std::string> value;
    };
    const Row rows[] = {
        {1, 0, Quoted("Corvane.exe") + " /STARTUP"},
        {0, 1, Quoted("Tessiv.exe")},
        {1, 1, Quoted("Tessiv.exe") + " /STARTUP"},
        {0, 0, std::nullopt},
    };
    for (const Row& r : rows) {
        frmOptions.chkScanStartup.SetValue(r.scan);
        frmOptions.chkUseDelayedStartup.SetValue(r.delayed);
        EXPECT_EQ(RunValue(), r.value) << r.scan << r.delayed;
        EXPECT_EQ(gb_runStartup, r.scan == 1);
        EXPECT_EQ(gb_useDelayedStartup, r.delayed == 1);
    }
}

// The start-up pair as the options page saves it: each of the four combinations saved, the
// settings loaded again as at the next start, the page opened again and shown, and the Run value
// each one leaves, also after the reopened window rewrote it.
TEST_F(OptionsWindow, EachStartUpPairSurvivesSaveAndReopenWithItsRunValue) {
    struct Row {
        bool scan, delayed;
        std::optional<std::string> value;
    };
    const Row rows[] = {
        {true, true, Quoted("Tessiv.exe") + " /STARTUP"},
        {false, true, Quoted("Tessiv.exe")},
        {true, false, Quoted("Corvane.exe") + " /STARTUP"},
        {false, false, std::nullopt},
    };
    auto text = [](bool b) { return std::string(b ? "-1" : "0"); };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("scan ") + text(r.scan) + ", delayed " + text(r.delayed));
        frmMain.flash.InjectCommand("IDC_FS_OPTIONS");
        frmMain.flash.SetVariable("_root.Options_SO_SWS", text(r.scan));
        frmMain.flash.SetVariable("_root.Options_SO_UDS", text(r.delayed));
        frmMain.flash.InjectCommand("IDC_FS_SAVESETTINGS");
        EXPECT_EQ(RunValue(), r.value);
        EXPECT_EQ(settings::GetSetting("RunStartup", "RunStartup"), r.scan ? "True" : "False");
        EXPECT_EQ(settings::GetSetting("AutoCheckForUpdate", "UseDelayedStartup"), r.delayed ? "True" : "False");

        Defaults();
        modMain::loadFormMainSettings();
        EXPECT_EQ(gb_runStartup, r.scan);
        EXPECT_EQ(gb_useDelayedStartup, r.delayed);
        frmMain.flash.InjectCommand("IDC_FS_OPTIONS");
        EXPECT_EQ(frmMain.flash.GetVariable("_root.Options_SO_SWS"), text(r.scan));
        EXPECT_EQ(frmMain.flash.GetVariable("_root.Options_SO_UDS"), text(r.delayed));
        EXPECT_EQ(frmOptions.chkScanStartup.Value(), r.scan ? 1 : 0);
        EXPECT_EQ(frmOptions.chkUseDelayedStartup.Value(), r.delayed ? 1 : 0);
        EXPECT_EQ(RunValue(), r.value) << "the reopened window rewrote the value";
        frmOptions.Unload();
    }
}

// Leaving the options (the save command unloads the window) puts the home panel and the movie's
// home page back.
TEST_F(OptionsWindow, UnloadingPutsTheHomePanelBack) {
    frmMain.flash.LoadMovie(0, folder / "corvane.scw");
    frmMain.flash.InjectCommand("IDC_FS_OPTIONS");
    ASSERT_TRUE(frmOptions.Loaded());
    ASSERT_EQ(frmMain.flash.CurrentFrame(), frmMain::Options);
    frmOptions.Unload();
    EXPECT_EQ(frmMain.flash.CurrentFrame(), frmMain::Home);
    EXPECT_TRUE(frmMenu.Loaded());
}

TEST_F(OptionsWindow, LoadingShowsTheGlobalsAndRegistersTheContextMenuLibrary) {
    gb_osName = "Windows XP";  // elsewhere the restore-folder box clears itself again
    gb_scanRestoreFolder = false;
    gb_useSplash = false;
    gb_numberDays = 25;
    gb_backupPath = folder / "BackUp";
    frmOptions.Load();
    EXPECT_EQ(frmOptions.ChkMarkRef.Value(), 1);
    EXPECT_EQ(frmOptions.ChkAutoRemove.Value(), 0);
    EXPECT_EQ(frmOptions.chkScanRestor.Value(), 1) << "inverted: the box means do not scan";
    EXPECT_EQ(frmOptions.chkSplashScreen.Value(), 1) << "inverted: the box disables the splash";
    EXPECT_EQ(frmOptions.txtDays.Text(), "25");
    EXPECT_FALSE(frmOptions.txtDays.Enabled()) << "the age field follows its box";
    EXPECT_FALSE(frmOptions.txtProxServer.Enabled());
    EXPECT_EQ(frmOptions.txtLogfiles.Text(), folder / "logs");
    EXPECT_EQ(frmOptions.txtBackup.Text(), folder / "BackUp");
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], "regsvr32.exe /s \"" + gb_contextMenuDll + "\"");
    frmOptions.chkContextMenu.SetValue(0);
    EXPECT_FALSE(gb_contextMenu);
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[1], "regsvr32.exe /s /u  \"" + gb_contextMenuDll + "\"");
}

// The option as it runs for real: regsvr32 started on the program folder's cm.dll registers the
// Explorer context menu for folders and drives, and clearing the box takes every key away again.
TEST_F(OptionsWindow, TheContextMenuOptionRegistersAndUnregistersTheProgramFoldersLibrary) {
    const std::string clsid = "{5ABC51FF-E188-41E2-ACEA-3566352EB780}";
    const std::string keys[] = {"CLSID\\" + clsid + "\\InprocServer32",
                                "Directory\\shellex\\ContextMenuHandlers\\Corvane",
                                "Drive\\shellex\\ContextMenuHandlers\\Corvane"};
    auto registered = [&](bool wanted) {
        for (int waited = 0; waited < 30000; waited += 100) {
            int present = 0;
            for (const std::string& k : keys) {
                HKEY key = nullptr;
                if (RegOpenKeyExA(HKEY_CLASSES_ROOT, k.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
                    ++present;
                    RegCloseKey(key);
                }
            }
            if (present == (wanted ? 3 : 0)) return true;
            Sleep(100);
        }
        return false;
    };
    frmOptions.launcher = {};
    gb_contextMenuDll = testing_support::ProgramDir() + "\\cm.dll";
    frmOptions.Load();  // the option is on: the load registers
    ASSERT_TRUE(registered(true)) << "regsvr32 /s did not register " << gb_contextMenuDll;
    char server[MAX_PATH] = {};
    DWORD size = sizeof server;
    RegGetValueA(HKEY_CLASSES_ROOT, keys[0].c_str(), nullptr, RRF_RT_REG_SZ, nullptr, server, &size);
    EXPECT_STREQ(server, gb_contextMenuDll.c_str());
    frmOptions.chkContextMenu.SetValue(0);
    EXPECT_TRUE(registered(false)) << "regsvr32 /s /u left keys behind";
    EXPECT_FALSE(gb_contextMenu);
}

// The days field's arrows (and the arrow keys in the field) step its number within 1 to 60, and
// Proceed takes what they left.
TEST_F(OptionsWindow, TheDaysArrowsStepTheBackupAgeWithinItsRange) {
    gb_delBckAfterDys = true;
    struct Step {
        const char* start;
        WORD key;
        int presses;
        const char* shown;
    };
    for (const Step& s : {Step{"10", VK_UP, 1, "11"}, Step{"10", VK_DOWN, 2, "8"}, Step{"59", VK_UP, 3, "60"},
                          Step{"2", VK_DOWN, 4, "1"}}) {
        frmOptions.Load();
        EXPECT_TRUE(frmOptions.udDays.Enabled()) << "the arrows follow the age box";
        frmOptions.txtDays.SetText(s.start);
        for (int i = 0; i < s.presses; ++i) {
            SendMessageA(frmOptions.txtDays.hWnd(), WM_KEYDOWN, s.key, 0);
            SendMessageA(frmOptions.txtDays.hWnd(), WM_KEYUP, s.key, 0);
        }
        EXPECT_EQ(frmOptions.txtDays.Text(), s.shown) << s.start << " " << s.presses;
        frmOptions.Unload();
    }
    frmOptions.Load();
    frmOptions.chkDelBckupAfter.SetValue(0);
    EXPECT_FALSE(frmOptions.udDays.Enabled());
}

TEST_F(OptionsWindow, ClickActionsChangeTheirGlobalsAtOnce) {
    frmOptions.Load();
    struct Row {
        ui::CheckBox* box;
        bool* global;
        bool whenChecked;
    };
    const Row rows[] = {
        {&frmOptions.chkShowPopups, &gb_showPopup, true},      {&frmOptions.chkRemWinPos, &gb_rememWinPos, true},
        {&frmOptions.chkUseGridLines, &gb_useGridlines, true}, {&frmOptions.chkSnapToDesktop, &gb_snapWinBorder, true},
        {&frmOptions.chkSplashScreen, &gb_useSplash, false},   {&frmOptions.chkUseProxy, &gb_useProxy, true},
    };
    for (const Row& r : rows) {
        r.box->SetValue(1);
        EXPECT_EQ(*r.global, r.whenChecked) << r.box->Name();
        r.box->SetValue(0);
        EXPECT_EQ(*r.global, !r.whenChecked) << r.box->Name();
    }
    for (const char* os : {"Windows 2000", "Windows 98"}) {
        gb_osName = os;
        frmOptions.chkScanRestor.SetValue(1);
        EXPECT_EQ(frmOptions.chkScanRestor.Value(), 0) << os;
        EXPECT_TRUE(gb_scanRestoreFolder) << os;
    }
    gb_osName = "Windows XP";
    frmOptions.chkScanRestor.SetValue(1);
    EXPECT_EQ(frmOptions.chkScanRestor.Value(), 1);
    EXPECT_FALSE(gb_scanRestoreFolder);
}

TEST_F(OptionsWindow, AProxyPortThatIsNoPositiveNumberBecomes80) {
    frmOptions.Load();
    const std::pair<const char*, const char*> rows[] = {
        {"0", "80"}, {"-5", "80"}, {"abc", "80"}, {"", "80"}, {"8080", "8080"}};
    for (const auto& [typed, shown] : rows) {
        frmOptions.txtProxPort.SetText(typed);
        EXPECT_EQ(frmOptions.txtProxPort.Text(), shown) << typed;
    }
}

TEST_F(OptionsWindow, ProceedCopiesTheControlsIntoTheGlobalsAndStoresThem) {
    frmOptions.Load();
    frmOptions.chkDelBckupAfter.SetValue(1);
    frmOptions.txtDays.SetText("33");
    frmOptions.ChkAutoRemove.SetValue(1);
    frmOptions.chkUseProxy.SetValue(1);
    frmOptions.txtProxServer.SetText("proxy.example");
    frmOptions.txtProxPort.SetText("3128");
    frmOptions.txtLogfiles.SetText("C:\\Logs");
    frmOptions.CmdProceed_Click();
    EXPECT_FALSE(frmOptions.Loaded()) << "Proceed unloads the window";
    EXPECT_TRUE(gb_delBckAfterDys);
    EXPECT_EQ(gb_numberDays, 33);
    EXPECT_TRUE(gb_autoRemove);
    EXPECT_EQ(gb_proxServer, "proxy.example");
    EXPECT_EQ(gb_proxPort, "3128");
    EXPECT_EQ(gb_scanLogFile, "C:\\Logs\\ScanLog10-12-26_1.log") << "the file name stays";
    EXPECT_EQ(settings::GetSetting("AutoRemove", "AutoRemove", "?"), "True");
    EXPECT_EQ(settings::GetSetting("ScanSections", "NumberDays", "?"), "33");
}

TEST(OptionVariables, DefaultsCrossAsTheirEncodingsAndReadBackAllOrNothing) {
    Defaults();
    std::map<std::string, std::string> movie;
    optionTable::SetOptionsToFlash([&](const std::string& n, const std::string& v) { movie[n] = v; });
    EXPECT_EQ(movie.size(), optionTable::OptionVars().size());
    EXPECT_EQ(movie["_root.Options_GO_SA"], "1");
    EXPECT_EQ(movie["_root.Options_GO_EP"], "false");
    EXPECT_EQ(movie["_root.Options_IO_DSS"], "0");
    EXPECT_EQ(movie["_root.Options_GO_AM"], "-1");
    EXPECT_EQ(movie["_root.DaysOld"], "10");

    auto read = [&] { optionTable::GetOptionsFromFlash([&](const std::string& n) { return movie[n]; }); };
    movie["_root.Options_SO_SWS"] = "true";
    movie["_root.Options_GO_SA"] = "0";
    movie["_root.Options_IO_DSS"] = "-1";
    movie["_root.DaysOld"] = "100";
    movie["_root.LiveUpdate_Server"] = "proxy";
    read();
    EXPECT_TRUE(gb_runStartup);
    EXPECT_FALSE(gb_markChecked);
    EXPECT_FALSE(gb_useSplash);
    EXPECT_EQ(gb_numberDays, 100) << "the range is applied at the next load of the settings";
    EXPECT_EQ(gb_proxServer, "proxy");
    // The page's proxy port takes the window's rule, so a download never meets a port that is no
    // number.
    for (const auto& [typed, kept] :
         {std::pair<const char*, const char*>{"", "80"}, {"abc", "80"}, {"0", "80"}, {"3128", "3128"}}) {
        movie["_root.LiveUpdate_Port"] = typed;
        read();
        EXPECT_EQ(gb_proxPort, kept) << typed;
    }

    // A value the conversion refuses changes no global at all, neither before it nor after it.
    movie["_root.Options_GO_AM"] = "0";
    movie["_root.Options_SO_SWS"] = "0";
    for (const char* bad : {"", "yes"}) {
        movie["_root.Options_SO_SK"] = bad;
        try {
            read();
            ADD_FAILURE() << "no error for \"" << bad << "\"";
        } catch (const base::RuntimeError& e) {
            EXPECT_EQ(e.number(), 13);
        }
        EXPECT_TRUE(gb_contextMenu) << "a variable before the bad one was applied";
        EXPECT_TRUE(gb_runStartup) << "a variable after the bad one was applied";
    }
    movie["_root.Options_SO_SK"] = "1";
    movie["_root.DaysOld"] = "abc";
    EXPECT_THROW(read(), base::RuntimeError);
    EXPECT_TRUE(gb_contextMenu);
    Defaults();
}

TEST(OptionVariables, TheRuntimeBooleanTakesWordsAndNumbers) {
    const std::pair<const char*, bool> rows[] = {{"-1", true}, {"1", true},      {"true", true}, {"True", true},
                                                 {"0", false}, {"false", false}, {" 2 ", true}};
    for (const auto& [text, value] : rows) EXPECT_EQ(optionTable::CBoolText(text), value) << text;
}

// The test prefix has one fixed drive, its own C: (the source tree is a network drive, and no
// drive reaches the host's root): the page offers C: alone.
TEST(OptionVariables, FixedDrivesAreListedWithTheirLabels) {
    const auto drives = optionTable::ListFixedDrives();
    char label[MAX_PATH + 1] = {};
    ASSERT_TRUE(GetVolumeInformationA("C:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(drives.count, 1);
    EXPECT_EQ(drives.names, "C:\\" + std::string(label) + "|");
}

// ---- The password

TEST_F(OptionsWindow, SwitchingThePasswordOnStoresItEnciphered) {
    frmOptions.Load();
    frmMain.flash.SetVariable("_root.Options_GO_EP", "true");
    base::modal::Expect("frmEnterPassword", [](const Step&) -> long {
        frmEnterPassword.flash.SetVariable("_root.password_txt.text", "Secret1");
        frmEnterPassword.flash.SetVariable("_root.confirm_txt.text", "Secret1");
        return 1;
    });
    frmOptions.showPassWindow();
    EXPECT_TRUE(gb_enablePassword);
    EXPECT_EQ(frmOptions.chkEnablePassword.Value(), 1);
    std::string stored = settings::GetSetting("ScanSections", "Password", "");
    EXPECT_NE(stored, "Secret1") << "stored in the clear";
    EXPECT_EQ(modEncryption::Decrypt(stored), "Secret1");

    // On already: the change-password command opens nothing.
    frmOptions.showPassWindow();
    EXPECT_EQ(base::modal::Pending(), 0u);
}

TEST_F(OptionsWindow, CancellingTheNewPasswordLeavesProtectionOff) {
    settings::SaveSetting("ScanSections", "Password", "stale");
    frmOptions.Load();
    frmMain.flash.SetVariable("_root.Options_GO_EP", "true");
    base::modal::Expect("frmEnterPassword", 2);
    frmOptions.showPassWindow();
    EXPECT_FALSE(gb_enablePassword);
    EXPECT_EQ(frmMain.flash.GetVariable("_root.Options_GO_EP"), "false");
    EXPECT_EQ(frmOptions.chkEnablePassword.Value(), 0);
    EXPECT_EQ(settings::GetSetting("ScanSections", "Password", "?"), "");
}

TEST_F(OptionsWindow, TurningThePasswordOffAsksForItFirst) {
    gb_enablePassword = true;
    settings::SaveSetting("ScanSections", "Password", modEncryption::Encrypte("Secret1"));
    frmMain.flash.SetVariable("_root.Options_GO_EP", "true");
    frmOptions.Load();
    EXPECT_EQ(base::modal::Seen().size(), 0u) << "loading with the password on asks nothing";
    frmMain.flash.SetVariable("_root.Options_GO_EP", "false");
    wiring::PasswordEntry().clear();
    base::modal::Expect("frmEnterPassword", [](const Step&) -> long {
        wiring::PasswordEntry() = "wrong";
        return 1;
    });
    frmOptions.showPassWindow();
    EXPECT_TRUE(gb_enablePassword) << "a wrong password turned protection off";
    EXPECT_EQ(frmMain.flash.GetVariable("_root.Options_GO_EP"), "true");
    EXPECT_NE(settings::GetSetting("ScanSections", "Password", ""), "");

    wiring::SetDecrypt([](const std::string& s, std::string& plain) {
        std::string hex = s;
        plain = modEncryption::Decrypt(hex);
        return !plain.empty();
    });
    frmMain.flash.SetVariable("_root.Options_GO_EP", "false");
    base::modal::Expect("frmEnterPassword", [](const Step&) -> long {
        wiring::PasswordEntry() = "Secret1";
        return 1;
    });
    frmOptions.showPassWindow();
    wiring::SetDecrypt({});
    EXPECT_FALSE(gb_enablePassword);
    EXPECT_EQ(settings::GetSetting("ScanSections", "Password", "?"), "");
}

TEST_F(OptionsWindow, TheNewPasswordPageWantsTwoEqualEntries) {
    std::vector<std::string> boxes;
    base::modal::Expect("frmEnterPassword", [&](const Step&) -> long {
        EXPECT_EQ(frmEnterPassword.flash.CurrentFrame(), 3);
        base::modal::Expect("frmMsgBox", [&](const Step& s) -> long {
            boxes.push_back(s.text);
            return 1;
        });
        frmEnterPassword.flash.SetVariable("_root.password_txt.text", "Secret");
        frmEnterPassword.flash.SetVariable("_root.confirm_txt.text", "secret");
        frmEnterPassword.flash.InjectCommand("IDC_FS_SAVEPASSWORD");
        EXPECT_TRUE(frmEnterPassword.Visible()) << "a mismatch closed the dialog";
        EXPECT_EQ(frmEnterPassword.txtPassword.Text(), "");
        EXPECT_EQ(frmEnterPassword.txtValidatePassword.Text(), "");
        frmEnterPassword.flash.SetVariable("_root.confirm_txt.text", "Secret");
        return 1;
    });
    EXPECT_EQ(frmEnterPassword.newPassword(&frmMain), "Secret");
    EXPECT_EQ(boxes, std::vector<std::string>{"Passwords do not match."});
    EXPECT_FALSE(frmEnterPassword.Visible());

    base::modal::Expect("frmEnterPassword", [](const Step&) -> long {
        frmEnterPassword.flash.SetVariable("_root.password_txt.text", "typed");
        frmEnterPassword.flash.SetVariable("_root.confirm_txt.text", "typed");
        frmEnterPassword.flash.InjectCommand("idc_fs_close");
        return 0;
    });
    EXPECT_EQ(frmEnterPassword.newPassword(&frmMain), "") << "closing is no answer";
}

TEST_F(OptionsWindow, TheEnterPasswordPageReturnsWhatWasTyped) {
    base::modal::Expect("frmEnterPassword", [](const Step&) -> long {
        EXPECT_EQ(frmEnterPassword.flash.CurrentFrame(), 4);
        frmEnterPassword.flash.SetVariable("_root.okpassword.text", "As Typed ");
        return 1;
    });
    EXPECT_EQ(frmEnterPassword.checkPasword(&frmMain), "As Typed ");
    base::modal::Expect("frmEnterPassword", [](const Step&) -> long {
        base::modal::Expect("MsgBox", [](const Step& s) -> long {
            EXPECT_EQ(s.text, "IDC_FS_FOO");
            return 1;
        });
        frmEnterPassword.flash.InjectCommand("IDC_FS_FOO");
        EXPECT_TRUE(frmEnterPassword.Visible());
        return 2;
    });
    EXPECT_EQ(frmEnterPassword.checkPasword(&frmMain), "");
}

TEST_F(OptionsWindow, ThePasswordCheckGoesThroughTheRealDialog) {
    // What app::InstallLinks installs: the shell's check shows this dialog.
    gb_enablePassword = true;
    settings::SaveSetting("ScanSections", "Password", modEncryption::Encrypte("Secret1"));
    wiring::SetDecrypt([](const std::string& s, std::string& plain) {
        std::string hex = s;
        plain = modEncryption::Decrypt(hex);
        return !plain.empty();
    });
    wiring::SetShowPasswordDialog([] { wiring::PasswordEntry() = frmEnterPassword.checkPasword(&frmMain); });
    for (const auto& [typed, accepted] :
         {std::pair<std::string, bool>{"secret1", false}, {"", false}, {"Secret1", true}}) {
        gb_passwordAccepted = false;
        base::modal::Expect("frmEnterPassword", [](const Step&) -> long {
            wiring::ShowPasswordDialog();
            return wiring::PasswordEntry().empty() ? 2 : 1;
        });
        base::modal::Expect("frmEnterPassword", [t = typed](const Step&) -> long {
            frmEnterPassword.flash.SetVariable("_root.okpassword.text", t);
            return t.empty() ? 2 : 1;
        });
        EXPECT_EQ(modMain::checkStartupPassword(), accepted) << typed;
    }
    wiring::SetShowPasswordDialog({});
    wiring::SetDecrypt({});
}

}  // namespace
