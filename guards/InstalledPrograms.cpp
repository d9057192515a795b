#include "guards/InstalledPrograms.h"

#include "base/Handles.h"
#include "base/Text.h"
#include "core/RegistryView.h"
#include "core/modLanguage.h"
#include "guards/Places.h"

namespace guards {
namespace {

std::string StringValue(HKEY hive, const std::string& key, const char* name) {
    auto v = ReadRawValue(hive, key, name);
    return v ? ValueText(*v) : std::string();
}

}  // namespace

std::vector<InstalledProgram> LoadInstalledPrograms(HKEY hive, const std::string& uninstallKey) {
    std::vector<InstalledProgram> out;
    base::RegKey parent;
    if (RegOpenKeyExA(hive, uninstallKey.c_str(), 0, KEY_READ | regview::Native(), parent.put()) != ERROR_SUCCESS)
        return out;
    for (const auto& sub : SubKeyNames(hive, uninstallKey)) {
        auto v = ReadSubKeyValue(parent.get(), sub, "DisplayName");
        std::string name = v ? ValueText(*v) : std::string();
        if (!name.empty()) out.push_back({name, sub});
    }
    return out;
}

ProgramInfo GetProgramInfo(const InstalledProgram& program, HKEY hive, const std::string& uninstallKey) {
    const std::string notFound = modLanguage::getMessage("1061", "NOT FOUND");
    std::string key = uninstallKey + program.key;
    ProgramInfo info{program.displayName, StringValue(hive, key, "Publisher"),
                     StringValue(hive, key, "DisplayVersion")};
    // Each missing field on its own: a known publisher is shown although the version is missing.
    if (info.publisher.empty()) info.publisher = notFound;
    if (info.version.empty()) info.version = notFound;
    return info;
}

std::string UninstallCommand(const std::string& key, HKEY hive, const std::string& uninstallKey) {
    auto v = ReadRawValue(hive, uninstallKey + key, "UninstallString");
    if (!v) return {};
    std::string text = ValueText(*v);
    if (v->type != REG_EXPAND_SZ || text.empty()) return text;
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (!n) return text;
    std::string out(n, '\0');
    n = ExpandEnvironmentStringsA(text.c_str(), out.data(), n);
    out.resize(n ? n - 1 : 0);
    return out;
}

UninstallStart StartUninstall(const std::string& key, HKEY hive, const std::string& uninstallKey) {
    std::string command = UninstallCommand(key, hive, uninstallKey);
    if (base::Trim(command).empty()) return {false, "the program names no uninstaller"};
    UINT rc = WinExec(command.c_str(), SW_SHOWNORMAL);
    if (rc > 31) return {true, {}};
    return {false, "the uninstaller cannot be started (" + std::to_string(rc) + ")"};
}

}  // namespace guards
