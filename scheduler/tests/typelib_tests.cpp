// The type library as an early-binding client sees it: ids, member order (vtable slots),
// dispatch ids, argument names and types, enumerations.
#include <gtest/gtest.h>

#include <map>

#include "tests/SchedulerFixture.h"

using namespace vornak_test;

namespace {

enum Kind { M = INVOKE_FUNC, G = INVOKE_PROPERTYGET, P = INVOKE_PROPERTYPUT };
constexpr DISPID kAnyId = 0x7fffffff;  // dispatch id left to the library (must not be 0 or -4)

struct Member {
    const wchar_t* name;
    Kind kind;
    const wchar_t* argument;  // name of the first argument of a method or a get, or nullptr
    VARTYPE type;             // type of that argument, of a let's value or of a get's result
    DISPID id = kAnyId;
};

constexpr VARTYPE E = VT_USERDEFINED;  // one of the library's enumerations
constexpr VARTYPE O = VT_PTR;          // an object of the library

const Member kSchedule[] = {
    {L"CreateTask", M, L"Name", VT_BSTR},       {L"NewEnum", M, nullptr, VT_EMPTY, DISPID_NEWENUM},
    {L"Refresh", M, nullptr, VT_EMPTY},         {L"Delete", M, L"Index", VT_I2},
    {L"Job", G, L"Index", VT_I2, DISPID_VALUE}, {L"TargetComputer", G, nullptr, VT_BSTR},
    {L"TargetComputer", P, nullptr, VT_BSTR},   {L"Count", G, nullptr, VT_I4},
};

const Member kJob[] = {
    {L"ApplicationName", G, nullptr, VT_BSTR},
    {L"ApplicationName", P, nullptr, VT_BSTR},
    {L"CommandLine", G, nullptr, VT_BSTR},
    {L"CommandLine", P, nullptr, VT_BSTR},
    {L"Comment", G, nullptr, VT_BSTR},
    {L"Comment", P, nullptr, VT_BSTR},
    {L"Creator", G, nullptr, VT_BSTR},
    {L"Creator", P, nullptr, VT_BSTR},
    {L"ErrorRetryCount", G, nullptr, VT_I2},
    {L"ErrorRetryCount", P, nullptr, VT_I2},
    {L"ErrorRetryInterval", G, nullptr, VT_I2},
    {L"ErrorRetryInterval", P, nullptr, VT_I2},
    {L"ExitCode", G, nullptr, VT_I4},
    {L"Flags", G, nullptr, E},
    {L"Flags", P, nullptr, E},
    {L"IdleWait", G, nullptr, VT_I2},
    {L"IdleWait", P, nullptr, VT_I2},
    {L"MaxRunTime", G, nullptr, VT_I4},
    {L"MaxRunTime", P, nullptr, VT_I4},
    {L"Priority", G, nullptr, VT_I4},
    {L"Priority", P, nullptr, VT_I4},
    {L"Status", G, nullptr, VT_I4},
    {L"Edit", M, L"Parent", VT_DISPATCH},
    {L"Run", M, nullptr, VT_EMPTY},
    {L"Terminate", M, nullptr, VT_EMPTY},
    {L"LastRunTime", G, nullptr, VT_DATE},
    {L"NextRunTime", G, nullptr, VT_DATE},
    {L"FileName", G, nullptr, VT_BSTR},
    {L"Name", G, nullptr, VT_BSTR},
    {L"Save", M, L"FileName", VT_BSTR},
    {L"ShowProperties", M, nullptr, VT_EMPTY},
    {L"WorkingDirectory", G, nullptr, VT_BSTR},
    {L"WorkingDirectory", P, nullptr, VT_BSTR},
    {L"Triggers", G, nullptr, O},
};

const Member kTriggers[] = {
    {L"Add", M, nullptr, VT_EMPTY},
    {L"NewEnum", M, nullptr, VT_EMPTY, DISPID_NEWENUM},
    {L"Remove", M, L"Index", VT_I2},
    {L"Count", G, nullptr, VT_I4},
    {L"Item", G, L"Index", VT_VARIANT, DISPID_VALUE},
    {L"Update", M, nullptr, VT_EMPTY},
};

const Member kTrigger[] = {
    {L"DaysInterval", G, nullptr, VT_I2},
    {L"DaysInterval", P, nullptr, VT_I2},
    {L"Day", G, nullptr, VT_I2},
    {L"Day", P, nullptr, VT_I2},
    {L"Months", G, nullptr, E},
    {L"Months", P, nullptr, E},
    {L"DaysOfTheWeek", G, nullptr, E},
    {L"DaysOfTheWeek", P, nullptr, E},
    {L"Week", G, nullptr, E},
    {L"Week", P, nullptr, E},
    {L"WeeksInterval", G, nullptr, VT_I2},
    {L"WeeksInterval", P, nullptr, VT_I2},
    {L"Refresh", M, nullptr, VT_EMPTY},
    {L"Update", M, nullptr, VT_EMPTY},
    {L"Text", G, nullptr, VT_BSTR},
    {L"TriggerType", G, nullptr, E},
    {L"TriggerType", P, nullptr, E},
    {L"Duration", G, nullptr, VT_I4},
    {L"Duration", P, nullptr, VT_I4},
    {L"Interval", G, nullptr, VT_I4},
    {L"Interval", P, nullptr, VT_I4},
    {L"Flags", G, nullptr, E},
    {L"Flags", P, nullptr, E},
    {L"BeginDay", G, nullptr, VT_DATE},
    {L"BeginDay", P, nullptr, VT_DATE},
    {L"EndDay", G, nullptr, VT_DATE},
    {L"EndDay", P, nullptr, VT_DATE},
    {L"RandomInterval", G, nullptr, VT_I2},
    {L"RandomInterval", P, nullptr, VT_I2},
    {L"StartTime", G, nullptr, VT_DATE},
    {L"StartTime", P, nullptr, VT_DATE},
};

struct InterfaceRow {
    const char* label;
    const IID* iid;
    const Member* members;
    size_t count;
};

const InterfaceRow kInterfaces[] = {
    {"_Schedule", &IID__Schedule, kSchedule, std::size(kSchedule)},
    {"_Job", &IID__Job, kJob, std::size(kJob)},
    {"_Triggers", &IID__Triggers, kTriggers, std::size(kTriggers)},
    {"_Trigger", &IID__Trigger, kTrigger, std::size(kTrigger)},
};

// {00020430-0000-0000-C000-000000000046}: the OLE Automation library stdole2.tlb.
const GUID kStdOleLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

base::ComPtr<ITypeLib> LoadVornakTypeLib() {
    base::ComPtr<ITypeLib> library;
    LoadTypeLibEx(Wide(VornakPath()).c_str(), REGKIND_NONE, library.put());
    return library;
}

// The type a parameter describes, one pointer level taken off for results.
VARTYPE TypeOf(const TYPEDESC& desc, bool result) {
    if (result && desc.vt == VT_PTR) return desc.lptdesc->vt;
    return desc.vt;
}

std::string Name(const wchar_t* w) { return Narrow(w ? w : L"(none)"); }

class TypeLibrary : public SchedulerTest {};

}  // namespace

