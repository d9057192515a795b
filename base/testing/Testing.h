#pragma once
// Shared test support: temporary folders, the program-folder override, the clock.
#include <windows.h>

#include <string>
#include <utility>

namespace testing_support {

// A fresh folder under %TEMP%, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// A temporary program folder (with its "logs" subfolder) for the life of the object.
class ScopedProgramFolder {
public:
    explicit ScopedProgramFolder(bool withLogs = true);
    ~ScopedProgramFolder();
    const std::string& path() const { return folder_.path(); }
    std::string operator/(const std::string& name) const { return folder_ / name; }

private:
    TempFolder folder_;
};

// Freezes the program's clock for the life of the object.
class ScopedClock {
public:
    explicit ScopedClock(const SYSTEMTIME& t);
    ~ScopedClock();
};
SYSTEMTIME MakeTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

void RemoveTree(const std::string& path);
// Deletes a tree of any depth and any names through the long-path form ("\\?\..."): for the trees
// tests make beyond the reach of the program's own paths. Gone with the object, whatever the
// test's end.
void RemoveLongTree(const std::wstring& path);
struct ScopedLongTree {
    std::wstring path;
    explicit ScopedLongTree(std::wstring p) : path(std::move(p)) {}
    ~ScopedLongTree() { RemoveLongTree(path); }
    ScopedLongTree(const ScopedLongTree&) = delete;
    ScopedLongTree& operator=(const ScopedLongTree&) = delete;
};
std::string UniqueName(const std::string& stem);  // stem + process id + counter
std::string SourceDir();                          // the repository (CORVANE_SOURCE_DIR, as a Windows path)
std::string ProgramDir();                         // the program folder the build assembled (CORVANE_PROGRAM_DIR)
// Runs this test executable again as a child process with the given gtest filter and extra
// environment ("NAME=value"); returns its exit code.
int RunSelf(const std::string& gtestFilter, const std::string& extraEnv = {});
bool IsChildRun();  // true inside a RunSelf child

// The prefix's Task Scheduler service: whether it runs, and started ("net start schedule") when it
// does not, as an installed Windows has it; true when it runs.
bool ScheduleServiceRunning();
bool StartScheduleService();

}  // namespace testing_support
