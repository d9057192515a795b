// Schedule and Job through early binding, over the prefix's Task Scheduler service.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/testing/Testing.h"
#include "tests/SchedulerFixture.h"

using namespace vornak_test;

namespace {

constexpr HRESULT kSubscriptOutOfRange = static_cast<HRESULT>(0x800A0009);
constexpr HRESULT kInvalidTaskName = static_cast<HRESULT>(0x80040002);

class ScheduleClass : public SchedulerTest {};

LONG CountOf(_Schedule* schedule) {
    LONG count = -1;
    EXPECT_EQ(schedule->get_Count(&count), S_OK);
    return count;
}

base::ComPtr<_Trigger> AddTrigger(_Triggers* triggers, saTriggerTypes type) {
    base::ComPtr<_Trigger> trigger;
    EXPECT_EQ(triggers->Add(trigger.put()), S_OK);
    if (trigger) {
        EXPECT_EQ(trigger->put_TriggerType(type), S_OK);
    }
    return trigger;
}

base::ComPtr<_Trigger> ItemAt(_Triggers* triggers, int position) {
    Var index;
    V_VT(&index.v) = VT_I4;
    V_I4(&index.v) = position;
    base::ComPtr<_Trigger> trigger;
    EXPECT_EQ(triggers->get_Item(index.v, trigger.put()), S_OK);
    return trigger;
}

std::wstring TextOf(_Trigger* trigger) {
    Bstr text;
    EXPECT_EQ(trigger->get_Text(text.put()), S_OK);
    return text.str();
}

}  // namespace

