#include "scanner/FolderMacros.h"

#include <shlobj.h>

#include "base/Text.h"
#include "base/Trap.h"
#include "core/SpecialFolders.h"

namespace scanner {

using base::Trim;
using base::UCase;

const std::vector<FolderMacro>& FolderMacroTable() {
    static const std::vector<FolderMacro> table = {
        {"%WIN%", &gb_windowsFolder},
        {"%SYS%", &gb_systemFolder},
        {"%PF%", &gb_programFilesFolder},
        {"%CF%", &gb_commonFilesFolder},
        {"%TMP%", &gb_tempFolder},
        {"%AD%", &gb_appDataFolder},
        {"%Desktop%", &gb_desktopFolder},
        {"%Programs%", &gb_programsFolder},
        {"%Personal%", &gb_personalFolder},
        {"%Favorites%", &gb_favoritesFolder},
        {"%StartUp%", &gb_startupFolder},
        {"%StartMenu%", &gb_startMenuFolder},
        {"%DesktopDirectory%", &gb_desktopDirFolder},
        {"%Common_StartMenu%", &gb_commonStartMenuFolder},
        {"%Common_Programs%", &gb_commonProgramsFolder},
        {"%Common_StartUp%", &gb_commonStartupFolder},
        {"%Common_DesktopDirectory%", &gb_commonDesktopDirFolder},
        {"%Common_Favorites%", &gb_commonFavoritesFolder},
    };
    return table;
}

std::string CleanDirString(const std::string& path) {
    return base::Trap("CleanDirString", std::string(), [&] {
        const std::string upper = UCase(path);
        for (const FolderMacro& m : FolderMacroTable()) {
            const std::string macro = UCase(m.macro);
            if (upper.find(macro) == std::string::npos) continue;
            // Every occurrence, whatever its letter case: "%win%" names the Windows folder as
            // "%WIN%" does. Only this first macro of the table is expanded.
            std::string out;
            size_t from = 0;
            for (size_t at = upper.find(macro); at != std::string::npos; at = upper.find(macro, from)) {
                out.append(path, from, at - from);
                out += *m.folder;
                from = at + macro.size();
            }
            out.append(path, from, std::string::npos);
            return out;
        }
        return std::string();
    });
}

bool DoWeSkipThisFolder(const std::string& folderIn) {
    bool skip = true;
    base::Trap("DoWeSkipThisFolder", [&] {
        std::string folder = folderIn;
        const std::string trimmed = Trim(folder);
        if (!trimmed.empty() && trimmed.back() == '\\') folder = trimmed.substr(0, trimmed.size() - 1);
        if (folder.size() == 2) {
            skip = false;
            return;
        }
        const std::string f = UCase(folder);
        if (f == UCase(gb_windowsFolder) || f == UCase(gb_systemFolder) || f == UCase(gb_appDataFolder) ||
            f.find(UCase(gb_tempFolder)) != std::string::npos) {
            skip = false;
            return;
        }
        // Asked afresh each time: the shell knows where these are for the current user. The last
        // one is the all-users Start Menu, searched with the same folder it is guarded on.
        for (long csidl : {CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_STARTUP,
                           CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU}) {
            const std::string place = modMain::CheckFolderID(csidl);
            if (!place.empty() && f.find(UCase(place)) != std::string::npos) {
                skip = false;
                return;
            }
        }
    });
    return skip;
}

std::string AddPathToFileName(const std::string& path, const std::string& name) {
    const std::string trimmed = Trim(path);
    if (!trimmed.empty() && trimmed.back() == '\\') return path + name;
    return path + "\\" + name;
}

std::string AbsolutePathName(const std::string& path) {
    std::string full(MAX_PATH, '\0');
    DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size()) {
        full.assign(n, '\0');
        n = GetFullPathNameA(path.c_str(), n, full.data(), nullptr);
    }
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    if (full.size() > 3 && full.back() == '\\') full.pop_back();
    return full;
}

}  // namespace scanner
