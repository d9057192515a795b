#include "base/EntryFence.h"

#include <windows.h>

#include "base/MsgBox.h"
#include "base/Trap.h"

namespace base {

int FenceEntry(const char* method, const std::string& title, const std::function<int()>& body) noexcept {
    try {
        return body();
    } catch (...) {
        long number = 0;
        std::string description;
        try {
            DescribeCurrentException(number, description);
        } catch (...) {
            // The fence lets nothing out: without memory for the text, the entry goes in without it.
        }
        ReportTrapped(number, description, method);
        try {
            MsgBox(title + " has to end: " + description + " (error " + std::to_string(number) +
                       "). The error log has the details.",
                   MB_OK | MB_ICONERROR, title);
        } catch (...) {
            // The fence lets nothing out: the error log already holds what happened.
        }
        return kExitFailed;
    }
}

}  // namespace base
