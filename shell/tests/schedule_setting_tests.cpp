// The scheduled scan through the real Vornak.dll and the prefix's Task Scheduler service: the
// options window registers the library on first use, as an installer would, and reaches the
// Schedule object by its ProgID with late binding.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "base/Launch.h"
#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/tests/CoreTestSupport.h"
#include "shell/LateBound.h"
#include "shell/ScheduleSetting.h"
#include "shell/frmMain.h"
#include "shell/frmOptions.h"
#include "shell/tests/RunValue.h"

namespace {

using lateBound::Object;
using lateBound::Variant;

using shelltest::RunValue;
using shelltest::SetRunValue;

std::string Beside(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.resize(folder.find_last_of('\\') + 1);
    return folder + name;
}

std::string JobFile() {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\Tasks\\" + frmOptions::kTaskName + ".job";
}

// What the service holds for one work item, read back through the library.
struct WorkItem {
    std::string application, parameters, creator;
    long triggers = 0, type = 0, daysOfWeek = 0, months = 0, day = 0;
    double startTime = 0;
};

class ScheduledScan : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        testing_support::StartScheduleService();
    }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override {
        run_ = RunValue();
        ASSERT_TRUE(testing_support::ScheduleServiceRunning()) << "the Task Scheduler service did not start";
        // As a fresh installation: the library in the program folder, not registered yet.
        ASSERT_TRUE(CopyFileA(Beside("Vornak.dll").c_str(), (folder / "Vornak.dll").c_str(), FALSE));
        base::RunAndWait("regsvr32 /u /s \"" + Beside("Vornak.dll") + "\"");
        gb_runCustomSched = false;
        gb_contextMenu = false;
        frmOptions.launcher = [](const std::string&) {};
    }
    void TearDown() override {
        frmOptions.Unload();
        frmOptions.launcher = {};
        frmMain.Unload();
        DeleteFileA(JobFile().c_str());
        base::RunAndWait("regsvr32 /u /s \"" + (folder / "Vornak.dll") + "\"");
        gb_runCustomSched = false;
        SetRunValue(run_);
    }

    // Loads the options window with the custom schedule on, so the load deletes nothing.
    void LoadWindow() {
        gb_runCustomSched = true;
        frmOptions.Load();
        ASSERT_TRUE(frmOptions.taskSchedule.IsOpen()) << "no Schedule object";
    }

    int Count() {
        int n = 0;
        Object& s = frmOptions.taskSchedule.Object();
        s.Call("Refresh");
        for (const Object& job : s.Items())
            if (job.GetText("Name") == frmOptions::kTaskName) ++n;
        return n;
    }

    WorkItem Read() {
        WorkItem w;
        const short index = frmOptions.taskSchedule.GetTaskIndex(frmOptions::kTaskName);
        if (index == 0) return w;
        Object job = frmOptions.taskSchedule.Object().GetObject("Job", {Variant::Short(index)});
        w.application = job.GetText("ApplicationName");
        w.parameters = job.GetText("CommandLine");
        w.creator = job.GetText("Creator");
        Object triggers = job.GetObject("Triggers");
        w.triggers = triggers.GetLong("Count");
        if (w.triggers > 0) {
            Object t = triggers.GetObject("Item", {Variant::Long(1)});
            w.type = t.GetLong("TriggerType");
            Variant start = t.Get("StartTime");
            w.startTime = start.v.vt == VT_DATE ? start.v.date : 0;
            if (w.type == 2) w.daysOfWeek = t.GetLong("DaysOfTheWeek");
            if (w.type == 3) {
                w.months = t.GetLong("Months");
                w.day = t.GetLong("Day");
            }
        }
        return w;
    }

    static int MinutesOfDay(double date) {
        const double fraction = date - static_cast<long long>(date);
        return static_cast<int>(fraction * 24 * 60 + 0.5);
    }

    testing_support::ScopedProgramFolder folder;
    core_test::ScopedSettingsRoot settingsRoot;
    std::optional<std::string> run_;
};

