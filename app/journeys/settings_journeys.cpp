// Journeys through the settings: the start-up pair saved and read back with the Run value it
// writes, a daily scheduled scan that the Task Scheduler holds and that scans when run, a schedule
// that cannot be set, the Explorer context menu option, Live Update through the user's proxy
// settings against a local web server, and an ordinary session that leaves the error log empty.
#include <gtest/gtest.h>
#include <mstask.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/journeys/Journey.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/testing/ShellSelection.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededMachine.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/StringCipher.h"
#include "definitions/tests/TestSigning.h"
#include "downloader/tests/Nginx.h"
#include "shell/tests/RunValue.h"

namespace {

using journey::Program;
using shelltest::RunValue;
using shelltest::SetRunValue;

constexpr const wchar_t* kJobName = L"Corvane";

// ---- the Task Scheduler, read past the program

const CLSID kClsidCTaskScheduler = {0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kIidITaskScheduler = {0x148BD527, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kIidITask = {0x148BD524, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

// What the machine's Task Scheduler holds for the program's job.
struct ScheduledJob {
    std::string application, parameters;
    std::vector<TASK_TRIGGER> triggers;
};

std::string Narrow(const wchar_t* w) {
    if (!w) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, w, -1, out.data(), n, nullptr, nullptr);
    return out;
}

ITaskScheduler* TaskScheduler() {
    ITaskScheduler* scheduler = nullptr;
    CoCreateInstance(kClsidCTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidITaskScheduler,
                     reinterpret_cast<void**>(&scheduler));
    return scheduler;
}

std::optional<ScheduledJob> ReadJob() {
    ITaskScheduler* scheduler = TaskScheduler();
    if (!scheduler) return std::nullopt;
    ITask* task = nullptr;
    HRESULT hr = E_FAIL;
    // The service may hold the job file open for a moment while it reads it.
    for (int i = 0; i < 20; ++i) {
        hr = scheduler->Activate(kJobName, kIidITask, reinterpret_cast<IUnknown**>(&task));
        if (hr != HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)) break;
        Sleep(100);
    }
    scheduler->Release();
    if (FAILED(hr) || !task) return std::nullopt;
    ScheduledJob job;
    LPWSTR text = nullptr;
    if (SUCCEEDED(task->GetApplicationName(&text))) job.application = Narrow(text);
    CoTaskMemFree(text);
    text = nullptr;
    if (SUCCEEDED(task->GetParameters(&text))) job.parameters = Narrow(text);
    CoTaskMemFree(text);
    WORD count = 0;
    task->GetTriggerCount(&count);
    for (WORD i = 0; i < count; ++i) {
        ITaskTrigger* trigger = nullptr;
        if (FAILED(task->GetTrigger(i, &trigger))) continue;
        TASK_TRIGGER t{};
        t.cbTriggerSize = sizeof t;
        if (SUCCEEDED(trigger->GetTrigger(&t))) job.triggers.push_back(t);
        trigger->Release();
    }
    task->Release();
    return job;
}

void DeleteJob() {
    if (ITaskScheduler* scheduler = TaskScheduler()) {
        scheduler->Delete(kJobName);
        scheduler->Release();
    }
}

// What the options journey changes on the machine, put back when it ends.
struct StartupAndScheduleRestored {
    std::optional<std::string> run = RunValue();
    StartupAndScheduleRestored() {
        CoInitialize(nullptr);
        testing_support::StartScheduleService();
        DeleteJob();
    }
    ~StartupAndScheduleRestored() {
        SetRunValue(run);
        DeleteJob();
        CoUninitialize();
    }
};

// ---- the options page of the main window

bool Checked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The check box of the page with that caption.
HWND OptionsBox(const Program& program, const std::string& caption) { return program.FindButton(caption, 10000); }

// Opens the options page from its page button.
bool OpenOptions(const Program& program) {
    return program.ClickUntil("Options", [&] { return program.FindButton("Save", 0) != nullptr; });
}

// Ticks or clears a check box of the page by clicking it, as a person does.
void SetBox(const Program& program, const std::string& caption, bool on) {
    // The page may still be building its face when it first shows: the box is found afresh for
    // each try.
    auto shows = [&] {
        HWND box = OptionsBox(program, caption);
        return box != nullptr && Checked(box) == on;
    };
    for (int attempt = 0; attempt < 5 && !shows(); ++attempt) {
        HWND box = OptionsBox(program, caption);
        if (!box || !journey::Click(box)) continue;
        // A busy program takes the click late, and a second one would undo it: the box is clicked
        // again only when the face the click went to was rebuilt under it.
        journey::WaitUntil([&] { return shows() || !IsWindow(box); }, 30000);
    }
    ASSERT_TRUE(shows()) << caption << " did not change";
}

// The movie's edit boxes have no captions: a person finds one by the text beside it. The edit box
// nearest to the right of the label on its line, or (`below`) nearest under its left end.
HWND FieldBy(const Program& program, const std::string& label, bool below = false) {
    HWND found = nullptr;
    journey::WaitUntil(
        [&] {
            for (HWND top : journey::TopWindows(program.Pid()))
                for (HWND l : journey::Descendants(top, "Static", label)) {
                    if (!IsWindowVisible(l)) continue;
                    RECT lr{};
                    GetWindowRect(l, &lr);
                    LONG best = LONG_MAX;
                    for (HWND e : journey::Descendants(GetParent(l), "Edit")) {
                        RECT er{};
                        GetWindowRect(e, &er);
                        const bool beside = below ? er.left < lr.left + 10 && er.right > lr.left
                                                  : er.top < lr.bottom && er.bottom > lr.top;
                        const LONG gap = below ? er.top - lr.bottom : er.left - lr.right;
                        if (IsWindowVisible(e) && beside && gap >= -2 && gap < best) {
                            best = gap;
                            found = e;
                        }
                    }
                    if (found) return true;
                }
            return false;
        },
        10000);
    return found;
}

void TypeInto(HWND field, const std::string& text, const std::string& what) {
    ASSERT_NE(field, nullptr) << "no field " << what;
    ASSERT_TRUE(journey::Type(field, text)) << what;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string Joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += "[" + t + "] ";
    return out;
}

// Types a schedule into the page's fields.
void TypeSchedule(const Program& program, const std::string& type, const std::string& hour, const std::string& minute,
                  const std::string& half, const std::string& weekday) {
    TypeInto(FieldBy(program, "schedule", true), type, "schedule");
    TypeInto(FieldBy(program, "hh", true), hour, "hh");
    TypeInto(FieldBy(program, "mm", true), minute, "mm");
    TypeInto(FieldBy(program, "AM/PM", true), half, "AM/PM");
    TypeInto(FieldBy(program, "weekday 1-7", true), weekday, "weekday");
}

// Each start-up combination saved writes its Run value, and the page reopened shows it; then a
// daily scan set on the page and saved is a Task Scheduler job that scans when run.
TEST(SettingsJourney, StartUpPairSavedReadBackAndWrittenThenADailyScheduledScan) {
    StartupAndScheduleRestored restore;
    ASSERT_TRUE(testing_support::ScheduleServiceRunning()) << "the Task Scheduler service did not start";
    Program program;
    ASSERT_NE(program.Main(), nullptr) << "the main window never showed";
    program.AnswerBoxes("Cancel");

    const std::string corvane = Quoted(program.File("Corvane.exe"));
    const std::string launcher = Quoted(program.File("Tessiv.exe"));
    struct Combination {
        bool scan, delayed;
        std::optional<std::string> run;
    };
    // Both ticked comes straight after both cleared, and goes back to none at the end.
    const Combination combinations[] = {
        {true, true, launcher + " /STARTUP"}, {true, false, corvane + " /STARTUP"}, {false, true, launcher},
        {true, true, launcher + " /STARTUP"}, {false, false, std::nullopt},
    };
    for (const Combination& c : combinations) {
        SCOPED_TRACE(std::string("scan at start-up ") + (c.scan ? "on" : "off") + ", delayed start-up " +
                     (c.delayed ? "on" : "off"));
        ASSERT_TRUE(OpenOptions(program)) << "the options page did not open";
        SetBox(program, "Scan at start-up", c.scan);
        SetBox(program, "Delayed start-up", c.delayed);
        ASSERT_TRUE(program.ClickButton("Save"));
        EXPECT_TRUE(journey::WaitUntil([&] { return RunValue() == c.run; }, 5000))
            << "Run value: " << RunValue().value_or("(none)") << ", expected " << c.run.value_or("(none)");

        ASSERT_TRUE(OpenOptions(program)) << "the options page did not open again";
        HWND scan = OptionsBox(program, "Scan at start-up");
        HWND delayed = OptionsBox(program, "Delayed start-up");
        ASSERT_TRUE(scan && delayed);
        EXPECT_EQ(Checked(scan), c.scan) << "scan at start-up read back";
        EXPECT_EQ(Checked(delayed), c.delayed) << "delayed start-up read back";
        EXPECT_EQ(RunValue(), c.run) << "reopening the page changed the Run value";
        ASSERT_TRUE(program.ClickButton("Home"));
    }

    // A daily scan at 3:30 PM, typed into the page's schedule fields and saved.
    ASSERT_TRUE(OpenOptions(program));
    TypeSchedule(program, "daily", "3", "30", "PM", "1");
    ASSERT_TRUE(program.ClickButton("Save"));
    // The page goes back home once the job is written whole.
    ASSERT_TRUE(program.FindButton("Start Scan", 20000)) << "Save did not go back to the home page";
    std::optional<ScheduledJob> job;
    ASSERT_TRUE(journey::WaitUntil([&] { return (job = ReadJob()).has_value(); }, 10000))
        << "no job in the Task Scheduler";
    EXPECT_EQ(base::LCase(job->application), base::LCase(program.File("Corvane.exe")));
    EXPECT_EQ(job->parameters, "/SCAN");
    ASSERT_EQ(job->triggers.size(), 1u);
    EXPECT_EQ(job->triggers[0].TriggerType, TASK_TIME_TRIGGER_DAILY);
    EXPECT_EQ(job->triggers[0].wStartHour, 15);
    EXPECT_EQ(job->triggers[0].wStartMinute, 30);
    const bool closed = program.Close();
    EXPECT_TRUE(closed) << "running " << program.Running() << ", exit code " << program.WaitForExit(0).value_or(999);
    EXPECT_EQ(journey::Leftovers(), std::vector<std::string>{});

    // The job's own command line: a scan that writes its log, then the program's own shut-down.
    CreateDirectoryA((program.Folder() + "\\logs").c_str(), nullptr);
    const std::string before = journey::NewestScanLog();
    Program::Options scheduled;
    scheduled.keepInstall = scheduled.keepSettings = true;
    Program scanning(scheduled, Quoted(job->application) + " " + job->parameters);
    ASSERT_NE(scanning.Main(), nullptr) << "the scheduled start showed no window";
    std::string log;
    std::vector<std::string> boxes;
    EXPECT_TRUE(journey::WaitUntil(
        [&] {
            if (auto box = journey::ShownBox(scanning.Pid())) {
                boxes.push_back(box->text);
                box->Press("OK") || box->Press("Cancel");
                journey::WaitUntil([&] { return !IsWindowVisible(box->window); }, 5000);
            }
            log = journey::NewestScanLog();
            return !log.empty() && log != before && scanning.FindButton("Continue", 100);
        },
        300000))
        << "no scan log from the scheduled start; boxes: " << Joined(boxes);
    EXPECT_FALSE(log.empty());
    scanning.AnswerBoxes("OK");
    EXPECT_TRUE(scanning.Close());
    EXPECT_EQ(journey::Leftovers(), std::vector<std::string>{});
}

// A schedule the Task Scheduler cannot take: Save says so, the page stays for it to be put right,
// and the job in force is the one saved before.
TEST(SettingsJourney, AScheduleThatCannotBeSetIsToldAndTheOldOneStays) {
    StartupAndScheduleRestored restore;
    ASSERT_TRUE(testing_support::ScheduleServiceRunning()) << "the Task Scheduler service did not start";
    Program program;
    ASSERT_NE(program.Main(), nullptr) << "the main window never showed";
    program.AnswerBoxes("Cancel");
    ASSERT_TRUE(OpenOptions(program));
    TypeSchedule(program, "daily", "3", "30", "PM", "1");
    ASSERT_TRUE(program.ClickButton("Save"));
    ASSERT_TRUE(program.FindButton("Start Scan", 20000)) << "a valid schedule did not go back home";
    std::optional<ScheduledJob> job;
    ASSERT_TRUE(journey::WaitUntil([&] { return (job = ReadJob()).has_value(); }, 10000)) << "no job";

    struct Case {
        const char* name;
        std::string hour, minute;
    };
    const Case cases[] = {{"hour 25", "25", "30"}, {"a 30,000-character minute", "3", std::string(30000, '5')}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(OpenOptions(program));
        TypeSchedule(program, "daily", c.hour, c.minute, "PM", "1");
        ASSERT_TRUE(program.ClickButton("Save"));
        auto box = program.Box(20000);
        ASSERT_TRUE(box.has_value()) << "Save said nothing";
        EXPECT_NE(box->text.find("The schedule could not be set"), std::string::npos) << box->text;
        EXPECT_TRUE(box->Press("OK"));
        ASSERT_TRUE(journey::WaitUntil([&] { return !IsWindowVisible(box->window); }, 5000));
        EXPECT_NE(program.FindButton("Save", 5000), nullptr) << "the options page did not stay";
        EXPECT_EQ(program.FindButton("Start Scan", 0), nullptr) << "Save went back home as if saved";
        const std::optional<ScheduledJob> now = ReadJob();
        ASSERT_TRUE(now.has_value()) << "the job in force went";
        ASSERT_EQ(now->triggers.size(), 1u);
        EXPECT_EQ(now->triggers[0].wStartHour, 15);
        EXPECT_EQ(now->triggers[0].wStartMinute, 30);
        ASSERT_TRUE(program.ClickButton("Home"));
    }
    EXPECT_TRUE(program.Close());
}

// ---- the Explorer context menu, as Explorer asks for it

// The entries the folder menu's handlers add for a folder ("Directory" handlers, read from the
// registry and created by class id as Explorer does).
std::vector<std::string> FolderMenuEntries(const std::string& folder) {
    std::vector<std::string> entries;
    HKEY handlers = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers", 0, KEY_READ, &handlers) !=
        ERROR_SUCCESS)
        return entries;
    IDataObject* selection = testing_support::ShellSelection({folder});
    char name[256];
    for (DWORD i = 0, n = sizeof name;
         RegEnumKeyExA(handlers, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, n = sizeof name) {
        char text[64] = {};
        LONG size = sizeof text;
        if (RegQueryValueA(handlers, name, text, &size) != ERROR_SUCCESS) continue;
        wchar_t wide[64] = {};
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64);
        CLSID clsid{};
        IShellExtInit* init = nullptr;
        if (FAILED(CLSIDFromString(wide, &clsid)) ||
            FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                    reinterpret_cast<void**>(&init))))
            continue;
        IContextMenu* menu = nullptr;
        if (SUCCEEDED(init->Initialize(nullptr, selection, nullptr)) &&
            SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)))) {
            HMENU popup = CreatePopupMenu();
            menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL);
            for (int m = 0; m < GetMenuItemCount(popup); ++m) {
                char entry[256] = {};
                GetMenuStringA(popup, m, entry, sizeof entry, MF_BYPOSITION);
                entries.push_back(entry);
            }
            DestroyMenu(popup);
            menu->Release();
        }
        init->Release();
    }
    if (selection) selection->Release();
    RegCloseKey(handlers);
    return entries;
}

