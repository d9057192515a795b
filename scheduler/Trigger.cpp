#include "scheduler/Trigger.h"

#include <algorithm>

#include "scheduler/Errors.h"
#include "scheduler/TriggerText.h"
#include "scheduler/mdlSchedule.h"

namespace vornak {

namespace {

// A 32-bit enumeration value going into a 16-bit field of the record.
WORD ToField16(LONG value) {
    if (value < -32768 || value > 32767) RaiseRuntime(kOverflow);
    return static_cast<WORD>(static_cast<short>(value));
}

// A 16-bit field read back as the 32-bit value it was written from.
LONG FromField16(WORD field) { return static_cast<short>(field); }

}  // namespace

DWORD DayToMonthDays(int day) { return day >= 1 && day <= 31 ? DWORD{1} << (day - 1) : 0; }

int FirstDayOfMonthDays(DWORD days) {
    for (int day = 1; day <= 31; ++day)
        if (days & (DWORD{1} << (day - 1))) return day;
    return 0;
}

void Trigger::AttachTrigger(ITaskTrigger* trigger, IScheduledWorkItem* workItem, short index) {
    trigger_ = trigger;
    workItem_ = workItem;
    index_ = index;
    ReadRecord();
}

void Trigger::Renumber(short index) {
    base::ComPtr<ITaskTrigger> moved;
    Check(workItem_->GetTrigger(static_cast<WORD>(index), moved.put()));
    trigger_ = moved;
    index_ = index;
}

void Trigger::ReadRecord() {
    TASK_TRIGGER fresh{};
    fresh.cbTriggerSize = sizeof(TASK_TRIGGER);
    Check(trigger_->GetTrigger(&fresh));
    record_ = fresh;
}

void Trigger::UpdateService() {
    Check(trigger_->SetTrigger(&record_));
    ReadRecord();
}

void Trigger::RequireType(std::initializer_list<int> types) const {
    if (std::find(types.begin(), types.end(), static_cast<int>(record_.TriggerType)) == types.end())
        RaiseInvalidTriggerType();
}

HRESULT Trigger::get_DaysInterval(short* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        RequireType({TASK_TIME_TRIGGER_DAILY});
        *ret = static_cast<short>(record_.Type.Daily.DaysInterval);
    });
}

HRESULT Trigger::put_DaysInterval(short New_DaysInterval) {
    return Member([&] {
        RequireType({TASK_TIME_TRIGGER_DAILY});
        record_.Type.Daily.DaysInterval = static_cast<WORD>(New_DaysInterval);
    });
}

// The program gives the day of the month it wants; the record keeps a set of days.
HRESULT Trigger::get_Day(short* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        RequireType({TASK_TIME_TRIGGER_MONTHLYDATE});
        *ret = static_cast<short>(FirstDayOfMonthDays(record_.Type.MonthlyDate.rgfDays));
    });
}

HRESULT Trigger::put_Day(short New_Days) {
    return Member([&] {
        RequireType({TASK_TIME_TRIGGER_MONTHLYDATE});
        DWORD days = DayToMonthDays(New_Days);
        if (days == 0) RaiseRuntime(kInvalidProcedureCall);
        record_.Type.MonthlyDate.rgfDays = days;
    });
}

HRESULT Trigger::get_Months(saTriggerMonths* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        RequireType({TASK_TIME_TRIGGER_MONTHLYDATE, TASK_TIME_TRIGGER_MONTHLYDOW});
        WORD field = record_.TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE ? record_.Type.MonthlyDate.rgfMonths
                                                                          : record_.Type.MonthlyDOW.rgfMonths;
        *ret = static_cast<saTriggerMonths>(FromField16(field));
    });
}

HRESULT Trigger::put_Months(saTriggerMonths New_Months) {
    return Member([&] {
        RequireType({TASK_TIME_TRIGGER_MONTHLYDATE, TASK_TIME_TRIGGER_MONTHLYDOW});
        WORD field = ToField16(New_Months);
        if (record_.TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE)
            record_.Type.MonthlyDate.rgfMonths = field;
        else
            record_.Type.MonthlyDOW.rgfMonths = field;
    });
}

HRESULT Trigger::get_DaysOfTheWeek(saTriggerDays* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        RequireType({TASK_TIME_TRIGGER_WEEKLY, TASK_TIME_TRIGGER_MONTHLYDOW});
        WORD field = record_.TriggerType == TASK_TIME_TRIGGER_WEEKLY ? record_.Type.Weekly.rgfDaysOfTheWeek
                                                                     : record_.Type.MonthlyDOW.rgfDaysOfTheWeek;
        *ret = static_cast<saTriggerDays>(FromField16(field));
    });
}

HRESULT Trigger::put_DaysOfTheWeek(saTriggerDays New_DaysOfTheWeek) {
    return Member([&] {
        RequireType({TASK_TIME_TRIGGER_WEEKLY, TASK_TIME_TRIGGER_MONTHLYDOW});
        WORD field = ToField16(New_DaysOfTheWeek);
        if (record_.TriggerType == TASK_TIME_TRIGGER_WEEKLY)
            record_.Type.Weekly.rgfDaysOfTheWeek = field;
        else
            record_.Type.MonthlyDOW.rgfDaysOfTheWeek = field;
    });
}

