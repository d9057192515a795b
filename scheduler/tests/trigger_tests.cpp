// Triggers and Trigger over a real work item of the prefix's Task Scheduler.
#include <gtest/gtest.h>

#include <functional>

#include "tests/SchedulerFixture.h"

using namespace vornak_test;

namespace {

constexpr HRESULT kInvalidTriggerType = static_cast<HRESULT>(0x80040001);
constexpr HRESULT kInvalidProcedureCall = static_cast<HRESULT>(0x800A0005);
constexpr HRESULT kOverflow = static_cast<HRESULT>(0x800A0006);
constexpr HRESULT kSubscriptOutOfRange = static_cast<HRESULT>(0x800A0009);

// A saved work item with its Triggers collection.
class TriggerTest : public SchedulerTest {
protected:
    void SetUp() override {
        schedule_ = NewSchedule();
        ASSERT_TRUE(schedule_);
        ASSERT_EQ(schedule_->CreateTask(item_.bstr(), job_.put()), S_OK);
        ASSERT_EQ(job_->get_Triggers(triggers_.put()), S_OK);
    }
    void TearDown() override {
        triggers_.reset();
        job_.reset();
        schedule_.reset();
        SchedulerTest::TearDown();
    }

    base::ComPtr<_Trigger> Add(saTriggerTypes type) {
        base::ComPtr<_Trigger> trigger;
        EXPECT_EQ(triggers_->Add(trigger.put()), S_OK);
        if (trigger) {
            EXPECT_EQ(trigger->put_TriggerType(type), S_OK);
        }
        return trigger;
    }
    base::ComPtr<_Trigger> Item(int position) {
        Var index;
        V_VT(&index.v) = VT_I4;
        V_I4(&index.v) = position;
        base::ComPtr<_Trigger> trigger;
        EXPECT_EQ(triggers_->get_Item(index.v, trigger.put()), S_OK);
        return trigger;
    }
    LONG Count() {
        LONG count = -1;
        EXPECT_EQ(triggers_->get_Count(&count), S_OK);
        return count;
    }
    void Save() {
        Bstr noFile;
        ASSERT_EQ(job_->Save(noFile.get()), S_OK);
    }
    std::vector<TASK_TRIGGER> Saved() {
        base::ComPtr<ITask> task = ActivateRaw(item_.name());
        EXPECT_TRUE(task);
        return task ? RawTriggers(task.get()) : std::vector<TASK_TRIGGER>{};
    }
    static std::wstring TextOf(_Trigger* trigger) {
        Bstr text;
        EXPECT_EQ(trigger->get_Text(text.put()), S_OK);
        return text.str();
    }

    ScopedWorkItem item_;
    base::ComPtr<_Schedule> schedule_;
    base::ComPtr<_Job> job_;
    base::ComPtr<_Triggers> triggers_;
};

// One type-specific property, read and written as a 32-bit value.
struct Property {
    const char* name;
    std::vector<saTriggerTypes> validFor;
    LONG sample;  // a value the property accepts
    std::function<HRESULT(_Trigger*, LONG*)> get;
    std::function<HRESULT(_Trigger*, LONG)> put;
};

template <class T>
std::function<HRESULT(_Trigger*, LONG*)> Getter(HRESULT (STDMETHODCALLTYPE _Trigger::*get)(T*)) {
    return [get](_Trigger* t, LONG* out) {
        T value{};
        HRESULT hr = (t->*get)(&value);
        *out = static_cast<LONG>(value);
        return hr;
    };
}

template <class T>
std::function<HRESULT(_Trigger*, LONG)> Putter(HRESULT (STDMETHODCALLTYPE _Trigger::*put)(T)) {
    return [put](_Trigger* t, LONG value) { return (t->*put)(static_cast<T>(value)); };
}

const std::vector<Property>& TypeSpecificProperties() {
    static const std::vector<Property> rows = {
        {"DaysInterval", {ttDaily}, 3, Getter(&_Trigger::get_DaysInterval), Putter(&_Trigger::put_DaysInterval)},
        {"WeeksInterval", {ttWeekly}, 2, Getter(&_Trigger::get_WeeksInterval), Putter(&_Trigger::put_WeeksInterval)},
        {"DaysOfTheWeek",
         {ttWeekly, ttMonthlyWeekDay},
         tdTuesday,
         Getter(&_Trigger::get_DaysOfTheWeek),
         Putter(&_Trigger::put_DaysOfTheWeek)},
        {"Week", {ttMonthlyWeekDay}, twThird, Getter(&_Trigger::get_Week), Putter(&_Trigger::put_Week)},
        {"Months",
         {ttMonthlyDate, ttMonthlyWeekDay},
         tmMarch | tmJune,
         Getter(&_Trigger::get_Months),
         Putter(&_Trigger::put_Months)},
        {"Day", {ttMonthlyDate}, 9, Getter(&_Trigger::get_Day), Putter(&_Trigger::put_Day)},
    };
    return rows;
}

bool ValidFor(const Property& p, saTriggerTypes type) {
    for (saTriggerTypes t : p.validFor)
        if (t == type) return true;
    return false;
}

}  // namespace

