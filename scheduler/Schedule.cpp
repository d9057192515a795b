#include "scheduler/Schedule.h"

#include "scheduler/Errors.h"
#include "scheduler/TaskName.h"
#include "scheduler/VariantEnum.h"
#include "scheduler/mdlSchedule.h"

namespace vornak {

namespace {

// The task name of a work-item file name: the name less its ".job".
std::wstring TaskNameOf(const std::wstring& fileName) {
    const std::wstring extension = L".job";
    if (fileName.size() > extension.size() &&
        lstrcmpiW(fileName.c_str() + fileName.size() - extension.size(), extension.c_str()) == 0)
        return fileName.substr(0, fileName.size() - extension.size());
    return fileName;
}

// A job's Name, read through its dispatch interface by the member's name.
std::wstring NameByDispatch(IDispatch* job) {
    wchar_t member[] = L"Name";
    LPOLESTR names[] = {member};
    DISPID id = 0;
    Check(job->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    Check(job->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    HRESULT hr = VariantChangeType(&result, &result, 0, VT_BSTR);
    std::wstring name = SUCCEEDED(hr) ? ToWString(V_BSTR(&result)) : std::wstring();
    VariantClear(&result);
    Check(hr);
    return name;
}

}  // namespace

HRESULT Schedule::Initialize() {
    return CoCreateInstance(kClsidCTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidITaskScheduler,
                            scheduler_.putAs<void>());
}

Job& Schedule::At(short index) {
    if (index < 1 || static_cast<size_t>(index) > jobs_.size()) RaiseRuntime(kSubscriptOutOfRange);
    return *jobs_[static_cast<size_t>(index - 1)].get();
}

HRESULT Schedule::CreateTask(BSTR Name, _Job** ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = nullptr;
        const std::wstring name = ToWString(Name);
        CheckTaskName(name);
        // Some services let NewWorkItem replace a saved work item of the same name with an
        // empty one; refuse as the others do.
        base::ComPtr<IUnknown> existing;
        HRESULT found = RetryWhileShared([&] { return scheduler_->Activate(name.c_str(), kIidITask, existing.put()); });
        if (SUCCEEDED(found)) Raise(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
        if (found == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)) Raise(found);
        existing.reset();

        base::ComPtr<Job> job = MakeObject<Job>();
        base::ComPtr<ITask> task;
        Check(scheduler_->NewWorkItem(name.c_str(), kClsidCTask, kIidITask, task.putAs<IUnknown>()));
        job->AttachJobTask(task.get());
        job->SetJobName(name);
        job->SetCreatorText(kAppTitle);
        job->SaveTo(nullptr);
        jobs_.push_back(job);
        *ret = job->NewReference();
    });
}

HRESULT Schedule::NewEnum(IUnknown** ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = NewEnumerator(jobs_);
    });
}

// Never fails: whatever goes wrong, the list holds the work items that could be opened.
HRESULT Schedule::Refresh() {
    Fence(IID__Schedule, L"TaskScheduler.Schedule", [&] { ReadWorkItems(); });
    SetErrorInfo(0, nullptr);
    return S_OK;
}

void Schedule::ReadWorkItems() {
    jobs_.clear();
    base::ComPtr<IEnumWorkItems> items;
    if (FAILED(scheduler_->Enum(items.put())) || !items) return;
    for (;;) {
        LPWSTR* names = nullptr;
        ULONG fetched = 0;
        HRESULT hr = items->Next(1, &names, &fetched);
        if (hr != S_OK) {
            if (names) CoTaskMemFree(names);
            break;
        }
        if (names && fetched == 1 && names[0]) {
            std::wstring fileName;
            try {
                BSTR text = PtrToStr(names[0]);
                fileName = ToWString(text);
                SysFreeString(text);
            } catch (const ComError&) {
                // A name that can't be read stays empty and is left out like a work item that can't be opened.
            }
            std::wstring taskName = TaskNameOf(fileName);
            base::ComPtr<ITask> task;
            // A name the library would refuse is left out like a work item that can't be opened.
            if (TaskNameFault(taskName).empty() && SUCCEEDED(RetryWhileShared([&] {
                    return scheduler_->Activate(taskName.c_str(), kIidITask, task.putAs<IUnknown>());
                }))) {
                try {
                    base::ComPtr<Job> job = MakeObject<Job>();
                    job->AttachJobTask(task.get());
                    job->SetJobName(taskName);
                    jobs_.push_back(job);
                } catch (const ComError&) {
                    // A work item whose triggers can't be read is left out like one that can't be opened.
                }
            }
        }
        if (names) CoTaskMemFree(names);
    }
}

HRESULT Schedule::Delete(short Index) {
    return Member([&] {
        Job& job = At(Index);
        std::wstring name = NameByDispatch(static_cast<IDispatch*>(&job));
        CheckTaskName(name);
        Check(RetryWhileShared([&] { return scheduler_->Delete(name.c_str()); }));
        jobs_.erase(jobs_.begin() + (Index - 1));
    });
}

HRESULT Schedule::get_Job(short Index, _Job** ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = nullptr;
        *ret = At(Index).NewReference();
    });
}

HRESULT Schedule::get_TargetComputer(BSTR* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = nullptr;
        LPWSTR computer = nullptr;
        Check(scheduler_->GetTargetComputer(&computer));
        *ret = PtrToStr(computer);
    });
}

HRESULT Schedule::put_TargetComputer(BSTR New_Computer) {
    // No name is the local computer.
    return Member([&] { Check(scheduler_->SetTargetComputer(SysStringLen(New_Computer) ? New_Computer : nullptr)); });
}

HRESULT Schedule::get_Count(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = static_cast<LONG>(jobs_.size());
    });
}

}  // namespace vornak