HRESULT Trigger::get_Week(saTriggerWeeks* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        RequireType({TASK_TIME_TRIGGER_MONTHLYDOW});
        *ret = static_cast<saTriggerWeeks>(FromField16(record_.Type.MonthlyDOW.wWhichWeek));
    });
}

HRESULT Trigger::put_Week(saTriggerWeeks New_Week) {
    return Member([&] {
        RequireType({TASK_TIME_TRIGGER_MONTHLYDOW});
        record_.Type.MonthlyDOW.wWhichWeek = ToField16(New_Week);
    });
}

HRESULT Trigger::get_WeeksInterval(short* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        RequireType({TASK_TIME_TRIGGER_WEEKLY});
        *ret = static_cast<short>(record_.Type.Weekly.WeeksInterval);
    });
}

HRESULT Trigger::put_WeeksInterval(short New_WeeksInterval) {
    return Member([&] {
        RequireType({TASK_TIME_TRIGGER_WEEKLY});
        record_.Type.Weekly.WeeksInterval = static_cast<WORD>(New_WeeksInterval);
    });
}

HRESULT Trigger::Refresh() {
    return Member([&] { ReadRecord(); });
}

HRESULT Trigger::Update() {
    return Member([&] { UpdateService(); });
}

HRESULT Trigger::get_Text(BSTR* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = nullptr;
        LPWSTR text = nullptr;
        HRESULT hr = workItem_->GetTriggerString(static_cast<WORD>(index_), &text);
        if (hr == E_NOTIMPL) {
            // A service without its own wording: describe the trigger as the service holds it.
            base::ComPtr<ITaskTrigger> stored;
            Check(workItem_->GetTrigger(static_cast<WORD>(index_), stored.put()));
            TASK_TRIGGER record{};
            record.cbTriggerSize = sizeof(TASK_TRIGGER);
            Check(stored->GetTrigger(&record));
            *ret = NewBstr(DescribeTrigger(record));
            return;
        }
        Check(hr);
        *ret = PtrToStr(text);
    });
}

HRESULT Trigger::get_TriggerType(saTriggerTypes* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = static_cast<saTriggerTypes>(record_.TriggerType);
    });
}

HRESULT Trigger::put_TriggerType(saTriggerTypes New_TriggerType) {
    return Member([&] { record_.TriggerType = static_cast<TASK_TRIGGER_TYPE>(New_TriggerType); });
}

HRESULT Trigger::get_Duration(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = static_cast<LONG>(record_.MinutesDuration);
    });
}

HRESULT Trigger::put_Duration(LONG New_MinutesDuration) {
    return Member([&] { record_.MinutesDuration = static_cast<DWORD>(New_MinutesDuration); });
}

HRESULT Trigger::get_Interval(LONG* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = static_cast<LONG>(record_.MinutesInterval);
    });
}

HRESULT Trigger::put_Interval(LONG New_MinutesInterval) {
    return Member([&] { record_.MinutesInterval = static_cast<DWORD>(New_MinutesInterval); });
}

HRESULT Trigger::get_Flags(saTriggerFlags* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = static_cast<saTriggerFlags>(record_.rgFlags);
    });
}

HRESULT Trigger::put_Flags(saTriggerFlags New_Flags) {
    return Member([&] { record_.rgFlags = static_cast<DWORD>(New_Flags); });
}

HRESULT Trigger::get_BeginDay(DATE* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        SYSTEMTIME st{};
        st.wYear = record_.wBeginYear;
        st.wMonth = record_.wBeginMonth;
        st.wDay = record_.wBeginDay;
        *ret = DateOrZero(st);
    });
}

HRESULT Trigger::put_BeginDay(DATE New_BeginDay) {
    return Member([&] {
        SYSTEMTIME st = PartsOfDate(New_BeginDay);
        record_.wBeginDay = st.wDay;
        record_.wBeginMonth = st.wMonth;
        record_.wBeginYear = st.wYear;
    });
}

HRESULT Trigger::get_EndDay(DATE* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        SYSTEMTIME st{};
        st.wYear = record_.wEndYear;
        st.wMonth = record_.wEndMonth;
        st.wDay = record_.wEndDay;
        *ret = DateOrZero(st);
    });
}

HRESULT Trigger::put_EndDay(DATE New_EndDay) {
    return Member([&] {
        SYSTEMTIME st = PartsOfDate(New_EndDay);
        record_.wEndDay = st.wDay;
        record_.wEndMonth = st.wMonth;
        record_.wEndYear = st.wYear;
    });
}

HRESULT Trigger::get_RandomInterval(short* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = static_cast<short>(record_.wRandomMinutesInterval);
    });
}

HRESULT Trigger::put_RandomInterval(short New_RandomInterval) {
    return Member([&] { record_.wRandomMinutesInterval = static_cast<WORD>(New_RandomInterval); });
}

HRESULT Trigger::get_StartTime(DATE* ret) {
    return Member([&] {
        if (!ret) Raise(E_POINTER);
        *ret = (record_.wStartHour * 60.0 + record_.wStartMinute) / (24.0 * 60.0);
    });
}

HRESULT Trigger::put_StartTime(DATE New_StartTime) {
    return Member([&] {
        SYSTEMTIME st = PartsOfDate(New_StartTime);
        record_.wStartHour = st.wHour;
        record_.wStartMinute = st.wMinute;
    });
}

}  // namespace vornak
