#pragma once
// The error fence of every procedure: run the body, and turn anything it throws into one
// error-log entry naming the procedure, then return the procedure's default.
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "base/RuntimeError.h"

namespace base {

// Where trapped errors go: (number as decimal text, description, where), `where` being
// "Method: <procedure>" or a context before it ("I: 12, Method: <procedure>"). The entry point
// and the test main install the error log (base/ErrorLog.h); until then trapped errors are
// dropped. Returns the sink it replaces.
using ErrorSink = void (*)(const std::string& number, const std::string& description, const std::string& where);
ErrorSink SetErrorSink(ErrorSink sink);
void ReportTrapped(long number, const std::string& description, const std::string& method);
void ReportTrappedAt(long number, const std::string& description, const std::string& where);
// Reports the exception in flight (call from a catch block only).
void ReportCurrentException(const std::string& method);
void ReportCurrentExceptionAt(const std::string& where);
// The number and description of the exception in flight, as the error log writes them (call
// from a catch block only).
void DescribeCurrentException(long& number, std::string& description);

// "Method: <method>", after the context when there is one ("I: 12, Method: <method>").
std::string MethodTail(const std::string& method, const std::string& context = {});

// Trap("Method", fallback, [&] { ...; return value; });
template <class R, class F>
R Trap(const char* method, R fallback, F&& body) noexcept {
    try {
        return std::forward<F>(body)();
    } catch (...) {
        ReportCurrentException(method);
        return fallback;
    }
}

// Trap("Method", [&] { ... }); for procedures with no result. Returns false when it trapped.
template <class F>
bool Trap(const char* method, F&& body) noexcept {
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        ReportCurrentException(method);
        return false;
    }
}

// The fence of procedures whose entry names a context item before the method, as loops
// write it: `where()` is computed when the error is caught ("I: 12, Method: Name").
// Returns false when it trapped.
template <class F, class Where>
bool TrapWith(F&& body, Where&& where) noexcept {
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        try {
            ReportCurrentExceptionAt(where());
        } catch (...) {
            // The fence lets nothing out: a context that cannot even be written is dropped with it.
        }
        return false;
    }
}

}  // namespace base
