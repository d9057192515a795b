#pragma once
// The real Corvane.exe for the tests that start it as another process: a program folder as the
// build assembles it, the program started with that folder and settings of its own, and what it
// publishes while it runs.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "app/RemoteControl.h"
#include "base/Handles.h"
#include "base/testing/Testing.h"
#include "core/tests/CoreTestSupport.h"

namespace programtest {

// A program folder as the build assembles it, without the executables (which run from the build's
// folder unless a test copies them) and without what earlier runs left there.
void FillProgramFolder(const testing_support::ScopedProgramFolder& pf);

// Copies one file of the build's program folder into pf; false when it could not.
bool CopyFromProgramDir(const testing_support::ScopedProgramFolder& pf, const std::string& name);

// Corvane.exe started from the build's program folder with a program folder and settings of its
// own (and any further environment variables); ended with the object if it is still running.
class ChildProgram {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;
    explicit ChildProgram(const std::string& args, const Environment& env = {});
    ~ChildProgram();
    HANDLE process() const { return process_.get(); }
    DWORD id() const { return pi_.dwProcessId; }
    // One more Corvane.exe over the same program folder and settings; the caller owns the handles
    // (none when it could not start).
    PROCESS_INFORMATION StartAnother(const std::string& args, const Environment& env = {}) const;

    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;

private:
    PROCESS_INFORMATION pi_{};
    base::Handle process_, thread_;
};

using remote::PublishedWindow;

// The newest scan log in the program folder's logs folder ("" when there is none).
std::string NewestScanLog(const testing_support::ScopedProgramFolder& pf);

// The processes of this executable name ("Corvane.exe") running now.
int CountProcesses(const char* exeName);

// Ends the process that owns this window (a program a test started some other way); waits for it.
void EndOwnerOf(HWND window);

}  // namespace programtest