// The whole road a client takes: create, set up, save, find again after Refresh, delete.
TEST_F(ScheduleClass, CreatesSavesFindsAndDeletesAWorkItemWithThreeKindsOfTrigger) {
    ScopedWorkItem item;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule) << "TaskScheduler.Schedule could not be created";
    ASSERT_EQ(schedule->Refresh(), S_OK);
    LONG before = CountOf(schedule.get());

    base::ComPtr<_Job> job;
    ASSERT_EQ(schedule->CreateTask(item.bstr(), job.put()), S_OK);
    EXPECT_EQ(CountOf(schedule.get()), before + 1) << "a created job counts before any Refresh";
    EXPECT_TRUE(item.ExistsInService()) << "CreateTask saves the new work item";
    Bstr text;
    ASSERT_EQ(job->get_Creator(text.put()), S_OK);
    EXPECT_FALSE(text.str().empty()) << "CreateTask writes the library's title as creator";
    ASSERT_EQ(job->get_Name(text.put()), S_OK);
    EXPECT_EQ(text.str(), item.name());

    Bstr application(L"C:\\windows\\notepad.exe"), parameters(L"/SCAN"), comment(L"nightly"), creator(L"Corvane");
    ASSERT_EQ(job->put_ApplicationName(application.get()), S_OK);
    ASSERT_EQ(job->put_CommandLine(parameters.get()), S_OK);
    ASSERT_EQ(job->put_Comment(comment.get()), S_OK);
    ASSERT_EQ(job->put_Creator(creator.get()), S_OK);

    base::ComPtr<_Triggers> triggers;
    ASSERT_EQ(job->get_Triggers(triggers.put()), S_OK);
    LONG count = -1;
    ASSERT_EQ(triggers->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);

    base::ComPtr<_Trigger> daily = AddTrigger(triggers.get(), ttDaily);
    ASSERT_TRUE(daily);
    saTriggerFlags flags = tfTriggerDisabled;
    ASSERT_EQ(daily->get_Flags(&flags), S_OK);
    EXPECT_EQ(flags, 0) << "a new trigger starts enabled";
    ASSERT_EQ(daily->put_DaysInterval(2), S_OK);
    ASSERT_EQ(daily->put_StartTime(MakeDate(1899, 12, 30, 14, 37, 59)), S_OK);
    ASSERT_EQ(daily->put_BeginDay(MakeDate(2031, 3, 4, 18, 0, 0)), S_OK);

    base::ComPtr<_Trigger> weekly = AddTrigger(triggers.get(), ttWeekly);
    ASSERT_TRUE(weekly);
    ASSERT_EQ(weekly->put_WeeksInterval(1), S_OK);
    ASSERT_EQ(weekly->put_DaysOfTheWeek(static_cast<saTriggerDays>(tdMonday | tdFriday)), S_OK);
    ASSERT_EQ(weekly->put_StartTime(MakeDate(1899, 12, 30, 8, 5)), S_OK);

    base::ComPtr<_Trigger> monthly = AddTrigger(triggers.get(), ttMonthlyDate);
    ASSERT_TRUE(monthly);
    ASSERT_EQ(monthly->put_Months(static_cast<saTriggerMonths>(4095)), S_OK);
    ASSERT_EQ(monthly->put_StartTime(MakeDate(1899, 12, 30, 23, 0)), S_OK);
    ASSERT_EQ(monthly->put_Day(15), S_OK);
    ASSERT_EQ(triggers->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);

    Bstr noFile;
    ASSERT_EQ(job->Save(noFile.get()), S_OK);
    daily.reset();
    weekly.reset();
    monthly.reset();
    triggers.reset();
    job.reset();

    short position = FindJob(schedule.get(), item.name());
    ASSERT_GT(position, 0) << "the saved work item is listed after Refresh";
    ASSERT_EQ(schedule->get_Job(position, job.put()), S_OK);
    ASSERT_EQ(job->get_ApplicationName(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"C:\\windows\\notepad.exe");
    ASSERT_EQ(job->get_CommandLine(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"/SCAN") << "CommandLine holds only the parameters";
    ASSERT_EQ(job->get_Comment(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"nightly");
    ASSERT_EQ(job->get_Creator(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"Corvane");
    ASSERT_EQ(job->get_FileName(text.put()), S_OK);
    EXPECT_EQ(
        CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, text.str().c_str(), -1, Wide(item.FilePath()).c_str(), -1),
        CSTR_EQUAL)
        << Narrow(text.str());
    DATE lastRun = -1;
    ASSERT_EQ(job->get_LastRunTime(&lastRun), S_OK);
    EXPECT_EQ(lastRun, 0.0) << "a work item that never ran";

    ASSERT_EQ(job->get_Triggers(triggers.put()), S_OK);
    ASSERT_EQ(triggers->get_Count(&count), S_OK);
    ASSERT_EQ(count, 3);

    daily = ItemAt(triggers.get(), 1);
    saTriggerTypes type = ttOnce;
    ASSERT_EQ(daily->get_TriggerType(&type), S_OK);
    EXPECT_EQ(type, ttDaily);
    short days = 0;
    ASSERT_EQ(daily->get_DaysInterval(&days), S_OK);
    EXPECT_EQ(days, 2);
    DATE start = 0;
    ASSERT_EQ(daily->get_StartTime(&start), S_OK);
    EXPECT_EQ(Parts(start).wHour, 14);
    EXPECT_EQ(Parts(start).wMinute, 37);
    EXPECT_EQ(Parts(start).wSecond, 0) << "the seconds are dropped";
    DATE begin = 0;
    ASSERT_EQ(daily->get_BeginDay(&begin), S_OK);
    EXPECT_EQ(begin, MakeDate(2031, 3, 4)) << "the time of the begin day is dropped";
    EXPECT_NE(TextOf(daily.get()).find(L"every 2 days"), std::wstring::npos) << Narrow(TextOf(daily.get()));

    weekly = ItemAt(triggers.get(), 2);
    ASSERT_EQ(weekly->get_TriggerType(&type), S_OK);
    EXPECT_EQ(type, ttWeekly);
    saTriggerDays weekDays = tdSunday;
    ASSERT_EQ(weekly->get_DaysOfTheWeek(&weekDays), S_OK);
    EXPECT_EQ(weekDays, tdMonday | tdFriday);
    EXPECT_NE(TextOf(weekly.get()).find(L"Mon, Fri"), std::wstring::npos) << Narrow(TextOf(weekly.get()));

    monthly = ItemAt(triggers.get(), 3);
    ASSERT_EQ(monthly->get_TriggerType(&type), S_OK);
    EXPECT_EQ(type, ttMonthlyDate);
    short day = 0;
    ASSERT_EQ(monthly->get_Day(&day), S_OK);
    EXPECT_EQ(day, 15);
    saTriggerMonths months = tmJanuary;
    ASSERT_EQ(monthly->get_Months(&months), S_OK);
    EXPECT_EQ(months, 4095);
    EXPECT_NE(TextOf(monthly.get()).find(L"day 15"), std::wstring::npos) << Narrow(TextOf(monthly.get()));
    daily.reset();
    weekly.reset();
    monthly.reset();
    triggers.reset();
    job.reset();

    LONG listed = CountOf(schedule.get());
    ASSERT_EQ(schedule->Delete(position), S_OK);
    EXPECT_EQ(CountOf(schedule.get()), listed - 1);
    EXPECT_FALSE(item.ExistsInService());
    EXPECT_EQ(FindJob(schedule.get(), item.name()), 0);
    EXPECT_EQ(CountOf(schedule.get()), before);
}

TEST_F(ScheduleClass, SaveWithAPathWritesACopyAndKeepsTheWorkItemsOwnFile) {
    ScopedWorkItem item;
    testing_support::TempFolder folder;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<_Job> job;
    ASSERT_EQ(schedule->CreateTask(item.bstr(), job.put()), S_OK);
    Bstr comment(L"copy only");
    ASSERT_EQ(job->put_Comment(comment.get()), S_OK);
    Bstr copy(Wide(folder / "copy.job"));
    ASSERT_EQ(job->Save(copy.get()), S_OK);
    EXPECT_NE(GetFileAttributesA((folder / "copy.job").c_str()), INVALID_FILE_ATTRIBUTES);
    Bstr current;
    ASSERT_EQ(job->get_FileName(current.put()), S_OK);
    EXPECT_EQ(
        CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, current.str().c_str(), -1, Wide(item.FilePath()).c_str(), -1),
        CSTR_EQUAL)
        << "the copy does not become the work item's file";
    base::ComPtr<ITask> saved = ActivateRaw(item.name());
    ASSERT_TRUE(saved);
    EXPECT_EQ(RawString(&ITask::GetComment, saved.get()), L"") << "the work item's own file is unchanged";
}

TEST_F(ScheduleClass, CountsOnlyTheWorkItemsItCouldOpen) {
    // A work-item file that the service cannot read is listed by its enumerator.
    struct RemovedAtEnd {
        std::string path;
        ~RemovedAtEnd() { DeleteFileA(path.c_str()); }
    } broken{TasksFolder() + "\\" + testing_support::UniqueName("VornakBroken") + ".job"};
    {
        HANDLE file = CreateFileA(broken.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, "not a work item", 15, &written, nullptr);
        CloseHandle(file);
    }
    ScopedWorkItem item;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<_Job> created;
    ASSERT_EQ(schedule->CreateTask(item.bstr(), created.put()), S_OK);
    created.reset();

    ASSERT_EQ(schedule->Refresh(), S_OK);
    LONG count = CountOf(schedule.get());
    ASSERT_GE(count, 1);
    // Every position up to Count is a job, and the broken file is none of them.
    for (short i = 1; i <= count; ++i) {
        base::ComPtr<_Job> job;
        ASSERT_EQ(schedule->get_Job(i, job.put()), S_OK) << "job " << i << " of " << count;
        Bstr name;
        ASSERT_EQ(job->get_Name(name.put()), S_OK);
        EXPECT_EQ(name.str().find(L"VornakBroken"), std::wstring::npos);
    }
    // The same count through the enumerator.
    base::ComPtr<IUnknown> unknown;
    ASSERT_EQ(schedule->NewEnum(unknown.put()), S_OK);
    base::ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, items.putAs<void>()), S_OK);
    LONG walked = 0;
    for (Var v; items->Next(1, &v.v, nullptr) == S_OK; VariantClear(&v.v)) ++walked;
    EXPECT_EQ(walked, count);
    // Refresh twice gives the same list.
    ASSERT_EQ(schedule->Refresh(), S_OK);
    EXPECT_EQ(CountOf(schedule.get()), count);
}

