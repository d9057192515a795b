#include "base/ProgramFolder.h"

#include <windows.h>

#include <vector>

#include "base/Text.h"

namespace base {
namespace {
std::string g_override;

std::string StripTrailingSeparator(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) {
        if (folder.size() == 3 && folder[1] == ':') break;  // "C:\" keeps its backslash
        folder.pop_back();
    }
    return folder;
}

std::string ExecutableFolder() {
    std::vector<char> buf(MAX_PATH);
    for (int tries = 0; tries < 6; ++tries) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            std::string path(buf.data(), n);
            auto slash = path.find_last_of('\\');
            if (slash == std::string::npos) return {};
            if (slash == 2 && path[1] == ':') return path.substr(0, 3);
            return path.substr(0, slash);
        }
        buf.resize(buf.size() * 2);
    }
    return {};
}
}  // namespace

std::string ProgramFolder() {
    if (!g_override.empty()) return g_override;
    char env[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(kProgramFolderEnv, env, sizeof env);
    if (n > 0 && n < sizeof env) return StripTrailingSeparator(std::string(env, n));
    return ExecutableFolder();
}

std::string ProgramFilePath(const std::string& name) {
    const std::string folder = ProgramFolder();
    const std::string trimmed = Trim(folder);
    if (trimmed.empty() || trimmed.back() != '\\') return folder + "\\" + name;
    return folder + name;
}

const std::string& AppTitle() {
    static const std::string title = "Corvane";
    return title;
}

std::string InstanceMutexName() { return InstanceMutexName(ProgramFolder()); }

std::string InstanceMutexName(const std::string& programFolder) {
    std::string name = "Local\\Corvane.Instance.";
    for (char c : UCase(programFolder)) name += (c == '\\' || c == ':') ? '_' : c;
    return name;
}

void SetProgramFolderOverride(const std::string& folder) { g_override = StripTrailingSeparator(folder); }

}  // namespace base
