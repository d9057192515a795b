#include "base/Trap.h"

#include <new>

namespace base {
namespace {
ErrorSink g_sink = nullptr;
}

void SetErrorSink(ErrorSink sink) { g_sink = sink; }

void ReportTrapped(long number, const std::string& description, const std::string& method) {
    if (!g_sink) return;
    try {
        g_sink(std::to_string(number), description, method);
    } catch (...) {
        // The error log swallows its own failures.
    }
}

void ReportCurrentException(const std::string& method) {
    try {
        throw;
    } catch (const RuntimeError& e) {
        ReportTrapped(e.number(), e.description(), method);
    } catch (const std::bad_alloc&) {
        ReportTrapped(errOutOfMemory, ErrorDescription(errOutOfMemory), method);
    } catch (const std::exception& e) {
        ReportTrapped(errInvalidProcedureCall, e.what(), method);
    } catch (...) {
        ReportTrapped(errInvalidProcedureCall, ErrorDescription(errInvalidProcedureCall), method);
    }
}

}  // namespace base
