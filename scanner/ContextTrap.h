#pragma once
// Error entries that name a context item before the method ("I: 12, Method: UpdateDialersFileList"),
// as the loaders and list walkers write them.
#include <string>

namespace scanner {

// From a catch block: one error-log entry "Error Description: <d>, Error Number: <n>, <tail>".
void LogCurrentError(const std::string& tail);

// Runs `body`; anything it throws becomes one entry with `tail()` computed at that moment.
// Returns false when it trapped.
template <class F, class Tail>
bool TrapWith(F&& body, Tail&& tail) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        try {
            LogCurrentError(tail());
        } catch (...) {
        }
        return false;
    }
}

}  // namespace scanner