TEST_F(ScheduleClass, OutOfRangeIndicesFailAndChangeNothing) {
    ScopedWorkItem item;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<_Job> created;
    ASSERT_EQ(schedule->CreateTask(item.bstr(), created.put()), S_OK);
    created.reset();
    ASSERT_GT(FindJob(schedule.get(), item.name()), 0);
    LONG count = CountOf(schedule.get());
    for (short index : {short(0), short(-1), static_cast<short>(count + 1)}) {
        SCOPED_TRACE(index);
        base::ComPtr<_Job> job;
        EXPECT_EQ(schedule->get_Job(index, job.put()), kSubscriptOutOfRange);
        EXPECT_EQ(LastErrorDescription(), L"Subscript out of range");
        EXPECT_EQ(schedule->Delete(index), kSubscriptOutOfRange);
        EXPECT_EQ(CountOf(schedule.get()), count);
    }
    EXPECT_TRUE(item.ExistsInService());
}

TEST_F(ScheduleClass, CreateTaskRefusesTheNameOfAnExistingWorkItem) {
    ScopedWorkItem item;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<_Job> job;
    ASSERT_EQ(schedule->CreateTask(item.bstr(), job.put()), S_OK);
    Bstr comment(L"keep me");
    ASSERT_EQ(job->put_Comment(comment.get()), S_OK);
    Bstr noFile;
    ASSERT_EQ(job->Save(noFile.get()), S_OK);
    job.reset();
    LONG count = CountOf(schedule.get());

    base::ComPtr<_Job> again;
    EXPECT_EQ(schedule->CreateTask(item.bstr(), again.put()), HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
    EXPECT_FALSE(again);
    EXPECT_EQ(CountOf(schedule.get()), count);
    base::ComPtr<ITask> saved = ActivateRaw(item.name());
    ASSERT_TRUE(saved);
    EXPECT_EQ(RawString(&ITask::GetComment, saved.get()), L"keep me") << "the existing work item is untouched";
}

TEST_F(ScheduleClass, DeleteMovesTheLaterJobsUp) {
    ScopedWorkItem first, second, third;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    for (const ScopedWorkItem* item : {&first, &second, &third}) {
        base::ComPtr<_Job> job;
        ASSERT_EQ(schedule->CreateTask(item->bstr(), job.put()), S_OK);
    }
    // Created jobs carry their names at once, so they can be deleted without a Refresh.
    LONG count = CountOf(schedule.get());
    ASSERT_GE(count, 3);
    ASSERT_EQ(schedule->Delete(static_cast<short>(count - 1)), S_OK);  // the second of the three
    EXPECT_FALSE(second.ExistsInService());
    EXPECT_TRUE(first.ExistsInService());
    EXPECT_TRUE(third.ExistsInService());
    EXPECT_EQ(CountOf(schedule.get()), count - 1);
    base::ComPtr<_Job> moved;
    ASSERT_EQ(schedule->get_Job(static_cast<short>(count - 1), moved.put()), S_OK);
    Bstr name;
    ASSERT_EQ(moved->get_Name(name.put()), S_OK);
    EXPECT_EQ(name.str(), third.name());
}

TEST_F(ScheduleClass, ServerUnloadsOnlyWhenTheClientHasReleasedEverything) {
    ScopedWorkItem item;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<_Job> job;
    ASSERT_EQ(schedule->CreateTask(item.bstr(), job.put()), S_OK);
    base::ComPtr<_Triggers> triggers;
    ASSERT_EQ(job->get_Triggers(triggers.put()), S_OK);
    base::ComPtr<_Trigger> trigger;
    ASSERT_EQ(triggers->Add(trigger.put()), S_OK);
    base::ComPtr<IUnknown> enumerator;
    ASSERT_EQ(triggers->NewEnum(enumerator.put()), S_OK);
    Bstr noFile;
    ASSERT_EQ(job->Save(noFile.get()), S_OK);

    // Each object that the client still holds keeps the server loaded, whichever it is.
    EXPECT_EQ(VornakCanUnloadNow(), S_FALSE);
    schedule.reset();
    job.reset();
    triggers.reset();
    EXPECT_EQ(VornakCanUnloadNow(), S_FALSE) << "the trigger and the enumerator are still held";
    trigger.reset();
    EXPECT_EQ(VornakCanUnloadNow(), S_FALSE) << "the enumerator is still held";
    enumerator.reset();
    EXPECT_EQ(VornakCanUnloadNow(), S_OK);

    // A class-factory lock holds it too.
    base::ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_Schedule, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.putAs<void>()),
              S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(VornakCanUnloadNow(), S_FALSE);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(VornakCanUnloadNow(), S_OK);
}

