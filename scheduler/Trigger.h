#pragma once
// One trigger of a work item: the service's ITaskTrigger plus a cached TASK_TRIGGER record.
// Property writes change the cache only; Update writes it to the service.
#include <mstask.h>
#include <windows.h>

#include <initializer_list>

#include "TaskScheduler.h"
#include "scheduler/DispatchObject.h"

namespace vornak {

class Trigger : public DispatchObject<_Trigger> {
public:
    Trigger() : DispatchObject(L"TaskScheduler.Trigger") {}

    // Stores the three, and reads the record from the service into the cache.
    void AttachTrigger(ITaskTrigger* trigger, IScheduledWorkItem* workItem, short index);
    // After a trigger in front of this one left the work item: take the new index and the
    // service's trigger object for it, keeping the cached record (and its unsaved changes).
    void Renumber(short index);
    TASK_TRIGGER& Record() { return record_; }
    short Index() const { return index_; }
    void UpdateService();  // Update, throwing

    HRESULT STDMETHODCALLTYPE get_DaysInterval(short* ret) override;
    HRESULT STDMETHODCALLTYPE put_DaysInterval(short New_DaysInterval) override;
    HRESULT STDMETHODCALLTYPE get_Day(short* ret) override;
    HRESULT STDMETHODCALLTYPE put_Day(short New_Days) override;
    HRESULT STDMETHODCALLTYPE get_Months(saTriggerMonths* ret) override;
    HRESULT STDMETHODCALLTYPE put_Months(saTriggerMonths New_Months) override;
    HRESULT STDMETHODCALLTYPE get_DaysOfTheWeek(saTriggerDays* ret) override;
    HRESULT STDMETHODCALLTYPE put_DaysOfTheWeek(saTriggerDays New_DaysOfTheWeek) override;
    HRESULT STDMETHODCALLTYPE get_Week(saTriggerWeeks* ret) override;
    HRESULT STDMETHODCALLTYPE put_Week(saTriggerWeeks New_Week) override;
    HRESULT STDMETHODCALLTYPE get_WeeksInterval(short* ret) override;
    HRESULT STDMETHODCALLTYPE put_WeeksInterval(short New_WeeksInterval) override;
    HRESULT STDMETHODCALLTYPE Refresh() override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE get_Text(BSTR* ret) override;
    HRESULT STDMETHODCALLTYPE get_TriggerType(saTriggerTypes* ret) override;
    HRESULT STDMETHODCALLTYPE put_TriggerType(saTriggerTypes New_TriggerType) override;
    HRESULT STDMETHODCALLTYPE get_Duration(LONG* ret) override;
    HRESULT STDMETHODCALLTYPE put_Duration(LONG New_MinutesDuration) override;
    HRESULT STDMETHODCALLTYPE get_Interval(LONG* ret) override;
    HRESULT STDMETHODCALLTYPE put_Interval(LONG New_MinutesInterval) override;
    HRESULT STDMETHODCALLTYPE get_Flags(saTriggerFlags* ret) override;
    HRESULT STDMETHODCALLTYPE put_Flags(saTriggerFlags New_Flags) override;
    HRESULT STDMETHODCALLTYPE get_BeginDay(DATE* ret) override;
    HRESULT STDMETHODCALLTYPE put_BeginDay(DATE New_BeginDay) override;
    HRESULT STDMETHODCALLTYPE get_EndDay(DATE* ret) override;
    HRESULT STDMETHODCALLTYPE put_EndDay(DATE New_EndDay) override;
    HRESULT STDMETHODCALLTYPE get_RandomInterval(short* ret) override;
    HRESULT STDMETHODCALLTYPE put_RandomInterval(short New_RandomInterval) override;
    HRESULT STDMETHODCALLTYPE get_StartTime(DATE* ret) override;
    HRESULT STDMETHODCALLTYPE put_StartTime(DATE New_StartTime) override;

private:
    void RequireType(std::initializer_list<int> types) const;
    void ReadRecord();

    base::ComPtr<ITaskTrigger> trigger_;
    base::ComPtr<IScheduledWorkItem> workItem_;
    short index_ = 0;
    TASK_TRIGGER record_{};
};

// Day numbers of a monthly-date trigger: day n (1 to 31) is bit n-1 of the record's day set.
DWORD DayToMonthDays(int day);        // 0 when the day is outside 1..31
int FirstDayOfMonthDays(DWORD days);  // lowest day in the set, 0 for an empty set

}  // namespace vornak
