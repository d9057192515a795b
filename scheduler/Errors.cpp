#include "scheduler/Errors.h"

#include "base/ComPtr.h"

namespace vornak {

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), n);
    return w;
}

std::wstring SystemDescription(HRESULT hr) {
    char* buffer = nullptr;
    DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (n != 0 && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text.empty() ? L"Automation error" : Widen(text);
}

const wchar_t* RuntimeDescription(int number) {
    switch (number) {
        case kInvalidProcedureCall:
            return L"Invalid procedure call or argument";
        case kOverflow:
            return L"Overflow";
        case kSubscriptOutOfRange:
            return L"Subscript out of range";
        case kTypeMismatch:
            return L"Type mismatch";
        default:
            return L"Application-defined or object-defined error";
    }
}

}  // namespace

HRESULT RuntimeErrorHresult(int number) { return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number); }

void Check(HRESULT hr) {
    if (FAILED(hr)) Raise(hr);
}

void Raise(HRESULT hr) { throw ComError{hr, SystemDescription(hr)}; }

void RaiseRuntime(int number) { throw ComError{RuntimeErrorHresult(number), RuntimeDescription(number)}; }

void RaiseInvalidTriggerType() { throw ComError{kInvalidTriggerType, L"Invalid trigger type"}; }

void RaiseInvalidTaskName(const std::wstring& why) { throw ComError{kInvalidTaskName, L"Invalid task name: " + why}; }

HRESULT ReportArgumentOverflow(const IID& iid, const wchar_t* source, EXCEPINFO* exception) {
    const ComError error{RuntimeErrorHresult(kOverflow), RuntimeDescription(kOverflow)};
    PublishError(iid, source, error);
    if (exception) {
        *exception = EXCEPINFO{};
        exception->bstrSource = SysAllocString(source);
        exception->bstrDescription = SysAllocString(error.description.c_str());
        exception->scode = error.hr;
    }
    return DISP_E_EXCEPTION;
}

void PublishError(const IID& iid, const wchar_t* source, const ComError& error) {
    base::ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put()))) return;
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetDescription(const_cast<LPOLESTR>(error.description.c_str()));
    base::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.putAs<void>()))) SetErrorInfo(0, info.get());
}

}  // namespace vornak
