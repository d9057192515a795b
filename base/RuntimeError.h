#pragma once
// Numbered runtime errors with their standard descriptions, as the program's error log reports them.
#include <stdexcept>
#include <string>

namespace base {

enum RuntimeErrorNumber : long {
    errReturnWithoutGoSub = 3,
    errInvalidProcedureCall = 5,
    errOverflow = 6,
    errOutOfMemory = 7,
    errSubscriptOutOfRange = 9,
    errTypeMismatch = 13,
    errBadFileNameOrNumber = 52,
    errFileNotFound = 53,
    errBadFileMode = 54,
    errFileAlreadyOpen = 55,
    errDeviceIoError = 57,
    errFileAlreadyExists = 58,
    errDiskFull = 61,
    errInputPastEndOfFile = 62,
    errBadFileName = 64,
    errPermissionDenied = 70,
    errDiskNotReady = 71,
    errPathFileAccessError = 75,
    errPathNotFound = 76,
    errObjectVariableNotSet = 91,
    errInvalidUseOfNull = 94,
    errObjectRequired = 424,
    errActiveXCannotCreate = 429,
    errAutomation = 440,
};

// The runtime's standard text for an error number ("File not found" for 53);
// "Application-defined or object-defined error" for numbers it has no text for.
std::string ErrorDescription(long number);

// A trapped runtime error: the number and the description the error log records.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(long number);
    RuntimeError(long number, std::string description);
    long number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

private:
    long number_;
    std::string description_;
};

[[noreturn]] void Raise(long number);
[[noreturn]] void Raise(long number, std::string description);

// Maps a Win32 error code of a file operation to the runtime error it surfaces as.
long RuntimeErrorFromWin32(unsigned long win32Error);
[[noreturn]] void RaiseWin32(unsigned long win32Error);

}  // namespace base