TEST_F(TriggerTest, TypeSpecificPropertiesRefuseOtherTriggerTypes) {
    base::ComPtr<_Trigger> trigger = Add(ttDaily);
    ASSERT_TRUE(trigger);
    for (const Property& p : TypeSpecificProperties()) {
        SCOPED_TRACE(p.name);
        // Put a known value in under a type that owns the property.
        ASSERT_EQ(trigger->put_TriggerType(p.validFor.front()), S_OK);
        ASSERT_EQ(p.put(trigger.get(), p.sample), S_OK);
        for (int type = ttOnce; type <= ttAtLogon; ++type) {
            SCOPED_TRACE(type);
            ASSERT_EQ(trigger->put_TriggerType(static_cast<saTriggerTypes>(type)), S_OK);
            LONG value = -1;
            if (ValidFor(p, static_cast<saTriggerTypes>(type))) {
                EXPECT_EQ(p.get(trigger.get(), &value), S_OK);
                continue;
            }
            EXPECT_EQ(p.get(trigger.get(), &value), kInvalidTriggerType);
            EXPECT_EQ(LastErrorDescription(), L"Invalid trigger type");
            EXPECT_EQ(p.put(trigger.get(), p.sample + 1), kInvalidTriggerType);
            EXPECT_EQ(LastErrorDescription(), L"Invalid trigger type");
        }
        // The refused writes changed nothing.
        ASSERT_EQ(trigger->put_TriggerType(p.validFor.front()), S_OK);
        LONG value = -1;
        ASSERT_EQ(p.get(trigger.get(), &value), S_OK);
        EXPECT_EQ(value, p.sample);
    }
}

TEST_F(TriggerTest, SixteenBitEnumerationsOverflowOutsideTheirRange) {
    base::ComPtr<_Trigger> trigger = Add(ttMonthlyWeekDay);
    ASSERT_TRUE(trigger);
    const Property* rows[] = {&TypeSpecificProperties()[2], &TypeSpecificProperties()[3], &TypeSpecificProperties()[4]};
    for (const Property* p : rows) {
        SCOPED_TRACE(p->name);
        ASSERT_EQ(p->put(trigger.get(), p->sample), S_OK);
        for (LONG tooWide : {70000L, 32768L, -32769L, 0x7fffffffL}) {
            EXPECT_EQ(p->put(trigger.get(), tooWide), kOverflow) << tooWide;
            EXPECT_EQ(LastErrorDescription(), L"Overflow");
            LONG value = -1;
            ASSERT_EQ(p->get(trigger.get(), &value), S_OK);
            EXPECT_EQ(value, p->sample) << "an overflowing write changes nothing";
        }
        for (LONG edge : {32767L, -32768L}) {
            ASSERT_EQ(p->put(trigger.get(), edge), S_OK) << edge;
            LONG value = 0;
            ASSERT_EQ(p->get(trigger.get(), &value), S_OK);
            EXPECT_EQ(value, edge);
        }
    }
}

