#include "base/testing/Testing.h"

#include <atomic>
#include <vector>

#include "base/Clock.h"
#include "base/FolderWalk.h"
#include "base/Handles.h"
#include "base/HostPath.h"
#include "base/Launch.h"
#include "base/ProgramFolder.h"

namespace testing_support {

std::string UniqueName(const std::string& stem) {
    static std::atomic<unsigned> counter{0};
    return stem + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount() & 0xFFFF) + "_" +
           std::to_string(counter++);
}

TempFolder::TempFolder() {
    char tmp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, tmp);
    std::string base(tmp, n);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    path_ = base + "\\" + UniqueName("cvt");
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveLongTree(const std::wstring& path) {
    const std::wstring full = path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((full + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = full + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveLongTree(child);
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(child.c_str());
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(full.c_str());
}

void RemoveTree(const std::string& path) {
    base::ForEachEntry(path, [](const WIN32_FIND_DATAA& fd, const std::string& child) {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (base::IsRealSubfolder(fd))
            RemoveTree(child);
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryA(child.c_str());
        else
            DeleteFileA(child.c_str());
    });
    RemoveDirectoryA(path.c_str());
}

ScopedProgramFolder::ScopedProgramFolder(bool withLogs) {
    if (withLogs) CreateDirectoryA((folder_ / "logs").c_str(), nullptr);
    base::SetProgramFolderOverride(folder_.path());
}

ScopedProgramFolder::~ScopedProgramFolder() { base::SetProgramFolderOverride(""); }

ScopedClock::ScopedClock(const SYSTEMTIME& t) { base::SetClock(t); }
ScopedClock::~ScopedClock() { base::ResetClock(); }

SYSTEMTIME MakeTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    // Day of week for the date's own sake (Sakamoto's rule), so formats that show it agree.
    static const int offs[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = year - (month < 3);
    t.wDayOfWeek = static_cast<WORD>((y + y / 4 - y / 100 + y / 400 + offs[month - 1] + day) % 7);
    return t;
}

namespace {
std::string EnvPath(const char* name) {
    char buf[1024];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return {};
    return base::WindowsPathOfHost(std::string(buf, n));
}
}  // namespace

std::string SourceDir() { return EnvPath("CORVANE_SOURCE_DIR"); }
std::string ProgramDir() { return EnvPath("CORVANE_PROGRAM_DIR"); }

bool ScheduleServiceRunning() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return false;
    bool running = false;
    if (SC_HANDLE service = OpenServiceA(manager, "Schedule", SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status{};
        running = QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return running;
}

bool StartScheduleService() {
    // Right after the prefix was made the service database can still be locked: try twice.
    for (int attempt = 0; attempt < 2 && !ScheduleServiceRunning(); ++attempt) {
        base::RunAndWait("net start schedule");
        for (int wait = 0; wait < 50 && !ScheduleServiceRunning(); ++wait) Sleep(100);
    }
    return ScheduleServiceRunning();
}

bool IsChildRun() { return GetEnvironmentVariableA("CORVANE_TEST_CHILD", nullptr, 0) > 0; }

int RunSelf(const std::string& gtestFilter, const std::string& extraEnv) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = "\"" + std::string(exe) + "\" --gtest_filter=" + gtestFilter;
    SetEnvironmentVariableA("CORVANE_TEST_CHILD", "1");
    std::string name, value;
    if (!extraEnv.empty()) {
        auto eq = extraEnv.find('=');
        name = extraEnv.substr(0, eq);
        value = eq == std::string::npos ? "" : extraEnv.substr(eq + 1);
        SetEnvironmentVariableA(name.c_str(), value.c_str());
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    BOOL ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("CORVANE_TEST_CHILD", nullptr);
    if (!name.empty()) SetEnvironmentVariableA(name.c_str(), nullptr);
    if (!ok) return -1;
    base::Handle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
}

}  // namespace testing_support
