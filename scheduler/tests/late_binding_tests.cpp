// The library as a script uses it: everything by name through IDispatch, for-each through
// the enumerator, default members through DISPID_VALUE, errors as exceptions.
#include <gtest/gtest.h>

#include "base/testing/Testing.h"
#include "tests/SchedulerFixture.h"

using namespace vornak_test;

namespace {

// Arguments of one call, in the order a script writes them.
class Args {
public:
    Args() = default;
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;
    ~Args() {
        for (VARIANT& v : values_) VariantClear(&v);
    }
    Args& Text(const std::wstring& text) {
        VARIANT& v = Next();
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *this;
    }
    Args& Number(LONG number) {
        VARIANT& v = Next();
        V_VT(&v) = VT_I4;
        V_I4(&v) = number;
        return *this;
    }
    Args& Date(DATE date) {
        VARIANT& v = Next();
        V_VT(&v) = VT_DATE;
        V_DATE(&v) = date;
        return *this;
    }
    // DISPPARAMS want the arguments last to first.
    std::vector<VARIANT> Reversed() const { return {values_.rbegin(), values_.rend()}; }

private:
    VARIANT& Next() {
        values_.emplace_back();
        VariantInit(&values_.back());
        return values_.back();
    }
    std::vector<VARIANT> values_;
};

struct CallResult {
    HRESULT hr = E_FAIL;
    Var value;
    SCODE scode = S_OK;
    std::wstring description;
};

void InvokeId(IDispatch* object, DISPID id, WORD flags, const Args& args, CallResult& out) {
    std::vector<VARIANT> values = args.Reversed();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{values.data(), nullptr, static_cast<UINT>(values.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT argError = 0;
    out.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                            flags == DISPATCH_PROPERTYPUT ? nullptr : &out.value.v, &exception, &argError);
    if (out.hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        out.scode = exception.scode;
        if (exception.bstrDescription) out.description = exception.bstrDescription;
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

void InvokeName(IDispatch* object, const wchar_t* name, WORD flags, const Args& args, CallResult& out) {
    std::wstring member = name;
    LPOLESTR names[] = {member.data()};
    DISPID id = 0;
    out.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(out.hr)) return;
    InvokeId(object, id, flags, args, out);
}

// The object a call returned.
base::ComPtr<IDispatch> ObjectOf(const CallResult& r) {
    EXPECT_EQ(r.hr, S_OK) << std::hex << r.hr << " scode " << r.scode;
    if (V_VT(&r.value.v) != VT_DISPATCH) return {};
    return base::ComPtr<IDispatch>(V_DISPATCH(&r.value.v));
}

base::ComPtr<IDispatch> Call(IDispatch* object, const wchar_t* name, const Args& args = Args()) {
    CallResult r;
    InvokeName(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, r);
    return ObjectOf(r);
}

// A property read turned into text (what a script would print).
std::wstring Get(IDispatch* object, const wchar_t* name, const Args& args = Args()) {
    CallResult r;
    InvokeName(object, name, DISPATCH_PROPERTYGET, args, r);
    EXPECT_EQ(r.hr, S_OK) << Narrow(name) << " " << std::hex << r.hr << " scode " << r.scode;
    if (FAILED(VariantChangeType(&r.value.v, &r.value.v, 0, VT_BSTR))) return L"<not text>";
    return V_BSTR(&r.value.v) ? V_BSTR(&r.value.v) : L"";
}

HRESULT Put(IDispatch* object, const wchar_t* name, const Args& value, CallResult* out = nullptr) {
    CallResult local;
    CallResult& r = out ? *out : local;
    InvokeName(object, name, DISPATCH_PROPERTYPUT, value, r);
    return r.hr;
}

base::ComPtr<IDispatch> NewScriptSchedule() {
    CLSID clsid{};
    base::ComPtr<IDispatch> schedule;
    if (SUCCEEDED(CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid)))
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, schedule.putAs<void>());
    return schedule;
}

class LateBinding : public SchedulerTest {};

}  // namespace

