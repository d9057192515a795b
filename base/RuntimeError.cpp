#include "base/RuntimeError.h"

#include <windows.h>

namespace base {

std::string ErrorDescription(long number) {
    switch (number) {
        case 3:
            return "Return without GoSub";
        case 5:
            return "Invalid procedure call or argument";
        case 6:
            return "Overflow";
        case 7:
            return "Out of memory";
        case 9:
            return "Subscript out of range";
        case 11:
            return "Division by zero";
        case 13:
            return "Type mismatch";
        case 52:
            return "Bad file name or number";
        case 53:
            return "File not found";
        case 54:
            return "Bad file mode";
        case 55:
            return "File already open";
        case 57:
            return "Device I/O error";
        case 58:
            return "File already exists";
        case 61:
            return "Disk full";
        case 62:
            return "Input past end of file";
        case 64:
            return "Bad file name";
        case 67:
            return "Too many files";
        case 68:
            return "Device unavailable";
        case 70:
            return "Permission denied";
        case 71:
            return "Disk not ready";
        case 74:
            return "Can't rename with different drive";
        case 75:
            return "Path/File access error";
        case 76:
            return "Path not found";
        case 91:
            return "Object variable or With block variable not set";
        case 94:
            return "Invalid use of Null";
        case 424:
            return "Object required";
        case 429:
            return "ActiveX component can't create object";
        case 440:
            return "Automation error";
        default:
            return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(long number) : RuntimeError(number, ErrorDescription(number)) {}

RuntimeError::RuntimeError(long number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

void Raise(long number) { throw RuntimeError(number); }

void Raise(long number, std::string description) { throw RuntimeError(number, std::move(description)); }

long RuntimeErrorFromWin32(unsigned long win32Error) {
    switch (win32Error) {
        case ERROR_FILE_NOT_FOUND:
            return errFileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
            return errPathNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return errPermissionDenied;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return errBadFileName;
        case ERROR_NOT_READY:
            return errDiskNotReady;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return errDiskFull;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return errFileAlreadyExists;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return errOutOfMemory;
        default:
            return errPathFileAccessError;
    }
}

void RaiseWin32(unsigned long win32Error) { Raise(RuntimeErrorFromWin32(win32Error)); }

}  // namespace base
