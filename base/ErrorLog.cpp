#include "base/ErrorLog.h"

#include "base/Clock.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/Trap.h"

namespace base {
namespace {
// A record field in double quotes; embedded quotes are doubled so the three fields stay apart.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    out.push_back('"');
    return out;
}
}  // namespace

std::string ErrorLogLine(const std::string& description, const std::string& number, const std::string& where) {
    return "Error Description: " + description + ", Error Number: " + number + ", " + where;
}

std::string ErrorLogLine(const std::string& description, long number, const std::string& where) {
    return ErrorLogLine(description, std::to_string(number), where);
}

std::string ErrorLogPath() { return ProgramFilePath("\\logs\\errorlog.txt"); }

std::string FormatErrorLogEntry(const std::string& message, const SYSTEMTIME& when) {
    return Quoted("\r\nDate: " + ShortDateText(when)) + "," + Quoted("Time: " + TimeText(when)) + "," +
           Quoted(message) + "\r\n";
}

void WriteErrorLog(const std::string& message) {
    try {
        const std::string path = ErrorLogPath();
        if (path.empty()) return;
        AppendText(path, FormatErrorLogEntry(message, Now()));
    } catch (...) {
        // A log that cannot be written loses the entry; nothing else may fail because of it.
    }
}

void LogErrorLine(const std::string& number, const std::string& description, const std::string& where) {
    WriteErrorLog(ErrorLogLine(description, number, where));
}

void InstallErrorLog() { SetErrorSink(&LogErrorLine); }

}  // namespace base
