#pragma once
// Shared helpers of the classes: the Task Scheduler's class and interface ids, the string
// routine PtrToStr and the date conversions.
#include <oaidl.h>
#include <windows.h>

#include <string>

namespace vornak {

extern const CLSID kClsidCTaskScheduler;
extern const IID kIidITaskScheduler;
extern const CLSID kClsidCTask;
extern const IID kIidITask;

// The creator that CreateTask writes; the program puts its own title there afterwards.
constexpr const wchar_t* kAppTitle = L"Vornak";

// Turns a wide string that the service allocated into a BSTR and frees the service's copy.
// A null pointer gives an empty string.
BSTR PtrToStr(LPWSTR p);

// A BSTR argument as the service takes it: a null BSTR is the empty string.
inline LPCWSTR Text(BSTR s) { return s ? s : L""; }
std::wstring ToWString(BSTR s);
BSTR NewBstr(const std::wstring& s);  // throws on allocation failure

// The service reads a work item's file each time it changes. A call that meets it doing so
// fails with a sharing violation; such a call is tried again for up to about a second.
template <class Call>
HRESULT RetryWhileShared(Call&& call) {
    HRESULT hr = call();
    for (int tries = 0; tries < 40 && hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION); ++tries) {
        Sleep(25);
        hr = call();
    }
    return hr;
}

// Date value of a SYSTEMTIME; a time that does not convert (the all-zero time the service
// reports for "never") gives the zero date 0.0.
DATE DateOrZero(const SYSTEMTIME& st);
// Calendar parts of a date value; raises "Invalid procedure call or argument" when the value
// is outside the dates that a SYSTEMTIME can hold.
SYSTEMTIME PartsOfDate(DATE value);

}  // namespace vornak