TEST_F(ScheduledScan, ADailyScheduleIsCreatedReadBackAndReplacedByTheNextOne) {
    LoadWindow();
    frmOptions.setSchedule("daily|10|30|PM|1|1");
    EXPECT_TRUE(gb_runCustomSched);
    WorkItem w = Read();
    EXPECT_EQ(w.application, folder / "Corvane.exe");
    EXPECT_EQ(w.parameters, "/SCAN");
    EXPECT_EQ(w.creator, frmOptions::kTaskName);
    EXPECT_EQ(w.triggers, 1);
    EXPECT_EQ(w.type, 1);
    EXPECT_EQ(MinutesOfDay(w.startTime), 22 * 60 + 30);
    EXPECT_NE(GetFileAttributesA(JobFile().c_str()), INVALID_FILE_ATTRIBUTES) << "no work item file";

    frmOptions.setSchedule("daily|07|15|AM|1|1");
    EXPECT_EQ(Count(), 1) << "two daily schedules in a row leave one work item";
    EXPECT_EQ(MinutesOfDay(Read().startTime), 7 * 60 + 15);
}

TEST_F(ScheduledScan, WeeklyAndMonthlyTriggersCarryTheirDays) {
    LoadWindow();
    struct Row {
        const char* args;
        long type, daysOfWeek, months, day;
        int minutes;
    };
    const Row rows[] = {
        {"weekly|08|05|AM|7|1", 2, 1, 0, 0, 8 * 60 + 5},
        {"weekly|08|05|AM|x|1", 2, 1, 0, 0, 8 * 60 + 5},
        {"weekly|12|00|PM|3|1", 2, 8, 0, 0, 12 * 60},
        {"monthly|11|00|PM|1|15", 3, 0, 4095, 15, 23 * 60},
    };
    for (const Row& r : rows) {
        frmOptions.setSchedule(r.args);
        const WorkItem w = Read();
        EXPECT_EQ(w.type, r.type) << r.args;
        EXPECT_EQ(w.daysOfWeek, r.daysOfWeek) << r.args;
        EXPECT_EQ(w.months, r.months) << r.args;
        EXPECT_EQ(w.day, r.day) << r.args;
        EXPECT_EQ(MinutesOfDay(w.startTime), r.minutes) << r.args;
        EXPECT_EQ(Count(), 1) << r.args;
    }
}

TEST_F(ScheduledScan, ABadTextNeverReplacesTheScheduleInForce) {
    LoadWindow();
    frmOptions.setSchedule("daily|10|30|PM|1|1");
    // Too few fields: the caller's error, before the Task Scheduler is touched.
    try {
        frmOptions.setSchedule("daily|10");
        ADD_FAILURE() << "no error for too few fields";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number(), 9);
    }
    for (const char* bad : {"Daily|10|30|PM|1|1", "daily|25|30|PM|1|1", "daily|10|61||1|1", "monthly|10|00|AM|1|40",
                            "weekly|ab|00|AM|1|1"}) {
        frmOptions.setSchedule(bad);
        const WorkItem w = Read();
        EXPECT_EQ(w.type, 1) << bad;
        EXPECT_EQ(w.parameters, "/SCAN") << bad;
        EXPECT_EQ(MinutesOfDay(w.startTime), 22 * 60 + 30) << bad;
    }
}

TEST_F(ScheduledScan, NeverOrALoadWithTheScheduleOffDeletesTheWorkItem) {
    LoadWindow();
    frmOptions.setSchedule("never|10|30|PM|1|1");
    EXPECT_FALSE(gb_runCustomSched);
    EXPECT_FALSE(frmOptions.cmdEditSched.Enabled());
    EXPECT_EQ(Count(), 0);

    frmOptions.setSchedule("daily|10|30|PM|1|1");
    ASSERT_EQ(Count(), 1);
    frmOptions.setSchedule("never|10|30|PM|1|1");
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(GetFileAttributesA(JobFile().c_str()), INVALID_FILE_ATTRIBUTES);

    frmOptions.setSchedule("daily|10|30|PM|1|1");
    frmOptions.Unload();
    gb_runCustomSched = false;
    frmOptions.Load();
    EXPECT_EQ(Count(), 0) << "a load with the custom schedule off keeps a work item";
    frmOptions.chkCustomSched.SetValue(1);
    EXPECT_TRUE(gb_runCustomSched);
    EXPECT_TRUE(frmOptions.cmdEditSched.Enabled());
}

TEST_F(ScheduledScan, EditScheduleOpensThePropertySheetOfTheWorkItemOnly) {
    LoadWindow();
    frmOptions.showCustomSchedule();
    EXPECT_TRUE(base::modal::Seen().empty()) << "a property sheet without a work item";
    frmOptions.setSchedule("daily|10|30|PM|1|1");
    std::string title;
    base::modal::Expect("TaskProperties", [&](const base::modal::Step& s) -> long {
        title = s.title;
        return 1;
    });
    frmOptions.showCustomSchedule();
    EXPECT_EQ(title, frmOptions::kTaskName);
    EXPECT_EQ(base::modal::Pending(), 0u);
}