bool FolderMenuOffersTheScan(const std::string& folder) {
    const auto entries = FolderMenuEntries(folder);
    return std::find(entries.begin(), entries.end(), "Scan with Corvane") != entries.end();
}

// The option ticked and saved puts "Scan with Corvane" on the folder menu; cleared and saved takes
// it away again, and the page reopened shows the box cleared.
TEST(SettingsJourney, TheContextMenuOptionPutsTheScanOnTheFolderMenuAndTakesItAway) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing_support::TempFolder folder;
    Program program;
    ASSERT_NE(program.Main(), nullptr) << "the main window never showed";
    program.AnswerBoxes("Cancel");
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "ticked" : "cleared");
        ASSERT_TRUE(OpenOptions(program));
        SetBox(program, "Add to context menu", on);
        ASSERT_TRUE(program.ClickButton("Save"));
        ASSERT_TRUE(program.FindButton("Start Scan", 20000)) << "Save did not go back to the home page";
        // regsvr32 runs on its own: the menu changes once it has ended, as a person sees it.
        EXPECT_TRUE(journey::WaitUntil([&] { return FolderMenuOffersTheScan(folder.path()) == on; }, 30000))
            << "the folder menu " << (on ? "does not offer" : "still offers") << " the scan";
        ASSERT_TRUE(OpenOptions(program));
        HWND box = OptionsBox(program, "Add to context menu");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Checked(box), on) << "the page reopened";
        ASSERT_TRUE(program.ClickButton("Home"));
    }
    EXPECT_TRUE(program.Close());
    CoUninitialize();
}

