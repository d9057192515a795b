#pragma once
// The library's error convention. Inside a member, failures are thrown as ComError; the fence
// around every COM method turns them into the returned HRESULT plus the error object that
// clients read (IErrorInfo, and EXCEPINFO for late binding). Nothing is logged or shown.
#include <oaidl.h>
#include <windows.h>

#include <new>
#include <string>

namespace vornak {

struct ComError {
    HRESULT hr;
    std::wstring description;
};

// Numbers of the runtime errors the classes raise (as HRESULTs of facility CONTROL).
enum RuntimeErrorNumber : int {
    kInvalidProcedureCall = 5,
    kOverflow = 6,
    kSubscriptOutOfRange = 9,
    kTypeMismatch = 13,
};

constexpr HRESULT kInvalidTriggerType = static_cast<HRESULT>(0x80040001);
constexpr HRESULT kInvalidTaskName = static_cast<HRESULT>(0x80040002);

HRESULT RuntimeErrorHresult(int number);

// A failing service result ends the member with that result as its error.
void Check(HRESULT hr);
[[noreturn]] void Raise(HRESULT hr);  // with the system's description, if it has one
[[noreturn]] void RaiseRuntime(int number);
[[noreturn]] void RaiseInvalidTriggerType();
[[noreturn]] void RaiseInvalidTaskName(const std::wstring& why);

// A late-bound call whose argument overflowed its parameter: the runtime's Overflow, as the
// member's exception. Returns DISP_E_EXCEPTION.
HRESULT ReportArgumentOverflow(const IID& iid, const wchar_t* source, EXCEPINFO* exception);

void PublishError(const IID& iid, const wchar_t* source, const ComError& error);

template <class Body>
HRESULT Fence(const IID& iid, const wchar_t* source, Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const ComError& e) {
        PublishError(iid, source, e);
        return e.hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace vornak
