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

void ReportCurrentExceptionAt(const std::string& where) {
    try {
        throw;
    } catch (const RuntimeError& e) {
        ReportTrappedAt(e.number(), e.description(), where);
    } catch (const std::bad_alloc&) {
        ReportTrappedAt(errOutOfMemory, ErrorDescription(errOutOfMemory), where);
    } catch (const std::exception& e) {
        ReportTrappedAt(errInvalidProcedureCall, e.what(), where);
    } catch (...) {
        ReportTrappedAt(errInvalidProcedureCall, ErrorDescription(errInvalidProcedureCall), where);
    }
}

void ReportCurrentException(const std::string& method) { ReportCurrentExceptionAt(MethodTail(method)); }

}  // namespace base