// ---- Live Update

std::string DefinitionsSource() {
    return base::ReadWhole(testing_support::SourceDir() + "\\assets\\definitions\\definitions.txt");
}

// A local nginx serving newer signed definitions (update number 2) and news.
struct UpdateServer {
    testing_support::TempFolder www;
    std::optional<testing_support::Nginx> nginx;
    UpdateServer() {
        CreateDirectoryA((www / "updates").c_str(), nullptr);
        modEncryption::LoadEncryption();
        modDefinitions::WriteDefinitionsFile(www / "updates\\defs.dat",
                                             "[SETTINGS]\nUPDATE-FILE-NUMBER=2\n" + DefinitionsSource(),
                                             testing_support::TestSigningKey());
        modEncryption::ReleaseEncryption();
        base::WriteText(www / "updates\\version", "2\n");
        base::WriteText(www / "updates\\News.txt", "New definitions.\r\n");
        nginx.emplace(www.path());
    }
};

// The server as the proxy of the page's Live Update fields (every request goes to it), saved.
void UseServerAsProxy(const Program& program, const UpdateServer& server) {
    ASSERT_TRUE(OpenOptions(program));
    SetBox(program, "Use a proxy", true);
    TypeInto(FieldBy(program, "Server:"), "127.0.0.1", "proxy server");
    TypeInto(FieldBy(program, "Port:"), std::to_string(server.nginx->port()), "proxy port");
    ASSERT_TRUE(program.ClickButton("Save"));
    ASSERT_TRUE(program.FindButton("Start Scan", 10000)) << "Save did not go back to the home page";
}

