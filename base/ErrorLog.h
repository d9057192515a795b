#pragma once
// The error log: logs\errorlog.txt under the program folder, one record of three quoted,
// comma-separated fields an entry ("Date: ...", "Time: ...", the message). The entry point and
// the test main install it as the sink of trapped errors (InstallErrorLog).
#include <windows.h>

#include <string>

namespace base {

// "Error Description: <d>, Error Number: <n>, <where>": the one builder of an entry's message.
std::string ErrorLogLine(const std::string& description, const std::string& number, const std::string& where);
std::string ErrorLogLine(const std::string& description, long number, const std::string& where);

// Appends one entry with this message; failures are swallowed (the entry is lost).
void WriteErrorLog(const std::string& message);
// Appends ErrorLogLine(description, number, where).
void LogErrorLine(const std::string& number, const std::string& description, const std::string& where);
// The exact bytes of one entry for this message at this moment.
std::string FormatErrorLogEntry(const std::string& message, const SYSTEMTIME& when);
std::string ErrorLogPath();

// Makes the error log the sink of every trapped error.
void InstallErrorLog();

}  // namespace base
