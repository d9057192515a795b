#include "tests/SchedulerFixture.h"

#include "base/testing/Testing.h"

namespace vornak_test {

namespace {

const CLSID kClsidCTaskScheduler = {0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kIidITaskScheduler = {0x148BD527, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kIidITask = {0x148BD524, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

// The service reads a work item's file whenever it changes; calls that meet it doing so wait
// until it let the file go (however long a loaded machine keeps it reading).
template <class Call>
HRESULT PatientlyShared(Call&& call) {
    HRESULT hr = call();
    for (const DWORD start = GetTickCount();
         hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) && GetTickCount() - start < 60000;) {
        Sleep(25);
        hr = call();
    }
    return hr;
}

base::ComPtr<ITaskScheduler> RawScheduler() {
    base::ComPtr<ITaskScheduler> scheduler;
    CoCreateInstance(kClsidCTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidITaskScheduler, scheduler.putAs<void>());
    return scheduler;
}

// Starts the prefix's Task Scheduler service and registers the server for the whole run;
// takes both back at the end. A child run (RunSelf) uses what its parent set up: it must not
// unregister the server under the parent's feet.
class SchedulerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(testing_support::StartScheduleService()) << "the Task Scheduler service did not start";
        if (testing_support::IsChildRun()) return;
        ASSERT_EQ(RunProgram("regsvr32 /s \"" + VornakPath() + "\""), 0) << "regsvr32 " << VornakPath();
    }
    void TearDown() override {
        if (!testing_support::IsChildRun()) {
            EXPECT_EQ(RunProgram("regsvr32 /u /s \"" + VornakPath() + "\""), 0);
        }
        CoUninitialize();
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new SchedulerEnvironment);

}  // namespace

std::string VornakPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.resize(folder.find_last_of('\\'));
    return folder + "\\Vornak.dll";
}

int RunProgram(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

std::string TasksFolder() {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\Tasks";
}

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string a(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), a.data(), n, nullptr, nullptr);
    return a;
}

HRESULT VornakCanUnloadNow() {
    HMODULE module = GetModuleHandleA("Vornak.dll");
    if (!module) return E_FAIL;
    using Fn = HRESULT(STDAPICALLTYPE*)();
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return fn ? fn() : E_FAIL;
}

ScopedWorkItem::ScopedWorkItem() : name_(Wide(testing_support::UniqueName("VornakTest"))), bstr_(name_) {}

ScopedWorkItem::~ScopedWorkItem() {
    if (base::ComPtr<ITaskScheduler> scheduler = RawScheduler())
        PatientlyShared([&] { return scheduler->Delete(name_.c_str()); });
}

bool ScopedWorkItem::ExistsInService() const {
    return GetFileAttributesA(FilePath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ScopedWorkItem::FilePath() const { return TasksFolder() + "\\" + Narrow(name_) + ".job"; }

base::ComPtr<ITask> ActivateRaw(const std::wstring& name) {
    base::ComPtr<ITask> task;
    if (base::ComPtr<ITaskScheduler> scheduler = RawScheduler())
        PatientlyShared([&] { return scheduler->Activate(name.c_str(), kIidITask, task.putAs<IUnknown>()); });
    return task;
}

std::vector<TASK_TRIGGER> RawTriggers(ITask* task) {
    std::vector<TASK_TRIGGER> result;
    WORD count = 0;
    if (FAILED(task->GetTriggerCount(&count))) return result;
    for (WORD i = 0; i < count; ++i) {
        base::ComPtr<ITaskTrigger> trigger;
        TASK_TRIGGER record{};
        record.cbTriggerSize = sizeof record;
        if (SUCCEEDED(task->GetTrigger(i, trigger.put()))) trigger->GetTrigger(&record);
        result.push_back(record);
    }
    return result;
}

std::wstring RawString(HRESULT (STDMETHODCALLTYPE ITask::*get)(LPWSTR*), ITask* task) {
    LPWSTR text = nullptr;
    if (FAILED((task->*get)(&text)) || !text) return L"<failed>";
    std::wstring result(text);
    CoTaskMemFree(text);
    return result;
}

base::ComPtr<_Schedule> NewSchedule() {
    CLSID clsid{};
    base::ComPtr<_Schedule> schedule;
    if (SUCCEEDED(CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid)))
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Schedule, schedule.putAs<void>());
    return schedule;
}

short FindJob(_Schedule* schedule, const std::wstring& name) {
    schedule->Refresh();
    LONG count = 0;
    schedule->get_Count(&count);
    for (short i = 1; i <= count; ++i) {
        base::ComPtr<_Job> job;
        Bstr jobName;
        if (SUCCEEDED(schedule->get_Job(i, job.put())) && SUCCEEDED(job->get_Name(jobName.put())) &&
            jobName.str() == name)
            return i;
    }
    return 0;
}

std::wstring LastErrorDescription() {
    base::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return {};
    Bstr description;
    info->GetDescription(description.put());
    return description.str();
}

SYSTEMTIME Parts(DATE value) {
    SYSTEMTIME st{};
    VariantTimeToSystemTime(value, &st);
    return st;
}

DATE MakeDate(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    DATE value = 0;
    SystemTimeToVariantTime(&st, &value);
    return value;
}

namespace {
LONG WINAPI EndTheProcess(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }
}  // namespace

void CrashEndsTheProcess() { SetUnhandledExceptionFilter(EndTheProcess); }

void SchedulerTest::TearDown() {
    // Whatever the test created has been released by now: the server must be free to unload.
    HRESULT canUnload = VornakCanUnloadNow();
    if (canUnload != E_FAIL) {
        EXPECT_EQ(canUnload, S_OK) << "objects of Vornak.dll are still alive";
    }
}

}  // namespace vornak_test