// Live Update's Start, its boxes answered until it says the update completed.
void UpdateToTheEnd(const Program& program, const UpdateServer& server) {
    ASSERT_TRUE(program.ClickUntil("Live Update", [&] { return program.FindButton("Start", 0) != nullptr; }));
    ASSERT_TRUE(program.ClickButton("Start")) << "no Start in the Live Update window";
    std::vector<std::string> boxes;
    bool done = false;
    journey::WaitUntil(
        [&] {
            if (auto box = journey::ShownBox(program.Pid())) {
                boxes.push_back(box->text);
                done = box->text.find("Update completed") != std::string::npos;
                box->Press("OK") || box->Press("Yes");
                journey::WaitUntil([&] { return !IsWindowVisible(box->window); }, 5000);
            }
            return done;
        },
        60000);
    ASSERT_TRUE(done) << "the update did not complete; boxes: " << Joined(boxes) << "\nserver log:\n"
                      << server.nginx->AccessLog();
}

// Live Update through the proxy fields of the options page, against a local nginx serving newer
// signed definitions: they are installed, and the home page shows their date at once.
TEST(SettingsJourney, LiveUpdateFromALocalServerShowsTheNewDateAtOnce) {
    UpdateServer server;
    ASSERT_TRUE(server.nginx->ok()) << server.nginx->error();
    const testing_support::TempFolder& www = server.www;

    Program program;
    ASSERT_NE(program.Main(), nullptr) << "the main window never showed";
    program.AnswerBoxes("Cancel");
    const std::string before = program.ShownTextStarting("Last Update on:");
    ASSERT_FALSE(before.empty()) << "the home page shows no update date";

    UseServerAsProxy(program, server);
    UpdateToTheEnd(program, server);

    const std::string installed = program.File("defs.dat");
    EXPECT_EQ(journey::Bytes(installed), journey::Bytes(www / "updates\\defs.dat"))
        << "the new definitions not installed";
    const std::string after = program.ShownTextStarting("Last Update on:");
    EXPECT_NE(after, before) << "the home page kept the old date";
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(installed.c_str(), GetFileExInfoStandard, &data));
    FILETIME local{};
    SYSTEMTIME t{};
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &t);
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char date[64];
    wsprintfA(date, "%s %02u, %04u @ %02u:%02u:%02u", months[t.wMonth - 1], t.wDay, t.wYear, t.wHour, t.wMinute,
              t.wSecond);
    EXPECT_EQ(after, std::string("Last Update on: ") + date) << "not the date of the new definitions";
    EXPECT_TRUE(program.Close());
    EXPECT_EQ(journey::Leftovers(), std::vector<std::string>{});
}

