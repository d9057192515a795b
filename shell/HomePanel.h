#pragma once
// The home panel's window-free parts: the language packs with their flags, and the date of
// the definitions file.
#include <string>
#include <vector>

namespace homePanel {

struct LanguageItem {
    std::string name;      // the file name before ".ini"
    std::string flagFile;  // "<name>.bmp" when the folder has it, else ""
    bool selected = false;
};

// Every "*.ini" of the folder in the order the file system lists them, each paired with the
// flag picture of the same name (never by position, so a pack without a flag shifts no other
// pack's flag); the one whose file name is `current` (letter case ignored) is selected.
std::vector<LanguageItem> LanguageItems(const std::string& folder, const std::string& current);

// The last-write date of the file as "MMM dd, yyyy @ hh:mm:ss" (local time), or "????".
std::string FileDateText(const std::string& path);

}  // namespace homePanel