TEST_F(TriggerTest, DayIsTheDayOfTheMonthTheScanRunsOn) {
    const short days[] = {1, 15, 31};
    std::vector<base::ComPtr<_Trigger>> added;
    for (short day : days) {
        base::ComPtr<_Trigger> trigger = Add(ttMonthlyDate);
        ASSERT_TRUE(trigger);
        ASSERT_EQ(trigger->put_Months(static_cast<saTriggerMonths>(4095)), S_OK);
        ASSERT_EQ(trigger->put_Day(day), S_OK);
        short back = 0;
        ASSERT_EQ(trigger->get_Day(&back), S_OK);
        EXPECT_EQ(back, day);
        added.push_back(trigger);
    }
    // Days the month has not are refused and leave the day as it was.
    for (short bad : {short(0), short(32), short(-1)}) {
        EXPECT_EQ(added[0]->put_Day(bad), kInvalidProcedureCall) << bad;
        short back = 0;
        ASSERT_EQ(added[0]->get_Day(&back), S_OK);
        EXPECT_EQ(back, 1);
    }
    Save();
    std::vector<TASK_TRIGGER> saved = Saved();
    ASSERT_EQ(saved.size(), std::size(days));
    for (size_t i = 0; i < saved.size(); ++i) {
        SCOPED_TRACE(days[i]);
        EXPECT_EQ(saved[i].TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
        EXPECT_EQ(saved[i].Type.MonthlyDate.rgfDays, 1u << (days[i] - 1)) << "exactly that one day";
        EXPECT_EQ(saved[i].Type.MonthlyDate.rgfMonths, 4095);
        EXPECT_NE(TextOf(added[i].get()).find(L"day " + std::to_wstring(days[i]) + L" of every month"),
                  std::wstring::npos)
            << Narrow(TextOf(added[i].get()));
    }
}

TEST_F(TriggerTest, FieldsOfOneTypeAreSeparate) {
    base::ComPtr<_Trigger> monthly = Add(ttMonthlyWeekDay);
    ASSERT_TRUE(monthly);
    ASSERT_EQ(monthly->put_Week(twSecond), S_OK);
    ASSERT_EQ(monthly->put_DaysOfTheWeek(tdWednesday), S_OK);
    ASSERT_EQ(monthly->put_Months(static_cast<saTriggerMonths>(tmMay | tmJuly)), S_OK);
    saTriggerWeeks week{};
    saTriggerDays days{};
    saTriggerMonths months{};
    ASSERT_EQ(monthly->get_Week(&week), S_OK);
    ASSERT_EQ(monthly->get_DaysOfTheWeek(&days), S_OK);
    ASSERT_EQ(monthly->get_Months(&months), S_OK);
    EXPECT_EQ(week, twSecond);
    EXPECT_EQ(days, tdWednesday);
    EXPECT_EQ(months, tmMay | tmJuly);

    base::ComPtr<_Trigger> weekly = Add(ttWeekly);
    ASSERT_TRUE(weekly);
    ASSERT_EQ(weekly->put_WeeksInterval(3), S_OK);
    ASSERT_EQ(weekly->put_DaysOfTheWeek(static_cast<saTriggerDays>(tdSunday | tdSaturday)), S_OK);
    short weeks = 0;
    ASSERT_EQ(weekly->get_WeeksInterval(&weeks), S_OK);
    ASSERT_EQ(weekly->get_DaysOfTheWeek(&days), S_OK);
    EXPECT_EQ(weeks, 3);
    EXPECT_EQ(days, tdSunday | tdSaturday);

    // Common fields: each read returns its own field.
    ASSERT_EQ(weekly->put_Duration(120), S_OK);
    ASSERT_EQ(weekly->put_Interval(30), S_OK);
    ASSERT_EQ(weekly->put_Flags(tfHasEndDate), S_OK);
    ASSERT_EQ(weekly->put_BeginDay(MakeDate(2031, 1, 2)), S_OK);
    ASSERT_EQ(weekly->put_EndDay(MakeDate(2032, 5, 6, 7, 8, 9)), S_OK);
    ASSERT_EQ(weekly->put_StartTime(MakeDate(2040, 1, 1, 6, 45, 30)), S_OK);
    LONG duration = 0, interval = 0;
    saTriggerFlags flags{};
    DATE end = 0, start = 0;
    ASSERT_EQ(weekly->get_Duration(&duration), S_OK);
    ASSERT_EQ(weekly->get_Interval(&interval), S_OK);
    ASSERT_EQ(weekly->get_Flags(&flags), S_OK);
    ASSERT_EQ(weekly->get_EndDay(&end), S_OK);
    ASSERT_EQ(weekly->get_StartTime(&start), S_OK);
    EXPECT_EQ(duration, 120);
    EXPECT_EQ(interval, 30);
    EXPECT_EQ(flags, tfHasEndDate);
    EXPECT_EQ(end, MakeDate(2032, 5, 6));
    EXPECT_EQ(start, MakeDate(1899, 12, 30, 6, 45)) << "only the hour and minute of the start";

    Save();
    std::vector<TASK_TRIGGER> saved = Saved();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].Type.MonthlyDOW.wWhichWeek, 2);
    EXPECT_EQ(saved[0].Type.MonthlyDOW.rgfDaysOfTheWeek, TASK_WEDNESDAY);
    EXPECT_EQ(saved[0].Type.MonthlyDOW.rgfMonths, TASK_MAY | TASK_JULY);
    EXPECT_EQ(saved[1].Type.Weekly.WeeksInterval, 3);
    EXPECT_EQ(saved[1].MinutesDuration, 120u);
    EXPECT_EQ(saved[1].MinutesInterval, 30u);
    EXPECT_EQ(saved[1].rgFlags, static_cast<DWORD>(TASK_TRIGGER_FLAG_HAS_END_DATE));
    EXPECT_EQ(saved[1].wBeginYear, 2031);
    EXPECT_EQ(saved[1].wEndYear, 2032);
    EXPECT_EQ(saved[1].wEndMonth, 5);
    EXPECT_EQ(saved[1].wEndDay, 6);
    EXPECT_EQ(saved[1].wStartHour, 6);
    EXPECT_EQ(saved[1].wStartMinute, 45);
}

