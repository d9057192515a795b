#include "scheduler/Triggers.h"

#include "scheduler/Errors.h"
#include "scheduler/VariantEnum.h"

namespace vornak {

namespace {

// The 1-based position that a collection index variant names.
long PositionOf(const VARIANT& index) {
    VARIANT value;
    VariantInit(&value);
    if (FAILED(VariantCopyInd(&value, const_cast<VARIANT*>(&index)))) RaiseRuntime(kTypeMismatch);
    // The list has no keys, so a text names no item.
    if (V_VT(&value) == VT_BSTR) {
        VariantClear(&value);
        RaiseRuntime(kInvalidProcedureCall);
    }
    HRESULT hr = VariantChangeType(&value, &value, 0, VT_I4);
    if (FAILED(hr)) {
        VariantClear(&value);
        if (hr == DISP_E_OVERFLOW) RaiseRuntime(kSubscriptOutOfRange);
        RaiseRuntime(kTypeMismatch);
    }
    return V_I4(&value);
}

}  // namespace

void Triggers::AttachTriggersItem(IScheduledWorkItem* workItem) {
    workItem_ = workItem;
    ReadList();
}

void Triggers::ReadList() {
    list_.clear();
    WORD count = 0;
    Check(workItem_->GetTriggerCount(&count));
    for (WORD i = 0; i < count; ++i) {
        base::ComPtr<ITaskTrigger> serviceTrigger;
        Check(workItem_->GetTrigger(i, serviceTrigger.put()));
        base::ComPtr<Trigger> trigger = MakeObject<Trigger>();
        trigger->AttachTrigger(serviceTrigger.get(), workItem_.get(), static_cast<short>(i));
        list_.push_back(trigger);
    }
}

void Triggers::UpdateAll() {
    for (const base::ComPtr<Trigger>& trigger : list_) trigger->UpdateService();
}

HRESULT Triggers::Add(_Trigger** ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = nullptr;
        WORD index = 0;
        base::ComPtr<ITaskTrigger> serviceTrigger;
        Check(workItem_->CreateTrigger(&index, serviceTrigger.put()));
        base::ComPtr<Trigger> trigger = MakeObject<Trigger>();
        trigger->AttachTrigger(serviceTrigger.get(), workItem_.get(), static_cast<short>(index));
        trigger->Record().rgFlags = 0;
        list_.push_back(trigger);
        *ret = trigger->NewReference();
    });
}

HRESULT Triggers::NewEnum(IUnknown** ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = NewEnumerator(list_);
    });
}

// The trigger leaves the work item first and the list only when the service agreed, so that
// list and work item never disagree; the triggers behind it take their new service indices.
HRESULT Triggers::Remove(short Index) {
    return Member([&] {
        if (Index < 1 || static_cast<size_t>(Index) > list_.size()) RaiseRuntime(kSubscriptOutOfRange);
        Check(workItem_->DeleteTrigger(static_cast<WORD>(Index - 1)));
        list_.erase(list_.begin() + (Index - 1));
        for (size_t i = static_cast<size_t>(Index - 1); i < list_.size(); ++i)
            list_[i]->Renumber(static_cast<short>(i));
    });
}

HRESULT Triggers::get_Count(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = static_cast<LONG>(list_.size());
    });
}

HRESULT Triggers::get_Item(VARIANT Index, _Trigger** ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = nullptr;
        long position = PositionOf(Index);
        if (position < 1 || static_cast<size_t>(position) > list_.size()) RaiseRuntime(kSubscriptOutOfRange);
        *ret = list_[static_cast<size_t>(position - 1)]->NewReference();
    });
}

HRESULT Triggers::Update() {
    return Member([&] { ReadList(); });
}

}  // namespace vornak