TEST_F(LateBinding, ScriptCreatesFindsAndDeletesAWorkItem) {
    ScopedWorkItem item;
    base::ComPtr<IDispatch> schedule = NewScriptSchedule();
    ASSERT_TRUE(schedule);

    base::ComPtr<IDispatch> job = Call(schedule.get(), L"CreateTask", Args().Text(item.name()));
    ASSERT_TRUE(job);
    ASSERT_EQ(Put(job.get(), L"ApplicationName", Args().Text(L"C:\\windows\\notepad.exe")), S_OK);
    ASSERT_EQ(Put(job.get(), L"CommandLine", Args().Text(L"/SCAN")), S_OK);
    base::ComPtr<IDispatch> triggers = Call(job.get(), L"Triggers");
    ASSERT_TRUE(triggers);
    base::ComPtr<IDispatch> trigger = Call(triggers.get(), L"Add");
    ASSERT_TRUE(trigger);
    ASSERT_EQ(Put(trigger.get(), L"TriggerType", Args().Number(3)), S_OK);
    ASSERT_EQ(Put(trigger.get(), L"BeginDay", Args().Date(MakeDate(2030, 6, 1))), S_OK);
    ASSERT_EQ(Put(trigger.get(), L"Months", Args().Number(4095)), S_OK);
    ASSERT_EQ(Put(trigger.get(), L"StartTime", Args().Date(MakeDate(1899, 12, 30, 23, 0))), S_OK);
    ASSERT_EQ(Put(trigger.get(), L"Day", Args().Number(15)), S_OK);
    trigger.reset();
    triggers.reset();
    Call(job.get(), L"Save", Args().Text(L""));
    job.reset();

    Call(schedule.get(), L"Refresh");
    // For Each job In schedule
    CallResult enumerated;
    InvokeId(schedule.get(), DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, Args(), enumerated);
    ASSERT_EQ(enumerated.hr, S_OK);
    ASSERT_TRUE(V_VT(&enumerated.value.v) == VT_UNKNOWN || V_VT(&enumerated.value.v) == VT_DISPATCH);
    base::ComPtr<IEnumVARIANT> jobs;
    ASSERT_EQ(V_UNKNOWN(&enumerated.value.v)->QueryInterface(IID_IEnumVARIANT, jobs.putAs<void>()), S_OK);
    LONG position = 0, found = 0;
    for (Var each; jobs->Next(1, &each.v, nullptr) == S_OK; VariantClear(&each.v)) {
        ++position;
        ASSERT_EQ(V_VT(&each.v), VT_DISPATCH);
        if (Get(V_DISPATCH(&each.v), L"Name") == item.name()) found = position;
    }
    ASSERT_GT(found, 0) << "the saved work item is among the jobs";
    EXPECT_EQ(Get(schedule.get(), L"Count"), std::to_wstring(position));

    // schedule(found) goes to the default member, Job.
    CallResult byDefault;
    InvokeId(schedule.get(), DISPID_VALUE, DISPATCH_PROPERTYGET, Args().Number(found), byDefault);
    base::ComPtr<IDispatch> again = ObjectOf(byDefault);
    ASSERT_TRUE(again);
    EXPECT_EQ(Get(again.get(), L"Name"), item.name());
    EXPECT_EQ(Get(again.get(), L"ApplicationName"), L"C:\\windows\\notepad.exe");
    EXPECT_EQ(Get(again.get(), L"CommandLine"), L"/SCAN");
    triggers = Call(again.get(), L"Triggers");
    ASSERT_TRUE(triggers);
    EXPECT_EQ(Get(triggers.get(), L"Count"), L"1");
    CallResult firstTrigger;
    InvokeId(triggers.get(), DISPID_VALUE, DISPATCH_PROPERTYGET, Args().Number(1), firstTrigger);
    trigger = ObjectOf(firstTrigger);
    ASSERT_TRUE(trigger);
    EXPECT_EQ(Get(trigger.get(), L"TriggerType"), L"3");
    EXPECT_EQ(Get(trigger.get(), L"Day"), L"15");
    EXPECT_EQ(Get(trigger.get(), L"Months"), L"4095");
    std::wstring text = Get(trigger.get(), L"Text");
    EXPECT_NE(text.find(L"day 15"), std::wstring::npos) << Narrow(text);
    trigger.reset();
    triggers.reset();
    again.reset();
    jobs.reset();

    CallResult deleted;
    InvokeName(schedule.get(), L"Delete", DISPATCH_METHOD, Args().Number(found), deleted);
    EXPECT_EQ(deleted.hr, S_OK) << std::hex << deleted.scode << " " << Narrow(deleted.description);
    EXPECT_FALSE(item.ExistsInService());
    EXPECT_EQ(Get(schedule.get(), L"Count"), std::to_wstring(position - 1));
}

