// The Explorer context menu with the real Corvane.exe: cm.dll, registered from the program folder,
// created by its class id and invoked on a selection of folders, hands the folders to the running
// program through its published parameter box, or starts the program with them. The program's
// scan of them shows in its scan log.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/tests/ProgramTesting.h"
#include "base/AnsiPath.h"
#include "base/Launch.h"
#include "base/ProgramFolder.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/testing/ShellSelection.h"
#include "core/SettingsStore.h"

namespace {

// {5ABC51FF-E188-41E2-ACEA-3566352EB780}, as a client knows it.
const CLSID kClsid = {0x5abc51ff, 0xe188, 0x41e2, {0xac, 0xea, 0x35, 0x66, 0x35, 0x2e, 0xb7, 0x80}};

// A file the sample definitions name (a trojan by file name), so a scan of its folder records it.
constexpr char kSpyFile[] = "sdbot.exe";

void PlantSpyFile(const std::string& folder) { base::WriteText(folder + "\\" + kSpyFile, "not really a bot"); }

// Invokes the menu's entry on a selection as Explorer does: the answer of InvokeCommand.
template <class Paths>
HRESULT InvokeOn(const Paths& folders) {
    IShellExtInit* init = nullptr;
    if (FAILED(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                reinterpret_cast<void**>(&init))))
        return E_NOINTERFACE;
    IDataObject* selection = testing_support::ShellSelection(folders);
    HRESULT hr = init->Initialize(nullptr, selection, nullptr);
    if (selection) selection->Release();
    IContextMenu* menu = nullptr;
    if (SUCCEEDED(hr)) hr = init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    if (SUCCEEDED(hr)) {
        HMENU popup = CreatePopupMenu();
        hr = menu->QueryContextMenu(popup, 0, 1, 100, CMF_NORMAL);
        DestroyMenu(popup);
        if (hr == MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1)) {
            CMINVOKECOMMANDINFO info{};
            info.cbSize = sizeof info;
            info.lpVerb = MAKEINTRESOURCEA(0);
            info.nShow = SW_SHOWNORMAL;
            hr = menu->InvokeCommand(&info);
        } else {
            hr = E_UNEXPECTED;
        }
        menu->Release();
    }
    init->Release();
    return hr;
}

// The scan log of the program folder once it holds the scan's summary ("" when none came in time).
std::string FinishedScanLog(const testing_support::ScopedProgramFolder& pf, DWORD waitMs) {
    for (DWORD waited = 0; waited < waitMs; waited += 250) {
        const std::string file = programtest::NewestScanLog(pf);
        if (!file.empty()) {
            const std::string log = base::ReadWhole(file);
            if (log.find("Total malware components found") != std::string::npos) return log;
        }
        Sleep(250);
    }
    return {};
}

void DeleteScanLogs(const testing_support::ScopedProgramFolder& pf) {
    for (std::string log = programtest::NewestScanLog(pf); !log.empty(); log = programtest::NewestScanLog(pf))
        if (!DeleteFileA(log.c_str())) return;
}

bool LogNamesFile(const std::string& log, const std::string& path) {
    return base::UCase(log).find("FILE:" + base::UCase(path)) != std::string::npos;
}

// cm.dll of the build's program folder registered for the test; COM on this thread.
class ContextMenuProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        // Under a loaded machine Wine now and then fails to start a process at all: that start
        // (not a registration that failed) is tried again.
        const std::string command = "regsvr32.exe /s \"" + testing_support::ProgramDir() + "\\cm.dll\"";
        base::Launched run = base::Launch(command, 60000);
        for (int retry = 0; retry < 3 && !run.started; ++retry) {
            std::printf("regsvr32 did not start (error %lu); once more\n", static_cast<unsigned long>(run.error));
            Sleep(500);
            run = base::Launch(command, 60000);
        }
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0u);
    }
    void TearDown() override {
        base::RunAndWait("regsvr32.exe /s /u \"" + testing_support::ProgramDir() + "\\cm.dll\"");
        CoUninitialize();
    }
    testing_support::TempFolder scanned;
};

