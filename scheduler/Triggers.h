#pragma once
// The triggers of one work item, in the order of their indices in the service.
#include <mstask.h>
#include <windows.h>

#include <vector>

#include "TaskScheduler.h"
#include "scheduler/DispatchObject.h"
#include "scheduler/Trigger.h"

namespace vornak {

class Triggers : public DispatchObject<_Triggers> {
public:
    Triggers() : DispatchObject(L"TaskScheduler.Triggers") {}

    // Stores the work item and reads its triggers (Update).
    void AttachTriggersItem(IScheduledWorkItem* workItem);
    // Writes every trigger of the list to the service, in list order; the first failure ends it.
    void UpdateAll();

    HRESULT STDMETHODCALLTYPE Add(_Trigger** ret) override;
    HRESULT STDMETHODCALLTYPE NewEnum(IUnknown** ret) override;
    HRESULT STDMETHODCALLTYPE Remove(short Index) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* ret) override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT Index, _Trigger** ret) override;
    HRESULT STDMETHODCALLTYPE Update() override;

private:
    void ReadList();

    std::vector<base::ComPtr<Trigger>> list_;
    base::ComPtr<IScheduledWorkItem> workItem_;
};

}  // namespace vornak
