#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "base/testing/Testing.h"
#include "core/Process.h"
#include "core/clsExitWindows.h"
#include "core/tests/CoreTestSupport.h"

using core_test::RunningHelper;
using testing_support::TempFolder;

namespace {
// A copy of the helper under a name no other process has, started.
struct NamedHelper {
    TempFolder folder;
    std::string name = testing_support::UniqueName("corvtest_") + ".exe";
    std::string path = folder / name;
    bool copied = CopyFileA(core_test::HelperExe().c_str(), path.c_str(), FALSE) != FALSE;
    RunningHelper process{path};
};

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}
}  // namespace

TEST(ProcessList, BothRoutesFindOurHelperByName) {
    NamedHelper h;
    ASSERT_TRUE(h.copied);
    ASSERT_NE(h.process.pid(), 0u);
    for (bool psapi : {true, false}) {
        std::vector<std::string> names;
        std::vector<DWORD> ids;
        long n = Process::GetProcessList(names, ids, "", psapi);
        ASSERT_GT(n, 1) << psapi;
        ASSERT_EQ(names.size(), static_cast<size_t>(n));
        ASSERT_EQ(ids.size(), static_cast<size_t>(n));
        auto it = std::find(ids.begin(), ids.end(), h.process.pid());
        ASSERT_NE(it, ids.end()) << psapi;
        EXPECT_EQ(names[it - ids.begin()], h.name) << psapi;

        // The filter is case-sensitive; the look-up by name is not.
        EXPECT_EQ(Process::GetProcessList(names, ids, Upper(h.name), psapi), 0) << psapi;
        EXPECT_TRUE(names.empty());
        EXPECT_EQ(Process::GetProcessList(names, ids, h.name.substr(0, h.name.size() - 4), psapi), 1) << psapi;
        EXPECT_EQ(ids.front(), h.process.pid());
        EXPECT_EQ(Process::GetProcessID(Upper(h.name), psapi), h.process.pid()) << psapi;
        EXPECT_EQ(Process::GetProcessID("no-such-process.exe", psapi), 0u) << psapi;
    }
    EXPECT_EQ(Process::GetProcessName(h.process.pid()), h.name);
    EXPECT_EQ(Upper(Process::GetProcessImagePath(h.process.pid())), Upper(h.path));
}

TEST(ProcessList, ProcessStatusRouteNamesEveryProcessTheSnapshotSees) {
    std::vector<std::string> names;
    std::vector<DWORD> snapIds, psapiIds;
    Process::GetProcessList(names, snapIds, "", false);
    Process::GetProcessList(names, psapiIds, "", true);
    std::set<DWORD> listed(psapiIds.begin(), psapiIds.end());
    for (DWORD id : snapIds) {
        if (listed.count(id)) continue;
        // Other tests start and end processes meanwhile: only one still running counts.
        base::Handle h(OpenProcess(SYNCHRONIZE, FALSE, id));
        if (!h || WaitForSingleObject(h.get(), 0) != WAIT_TIMEOUT) continue;
        EXPECT_NE(Process::GetProcessName(id), "") << "process " << id << " missing from the process-status list";
    }
}

TEST(ProcessList, FixedNames) {
    EXPECT_EQ(Process::GetProcessName(0), "System Idle Process");
    EXPECT_EQ(Process::GetProcessName(2), "System");
    EXPECT_EQ(Process::GetProcessName(0xFFFFFFF0), "");
}

TEST(EndProcess, EndsTheProcessAndSaysWhenItCouldNot) {
    NamedHelper h;
    ASSERT_NE(h.process.pid(), 0u);
    EXPECT_TRUE(Process::EndProcess(h.process.pid()));
    ASSERT_TRUE(h.process.WaitEnded(5000));
    DWORD code = 0;
    GetExitCodeProcess(h.process.handle(), &code);
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(Process::EndProcess(0xFFFFFFF0));
}

TEST(KillProcess, EndsWithAFixedExitCode) {
    testing_support::ScopedProgramFolder pf;
    NamedHelper h;
    ASSERT_NE(h.process.pid(), 0u);
    mdlProcess::Kill_Process(h.process.pid());
    ASSERT_TRUE(h.process.WaitEnded(5000));
    DWORD code = 0;
    GetExitCodeProcess(h.process.handle(), &code);
    EXPECT_EQ(code, 1u);  // not STILL_ACTIVE (259)
    EXPECT_EQ(core_test::ErrorLogText(), "");
}

TEST(KillProcess, AMissingProcessGivesFourEntriesInStepOrder) {
    testing_support::ScopedProgramFolder pf;
    mdlProcess::Kill_Process(0xFFFFFFF0);
    const std::string log = core_test::ErrorLogText();
    EXPECT_EQ(core_test::CountOccurrences(log, "Method: Err_Dll"), 4) << log;
    size_t open = log.find("Error Description: OpenProcess failed, Error Number: ");
    size_t exit = log.find("Error Description: GetExitCodeProcess failed");
    size_t term = log.find("Error Description: TerminateProcess failed");
    size_t close = log.find("Error Description: CloseHandle failed");
    ASSERT_NE(open, std::string::npos);
    EXPECT_LT(open, exit);
    EXPECT_LT(exit, term);
    EXPECT_LT(term, close);
    EXPECT_EQ(log.find("Kill_Process"), std::string::npos);  // module and procedure names are not written
}

TEST(ExitWindows, MapsOptionsToForcedFlagsAndNeverReachesTheMachine) {
    std::vector<std::string> calls;
    clsExitWindows::SetSystem({[&] { calls.push_back("privilege"); },
                               [&](UINT flags, DWORD reason) {
                                   calls.push_back(std::to_string(flags) + "/" + std::to_string(reason));
                                   return TRUE;
                               }});
    clsExitWindows exit;
    for (long option : {0L, 1L, 2L, 8L, 3L}) exit.ExitWindows(option);
    clsExitWindows::SetSystem(clsExitWindows::RealSystem());
    EXPECT_EQ(calls, (std::vector<std::string>{"privilege", "4/4294967295", "privilege", "5/4294967295", "privilege",
                                               "7/4294967295", "privilege", "12/4294967295", "privilege"}));
}