TEST_F(LateBinding, ErrorsReachTheScriptWithNumberAndText) {
    ScopedWorkItem item;
    base::ComPtr<IDispatch> schedule = NewScriptSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<IDispatch> job = Call(schedule.get(), L"CreateTask", Args().Text(item.name()));
    ASSERT_TRUE(job);
    base::ComPtr<IDispatch> triggers = Call(job.get(), L"Triggers");
    ASSERT_TRUE(triggers);
    base::ComPtr<IDispatch> trigger = Call(triggers.get(), L"Add");
    ASSERT_TRUE(trigger);

    const struct {
        const char* label;
        LONG type;
        const wchar_t* property;
        LONG value;
        SCODE scode;
        const wchar_t* description;
    } rows[] = {
        {"WeeksInterval on a daily trigger", 1, L"WeeksInterval", 2, static_cast<SCODE>(0x80040001),
         L"Invalid trigger type"},
        {"DaysInterval on a weekly trigger", 2, L"DaysInterval", 2, static_cast<SCODE>(0x80040001),
         L"Invalid trigger type"},
        {"Day on a weekly trigger", 2, L"Day", 2, static_cast<SCODE>(0x80040001), L"Invalid trigger type"},
        {"Months beyond 16 bits", 3, L"Months", 70000, static_cast<SCODE>(0x800A0006), L"Overflow"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_EQ(Put(trigger.get(), L"TriggerType", Args().Number(row.type)), S_OK);
        CallResult r;
        EXPECT_EQ(Put(trigger.get(), row.property, Args().Number(row.value), &r), DISP_E_EXCEPTION);
        EXPECT_EQ(r.scode, row.scode);
        EXPECT_EQ(r.description, row.description);
    }

    CallResult outside;
    InvokeName(schedule.get(), L"Job", DISPATCH_PROPERTYGET, Args().Number(0), outside);
    EXPECT_EQ(outside.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(outside.scode, static_cast<SCODE>(0x800A0009));
    EXPECT_EQ(outside.description, L"Subscript out of range");

    CallResult unknown;
    InvokeName(schedule.get(), L"NoSuchMember", DISPATCH_METHOD, Args(), unknown);
    EXPECT_EQ(unknown.hr, DISP_E_UNKNOWNNAME);

    // The computer whose service the schedule talks to: this one.
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    GetComputerNameA(computer, &size);
    EXPECT_EQ(
        lstrcmpiA(Narrow(Get(schedule.get(), L"TargetComputer")).c_str(), (std::string("\\\\") + computer).c_str()), 0);
}

// A script's argument that does not fit a 16-bit parameter is the runtime's Overflow error, on
// every member that takes one. Run in a child process, as bad calls may bring the caller down.
TEST_F(LateBinding, SixteenBitArgumentsOverflowAsTheRuntimeDoes) {
    if (testing_support::IsChildRun()) return;
    EXPECT_EQ(testing_support::RunSelf("LateBindingChild.*"), 0) << "the child failed or crashed";
}

class LateBindingChild : public SchedulerTest {
protected:
    void SetUp() override {
        if (!testing_support::IsChildRun()) {
            GTEST_SKIP() << "runs as the child of SixteenBitArgumentsOverflowAsTheRuntimeDoes";
        }
        CrashEndsTheProcess();
    }
};

TEST_F(LateBindingChild, TooWideSixteenBitArguments) {
    ScopedWorkItem item;
    base::ComPtr<IDispatch> schedule = NewScriptSchedule();
    ASSERT_TRUE(schedule);
    base::ComPtr<IDispatch> job = Call(schedule.get(), L"CreateTask", Args().Text(item.name()));
    ASSERT_TRUE(job);
    base::ComPtr<IDispatch> triggers = Call(job.get(), L"Triggers");
    ASSERT_TRUE(triggers);
    base::ComPtr<IDispatch> trigger = Call(triggers.get(), L"Add");
    ASSERT_TRUE(trigger);
    const std::wstring count = Get(schedule.get(), L"Count");

    const struct {
        const char* label;
        IDispatch* object;
        const wchar_t* member;
        WORD flags;
        LONG triggerType;  // set first, so the type check passes
    } rows[] = {
        {"Schedule.Job", schedule.get(), L"Job", DISPATCH_PROPERTYGET, -1},
        {"Schedule.Delete", schedule.get(), L"Delete", DISPATCH_METHOD, -1},
        {"Job.ErrorRetryCount", job.get(), L"ErrorRetryCount", DISPATCH_PROPERTYPUT, -1},
        {"Job.ErrorRetryInterval", job.get(), L"ErrorRetryInterval", DISPATCH_PROPERTYPUT, -1},
        {"Job.IdleWait", job.get(), L"IdleWait", DISPATCH_PROPERTYPUT, -1},
        {"Triggers.Remove", triggers.get(), L"Remove", DISPATCH_METHOD, -1},
        {"Trigger.DaysInterval", trigger.get(), L"DaysInterval", DISPATCH_PROPERTYPUT, 1},
        {"Trigger.WeeksInterval", trigger.get(), L"WeeksInterval", DISPATCH_PROPERTYPUT, 2},
        {"Trigger.Day", trigger.get(), L"Day", DISPATCH_PROPERTYPUT, 3},
        {"Trigger.RandomInterval", trigger.get(), L"RandomInterval", DISPATCH_PROPERTYPUT, -1},
        {"Trigger.Months, a 32-bit value in 16 bits", trigger.get(), L"Months", DISPATCH_PROPERTYPUT, 3},
    };
    for (const auto& row : rows) {
        for (LONG value : {70000L, -40000L}) {
            SCOPED_TRACE(std::string(row.label) + " = " + std::to_string(value));
            if (row.triggerType >= 0) {
                ASSERT_EQ(Put(trigger.get(), L"TriggerType", Args().Number(row.triggerType)), S_OK);
            }
            CallResult r;
            InvokeName(row.object, row.member, row.flags, Args().Number(value), r);
            EXPECT_EQ(r.hr, DISP_E_EXCEPTION) << std::hex << r.hr;
            EXPECT_EQ(r.scode, static_cast<SCODE>(0x800A0006)) << std::hex << r.scode;
            EXPECT_EQ(r.description, L"Overflow");
        }
    }
    EXPECT_EQ(Get(schedule.get(), L"Count"), count) << "nothing was deleted";
    EXPECT_EQ(Get(triggers.get(), L"Count"), L"1") << "nothing was removed";
    EXPECT_TRUE(item.ExistsInService());
}