// The help viewer's window showing the program's help (its title is the help file's own), in
// whatever process shows it; nullptr when none came within the time.
HWND HelpWindow(DWORD ms) {
    HWND found = nullptr;
    journey::WaitUntil(
        [&] {
            for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, nullptr); w && !found;
                 w = FindWindowExA(nullptr, w, nullptr, nullptr))
                if (IsWindowVisible(w) && journey::TextOf(w) == "Corvane Help") found = w;
            return found != nullptr;
        },
        ms);
    return found;
}

// An ordinary session on the seeded machine: start, a scan, its results, the removal, Live Update
// against the local server (the options saved on the way), Help, close. Nothing in it fails, so
// the error log holds no line.
TEST(SettingsJourney, AnOrdinarySessionLeavesTheErrorLogEmpty) {
    testing_support::SeededMachine machine;
    UpdateServer server;
    ASSERT_TRUE(server.nginx->ok()) << server.nginx->error();
    Program program;
    ASSERT_NE(program.Main(), nullptr) << "the main window never showed";
    program.AnswerBoxes("Cancel");

    ASSERT_TRUE(journey::ChooseScan(program, "Full Scan"));
    std::vector<std::string> boxes;
    ASSERT_TRUE(journey::WaitForScanEnd(program, &boxes)) << "the scan did not end";
    ASSERT_TRUE(program.ClickButton("Continue"));
    HWND list = journey::ResultsList(program);
    ASSERT_NE(list, nullptr) << "no results list after Continue";
    ASSERT_FALSE(journey::ListViewRows(list, 4).empty()) << "the seeded machine gave no findings";
    ASSERT_TRUE(program.ClickButton("Delete"));
    auto asked = program.Box(10000);
    ASSERT_TRUE(asked.has_value()) << "Delete asked nothing";
    EXPECT_TRUE(asked->Press("OK")) << asked->text;
    for (const std::string& t : program.AnswerBoxes("OK", 5000)) std::printf("after Delete: %s\n", t.c_str());
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";

    UseServerAsProxy(program, server);
    UpdateToTheEnd(program, server);

    ASSERT_TRUE(program.ClickButton("Help"));
    HWND help = HelpWindow(30000);
    EXPECT_NE(help, nullptr) << "no help window; boxes: " << Joined(program.AnswerBoxes("OK"));
    if (help) {
        std::printf("help window: %s\n", journey::SaveScreen("help-window").c_str());
        PostMessageA(help, WM_CLOSE, 0, 0);
        EXPECT_TRUE(journey::WaitUntil([&] { return !IsWindow(help) || !IsWindowVisible(help); }, 10000));
    }

    EXPECT_TRUE(program.Close());
    EXPECT_EQ(journey::Leftovers(), std::vector<std::string>{});
    const std::string errorLog = program.File("logs\\errorlog.txt");
    EXPECT_EQ(base::FileExists(errorLog) ? base::ReadWhole(errorLog) : std::string(), "");
}

}  // namespace
