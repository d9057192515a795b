#include "scheduler/mdlSchedule.h"

#include "scheduler/Errors.h"

namespace vornak {

const CLSID kClsidCTaskScheduler = {0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kIidITaskScheduler = {0x148BD527, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const CLSID kClsidCTask = {0x148BD520, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
const IID kIidITask = {0x148BD524, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

BSTR PtrToStr(LPWSTR p) {
    int n = p ? lstrlenW(p) : 0;
    BSTR s = SysAllocStringLen(p, static_cast<UINT>(n));
    if (p) CoTaskMemFree(p);
    if (!s) throw ComError{E_OUTOFMEMORY, L"Out of memory"};
    return s;
}

std::wstring ToWString(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

BSTR NewBstr(const std::wstring& s) {
    BSTR b = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    if (!b) throw ComError{E_OUTOFMEMORY, L"Out of memory"};
    return b;
}

DATE DateOrZero(const SYSTEMTIME& st) {
    // The service's "never" is the all-zero time; some conversions would read it as 1999.
    if (st.wYear == 0 || st.wMonth == 0 || st.wDay == 0) return 0.0;
    SYSTEMTIME copy = st;
    DATE d = 0.0;
    if (!SystemTimeToVariantTime(&copy, &d)) return 0.0;
    return d;
}

SYSTEMTIME PartsOfDate(DATE value) {
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(value, &st)) RaiseRuntime(kInvalidProcedureCall);
    return st;
}

}  // namespace vornak
