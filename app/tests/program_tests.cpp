// The program as it runs: the main window brought up with the real links and guards, the real
// Corvane.exe taking a folder request from this process through its published parameter box, and
// the real Corvane.exe started as the scheduled task starts it ("/SCAN") on the seeded machine,
// scanning unattended and shut down as a user would. The program's guards watch (and the hijack
// guard restores) the prefix's shared places while it runs, and the scan writes the hosts file
// back, hence the test's locks.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/Links.h"
#include "app/RemoteControl.h"
#include "app/tests/ProgramFixture.h"
#include "app/tests/ProgramTesting.h"
#include "base/EntryFence.h"
#include "base/Handles.h"
#include "base/Modal.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/StringCipher.h"
#include "guards/GuardSwitches.h"
#include "guards/Places.h"
#include "monitors/GuardHost.h"
#include "monitors/modMonitors.h"
#include "results/ResultsFile.h"
#include "scanner/FileVersion.h"
#include "shell/AppVersion.h"
#include "shell/frmMain.h"
#include "shell/frmSysGuards.h"
#include "ui/Form.h"
#include "ui/MessageLoop.h"

namespace {

using programtest::ChildProgram;
using programtest::FillProgramFolder;
using programtest::InProcessProgram;
using programtest::NewestScanLog;
using remote::FindMessageBox;
using remote::Press;
using remote::PublishedWindow;
using remote::ShownBox;

DWORD GetAttributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

TEST(ProgramTest, StartsWithTheRealLinksAsTheGuardsHostAndEndsOnOk) {
    InProcessProgram program;
    EXPECT_TRUE(frmMain.Visible());
    EXPECT_EQ(monitors::Host(), &frmMain.guardHost);
    EXPECT_NE(modEncryption::Encryptor(), nullptr);
    // The language pack's caption with the version.
    char caption[128] = {};
    GetWindowTextA(frmMain.hWnd(), caption, sizeof caption);
    EXPECT_EQ(std::string(caption).substr(0, 7), "Corvane");
    EXPECT_NE(
        std::string(caption).find(" " + std::to_string(appVersion::kMajor) + "." + std::to_string(appVersion::kMinor)),
        std::string::npos);
    EXPECT_TRUE(program.CloseWithOk());
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

// Waits for a box of process `pid` to show, up to waitMs.
ShownBox WaitForBox(DWORD pid, DWORD waitMs) {
    ShownBox box;
    for (DWORD waited = 0; box.window == nullptr && waited < waitMs; waited += 100) {
        box = FindMessageBox(pid);
        if (box.window == nullptr) Sleep(100);
    }
    return box;
}

DWORD ExitCodeAfter(HANDLE process, DWORD waitMs) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    return code;
}

// A start-up that throws (here the main window cannot be made) ends the program cleanly: the
// error in the error log, a plain box that says it, and the program's failure code.
TEST(ProgramTest, AMainWindowThatCannotBeMadeIsLoggedSaidAndEndsWithTheFailureCode) {
    ChildProgram program("", {{ui::kTestSeamNoWindowEnv, "frmMain"}});
    ASSERT_NE(program.process(), nullptr);
    const ShownBox box = WaitForBox(program.id(), 30000);
    ASSERT_NE(box.window, nullptr) << "no box; exit code " << ExitCodeAfter(program.process(), 0);
    EXPECT_NE(box.prompt.find("Could not create the window of frmMain"), std::string::npos) << box.prompt;
    EXPECT_TRUE(Press(box, "OK"));
    EXPECT_EQ(ExitCodeAfter(program.process(), 20000), static_cast<DWORD>(base::kExitFailed));
    const std::string log = base::ReadWhole(program.pf / "logs\\errorlog.txt");
    EXPECT_NE(log.find("Error Description: Could not create the window of frmMain, Error Number: 7, Method: WinMain"),
              std::string::npos)
        << log;
}

// A second start over the same program folder is refused with its box and its own exit code, and
// the first one runs on; the first then ends through its own shut-down, closed from outside as
// scripts/run-corvane closes it, and leaves no snapshot behind.
TEST(ProgramTest, ASecondStartIsRefusedAndTheFirstClosesThroughItsOwnShutDown) {
    ChildProgram first("");
    ASSERT_NE(first.process(), nullptr);
    HWND main = remote::PublishedMainWindow(30000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(remote::InstanceRuns(first.pf.path()));
    EXPECT_FALSE(remote::InstanceRuns(first.pf / "elsewhere"));

    PROCESS_INFORMATION second = first.StartAnother("/SCAN");
    ASSERT_NE(second.hProcess, nullptr);
    base::Handle secondProcess(second.hProcess), secondThread(second.hThread);
    const ShownBox box = WaitForBox(second.dwProcessId, 30000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.prompt, "There is already opened instance");
    EXPECT_TRUE(Press(box, "OK"));
    EXPECT_EQ(ExitCodeAfter(secondProcess.get(), 20000), static_cast<DWORD>(base::kExitAnotherInstance));
    EXPECT_EQ(WaitForSingleObject(first.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first one ended";

    DWORD code = 1;
    std::vector<std::string> prompts;
    ASSERT_TRUE(remote::CloseProgram(main, 60000, code, &prompts));
    EXPECT_EQ(code, 0u);
    ASSERT_FALSE(prompts.empty());
    EXPECT_NE(prompts.back().find("Are you sure"), std::string::npos);
    EXPECT_FALSE(remote::InstanceRuns(first.pf.path()));
    for (const char* f : {"stpFldrlst.qvl", "stpReglst.qvl", "Fvrlst.qvl", "Hjlst.qvl", "BHOlst.qvl"})
        EXPECT_EQ(GetAttributes(first.pf / f), INVALID_FILE_ATTRIBUTES) << f;
}

// A box that has only OK (here: no help file in the program folder) is answered with OK, and the
// program still ends through its own shut-down, as scripts/run-corvane ends it.
TEST(ProgramTest, ClosingFromOutsideAnswersABoxThatHasOnlyOk) {
    ChildProgram program("");
    ASSERT_NE(program.process(), nullptr);
    HWND main = remote::PublishedMainWindow(30000);
    ASSERT_NE(main, nullptr);
    HWND help = nullptr;
    for (const auto& [child, text] : remote::ChildTexts(main))
        if (text == "Help") help = child;
    ASSERT_NE(help, nullptr) << "no Help button";
    // Posted: the box the click shows holds the main window's thread.
    PostMessageA(help, BM_CLICK, 0, 0);
    const ShownBox box = WaitForBox(program.id(), 30000);
    ASSERT_NE(box.window, nullptr);
    ASSERT_NE(box.prompt.find("The help file could not be opened"), std::string::npos) << box.prompt;
    ASSERT_EQ(box.buttons.size(), 1u);
    DWORD code = 1;
    std::vector<std::string> prompts;
    ASSERT_TRUE(remote::CloseProgram(main, 60000, code, &prompts)) << "the program did not end";
    EXPECT_EQ(code, 0u);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0], box.prompt);
    EXPECT_NE(prompts[1].find("Are you sure"), std::string::npos);
}

// Start Corvane and close it: the results file of an earlier session, which this session neither
// opened nor replaced with a scan's, stays byte for byte.
TEST(ProgramTest, StartAndCloseLeaveAnEarlierSessionsResultsFileAsItWas) {
    ChildProgram program("");
    ASSERT_NE(program.process(), nullptr);
    const std::string resultsFile = program.pf / results::kResultsFile;
    results::FindingList earlier;
    earlier.AddRow("Malware RegKey", {results::FindingKind::RegKey, "OldSpy", "Software\\OldSpy", "", "", "", true});
    ASSERT_TRUE(results::saveListtoFile(earlier, resultsFile));
    const std::string before = base::ReadWhole(resultsFile);

    HWND main = remote::PublishedMainWindow(30000);
    ASSERT_NE(main, nullptr);
    DWORD code = 1;
    ASSERT_TRUE(remote::CloseProgram(main, 60000, code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(base::ReadWhole(resultsFile), before);
}

TEST(ProgramTest, CorvaneExeTakesAFolderRequestFromAnotherProcess) {
    ChildProgram program("");
    ASSERT_NE(program.process(), nullptr);

    // The running program publishes its parameter box in the settings.
    HWND box = PublishedWindow("txtHandle", "txtPramaterInfoEnvenHandeler", 10000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(IsWindow(box));
    const char* request = "ScanFolder|C:\\CorvaneNoSuchFolder";
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(request));
    // The request ran in the program's change handler, which empties the box when it is done.
    char text[256] = "unread";
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "");
}

// Shut-down stops the guards while their watchers are busy handing changes to the window: another
// thread keeps changing the watched Run key before and during the whole shut-down, and the
// shut-down still ends with every guard stopped (a stop that waited for a watcher blocked on the
// window would never return, and the test would hit its time-out).
TEST(ProgramTest, ShutDownEndsWhileAGuardsWatcherIsDelivering) {
    InProcessProgram program;
    guards::GuardSwitch& startup = guards::SwitchOf(guards::GuardKind::Startup);
    for (int i = 0; i < 200 && !startup.Running(); ++i) ui::PumpFor(50);
    ASSERT_TRUE(startup.Running());

    const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string name = testing_support::UniqueName("CorvaneBusyWatcher");
    std::atomic<bool> stop{false};
    std::atomic<long> writes{0};
    std::thread writer([&] {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0)
            return;
        for (long i = 0; !stop; ++i) {
            const std::string data = "C:\\busy" + std::to_string(i % 7) + ".exe";
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1));
            ++writes;
            Sleep(1);
        }
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    });
    // Changes pile up while this thread does not pump: the watcher has posted one and waits for it.
    while (writes < 50) Sleep(5);
    const bool closed = program.CloseWithOk();
    stop = true;
    writer.join();
    EXPECT_TRUE(closed);
}

