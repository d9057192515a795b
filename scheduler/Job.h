#pragma once
// One work item: its ITask (read and written directly, nothing cached), its name, and its
// triggers.
#include <mstask.h>
#include <windows.h>

#include <string>

#include "TaskScheduler.h"
#include "scheduler/DispatchObject.h"
#include "scheduler/Triggers.h"

namespace vornak {

class Job : public DispatchObject<_Job> {
public:
    Job() : DispatchObject(L"TaskScheduler.Job") {}

    // Stores the task and reads its triggers into a new Triggers collection.
    void AttachJobTask(ITask* task);
    void SetJobName(const std::wstring& name);
    const std::wstring& JobName() const { return name_; }
    void SetCreatorText(const wchar_t* creator);
    void SaveTo(BSTR fileName);  // Save, throwing

    HRESULT STDMETHODCALLTYPE get_ApplicationName(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE put_ApplicationName(BSTR New_App) override;
    HRESULT STDMETHODCALLTYPE get_CommandLine(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE put_CommandLine(BSTR New_CommandLine) override;
    HRESULT STDMETHODCALLTYPE get_Comment(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE put_Comment(BSTR New_Comment) override;
    HRESULT STDMETHODCALLTYPE get_Creator(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE put_Creator(BSTR New_Creator) override;
    HRESULT STDMETHODCALLTYPE get_ErrorRetryCount(short* ret) override;
    HRESULT STDMETHODCALLTYPE put_ErrorRetryCount(short New_ErrorRetryCount) override;
    HRESULT STDMETHODCALLTYPE get_ErrorRetryInterval(short* ret) override;
    HRESULT STDMETHODCALLTYPE put_ErrorRetryInterval(short New_ErrorRetryInterval) override;
    HRESULT STDMETHODCALLTYPE get_ExitCode(LONG* ret) override;
    HRESULT STDMETHODCALLTYPE get_Flags(saTaskFlags* ret) override;
    HRESULT STDMETHODCALLTYPE put_Flags(saTaskFlags New_Flags) override;
    HRESULT STDMETHODCALLTYPE get_IdleWait(short* ret) override;
    HRESULT STDMETHODCALLTYPE put_IdleWait(short New_IdleWait) override;
    HRESULT STDMETHODCALLTYPE get_MaxRunTime(LONG* ret) override;
    HRESULT STDMETHODCALLTYPE put_MaxRunTime(LONG New_MaxRunTimeMS) override;
    HRESULT STDMETHODCALLTYPE get_Priority(LONG* ret) override;
    HRESULT STDMETHODCALLTYPE put_Priority(LONG New_Priority) override;
    HRESULT STDMETHODCALLTYPE get_Status(LONG* ret) override;
    HRESULT STDMETHODCALLTYPE Edit(IDispatch* Parent) override;
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Terminate() override;
    HRESULT STDMETHODCALLTYPE get_LastRunTime(DATE* ret) override;
    HRESULT STDMETHODCALLTYPE get_NextRunTime(DATE* ret) override;
    HRESULT STDMETHODCALLTYPE get_FileName(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE Save(BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE ShowProperties() override;
    HRESULT STDMETHODCALLTYPE get_WorkingDirectory(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE put_WorkingDirectory(BSTR New_WorkingDirectory) override;
    HRESULT STDMETHODCALLTYPE get_Triggers(_Triggers** ret) override;

private:
    base::ComPtr<ITask> task_;
    std::wstring name_;
    base::ComPtr<Triggers> triggers_;
};

}  // namespace vornak
