#pragma once
// The program's path builder, its error log and the plain file routines around them.
#include <windows.h>

#include <string>

#undef DeleteFile  // our own DeleteFile below; the Win32 call is spelled DeleteFileA

namespace modMain {

// Program folder joined with `name` ("\logs\errorlog.txt" and "errorlog.txt" both work;
// a leading backslash gives a doubled separator, which the file system reads as one).
std::string FullPath_With_Filename(const std::string& name);

// Appends "Error Description: <d>, Error Number: <n>, Method: <p>" to the error log.
void LogError(const std::string& number, const std::string& description, const std::string& procedureName);
// Appends one entry with this message; failures are swallowed (the entry is lost).
void WriteErrorLog(const std::string& message);
// The exact bytes of one entry for this message at this moment.
std::string FormatErrorLogEntry(const std::string& message, const SYSTEMTIME& when);
std::string ErrorLogPath();

inline constexpr unsigned long long kErrorLogLimit = 1000ull * 1000ull;
// Start-up clean-up: deletes an error log larger than 1,000,000 bytes.
void deleteLogFile();

// True (-1) when a listing of `path` finds an entry with normal attributes (hidden, system
// and folders count as missing). A listing failure is shown in a plain message box; false.
short fileExistsDir(const std::string& path);

// Deletes one file; a failure is logged with two blanks and the path after the description,
// except for "Remove.reg", whose absence is normal.
void DeleteFile(const std::string& path);

// Replaces the file with `text` + CR LF.
void WriteLogFile(const std::string& path, const std::string& text);
// text = text + CR LF + content of the file + CR LF; silent on failure.
void AppendFileToTextBox(const std::string& path, std::string& text);

}  // namespace modMain
