#include "launcher/Launcher.h"

#include <cstdlib>

#include "base/ErrorLog.h"
#include "base/Handles.h"
#include "base/Launch.h"
#include "base/ProgramFolder.h"
#include "base/Text.h"

namespace launcher {
namespace {

unsigned long long Ticks(const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// The system's text for an error number ("" when it has none).
std::string SystemText(DWORD error) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    // The system's text ends with CR LF (and may break inside): the entry stays on one line.
    std::string line;
    for (const char* c = text; *c; ++c) {
        const bool lineBreak = *c == '\r' || *c == '\n';
        if (!lineBreak)
            line += *c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    return base::Trim(line);
}

void LogStartFailure(DWORD error, const std::string& what) {
    const std::string reason = SystemText(error);
    // Beside a program folder without its logs folder the entry still has a place.
    CreateDirectoryA(base::ProgramFilePath("logs").c_str(), nullptr);
    base::LogErrorLine(std::to_string(error), what + (reason.empty() ? "" : " (" + reason + ")"),
                       "Method: StartCorvane");
}

}  // namespace

WaitRule RuleFromEnvironment() {
    WaitRule rule;
    char text[32] = {};
    const DWORD n = GetEnvironmentVariableA(kWaitEnv, text, sizeof text);
    if (n == 0 || n >= sizeof text) return rule;
    char* end = nullptr;
    const unsigned long ms = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || ms > 600000) return rule;
    rule.minimumMs = static_cast<DWORD>(ms);
    rule.maximumMs = static_cast<DWORD>(ms * 3);
    return rule;
}

bool SettleWatch::Done(DWORD elapsedMs, int idlePercent) {
    recent_.push_back(idlePercent);
    if (recent_.size() > rule_.settledSamples) recent_.erase(recent_.begin());
    if (elapsedMs >= rule_.maximumMs) return true;
    if (elapsedMs < rule_.minimumMs || recent_.size() < rule_.settledSamples) return false;
    for (int idle : recent_)
        if (idle < rule_.idlePercent) return false;
    return true;
}

IdleMeter::IdleMeter() { Sample(); }

int IdleMeter::Sample() {
    FILETIME idle{}, kernel{}, user{};
    if (!GetSystemTimes(&idle, &kernel, &user)) return 100;
    // Kernel time includes the idle time.
    const unsigned long long i = Ticks(idle), total = Ticks(kernel) + Ticks(user);
    const unsigned long long di = i - idle_, dt = total - total_;
    idle_ = i;
    total_ = total;
    if (dt == 0 || di > dt) return 100;
    return static_cast<int>(di * 100 / dt);
}

DWORD WaitForDesktop(const WaitRule& rule) {
    const DWORD start = GetTickCount();
    IdleMeter meter;
    SettleWatch watch(rule);
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD left = rule.maximumMs > elapsed ? rule.maximumMs - elapsed : 0;
        Sleep(left < rule.sampleMs ? left : rule.sampleMs);
        const DWORD now = GetTickCount() - start;
        if (watch.Done(now, meter.Sample())) return now;
    }
}

Outcome StartCorvane(const std::string& switches) {
    // The mark of a running Corvane of this folder: a second start would only show its refusal.
    base::Handle running(OpenMutexA(SYNCHRONIZE, FALSE, base::InstanceMutexName().c_str()));
    if (running) return Outcome::AlreadyRunning;
    const std::string program = base::ProgramFilePath("Corvane.exe");
    const DWORD attributes = GetFileAttributesA(program.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        LogStartFailure(attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_FILE_NOT_FOUND,
                        "Corvane.exe is missing: " + program);
        return Outcome::Missing;
    }
    const std::string args = base::Trim(switches);
    const base::Launched launched = base::Launch("\"" + program + "\"" + (args.empty() ? "" : " " + args), 0);
    if (!launched.started) {
        LogStartFailure(launched.error, "Corvane.exe could not be started: " + program);
        return Outcome::NotStarted;
    }
    return Outcome::Started;
}

int Run(const std::string& switches) {
    WaitForDesktop(RuleFromEnvironment());
    switch (StartCorvane(switches)) {
        case Outcome::Started:
        case Outcome::AlreadyRunning:
            return 0;
        default:
            return 1;
    }
}

}  // namespace launcher