TEST_F(TriggerTest, WritesReachTheServiceOnlyThroughUpdate) {
    base::ComPtr<_Trigger> trigger = Add(ttDaily);
    ASSERT_TRUE(trigger);
    ASSERT_EQ(trigger->Update(), S_OK);
    std::wstring stored = TextOf(trigger.get());
    EXPECT_NE(stored.find(L"every day"), std::wstring::npos) << Narrow(stored);

    ASSERT_EQ(trigger->put_DaysInterval(5), S_OK);
    EXPECT_EQ(TextOf(trigger.get()), stored) << "Text shows what the service holds, not the cache";
    ASSERT_EQ(trigger->Refresh(), S_OK);
    short days = 0;
    ASSERT_EQ(trigger->get_DaysInterval(&days), S_OK);
    EXPECT_EQ(days, 1) << "Refresh drops the unsaved change";

    // A type change keeps the rest of the record; the next Update makes it a Monday trigger.
    ASSERT_EQ(trigger->put_TriggerType(ttWeekly), S_OK);
    ASSERT_EQ(trigger->put_DaysOfTheWeek(tdMonday), S_OK);
    ASSERT_EQ(trigger->Update(), S_OK);
    std::wstring weekly = TextOf(trigger.get());
    EXPECT_NE(weekly.find(L"every Mon of every week"), std::wstring::npos) << Narrow(weekly);
}