TEST_F(ScheduledScan, AWorkItemNamedInOtherLettersIsFoundAndReplaced) {
    LoadWindow();
    scheduleSetting::ScheduleRequest request;
    request.triggerType = 1;
    request.hour = 3;
    frmOptions.taskSchedule.CreateScan("CORVANE", "C:\\elsewhere.exe", request);
    EXPECT_NE(frmOptions.taskSchedule.GetTaskIndex("corvane"), 0);
    frmOptions.setSchedule("daily|04|00|AM|1|1");
    EXPECT_EQ(Read().application, folder / "Corvane.exe");
    int all = 0;
    Object& s = frmOptions.taskSchedule.Object();
    s.Call("Refresh");
    for (const Object& job : s.Items())
        if (_stricmp(job.GetText("Name").c_str(), frmOptions::kTaskName) == 0) ++all;
    EXPECT_EQ(all, 1);
}

}  // namespace

// The options page of the main movie as a user saves it: the globals, the store and the schedule
// change together; a value the page cannot hold changes none of them and keeps the page open.
TEST_F(ScheduledScan, TheOptionsPageSavesTheGlobalsTheStoreAndTheScheduleOrNothing) {
    ASSERT_TRUE(
        CopyFileA((testing_support::ProgramDir() + "\\corvane.scw").c_str(), (folder / "corvane.scw").c_str(), FALSE));
    gb_runCustomSched = true;
    gb_autoRemove = false;
    gb_numberDays = 10;
    frmMain.Load();
    frmMain.flash.LoadMovie(0, folder / "corvane.scw");
    frmMain.flash_FSCommand("IDC_FS_OPTIONS", "");
    ASSERT_EQ(frmMain.flash.CurrentFrame(), frmMain::Options);
    ASSERT_TRUE(frmOptions.Loaded());
    auto& movie = frmMain.flash;
    movie.SetVariable("_root.Options_GO_RM", "1");
    movie.SetVariable("_root.DaysOld", "25");
    for (auto [name, value] : {std::pair{"_root.scheduleType", "weekly"},
                               {"_root.hourValue", "08"},
                               {"_root.minuteValue", "05"},
                               {"_root.dayTime", "AM"},
                               {"_root.dayName", "3"},
                               {"_root.monthDate", "1"}})
        movie.SetVariable(name, value);
    ASSERT_TRUE(movie.ClickButton("IDC_FS_SAVESETTINGS"));
    EXPECT_TRUE(gb_autoRemove);
    EXPECT_EQ(gb_numberDays, 25);
    EXPECT_EQ(settings::GetSetting("AutoRemove", "AutoRemove", ""), "True");
    EXPECT_EQ(settings::GetSetting("ScanSections", "NumberDays", ""), "25");
    EXPECT_EQ(movie.CurrentFrame(), frmMain::Home);
    EXPECT_FALSE(frmOptions.Loaded());
    frmOptions.Load();
    WorkItem w = Read();
    EXPECT_EQ(w.type, 2);
    EXPECT_EQ(w.daysOfWeek, 8);  // Wednesday
    EXPECT_EQ(MinutesOfDay(w.startTime), 8 * 60 + 5);
    frmOptions.Unload();

    frmMain.flash_FSCommand("IDC_FS_OPTIONS", "");
    movie.SetVariable("_root.Options_GO_RM", "0");
    movie.SetVariable("_root.DaysOld", "many");
    movie.SetVariable("_root.scheduleType", "daily");
    ASSERT_TRUE(movie.ClickButton("IDC_FS_SAVESETTINGS"));
    EXPECT_TRUE(gb_autoRemove) << "a global changed although the page did not convert";
    EXPECT_EQ(settings::GetSetting("AutoRemove", "AutoRemove", ""), "True");
    EXPECT_EQ(movie.CurrentFrame(), frmMain::Options) << "the page closed over the user's values";
    EXPECT_NE(frmMain.StatusBar1.PanelText(1), "");
    if (!frmOptions.Loaded()) frmOptions.Load();
    EXPECT_EQ(Read().type, 2) << "the schedule changed although the page did not convert";
}
