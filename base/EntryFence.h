#pragma once
// The fence of a program's entry point: nothing it runs may end the program through an uncaught
// exception. What escapes is logged, said to the person in front of the screen, and becomes an
// exit code of its own.
#include <functional>
#include <string>

namespace base {

// Exit codes of the program beyond its message loop's own.
inline constexpr int kExitFailed = 2;           // an error ended the program (logged)
inline constexpr int kExitAnotherInstance = 4;  // another instance runs; this one was refused

// Runs `body` and returns its result. When it throws: one error-log entry naming `method`, a
// plain message box titled `title` that says what went wrong, and kExitFailed.
int FenceEntry(const char* method, const std::string& title, const std::function<int()>& body) noexcept;

}  // namespace base
