#include "scheduler/Job.h"

#include "scheduler/Errors.h"
#include "scheduler/mdlSchedule.h"

namespace vornak {

namespace {

// A string that the service hands back, as the member's BSTR result.
template <class Getter>
void ServiceString(BSTR* ret, Getter&& get) {
    if (!ret) Raise(E_POINTER);
    *ret = nullptr;
    LPWSTR text = nullptr;
    Check(get(&text));
    *ret = PtrToStr(text);
}

template <class Getter>
void ServiceDate(DATE* ret, Getter&& get) {
    if (!ret) Raise(E_POINTER);
    SYSTEMTIME st{};
    Check(get(&st));
    *ret = DateOrZero(st);
}

}  // namespace

void Job::AttachJobTask(ITask* task) {
    task_ = task;
    base::ComPtr<Triggers> triggers = MakeObject<Triggers>();
    triggers->AttachTriggersItem(task_.get());
    triggers_ = triggers;
}

void Job::SetJobName(const std::wstring& name) { name_ = name; }

void Job::SetCreatorText(const wchar_t* creator) { Check(task_->SetCreator(creator)); }

void Job::SaveTo(BSTR fileName) {
    triggers_->UpdateAll();
    base::ComPtr<IPersistFile> file;
    Check(task_->QueryInterface(IID_IPersistFile, file.putAs<void>()));
    // No name: the work item's own file in the task folder. A name: a copy, which does not
    // become the work item's current file.
    LPCOLESTR target = SysStringLen(fileName) == 0 ? nullptr : fileName;
    Check(RetryWhileShared([&] { return file->Save(target, FALSE); }));
}

HRESULT Job::get_ApplicationName(BSTR* ret) {
    return Member([&] { ServiceString(ret, [&](LPWSTR* p) { return task_->GetApplicationName(p); }); });
}

HRESULT Job::put_ApplicationName(BSTR New_App) {
    return Member([&] { Check(task_->SetApplicationName(Text(New_App))); });
}

HRESULT Job::get_CommandLine(BSTR* ret) {
    return Member([&] { ServiceString(ret, [&](LPWSTR* p) { return task_->GetParameters(p); }); });
}

HRESULT Job::put_CommandLine(BSTR New_CommandLine) {
    return Member([&] { Check(task_->SetParameters(Text(New_CommandLine))); });
}

HRESULT Job::get_Comment(BSTR* ret) {
    return Member([&] { ServiceString(ret, [&](LPWSTR* p) { return task_->GetComment(p); }); });
}

HRESULT Job::put_Comment(BSTR New_Comment) {
    return Member([&] { Check(task_->SetComment(Text(New_Comment))); });
}

HRESULT Job::get_Creator(BSTR* ret) {
    return Member([&] { ServiceString(ret, [&](LPWSTR* p) { return task_->GetCreator(p); }); });
}

HRESULT Job::put_Creator(BSTR New_Creator) {
    return Member([&] { SetCreatorText(Text(New_Creator)); });
}

HRESULT Job::get_ErrorRetryCount(short* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        WORD value = 0;
        Check(task_->GetErrorRetryCount(&value));
        *ret = static_cast<short>(value);
    });
}

HRESULT Job::put_ErrorRetryCount(short New_ErrorRetryCount) {
    return Member([&] { Check(task_->SetErrorRetryCount(static_cast<WORD>(New_ErrorRetryCount))); });
}

HRESULT Job::get_ErrorRetryInterval(short* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        WORD value = 0;
        Check(task_->GetErrorRetryInterval(&value));
        *ret = static_cast<short>(value);
    });
}

HRESULT Job::put_ErrorRetryInterval(short New_ErrorRetryInterval) {
    return Member([&] { Check(task_->SetErrorRetryInterval(static_cast<WORD>(New_ErrorRetryInterval))); });
}

