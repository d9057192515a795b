#pragma once
// The Task Scheduler service and the list of its work items; the library's creatable class.
#include <mstask.h>
#include <windows.h>

#include <vector>

#include "TaskScheduler.h"
#include "scheduler/DispatchObject.h"
#include "scheduler/Job.h"

namespace vornak {

class Schedule : public DispatchObject<_Schedule> {
public:
    Schedule() : DispatchObject(L"TaskScheduler.Schedule") {}

    // Creates the service object; a failure here fails the creation of the Schedule.
    HRESULT Initialize();

    HRESULT STDMETHODCALLTYPE CreateTask(BSTR Name, _Job** ret) override;
    HRESULT STDMETHODCALLTYPE NewEnum(IUnknown** ret) override;
    HRESULT STDMETHODCALLTYPE Refresh() override;
    HRESULT STDMETHODCALLTYPE Delete(short Index) override;
    HRESULT STDMETHODCALLTYPE get_Job(short Index, _Job** ret) override;
    HRESULT STDMETHODCALLTYPE get_TargetComputer(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE put_TargetComputer(BSTR New_Computer) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* ret) override;

private:
    void ReadWorkItems();
    Job& At(short index);  // 1-based; "Subscript out of range" outside the list

    base::ComPtr<ITaskScheduler> scheduler_;
    std::vector<base::ComPtr<Job>> jobs_;
};

}  // namespace vornak
