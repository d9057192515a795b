#pragma once
// Test support for Vornak.dll. The tests use the library as its clients do: registered with
// the prefix's regsvr32, created through COM, over the prefix's own Task Scheduler service.
#include <gtest/gtest.h>
#include <mstask.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <vector>

#include "TaskScheduler.h"
#include "base/ComPtr.h"

namespace vornak_test {

std::string VornakPath();                        // Vornak.dll beside this test program
int RunProgram(const std::string& commandLine);  // waits; the exit code, or -1
std::string TasksFolder();                       // the service's folder of .job files
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// The server's own answer; S_OK when no object of it is alive. E_FAIL when it is not loaded.
HRESULT VornakCanUnloadNow();

// A BSTR owned by the test.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text) : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(s_); }
    BSTR* put() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR get() const { return s_; }
    std::wstring str() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

private:
    BSTR s_ = nullptr;
};

// A variant owned by the test.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(&v); }
};

// A unique work-item name; the guard deletes that work item (if any) when it goes, so a
// failing test leaves nothing behind in the shared Task Scheduler.
class ScopedWorkItem {
public:
    ScopedWorkItem();
    ~ScopedWorkItem();
    ScopedWorkItem(const ScopedWorkItem&) = delete;
    ScopedWorkItem& operator=(const ScopedWorkItem&) = delete;
    const std::wstring& name() const { return name_; }
    BSTR bstr() const { return bstr_.get(); }
    bool ExistsInService() const;
    std::string FilePath() const;  // <tasks folder>\<name>.job

private:
    std::wstring name_;
    Bstr bstr_;
};

// The service's own view of a saved work item, read past the library.
base::ComPtr<ITask> ActivateRaw(const std::wstring& name);
std::vector<TASK_TRIGGER> RawTriggers(ITask* task);
std::wstring RawString(HRESULT (STDMETHODCALLTYPE ITask::*get)(LPWSTR*), ITask* task);

base::ComPtr<_Schedule> NewSchedule();  // by ProgID, as a client does
// The 1-based position of the named job after a Refresh, or 0.
short FindJob(_Schedule* schedule, const std::wstring& name);

// The description of the error object the last failing call left (empty if none).
std::wstring LastErrorDescription();

SYSTEMTIME Parts(DATE value);
DATE MakeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// In a child run (RunSelf): a crash ends the process at once with the exception's code, which
// the parent sees as the exit code, instead of waiting for a debugger.
void CrashEndsTheProcess();

// Every test leaves the server without live objects.
class SchedulerTest : public ::testing::Test {
protected:
    void TearDown() override;
};

}  // namespace vornak_test
