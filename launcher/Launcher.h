#pragma once
// Tessiv.exe, the delayed start-up: started at log-on by the program's Run value, it lets the
// desktop settle, then starts Corvane.exe from its own folder with the switches it was given.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace launcher {

// When the desktop counts as settled: not before minimumMs, then as soon as the last
// settledSamples samples (one every sampleMs) each found the processors at least idlePercent
// idle, and never later than maximumMs.
struct WaitRule {
    DWORD minimumMs = 20000;
    DWORD maximumMs = 120000;
    DWORD sampleMs = 1000;
    int idlePercent = 60;
    size_t settledSamples = 3;
};

// Test seam: CORVANE_LAUNCHER_WAIT_MS=<n> shortens the wait to n ms at least and 3n at most.
inline constexpr const char* kWaitEnv = "CORVANE_LAUNCHER_WAIT_MS";
WaitRule RuleFromEnvironment();

// The waiting rule over the samples taken so far.
class SettleWatch {
public:
    explicit SettleWatch(const WaitRule& rule) : rule_(rule) {}
    // One sample: the time since the start and how idle the processors were since the last one.
    // True when the program may start now.
    bool Done(DWORD elapsedMs, int idlePercent);

private:
    WaitRule rule_;
    std::vector<int> recent_;
};

// The share of processor time the system spent idle since the previous call (100 when the
// system gives no times).
class IdleMeter {
public:
    IdleMeter();
    int Sample();

private:
    unsigned long long idle_ = 0, total_ = 0;
};

// Waits by the rule; the milliseconds it waited.
DWORD WaitForDesktop(const WaitRule& rule);

enum class Outcome { Started, AlreadyRunning, Missing, NotStarted };

// Starts Corvane.exe of the program folder with these switches, unless one runs there already.
// A missing or unstartable program is written to the error log.
Outcome StartCorvane(const std::string& switches);

// The whole launcher: the wait, then the start. Its exit code.
int Run(const std::string& switches);

}  // namespace launcher
