#pragma once
// The error fence of every procedure: run the body, and turn anything it throws into one
// error-log entry naming the procedure, then return the procedure's default.
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "base/RuntimeError.h"

namespace base {

// Where trapped errors go: (number as decimal text, description, procedure name).
// The core installs the error log here; until then trapped errors are dropped.
using ErrorSink = void (*)(const std::string& number, const std::string& description, const std::string& method);
void SetErrorSink(ErrorSink sink);
void ReportTrapped(long number, const std::string& description, const std::string& method);
// Reports the exception in flight (call from a catch block only).
void ReportCurrentException(const std::string& method);

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

}  // namespace base
