#include "base/Trap.h"

#include <new>

namespace base {
namespace {
ErrorSink g_sink = nullptr;
}

ErrorSink SetErrorSink(ErrorSink sink) {
    ErrorSink previous = g_sink;
    g_sink = sink;
    return previous;
}

std::string MethodTail(const std::string& method, const std::string& context) {
    return context.empty() ? "Method: " + method : context + ", Method: " + method;
}

void ReportTrappedAt(long number, const std::string& description, const std::string& where) {
    if (!g_sink) return;
    try {
        g_sink(std::to_string(number), description, where);
    } catch (...) {
        // The error log swallows its own failures.
    }
}

void ReportTrapped(long number, const std::string& description, const std::string& method) {
    ReportTrappedAt(number, description, MethodTail(method));
}

void DescribeCurrentException(long& number, std::string& description) {
    try {
        throw;
    } catch (const RuntimeError& e) {
        number = e.number();
        description = e.description();
    } catch (const std::bad_alloc&) {
        number = errOutOfMemory;
        description = ErrorDescription(errOutOfMemory);
    } catch (const std::exception& e) {
        number = errInvalidProcedureCall;
        description = e.what();
    } catch (...) {
        number = errInvalidProcedureCall;
        description = ErrorDescription(errInvalidProcedureCall);
    }
}

void ReportCurrentExceptionAt(const std::string& where) {
    long number = 0;
    std::string description;
    try {
        DescribeCurrentException(number, description);
    } catch (...) {
        return;  // no memory even for the description
    }
    ReportTrappedAt(number, description, where);
}

void ReportCurrentException(const std::string& method) { ReportCurrentExceptionAt(MethodTail(method)); }

}  // namespace base
