#include "core/Process.h"

#include <algorithm>

#include "base/Handles.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/ProcessApi.h"
#include "core/modMain.h"

namespace processApi {

const Psapi& PsapiFunctions() {
    static const Psapi p = [] {
        Psapi f;
        HMODULE m = LoadLibraryA("psapi.dll");
        if (!m) return f;
        f.enumProcesses = reinterpret_cast<decltype(f.enumProcesses)>(GetProcAddress(m, "EnumProcesses"));
        f.enumProcessModules =
            reinterpret_cast<decltype(f.enumProcessModules)>(GetProcAddress(m, "EnumProcessModules"));
        f.getModuleBaseName = reinterpret_cast<decltype(f.getModuleBaseName)>(GetProcAddress(m, "GetModuleBaseNameA"));
        f.getModuleFileNameEx =
            reinterpret_cast<decltype(f.getModuleFileNameEx)>(GetProcAddress(m, "GetModuleFileNameExA"));
        return f;
    }();
    return p;
}

const ToolHelp& ToolHelpFunctions() {
    static const ToolHelp t = [] {
        ToolHelp f;
        HMODULE k = GetModuleHandleA("kernel32.dll");
        if (!k) return f;
        f.createSnapshot = reinterpret_cast<decltype(f.createSnapshot)>(GetProcAddress(k, "CreateToolhelp32Snapshot"));
        f.first = reinterpret_cast<decltype(f.first)>(GetProcAddress(k, "Process32First"));
        f.next = reinterpret_cast<decltype(f.next)>(GetProcAddress(k, "Process32Next"));
        f.queryImageName =
            reinterpret_cast<decltype(f.queryImageName)>(GetProcAddress(k, "QueryFullProcessImageNameA"));
        return f;
    }();
    return t;
}

}  // namespace processApi

namespace {

using processApi::Psapi;
using processApi::PsapiFunctions;
using processApi::ToolHelp;
using processApi::ToolHelpFunctions;

long ListByPsapi(std::vector<std::string>& names, std::vector<DWORD>& ids, const std::string& filter) {
    const Psapi& ps = PsapiFunctions();
    if (!ps.enumProcesses) return -1;
    std::vector<DWORD> all;
    DWORD bytes = 0;
    // Grow until the answer leaves room to spare: then it is complete.
    for (DWORD size = 512;; size *= 2) {
        all.assign(size / sizeof(DWORD), 0);
        if (!ps.enumProcesses(all.data(), size, &bytes)) return -1;
        if (bytes < size) break;
        if (size >= (1u << 24)) return -1;
    }
    all.resize(bytes / sizeof(DWORD));
    for (DWORD id : all) {
        std::string name = Process::GetProcessName(id);
        if (name.empty()) continue;
        if (!filter.empty() && name.find(filter) == std::string::npos) continue;
        names.push_back(name);
        ids.push_back(id);
    }
    return static_cast<long>(names.size());
}

long ListBySnapshot(std::vector<std::string>& names, std::vector<DWORD>& ids, const std::string& filter) {
    const ToolHelp& th = ToolHelpFunctions();
    if (!th.createSnapshot || !th.first || !th.next) return -1;
    base::FileHandle snap(th.createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = th.first(snap.get(), &entry); more; more = th.next(snap.get(), &entry)) {
        const char* exe = entry.szExeFile;
        size_t n = 0;
        while (n < sizeof entry.szExeFile && exe[n] != '\0') ++n;
        if (n == sizeof entry.szExeFile) continue;  // no terminating NUL: no usable name
        std::string name(exe, n);
        if (name.empty()) continue;
        if (!filter.empty() && name.find(filter) == std::string::npos) continue;
        names.push_back(name);
        ids.push_back(entry.th32ProcessID);
    }
    return static_cast<long>(names.size());
}

}  // namespace

namespace Process {

long GetProcessList(std::vector<std::string>& names, std::vector<DWORD>& ids, const std::string& filter,
                    bool usePsapi) {
    names.clear();
    ids.clear();
    long n = -1;
    try {
        n = usePsapi ? ListByPsapi(names, ids, filter) : ListBySnapshot(names, ids, filter);
    } catch (...) {
        n = -1;
    }
    if (n < 0) {
        names.clear();
        ids.clear();
    }
    return n;
}

std::string GetProcessName(DWORD processId) {
    if (processId == 0) return "System Idle Process";
    if (processId == 2) return "System";
    const Psapi& ps = PsapiFunctions();
    base::Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process || !ps.enumProcessModules || !ps.getModuleBaseName) return {};
    std::vector<HMODULE> modules(1024);
    DWORD needed = 0;
    if (!ps.enumProcessModules(process.get(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                               &needed))
        return {};
    char name[261] = {};
    DWORD n = ps.getModuleBaseName(process.get(), modules[0], name, 260);
    if (n == 0) return "unknown";
    return std::string(name, std::min<DWORD>(n, 260));
}

DWORD GetProcessID(const std::string& name, bool usePsapi) {
    std::vector<std::string> names;
    std::vector<DWORD> ids;
    long n = GetProcessList(names, ids, "", usePsapi);
    const std::string wanted = base::UCase(name);
    for (long i = 0; i < n; ++i)
        if (base::UCase(names[i]) == wanted) return ids[i];
    return 0;
}

bool EndProcess(DWORD processId) {
    base::Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (!process) return false;
    return TerminateProcess(process.get(), 1) != FALSE;
}

std::string GetProcessImagePath(DWORD processId) {
    char path[MAX_PATH * 2] = {};
    const ToolHelp& th = ToolHelpFunctions();
    if (th.queryImageName) {
        base::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
        DWORD size = sizeof path;
        if (process && th.queryImageName(process.get(), 0, path, &size)) return std::string(path, size);
    }
    const Psapi& ps = PsapiFunctions();
    if (ps.getModuleFileNameEx) {
        base::Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
        if (process) {
            DWORD n = ps.getModuleFileNameEx(process.get(), nullptr, path, sizeof path);
            if (n > 0 && n < sizeof path) return std::string(path, n);
        }
    }
    return {};
}

}  // namespace Process

namespace mdlProcess {

void Err_Dll(unsigned long errorCode, const std::string& message, const std::string& moduleName,
             const std::string& procedureName) {
    modMain::LogError(std::to_string(errorCode), message, "Err_Dll");
}

void Kill_Process(DWORD processId) {
    auto report = [](const char* message) { Err_Dll(GetLastError(), message, "mdlProcess", "Kill_Process"); };
    // A raw handle on purpose: every step, the close included, reports its own failure, and
    // after a failed open the later steps fail (and are reported) too.
    HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) report("OpenProcess failed");
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process, &exitCode)) report("GetExitCodeProcess failed");
    // A fixed exit code: handing back the running process's STILL_ACTIVE would make anyone
    // waiting on it believe it still runs.
    if (!TerminateProcess(process, 1)) report("TerminateProcess failed");
    if (!CloseHandle(process)) report("CloseHandle failed");
}

}  // namespace mdlProcess
