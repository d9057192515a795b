#pragma once
// Shortcut (.lnk) files read in one way for every caller, so that the scan, the real-time guards
// and the startup manager see the same target in the same file.
#include <windows.h>

#include <optional>
#include <string>

namespace core {

struct ShortcutInfo {
    std::string target, arguments, workingFolder, description, iconPath;
    int iconIndex = 0;
    int showCommand = SW_SHOWNORMAL;
    WORD hotkey = 0;
};

// The shortcut's fields; nullopt when the file is missing or is no shortcut. The target is the
// long path as stored, environment strings expanded, read whole (no MAX_PATH cut). The link is
// never resolved: no dialog, no search for a moved target, a missing target read as written.
std::optional<ShortcutInfo> ReadShortcut(const std::string& lnkPath);
// The target alone; "" when the shortcut cannot be read.
std::string ShortcutTarget(const std::string& lnkPath);

}  // namespace core