// Corvane runs: the folders go to it through its box, no second program starts, and its scan log
// records the file the definitions name in each selection.
TEST_F(ContextMenuProgram, ARunningCorvaneScansTheChosenFolders) {
    programtest::ChildProgram program("");
    ASSERT_NE(program.process(), nullptr);
    ASSERT_NE(programtest::PublishedWindow("txtHandle", "txtPramaterInfoEnvenHandeler", 30000), nullptr);
    SetEnvironmentVariableA(settings::kRootEnv, program.store.root().c_str());
    const int running = programtest::CountProcesses("Corvane.exe");

    struct Case {
        const char* name;
        int folders;
    };
    for (const Case& c : {Case{"one folder", 1}, Case{"a hundred folders", 100}}) {
        SCOPED_TRACE(c.name);
        DeleteScanLogs(program.pf);
        std::vector<std::string> folders;
        const std::string parent = scanned / c.name;
        CreateDirectoryA(parent.c_str(), nullptr);
        for (int i = 0; i < c.folders; ++i) {
            folders.push_back(parent + "\\folder " + std::to_string(i));
            ASSERT_TRUE(CreateDirectoryA(folders.back().c_str(), nullptr));
        }
        PlantSpyFile(folders.front());
        PlantSpyFile(folders.back());
        EXPECT_EQ(InvokeOn(folders), S_OK);
        const std::string log = FinishedScanLog(program.pf, 120000);
        ASSERT_FALSE(log.empty()) << "no scan of the chosen folders";
        EXPECT_TRUE(LogNamesFile(log, folders.front() + "\\" + kSpyFile)) << log;
        EXPECT_TRUE(LogNamesFile(log, folders.back() + "\\" + kSpyFile)) << log;
        EXPECT_EQ(programtest::CountProcesses("Corvane.exe"), running);
        EXPECT_EQ(WaitForSingleObject(program.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    SetEnvironmentVariableA(settings::kRootEnv, nullptr);
}

// Folders whose names the code page cannot write are scanned themselves: the log names the files
// in them (by their short names), and none in the look-alike folder the code page would make of one.
TEST_F(ContextMenuProgram, FoldersNamedBeyondTheCodePageAreScannedThemselves) {
    programtest::ChildProgram program("");
    ASSERT_NE(program.process(), nullptr);
    ASSERT_NE(programtest::PublishedWindow("txtHandle", "txtPramaterInfoEnvenHandeler", 30000), nullptr);
    SetEnvironmentVariableA(settings::kRootEnv, program.store.root().c_str());
    DeleteScanLogs(program.pf);
    const std::wstring parent = base::WidePath(scanned.path());
    const std::vector<std::wstring> chosen = {parent + L"\\Zden\u011bk", parent + L"\\\u65e5\u672c\u8a9e"};
    const std::string lookAlike = scanned / "Zdenek";
    ASSERT_TRUE(CreateDirectoryA(lookAlike.c_str(), nullptr));
    PlantSpyFile(lookAlike);
    std::vector<std::string> named;
    for (const std::wstring& f : chosen) {
        ASSERT_TRUE(CreateDirectoryW(f.c_str(), nullptr));
        std::string shortForm;
        ASSERT_TRUE(base::ExactAnsi(base::ShortWidePath(f), shortForm));
        PlantSpyFile(shortForm);
        named.push_back(shortForm);
    }
    EXPECT_EQ(InvokeOn(chosen), S_OK);
    const std::string log = FinishedScanLog(program.pf, 120000);
    ASSERT_FALSE(log.empty()) << "no scan of the chosen folders";
    for (const std::string& f : named) EXPECT_TRUE(LogNamesFile(log, f + "\\" + kSpyFile)) << log;
    EXPECT_FALSE(LogNamesFile(log, lookAlike + "\\" + kSpyFile)) << log;
    SetEnvironmentVariableA(settings::kRootEnv, nullptr);
}

// No Corvane runs: the entry starts the program beside cm.dll with the folder request, and that
// program scans the folder.
TEST_F(ContextMenuProgram, WithoutARunningCorvaneTheEntryStartsOneThatScansTheFolder) {
    testing_support::ScopedProgramFolder pf;
    programtest::FillProgramFolder(pf);
    core_test::ScopedSettingsRoot store;
    SetEnvironmentVariableA(base::kProgramFolderEnv, pf.path().c_str());
    SetEnvironmentVariableA(settings::kRootEnv, store.root().c_str());
    PlantSpyFile(scanned.path());
    const int before = programtest::CountProcesses("Corvane.exe");

    EXPECT_EQ(InvokeOn(std::vector<std::string>{scanned.path()}), S_OK);
    SetEnvironmentVariableA(base::kProgramFolderEnv, nullptr);
    SetEnvironmentVariableA(settings::kRootEnv, nullptr);
    HWND main = programtest::PublishedWindow("formHandle", "fromhandlewindow", 30000);
    ASSERT_NE(main, nullptr) << "no Corvane started";
    EXPECT_EQ(programtest::CountProcesses("Corvane.exe"), before + 1);
    const std::string log = FinishedScanLog(pf, 120000);
    EXPECT_TRUE(LogNamesFile(log, scanned / kSpyFile)) << log;
    programtest::EndOwnerOf(main);
}

}  // namespace
