// Tessiv.exe, the delayed start-up: its waiting rule over sampled idle times, and the real
// launcher run from the Run value the options write, over copies of Tessiv.exe and Corvane.exe in
// a program folder of their own with settings of their own.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/tests/ProgramTesting.h"
#include "base/ErrorLog.h"
#include "base/Handles.h"
#include "base/Launch.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "core/SettingsStore.h"
#include "launcher/Launcher.h"
#include "shell/OptionTable.h"
#include "shell/tests/RunValue.h"

namespace {

using launcher::SettleWatch;

// A text file's content, "" when it is not there.
std::string ReadIfThere(const std::string& path) { return base::FileExists(path) ? base::ReadWhole(path) : ""; }

using launcher::WaitRule;

// The rule over sampled idle shares: not before the minimum, then after three idle samples in a
// row, and at the maximum whatever the samples say.
TEST(WaitRuleTest, StartsAfterTheMinimumOnceTheSystemStayedIdleAndNeverPastTheMaximum) {
    WaitRule rule;
    rule.minimumMs = 3000;
    rule.maximumMs = 10000;
    rule.idlePercent = 60;
    rule.settledSamples = 3;
    struct Case {
        const char* name;
        std::vector<int> idle;  // one sample a second
        int startsAt;           // the second of the sample that lets it start (-1: not within them)
    };
    const Case cases[] = {
        {"idle from the start: at the minimum", {90, 90, 90, 90, 90}, 3},
        {"busy log-on, then settled", {5, 10, 20, 70, 80, 90, 90}, 6},
        {"one busy second starts the count again", {90, 30, 90, 90, 90, 90}, 5},
        {"the threshold itself counts as idle", {60, 60, 60}, 3},
        {"never idle: at the maximum", {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10}, 10},
        {"busy until just before the maximum", {0, 0, 0, 0, 0, 0, 0, 0, 99, 99, 99}, 10},
    };
    for (const Case& c : cases) {
        SettleWatch watch(rule);
        int started = -1;
        for (size_t i = 0; i < c.idle.size() && started < 0; ++i)
            if (watch.Done(static_cast<DWORD>((i + 1) * 1000), c.idle[i])) started = static_cast<int>(i + 1);
        EXPECT_EQ(started, c.startsAt) << c.name;
    }
}

// The real rule waits for a settled desktop for at least 20 s; only the named seam shortens it,
// and a value that is no number of milliseconds leaves the real rule.
TEST(WaitRuleTest, OnlyTheSeamShortensTheWait) {
    struct Case {
        const char* value;
        DWORD minimum, maximum;
    };
    const Case cases[] = {
        {nullptr, 20000, 120000}, {"1500", 1500, 4500},           {"0", 0, 0},
        {"abc", 20000, 120000},   {"-5", 20000, 120000},          {"", 20000, 120000},
        {"12x", 20000, 120000},   {"99999999999", 20000, 120000},
    };
    for (const Case& c : cases) {
        SetEnvironmentVariableA(launcher::kWaitEnv, c.value);
        const WaitRule rule = launcher::RuleFromEnvironment();
        EXPECT_EQ(rule.minimumMs, c.minimum) << (c.value ? c.value : "unset");
        EXPECT_EQ(rule.maximumMs, c.maximum) << (c.value ? c.value : "unset");
    }
    SetEnvironmentVariableA(launcher::kWaitEnv, nullptr);
}

BOOL CALLBACK FindVisible(HWND w, LPARAM p) {
    auto* search = reinterpret_cast<std::pair<DWORD, bool>*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == search->first && IsWindowVisible(w)) search->second = true;
    return !search->second;
}
bool HasVisibleWindow(DWORD pid) {
    std::pair<DWORD, bool> search{pid, false};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

struct TitledSearch {
    DWORD pid;
    std::string start;
    HWND found = nullptr;
};

BOOL CALLBACK FindTitled(HWND w, LPARAM p) {
    auto* search = reinterpret_cast<TitledSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    char title[256] = {};
    GetWindowTextA(w, title, sizeof title);
    if (owner == search->pid && IsWindowVisible(w) && std::string(title).rfind(search->start, 0) == 0)
        search->found = w;
    return search->found == nullptr;
}

// A visible top-level window of the process whose title starts with `start`, waited for.
HWND WindowTitled(DWORD pid, const std::string& start, DWORD ms) {
    TitledSearch search{pid, start};
    for (const DWORD begin = GetTickCount(); search.found == nullptr && GetTickCount() - begin < ms; Sleep(50))
        EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindScanTitle(HWND w, LPARAM p) {
    char text[128] = {};
    GetWindowTextA(w, text, sizeof text);
    if (IsWindowVisible(w) && std::string(text).rfind("Corvane - System Scan", 0) == 0)
        *reinterpret_cast<bool*>(p) = true;
    return TRUE;
}

BOOL CALLBACK FindScanWindow(HWND w, LPARAM p) {
    auto* search = reinterpret_cast<std::pair<DWORD, bool>*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == search->first && IsWindowVisible(w))
        EnumChildWindows(w, FindScanTitle, reinterpret_cast<LPARAM>(&search->second));
    return !search->second;
}

// The scanning window of the process is on the screen (told by its title text).
bool ScanWindowShown(DWORD pid) {
    std::pair<DWORD, bool> search{pid, false};
    EnumWindows(FindScanWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// A program folder holding Tessiv.exe (and Corvane.exe unless told otherwise), with settings of
// its own; the Run value put back afterwards, every Corvane it started ended.
class LauncherRun : public ::testing::Test {
protected:
    void SetUp() override {
        run_ = shelltest::RunValue();
        programtest::FillProgramFolder(pf);
        ASSERT_TRUE(programtest::CopyFromProgramDir(pf, "Tessiv.exe"));
        SetEnvironmentVariableA(settings::kRootEnv, store.root().c_str());
        settings::SetRootOverride(store.root());
    }
    void TearDown() override {
        programtest::EndOwnerOf(programtest::PublishedWindow("formHandle", "fromhandlewindow", 0));
        SetEnvironmentVariableA(settings::kRootEnv, nullptr);
        SetEnvironmentVariableA(launcher::kWaitEnv, nullptr);
        settings::SetRootOverride("");
        shelltest::SetRunValue(run_);
    }
    // Runs a command line as Windows runs a Run value and waits for it to end: its exit code and
    // how long it ran.
    struct Ran {
        DWORD exitCode = 99;
        DWORD ms = 0;
        bool showedWindow = false;  // a visible window of the launcher was seen while it ran
    };
    static Ran RunAsWindowsDoes(const std::string& commandLine, const char* waitMs) {
        SetEnvironmentVariableA(launcher::kWaitEnv, waitMs);
        std::string line = commandLine;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        Ran ran;
        const DWORD start = GetTickCount();
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return ran;
        base::Handle process(pi.hProcess), thread(pi.hThread);
        for (DWORD waited = 0; WaitForSingleObject(process.get(), 50) == WAIT_TIMEOUT; waited += 50) {
            if (waited > 60000) return ran;
            ran.showedWindow = ran.showedWindow || HasVisibleWindow(pi.dwProcessId);
        }
        ran.ms = GetTickCount() - start;
        GetExitCodeProcess(process.get(), &ran.exitCode);
        return ran;
    }
    // The Run value the options write for the pair, with this folder as the program folder.
    std::string WrittenRunValue(bool scanAtStartup) {
        base::SetProgramFolderOverride(pf.path());
        optionTable::ApplyAutostart(scanAtStartup, true);
        base::SetProgramFolderOverride("");
        const auto value = shelltest::RunValue();
        return value.value_or("");
    }

    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
    std::optional<std::string> run_;
};

// Delayed start-up with scan at start-up: the Run value names the launcher with "/STARTUP"; run as
// Windows runs it, the launcher waits, then Corvane starts with the switch and replays the
// remembered quick scan, whose log appears in the program folder.
TEST_F(LauncherRun, TheRunValueStartsCorvaneWithItsSwitchAfterTheWait) {
    ASSERT_TRUE(programtest::CopyFromProgramDir(pf, "Corvane.exe"));
    settings::SaveSetting("ScanNowSettings", "optQuickScan", "True");
    settings::SaveSetting("ScanNowSettings", "optFullScan", "False");
    settings::SaveSetting("ScanNowSettings", "optCustomScan", "False");
    const std::string value = WrittenRunValue(true);
    ASSERT_EQ(value, "\"" + (pf / "Tessiv.exe") + "\" /STARTUP");

    const Ran ran = RunAsWindowsDoes(value, "1500");
    EXPECT_EQ(ran.exitCode, 0u);
    EXPECT_GE(ran.ms, 1500u) << "started before the wait was over";
    EXPECT_FALSE(ran.showedWindow);
    EXPECT_EQ(programtest::NewestScanLog(pf), "") << "Corvane started before the launcher ended";
    HWND main = programtest::PublishedWindow("formHandle", "fromhandlewindow", 30000);
    ASSERT_NE(main, nullptr) << "no Corvane started";
    // The switch reached it: its start-up tick replays the remembered scan.
    std::string log;
    for (DWORD waited = 0; waited < 120000 && log.empty(); waited += 250) {
        Sleep(250);
        log = programtest::NewestScanLog(pf);
    }
    EXPECT_NE(log, "") << "no start-up scan: the switch did not reach Corvane";
    EXPECT_EQ(ReadIfThere(pf / "logs\\errorlog.txt").find("StartCorvane"), std::string::npos);
}

// Delayed start-up alone: the launcher without a switch starts Corvane without one (no scan).
TEST_F(LauncherRun, WithoutTheSwitchCorvaneStartsWithoutAScan) {
    ASSERT_TRUE(programtest::CopyFromProgramDir(pf, "Corvane.exe"));
    settings::SaveSetting("ScanNowSettings", "optQuickScan", "True");
    // The start-up tick opens Live Update once it has decided on the scan: that window showing is
    // the tick done.
    settings::SaveSetting("AutoCheckForUpdate", "AutoCheckForUpdate", "True");
    const std::string value = WrittenRunValue(false);
    ASSERT_EQ(value, "\"" + (pf / "Tessiv.exe") + "\"");
    EXPECT_EQ(RunAsWindowsDoes(value, "0").exitCode, 0u);
    HWND main = programtest::PublishedWindow("formHandle", "fromhandlewindow", 30000);
    ASSERT_NE(main, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    ASSERT_NE(WindowTitled(pid, "Liveupdate", 120000), nullptr) << "the start-up tick never came";
    EXPECT_FALSE(ScanWindowShown(pid)) << "a scan started";
    EXPECT_EQ(programtest::NewestScanLog(pf), "");
}

// No Corvane.exe beside the launcher, or one that is no program: one line in Corvane's error log,
// in its format, naming the program (the system's reason without its line break), also when the
// program folder has no logs folder yet; no window, and no Corvane anywhere.
TEST_F(LauncherRun, AMissingOrBrokenProgramIsWrittenToTheErrorLog) {
    struct Case {
        const char* name;
        const char* content;  // nullptr: no Corvane.exe at all
        const char* says;
    };
    const Case cases[] = {
        {"missing", nullptr, "Corvane.exe is missing: "},
        {"no program", "this is not a program", "Corvane.exe could not be started: "},
    };
    const std::string errorLog = pf / "logs\\errorlog.txt";
    for (const Case& c : cases)
        for (const bool logsFolder : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (logsFolder ? "" : ", no logs folder"));
            DeleteFileA(errorLog.c_str());
            if (logsFolder)
                CreateDirectoryA((pf / "logs").c_str(), nullptr);
            else
                ASSERT_TRUE(RemoveDirectoryA((pf / "logs").c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND);
            DeleteFileA((pf / "Corvane.exe").c_str());
            if (c.content) base::WriteText(pf / "Corvane.exe", c.content);
            const int before = programtest::CountProcesses("Corvane.exe");
            const Ran ran = RunAsWindowsDoes("\"" + (pf / "Tessiv.exe") + "\" /STARTUP", "500");
            EXPECT_EQ(ran.exitCode, 1u);
            EXPECT_FALSE(ran.showedWindow) << "log-on must show nothing";
            const std::string log = ReadIfThere(errorLog);
            EXPECT_NE(log.find(c.says + (pf / "Corvane.exe")), std::string::npos) << log;
            EXPECT_EQ(log.find("\"\r\nDate: "), 0u) << log;
            EXPECT_NE(log.find("\",\"Time: "), std::string::npos) << log;
            EXPECT_NE(log.find("Error Number: "), std::string::npos) << log;
            EXPECT_NE(log.find(", Method: StartCorvane\""), std::string::npos) << log;
            EXPECT_EQ(log.find("Error Description: ", log.find("Error Description: ") + 1), std::string::npos)
                << "one line: " << log;
            // The entry's only line breaks are the format's own: before the date and at the end.
            EXPECT_EQ(log.find("\r\n", 3), log.size() - 2) << "one line: " << log;
            EXPECT_EQ(programtest::CountProcesses("Corvane.exe"), before);
        }
}

// A Corvane of this folder already runs (started at log-on some other way): the launcher leaves it
// alone and starts no second one, which would only show its refusal.
TEST_F(LauncherRun, ARunningCorvaneIsLeftAlone) {
    ASSERT_TRUE(programtest::CopyFromProgramDir(pf, "Corvane.exe"));
    base::Launched first = base::Launch("\"" + (pf / "Corvane.exe") + "\"", 0);
    ASSERT_TRUE(first.started);
    HWND main = programtest::PublishedWindow("formHandle", "fromhandlewindow", 30000);
    ASSERT_NE(main, nullptr);
    const int running = programtest::CountProcesses("Corvane.exe");
    const Ran ran = RunAsWindowsDoes("\"" + (pf / "Tessiv.exe") + "\" /STARTUP", "0");
    EXPECT_EQ(ran.exitCode, 0u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(programtest::CountProcesses("Corvane.exe"), running) << "a second Corvane was started";
        Sleep(100);
    }
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(ReadIfThere(pf / "logs\\errorlog.txt").find("StartCorvane"), std::string::npos);
}

}  // namespace