TEST_F(TriggerTest, RemoveRenumbersTheTriggersBehindIt) {
    base::ComPtr<_Trigger> daily = Add(ttDaily);
    base::ComPtr<_Trigger> weekly = Add(ttWeekly);
    base::ComPtr<_Trigger> monthly = Add(ttMonthlyDate);
    ASSERT_TRUE(daily && weekly && monthly);
    ASSERT_EQ(daily->put_DaysInterval(3), S_OK);
    ASSERT_EQ(weekly->put_WeeksInterval(2), S_OK);
    ASSERT_EQ(weekly->put_DaysOfTheWeek(tdThursday), S_OK);
    ASSERT_EQ(monthly->put_Months(static_cast<saTriggerMonths>(4095)), S_OK);
    ASSERT_EQ(monthly->put_Day(20), S_OK);
    Save();
    // An unsaved change behind the removed trigger survives the Remove.
    ASSERT_EQ(monthly->put_Day(21), S_OK);

    for (short bad : {short(0), short(4)}) {
        EXPECT_EQ(triggers_->Remove(bad), kSubscriptOutOfRange) << bad;
        EXPECT_EQ(Count(), 3);
    }
    ASSERT_EQ(triggers_->Remove(1), S_OK);
    ASSERT_EQ(Count(), 2);
    base::ComPtr<_Trigger> first = Item(1);
    base::ComPtr<_Trigger> second = Item(2);
    ASSERT_TRUE(first && second);
    saTriggerTypes type{};
    ASSERT_EQ(first->get_TriggerType(&type), S_OK);
    EXPECT_EQ(type, ttWeekly);
    EXPECT_NE(TextOf(first.get()).find(L"Thu"), std::wstring::npos) << Narrow(TextOf(first.get()));
    EXPECT_NE(TextOf(second.get()).find(L"day 20"), std::wstring::npos) << Narrow(TextOf(second.get()));

    Save();
    std::vector<TASK_TRIGGER> saved = Saved();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(saved[0].Type.Weekly.WeeksInterval, 2);
    EXPECT_EQ(saved[0].Type.Weekly.rgfDaysOfTheWeek, TASK_THURSDAY);
    EXPECT_EQ(saved[1].TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
    EXPECT_EQ(saved[1].Type.MonthlyDate.rgfDays, 1u << 20);

    // Update rebuilds the same list from the service.
    ASSERT_EQ(triggers_->Update(), S_OK);
    EXPECT_EQ(Count(), 2);
}

TEST_F(TriggerTest, ItemTakesANumericPositionOnly) {
    ASSERT_TRUE(Add(ttDaily));
    ASSERT_TRUE(Add(ttWeekly));
    const struct {
        const char* label;
        VARTYPE vt;
        double number;
        const wchar_t* text;
        HRESULT expected;
        saTriggerTypes type;
    } rows[] = {
        {"short 2", VT_I2, 2, nullptr, S_OK, ttWeekly},
        {"double 1", VT_R8, 1, nullptr, S_OK, ttDaily},
        {"zero", VT_I4, 0, nullptr, kSubscriptOutOfRange, ttOnce},
        {"past the end", VT_I4, 3, nullptr, kSubscriptOutOfRange, ttOnce},
        {"text", VT_BSTR, 0, L"1", kInvalidProcedureCall, ttOnce},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Var index;
        V_VT(&index.v) = row.vt;
        if (row.vt == VT_I2) V_I2(&index.v) = static_cast<SHORT>(row.number);
        if (row.vt == VT_I4) V_I4(&index.v) = static_cast<LONG>(row.number);
        if (row.vt == VT_R8) V_R8(&index.v) = row.number;
        if (row.vt == VT_BSTR) V_BSTR(&index.v) = SysAllocString(row.text);
        base::ComPtr<_Trigger> trigger;
        EXPECT_EQ(triggers_->get_Item(index.v, trigger.put()), row.expected);
        if (row.expected != S_OK) {
            EXPECT_FALSE(trigger);
            continue;
        }
        saTriggerTypes type{};
        ASSERT_EQ(trigger->get_TriggerType(&type), S_OK);
        EXPECT_EQ(type, row.type);
    }
}

TEST_F(TriggerTest, SaveStopsAtATriggerTheServiceRefuses) {
    base::ComPtr<_Trigger> trigger = Add(ttDaily);
    ASSERT_TRUE(trigger);
    Save();
    Bstr comment(L"not saved");
    ASSERT_EQ(job_->put_Comment(comment.get()), S_OK);
    ASSERT_EQ(trigger->put_Flags(static_cast<saTriggerFlags>(0xFF)), S_OK);  // flags the service does not know
    Bstr noFile;
    EXPECT_EQ(job_->Save(noFile.get()), E_INVALIDARG);
    base::ComPtr<ITask> saved = ActivateRaw(item_.name());
    ASSERT_TRUE(saved);
    EXPECT_EQ(RawString(&ITask::GetComment, saved.get()), L"") << "the work item was not saved";
}
