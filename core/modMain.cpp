#include "core/modMain.h"

#include "base/ErrorLog.h"
#include "base/Handles.h"
#include "base/MsgBox.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/Trap.h"

namespace modMain {

std::string FullPath_With_Filename(const std::string& name) {
    return base::Trap("FullPath_With_Filename", std::string(), [&] { return base::ProgramFilePath(name); });
}

std::string ErrorLogPath() { return base::ErrorLogPath(); }

void LogError(const std::string& number, const std::string& description, const std::string& procedureName) {
    base::LogErrorLine(number, description, base::MethodTail(procedureName));
}

std::string FormatErrorLogEntry(const std::string& message, const SYSTEMTIME& when) {
    return base::FormatErrorLogEntry(message, when);
}

void WriteErrorLog(const std::string& message) { base::WriteErrorLog(message); }

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