// ---- task names ---------------------------------------------------------------------------------

namespace {

// The longest task name whose work-item file "<tasks folder>\<name>.job" fits MAX_PATH.
size_t LongestTaskName() { return MAX_PATH - 1 - (TasksFolder().size() + 1) - (sizeof ".job" - 1); }

// Every file directly in a folder, by name.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// Deletes whatever a call left in the folder beyond `before`; returns the names it found.
std::vector<std::string> RemoveNewFiles(const std::string& folder, const std::vector<std::string>& before) {
    std::vector<std::string> added;
    for (const std::string& name : FilesIn(folder)) {
        if (std::binary_search(before.begin(), before.end(), name)) continue;
        added.push_back(name);
        DeleteFileA((folder + "\\" + name).c_str());
    }
    return added;
}

// Runs in a child process, as some of these names bring the caller's process down inside the
// service's own code.
class TaskNameChild : public SchedulerTest {
protected:
    void SetUp() override {
        if (!testing_support::IsChildRun()) {
            GTEST_SKIP() << "runs as the child of NamesThatCannotBeAWorkItemFileAreRefusedBeforeTheService";
        }
        CrashEndsTheProcess();
    }
};

}  // namespace

TEST_F(ScheduleClass, NamesThatCannotBeAWorkItemFileAreRefusedBeforeTheService) {
    if (testing_support::IsChildRun()) return;
    EXPECT_EQ(testing_support::RunSelf("TaskNameChild.*"), 0) << "the child failed or crashed";
}

