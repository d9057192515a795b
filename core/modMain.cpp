#include "core/modMain.h"

#include "base/Clock.h"
#include "base/Handles.h"
#include "base/MsgBox.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/Trap.h"

namespace modMain {
namespace {

void SinkToErrorLog(const std::string& number, const std::string& description, const std::string& method) {
    LogError(number, description, method);
}

// Every trapped error of the program lands in this log.
const bool g_sinkInstalled = (base::SetErrorSink(&SinkToErrorLog), true);

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

std::string TrimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

}  // namespace

std::string FullPath_With_Filename(const std::string& name) {
    (void)g_sinkInstalled;
    return base::Trap("FullPath_With_Filename", std::string(), [&] {
        const std::string folder = base::ProgramFolder();
        const std::string trimmed = TrimBlanks(folder);
        if (trimmed.empty() || trimmed.back() != '\\') return folder + "\\" + name;
        return folder + name;
    });
}

std::string ErrorLogPath() { return FullPath_With_Filename("\\logs\\errorlog.txt"); }

void LogError(const std::string& number, const std::string& description, const std::string& procedureName) {
    WriteErrorLog("Error Description: " + description + ", " + "Error Number: " + number + ", " + "Method: " +
                  procedureName);
}

std::string FormatErrorLogEntry(const std::string& message, const SYSTEMTIME& when) {
    return Quoted("\r\nDate: " + base::ShortDateText(when)) + "," + Quoted("Time: " + base::TimeText(when)) + "," +
           Quoted(message) + "\r\n";
}

void WriteErrorLog(const std::string& message) {
    try {
        const std::string path = ErrorLogPath();
        if (path.empty()) return;
        base::AppendText(path, FormatErrorLogEntry(message, base::Now()));
    } catch (...) {
        // A log that cannot be written loses the entry; nothing else may fail because of it.
    }
}

void deleteLogFile() {
    base::Trap("deleteLogFile", [] {
        const std::string path = ErrorLogPath();
        if (fileExistsDir(path) && base::FileLength(path) > kErrorLogLimit) DeleteFile(path);
    });
}

short fileExistsDir(const std::string& path) {
    WIN32_FIND_DATAA fd;
    base::FindHandle h(FindFirstFileA(path.c_str(), &fd));
    if (!h) {
        DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_NO_MORE_FILES) return 0;
        base::MsgBox(base::ErrorDescription(base::RuntimeErrorFromWin32(err)), MB_ICONINFORMATION);
        return 0;
    }
    const DWORD skip = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    do {
        if (!(fd.dwFileAttributes & skip)) return -1;
    } while (FindNextFileA(h.get(), &fd));
    return 0;
}

void DeleteFile(const std::string& path) {
    if (::DeleteFileA(path.c_str())) return;
    DWORD err = GetLastError();
    if (path.find("Remove.reg") != std::string::npos) return;
    long number = base::RuntimeErrorFromWin32(err == 0 ? ERROR_ACCESS_DENIED : err);
    LogError(std::to_string(number), base::ErrorDescription(number) + "  " + path, "DeleteFile");
}

void WriteLogFile(const std::string& path, const std::string& text) {
    base::Trap("WriteLogFile", [&] { base::WriteText(path, text + "\r\n"); });
}

void AppendFileToTextBox(const std::string& path, std::string& text) {
    try {
        std::string content = base::ReadWhole(path);
        text = text + "\r\n" + content + "\r\n";
    } catch (...) {
        // The summary window simply shows nothing more.
    }
}

}  // namespace modMain