// The scheduled task's start, end to end: Corvane.exe /SCAN on the seeded machine scans by itself,
// writes its scan log and its results file, and ends when a user closes it and confirms.
TEST(ProgramTest, ScheduledScanOfTheSeededMachineWritesItsLogAndResultsThenClosesOnConfirmation) {
    testing_support::SeededMachine machine;
    ChildProgram program("/SCAN");
    ASSERT_NE(program.process(), nullptr);
    const testing_support::ScopedProgramFolder& pf = program.pf;

    // Nobody starts the scan: the program does, and its results file appears once the scan ended.
    const std::string resultsFile = pf / results::kResultsFile;
    std::vector<std::string> questions;
    const DWORD deadline = GetTickCount() + 600000;
    while (GetAttributes(resultsFile) == INVALID_FILE_ATTRIBUTES && GetTickCount() < deadline &&
           WaitForSingleObject(program.process(), 500) == WAIT_TIMEOUT) {
    }
    ASSERT_NE(GetAttributes(resultsFile), INVALID_FILE_ATTRIBUTES) << "no results file after the scheduled scan";

    // The scan log: every section of the full scan, in order (headed as the English language pack
    // words them), and the total the results file holds.
    const std::string logFile = NewestScanLog(pf);
    ASSERT_FALSE(logFile.empty());
    const std::string log = base::ReadWhole(logFile);
    std::vector<std::pair<size_t, std::string>> at;
    for (const char* head :
         {"Scanning Memory...", "registry scan Started", "Folder scanning started", "Started file scan",
          "Scanning Cookies...", "Started Hosts file scan", "Total malware components found"})
        at.emplace_back(log.find(head), head);
    for (const auto& [pos, head] : at) EXPECT_NE(pos, std::string::npos) << head;
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << log;

    // The results: everything the machine's infection explains for the program's options.
    const auto records = results::ParseResultsRecords(base::ReadWhole(resultsFile));
    std::set<std::string> found;
    for (const auto& r : records) {
        ASSERT_GE(r.size(), 3u);
        found.insert(r[0] + " | " + r[1] + " | " + r[2]);
    }
    EXPECT_NE(log.find("Total malware components found : " + std::to_string(records.size())), std::string::npos)
        << log.substr(log.find("Total malware components found"), 60);
    // The program's defaults: all cookies on, the property search off.
    std::set<std::string> required, possible;
    for (const auto& f : machine.Expected()) {
        const std::string key = f.kind + " | " + f.spyType + " | " + f.item;
        if (f.condition != testing_support::kWhenAdvancedScanning) possible.insert(key);
        if (f.condition.empty() || f.condition == testing_support::kWhenAllCookies) required.insert(key);
    }
    for (const std::string& k : required) EXPECT_TRUE(found.count(k)) << "not found: " << k;
    // Nothing else: no look-alike (but the clean cookie, which the all-cookies option keeps).
    for (const std::string& k : found) EXPECT_TRUE(possible.count(k)) << "not planted: " << k;

    // A user closes the window: the program asks, and ends on OK. A question left from start-up
    // (the running spyware the memory check saw) is answered No first.
    HWND main = PublishedWindow("formHandle", "fromhandlewindow", 1000);
    ASSERT_NE(main, nullptr);
    DWORD code = 1;
    const DWORD left = static_cast<LONG>(deadline - GetTickCount()) > 0 ? deadline - GetTickCount() : 0;
    ASSERT_TRUE(remote::CloseProgram(main, left, code, &questions)) << "the program did not end";
    EXPECT_EQ(code, 0u);
    ASSERT_FALSE(questions.empty());
    EXPECT_NE(questions.back().find("Are you sure"), std::string::npos);
    EXPECT_EQ(settings::GetSetting("txtHandle", "txtPramaterInfoEnvenHandeler"), "-1");
    EXPECT_EQ(settings::GetSetting("formHandle", "fromhandlewindow"), "-1");
    for (const char* f : {"stpFldrlst.qvl", "stpReglst.qvl", "Fvrlst.qvl", "Hjlst.qvl", "BHOlst.qvl"})
        EXPECT_EQ(GetAttributes(pf / f), INVALID_FILE_ATTRIBUTES) << f;
}

// The scan log describes every running program from its own bytes, Corvane.exe among them: its
// version resource carries the one version the windows show, and the byte readers find its texts
// rather than the program's own strings.
TEST(ProgramTest, CorvaneExeCarriesItsVersionForTheScanLogAndTheFileProperties) {
    const std::string exe = testing_support::ProgramDir() + "\\Corvane.exe";
    EXPECT_EQ(scanner::GetFileDescription(exe), "Corvane anti-spyware");
    EXPECT_EQ(scanner::GetProductName(exe), "Corvane");
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), static_cast<DWORD>(appVersion::kMajor));
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), static_cast<DWORD>(appVersion::kMinor));
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), static_cast<DWORD>(appVersion::kRevision));
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&text),
                               &length));
    EXPECT_EQ(std::string(text), std::to_string(appVersion::kMajor) + "." + std::to_string(appVersion::kMinor) + ".0." +
                                     std::to_string(appVersion::kRevision));
}

}  // namespace