TEST_F(TaskNameChild, CreateTaskRefusesThemAndWritesNothing) {
    const std::wstring unique = Wide(testing_support::UniqueName("VornakBadName"));
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string escaped = std::string(windows) + "\\" + Narrow(unique) + ".job";
    const struct {
        const char* label;
        std::wstring name;
    } rows[] = {
        {"empty", L""},
        {"one past the longest", std::wstring(LongestTaskName() + 1, L'n')},
        {"255 characters", std::wstring(255, L'n')},
        {"300 characters", std::wstring(300, L'n')},
        {"backslash", L"VornakNoFolder\\" + unique},
        {"up to the windows folder", L"..\\" + unique},
        {"slash", L"VornakNoFolder/" + unique},
        {"colon, an alternate stream", unique + L":stream"},
        {"drive", L"C:" + unique},
        {"embedded NUL", unique + std::wstring(1, L'\0') + L"cut"},
        {"wildcard", unique + L"*"},
        {"question mark", unique + L"?"},
        {"quote", unique + L"\""},
        {"angle bracket", unique + L"<"},
        {"pipe", unique + L"|"},
        {"control character", unique + L"\t"},
        {"device NUL", L"NUL"},
        {"device con, lower case", L"con"},
        {"device COM1", L"COM1"},
        {"device LPT9", L"LPT9"},
    };
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    const std::vector<std::string> before = FilesIn(TasksFolder());
    const LONG count = CountOf(schedule.get());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Bstr name(row.name);
        base::ComPtr<_Job> job;
        EXPECT_EQ(schedule->CreateTask(name.get(), job.put()), kInvalidTaskName);
        EXPECT_EQ(LastErrorDescription().rfind(L"Invalid task name", 0), 0u) << Narrow(LastErrorDescription());
        EXPECT_FALSE(job);
        EXPECT_EQ(CountOf(schedule.get()), count);
        EXPECT_EQ(RemoveNewFiles(TasksFolder(), before), std::vector<std::string>{}) << "nothing is written";
        EXPECT_EQ(GetFileAttributesA(escaped.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing outside the folder";
        DeleteFileA(escaped.c_str());
    }
}

// A work-item file whose name is too long for the library (left by some other program) is left
// out of the list like one that cannot be opened.
TEST_F(TaskNameChild, RefreshLeavesOutAWorkItemWhoseNameIsTooLong) {
    ScopedWorkItem item;
    base::ComPtr<_Schedule> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<_Job> job;
    ASSERT_EQ(schedule->CreateTask(item.bstr(), job.put()), S_OK);
    job.reset();
    std::wstring longName = item.name();
    longName.append(LongestTaskName() + 1 - longName.size(), L'n');
    const std::wstring longFile = L"\\\\?\\" + Wide(TasksFolder()) + L"\\" + longName + L".job";
    ASSERT_TRUE(CopyFileW(Wide(item.FilePath()).c_str(), longFile.c_str(), TRUE));
    struct RemovedAtEnd {
        std::wstring path;
        ~RemovedAtEnd() { DeleteFileW(path.c_str()); }
    } removed{longFile};

    ASSERT_GT(FindJob(schedule.get(), item.name()), 0);
    EXPECT_EQ(FindJob(schedule.get(), longName), 0);
}

TEST_F(ScheduleClass, NamesUpToTheLongestAreAccepted) {
    const std::wstring unique = Wide(testing_support::UniqueName("Vornak"));
    std::wstring longest = unique;
    longest.append(LongestTaskName() - longest.size(), L'n');
    for (const std::wstring& name : {longest, L"Corvane scan (nightly) - " + unique + L" & co"}) {
        SCOPED_TRACE(Narrow(name));
        base::ComPtr<_Schedule> schedule = NewSchedule();
        ASSERT_TRUE(schedule);
        Bstr text(name);
        base::ComPtr<_Job> job;
        ASSERT_EQ(schedule->CreateTask(text.get(), job.put()), S_OK);
        job.reset();
        const short position = FindJob(schedule.get(), name);
        EXPECT_GT(position, 0);
        if (position > 0) {
            EXPECT_EQ(schedule->Delete(position), S_OK);
        }
        EXPECT_FALSE(ActivateRaw(name));
        DeleteFileW((L"\\\\?\\" + Wide(TasksFolder()) + L"\\" + name + L".job").c_str());  // whatever failed
    }
}