HRESULT Job::get_ExitCode(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        DWORD value = 0;
        Check(task_->GetExitCode(&value));
        *ret = static_cast<LONG>(value);
    });
}

HRESULT Job::get_Flags(saTaskFlags* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        DWORD value = 0;
        Check(task_->GetFlags(&value));
        *ret = static_cast<saTaskFlags>(value);
    });
}

HRESULT Job::put_Flags(saTaskFlags New_Flags) {
    return Member([&] { Check(task_->SetFlags(static_cast<DWORD>(New_Flags))); });
}

HRESULT Job::get_IdleWait(short* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        WORD idle = 0, deadline = 0;
        Check(task_->GetIdleWait(&idle, &deadline));
        *ret = static_cast<short>(idle);
    });
}

// Only the idle minutes are exposed; the deadline stays what the work item has.
HRESULT Job::put_IdleWait(short New_IdleWait) {
    return Member([&] {
        WORD idle = 0, deadline = 0;
        Check(task_->GetIdleWait(&idle, &deadline));
        Check(task_->SetIdleWait(static_cast<WORD>(New_IdleWait), deadline));
    });
}

HRESULT Job::get_MaxRunTime(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        DWORD value = 0;
        Check(task_->GetMaxRunTime(&value));
        *ret = static_cast<LONG>(value);
    });
}

HRESULT Job::put_MaxRunTime(LONG New_MaxRunTimeMS) {
    return Member([&] { Check(task_->SetMaxRunTime(static_cast<DWORD>(New_MaxRunTimeMS))); });
}

HRESULT Job::get_Priority(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        DWORD value = 0;
        Check(task_->GetPriority(&value));
        *ret = static_cast<LONG>(value);
    });
}

HRESULT Job::put_Priority(LONG New_Priority) {
    return Member([&] { Check(task_->SetPriority(static_cast<DWORD>(New_Priority))); });
}

HRESULT Job::get_Status(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        HRESULT status = S_OK;
        Check(task_->GetStatus(&status));
        *ret = static_cast<LONG>(status);
    });
}

HRESULT Job::Edit(IDispatch*) {
    return Member([&] { Check(task_->EditWorkItem(nullptr, 0)); });
}

HRESULT Job::Run() {
    return Member([&] { Check(task_->Run()); });
}

HRESULT Job::Terminate() {
    return Member([&] { Check(task_->Terminate()); });
}

HRESULT Job::get_LastRunTime(DATE* ret) {
    return Member([&] { ServiceDate(ret, [&](SYSTEMTIME* st) { return task_->GetMostRecentRunTime(st); }); });
}

HRESULT Job::get_NextRunTime(DATE* ret) {
    return Member([&] { ServiceDate(ret, [&](SYSTEMTIME* st) { return task_->GetNextRunTime(st); }); });
}

HRESULT Job::get_FileName(BSTR* ret) {
    return Member([&] {
        base::ComPtr<IPersistFile> file;
        Check(task_->QueryInterface(IID_IPersistFile, file.putAs<void>()));
        ServiceString(ret, [&](LPWSTR* p) { return file->GetCurFile(p); });
    });
}

HRESULT Job::get_Name(BSTR* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = NewBstr(name_);
    });
}

HRESULT Job::Save(BSTR FileName) {
    return Member([&] { SaveTo(FileName); });
}

HRESULT Job::ShowProperties() {
    return Member([&] { Check(task_->EditWorkItem(nullptr, 0)); });
}

HRESULT Job::get_WorkingDirectory(BSTR* ret) {
    return Member([&] { ServiceString(ret, [&](LPWSTR* p) { return task_->GetWorkingDirectory(p); }); });
}

HRESULT Job::put_WorkingDirectory(BSTR New_WorkingDirectory) {
    return Member([&] { Check(task_->SetWorkingDirectory(Text(New_WorkingDirectory))); });
}

HRESULT Job::get_Triggers(_Triggers** ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = triggers_->NewReference();
    });
}

}  // namespace vornak
