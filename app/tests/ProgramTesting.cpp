#include "app/tests/ProgramTesting.h"

#include <tlhelp32.h>

#include "base/ProgramFolder.h"
#include "core/SettingsStore.h"

namespace programtest {

void FillProgramFolder(const testing_support::ScopedProgramFolder& pf) {
    const std::string from = testing_support::ProgramDir() + "\\";
    for (const char* pattern : {"*.scw", "*.wav", "*.spl", "*.dll", "defs.dat", "Skin\\*", "Language\\*"}) {
        const std::string p = pattern;
        const std::string sub = p.find('\\') == std::string::npos ? "" : p.substr(0, p.find('\\') + 1);
        if (!sub.empty()) CreateDirectoryA((pf / sub).c_str(), nullptr);
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((from + p).c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                CopyFileA((from + sub + fd.cFileName).c_str(), (pf / (sub + fd.cFileName)).c_str(), FALSE);
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
}

bool CopyFromProgramDir(const testing_support::ScopedProgramFolder& pf, const std::string& name) {
    return CopyFileA((testing_support::ProgramDir() + "\\" + name).c_str(), (pf / name).c_str(), FALSE) != 0;
}

ChildProgram::ChildProgram(const std::string& args, const Environment& env) {
    FillProgramFolder(pf);
    pi_ = StartAnother(args, env);
    process_.reset(pi_.hProcess);
    thread_.reset(pi_.hThread);
}

PROCESS_INFORMATION ChildProgram::StartAnother(const std::string& args, const Environment& env) const {
    SetEnvironmentVariableA(base::kProgramFolderEnv, pf.path().c_str());
    SetEnvironmentVariableA(settings::kRootEnv, store.root().c_str());
    for (const auto& [name, value] : env) SetEnvironmentVariableA(name.c_str(), value.c_str());
    std::string cmd = "\"" + testing_support::ProgramDir() + "\\Corvane.exe\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) pi = {};
    SetEnvironmentVariableA(base::kProgramFolderEnv, nullptr);
    SetEnvironmentVariableA(settings::kRootEnv, nullptr);
    for (const auto& [name, value] : env) SetEnvironmentVariableA(name.c_str(), nullptr);
    return pi;
}

ChildProgram::~ChildProgram() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 10000);
    }
}

std::string NewestScanLog(const testing_support::ScopedProgramFolder& pf) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((pf / "logs\\ScanLog*.log").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return {};
    std::string newest;
    FILETIME newestTime{};
    do {
        if (newest.empty() || CompareFileTime(&fd.ftLastWriteTime, &newestTime) > 0) {
            newest = pf / (std::string("logs\\") + fd.cFileName);
            newestTime = fd.ftLastWriteTime;
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return newest;
}

int CountProcesses(const char* exeName) {
    base::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (_stricmp(entry.szExeFile, exeName) == 0) ++count;
    return count;
}

void EndOwnerOf(HWND window) {
    DWORD pid = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &pid) == 0) return;
    base::Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) return;
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 10000);
}

}  // namespace programtest