TEST_F(TypeLibrary, LibraryIdentity) {
    base::ComPtr<ITypeLib> library = LoadVornakTypeLib();
    ASSERT_TRUE(library);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TaskScheduler));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attr);
    Bstr name;
    ASSERT_EQ(library->GetDocumentation(-1, name.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.str(), L"TaskScheduler");

    // The registered library is the same one (clients load it by its id).
    base::ComPtr<ITypeLib> registered;
    EXPECT_EQ(LoadRegTypeLib(LIBID_TaskScheduler, 1, 0, 0, registered.put()), S_OK);
}

TEST_F(TypeLibrary, InterfacesKeepTheirMemberOrderAndDispatchIds) {
    base::ComPtr<ITypeLib> library = LoadVornakTypeLib();
    ASSERT_TRUE(library);
    for (const InterfaceRow& row : kInterfaces) {
        SCOPED_TRACE(row.label);
        base::ComPtr<ITypeInfo> dispatchInfo;
        ASSERT_EQ(library->GetTypeInfoOfGuid(*row.iid, dispatchInfo.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(dispatchInfo->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        dispatchInfo->ReleaseTypeAttr(attr);

        HREFTYPE vtableRef = 0;
        ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef), S_OK);
        base::ComPtr<ITypeInfo> info;
        ASSERT_EQ(dispatchInfo->GetRefTypeInfo(vtableRef, info.put()), S_OK);
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
        ASSERT_EQ(attr->cFuncs, row.count);
        info->ReleaseTypeAttr(attr);

        // The base is the system's IDispatch, taken from stdole2, not a copy of our own.
        HREFTYPE baseRef = 0;
        ASSERT_EQ(info->GetRefTypeOfImplType(0, &baseRef), S_OK);
        base::ComPtr<ITypeInfo> base;
        ASSERT_EQ(info->GetRefTypeInfo(baseRef, base.put()), S_OK);
        ASSERT_EQ(base->GetTypeAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualIID(attr->guid, IID_IDispatch));
        base->ReleaseTypeAttr(attr);
        base::ComPtr<ITypeLib> baseLibrary;
        UINT baseIndex = 0;
        ASSERT_EQ(base->GetContainingTypeLib(baseLibrary.put(), &baseIndex), S_OK);
        TLIBATTR* baseLibraryAttr = nullptr;
        ASSERT_EQ(baseLibrary->GetLibAttr(&baseLibraryAttr), S_OK);
        EXPECT_TRUE(IsEqualGUID(baseLibraryAttr->guid, kStdOleLibrary));
        baseLibrary->ReleaseTLibAttr(baseLibraryAttr);

        std::map<MEMBERID, std::wstring> ids;  // only a get and its let share an id
        for (size_t i = 0; i < row.count; ++i) {
            const Member& expected = row.members[i];
            SCOPED_TRACE(Name(expected.name));
            FUNCDESC* func = nullptr;
            ASSERT_EQ(info->GetFuncDesc(static_cast<UINT>(i), &func), S_OK);
            auto [known, added] = ids.emplace(func->memid, expected.name);
            if (!added) {
                EXPECT_EQ(known->second, expected.name) << "shares its id " << func->memid;
            }
            BSTR names[4] = {};
            UINT nameCount = 0;
            info->GetNames(func->memid, names, 4, &nameCount);
            std::wstring name = nameCount > 0 ? names[0] : L"";
            EXPECT_EQ(name, expected.name) << "slot " << i;
            EXPECT_EQ(func->invkind, static_cast<INVOKEKIND>(expected.kind));
            // One vtable slot each, right after IDispatch's seven.
            EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
            if (expected.id == kAnyId) {
                EXPECT_NE(func->memid, DISPID_VALUE);
                EXPECT_NE(func->memid, DISPID_NEWENUM);
            } else {
                EXPECT_EQ(func->memid, expected.id);
            }
            if (expected.kind == P) {
                // The value is the let's last parameter.
                ASSERT_GE(func->cParams, 1);
                EXPECT_EQ(TypeOf(func->lprgelemdescParam[func->cParams - 1].tdesc, false), expected.type);
            } else if (expected.argument) {
                // A get and its let share the id; GetNames answers for the first, the get.
                ASSERT_GE(func->cParams, 1);
                ASSERT_GE(nameCount, 2u);
                EXPECT_EQ(std::wstring(names[1]), expected.argument);
                EXPECT_EQ(TypeOf(func->lprgelemdescParam[0].tdesc, false), expected.type);
            } else if (expected.kind == G) {
                ASSERT_GE(func->cParams, 1);
                const ELEMDESC& result = func->lprgelemdescParam[func->cParams - 1];
                EXPECT_TRUE(result.paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
                VARTYPE type = TypeOf(result.tdesc, true);
                if (expected.type == O)
                    EXPECT_EQ(type, VT_PTR);  // a pointer to one of the library's interfaces
                else
                    EXPECT_EQ(type, expected.type);
            }
            for (UINT k = 0; k < nameCount; ++k) SysFreeString(names[k]);
            info->ReleaseFuncDesc(func);
        }
    }
}

TEST_F(TypeLibrary, ClassesAndTheirDefaultInterfaces) {
    base::ComPtr<ITypeLib> library = LoadVornakTypeLib();
    ASSERT_TRUE(library);
    const struct {
        const wchar_t* name;
        GUID clsid;
        const IID* iid;
        bool creatable;
    } rows[] = {
        {L"Schedule",
         {0x6F043C4A, 0x7A8D, 0x41D8, {0x87, 0x8D, 0x2B, 0xBC, 0x83, 0x68, 0x61, 0x55}},
         &IID__Schedule,
         true},
        {L"Job", {0xBEACAAF0, 0xF0D7, 0x4147, {0x8B, 0xF2, 0x19, 0x98, 0xAD, 0xBA, 0xB7, 0x22}}, &IID__Job, false},
        {L"Triggers",
         {0x212F5987, 0xEC2B, 0x4950, {0xAE, 0x95, 0x96, 0xDE, 0xE4, 0x26, 0x50, 0x9C}},
         &IID__Triggers,
         false},
        {L"Trigger",
         {0xD8E39C2E, 0x54E1, 0x468D, {0xAD, 0xF5, 0xBF, 0x12, 0x70, 0x2A, 0xD4, 0x9F}},
         &IID__Trigger,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Name(row.name));
        base::ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfoOfGuid(row.clsid, info.put()), S_OK);
        Bstr name;
        info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        EXPECT_EQ(name.str(), row.name);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        EXPECT_EQ((attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0, row.creatable);
        info->ReleaseTypeAttr(attr);
        HREFTYPE ref = 0;
        ASSERT_EQ(info->GetRefTypeOfImplType(0, &ref), S_OK);
        INT flags = 0;
        EXPECT_EQ(info->GetImplTypeFlags(0, &flags), S_OK);
        EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
        base::ComPtr<ITypeInfo> iface;
        ASSERT_EQ(info->GetRefTypeInfo(ref, iface.put()), S_OK);
        ASSERT_EQ(iface->GetTypeAttr(&attr), S_OK);
        EXPECT_TRUE(IsEqualIID(attr->guid, *row.iid));
        iface->ReleaseTypeAttr(attr);
    }
}

TEST_F(TypeLibrary, EnumerationsCarryTheTaskSchedulerValues) {
    base::ComPtr<ITypeLib> library = LoadVornakTypeLib();
    ASSERT_TRUE(library);
    struct Value {
        const wchar_t* name;
        LONG value;
    };
    const struct {
        const wchar_t* name;
        std::vector<Value> values;
    } rows[] = {
        {L"saTaskFlags",
         {{L"tfInteractive", 1},
          {L"tfDeleteWhenDone", 2},
          {L"tfDisabled", 4},
          {L"tfStartOnlyIfIdle", 16},
          {L"tfKillOnIdleEnd", 32},
          {L"tfDontStartIfOnBatteries", 64},
          {L"tfKillIfGoingOnBatteries", 128},
          {L"tfRunOnlyIfDocked", 256},
          {L"tfHidden", 512},
          {L"tfRunIfConnectedToInternet", 1024},
          {L"tfRestartOnIdleResume", 2048}}},
        {L"saTriggerTypes",
         {{L"ttOnce", 0},
          {L"ttDaily", 1},
          {L"ttWeekly", 2},
          {L"ttMonthlyDate", 3},
          {L"ttMonthlyWeekDay", 4},
          {L"ttOnIdle", 5},
          {L"ttAtSystemStart", 6},
          {L"ttAtLogon", 7}}},
        {L"saTriggerMonths",
         {{L"tmJanuary", 1},
          {L"tmFebruary", 2},
          {L"tmMarch", 4},
          {L"tmApril", 8},
          {L"tmMay", 16},
          {L"tmJune", 32},
          {L"tmJuly", 64},
          {L"tmAugust", 128},
          {L"tmSeptember", 256},
          {L"tmOctober", 512},
          {L"tmNovember", 1024},
          {L"tmDecember", 2048}}},
        {L"saTriggerDays",
         {{L"tdSunday", 1},
          {L"tdMonday", 2},
          {L"tdTuesday", 4},
          {L"tdWednesday", 8},
          {L"tdThursday", 16},
          {L"tdFriday", 32},
          {L"tdSaturday", 64}}},
        {L"saTriggerWeeks", {{L"twFirst", 1}, {L"twSecond", 2}, {L"twThird", 3}, {L"twFourth", 4}, {L"twLast", 5}}},
        {L"saTriggerFlags", {{L"tfHasEndDate", 1}, {L"tfKillAtDurationEnd", 2}, {L"tfTriggerDisabled", 4}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Name(row.name));
        base::ComPtr<ITypeInfo> info;
        MEMBERID ids[1] = {};
        USHORT found = 1;
        std::wstring name = row.name;
        ASSERT_EQ(library->FindName(name.data(), 0, info.put(), ids, &found), S_OK);
        ASSERT_EQ(found, 1);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        ASSERT_EQ(attr->typekind, TKIND_ENUM);
        ASSERT_EQ(attr->cVars, row.values.size());
        info->ReleaseTypeAttr(attr);
        for (size_t i = 0; i < row.values.size(); ++i) {
            VARDESC* var = nullptr;
            ASSERT_EQ(info->GetVarDesc(static_cast<UINT>(i), &var), S_OK);
            Bstr valueName;
            info->GetDocumentation(var->memid, valueName.put(), nullptr, nullptr, nullptr);
            EXPECT_EQ(valueName.str(), row.values[i].name);
            Var value;
            VariantCopy(&value.v, var->lpvarValue);
            VariantChangeType(&value.v, &value.v, 0, VT_I4);
            EXPECT_EQ(V_I4(&value.v), row.values[i].value) << Name(row.values[i].name);
            info->ReleaseVarDesc(var);
        }
    }
}
