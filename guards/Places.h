#pragma once
// The system places the guards edit, each read and written so that a change can be undone
// exactly: raw registry values and whole key trees, shortcut files, win.ini entries.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Shortcut.h"

namespace guards {

// ---- registry (native view) ----
struct RawValue {
    DWORD type = REG_SZ;
    std::string data;  // the bytes as stored
};
std::optional<RawValue> ReadRawValue(HKEY hive, const std::string& key, const std::string& name);
bool WriteRawValue(HKEY hive, const std::string& key, const std::string& name, const RawValue& value);
// True when the value is gone afterwards (also when it was never there).
bool DeleteValueIfPresent(HKEY hive, const std::string& key, const std::string& name);
bool KeyExists(HKEY hive, const std::string& key);
std::vector<std::string> ValueNames(HKEY hive, const std::string& key);
std::vector<std::string> SubKeyNames(HKEY hive, const std::string& key);
// Every value of the key with its data, in registry order, in one walk.
std::vector<std::pair<std::string, RawValue>> Values(HKEY hive, const std::string& key);
// A value of a subkey of an open key.
std::optional<RawValue> ReadSubKeyValue(HKEY parent, const std::string& sub, const std::string& name);
// A value's text: strings up to the first NUL (REG_EXPAND_SZ unexpanded), other types empty.
std::string ValueText(const RawValue& value);

// A key with every value and subkey below it, as text that RestoreKeyTree puts back.
std::optional<std::string> SnapshotKeyTree(HKEY hive, const std::string& key);
bool RestoreKeyTree(HKEY hive, const std::string& key, const std::string& snapshot);
// True when the key is gone afterwards.
bool DeleteKeyTree(HKEY hive, const std::string& key);

// ---- shortcut files ----
using core::ReadShortcut;
using core::ShortcutInfo;
bool WriteShortcut(const std::string& lnkPath, const ShortcutInfo& info);
// Splits a command into program and arguments: a quoted program, an existing file named by
// the whole text, the text up to the first ".exe" followed by a blank, or the whole text.
ShortcutInfo ShortcutFromCommand(const std::string& command);
// A plain file name: not empty, no path separators, no "..", no characters Windows refuses.
bool IsPlainFileName(const std::string& name);

// ---- win.ini [windows] Load= / Run= ----
std::string WinIniPath();
// The key's whole value; empty when the key, the section or the file is missing.
std::string ReadIniKey(const std::string& file, const std::string& section, const std::string& key);
// Rewrites the file in one step with the key set (section and key made when missing).
// Refuses values with line breaks or NUL.
bool WriteIniKey(const std::string& file, const std::string& section, const std::string& key, const std::string& value);

// Programs named on a Load= or Run= line: separated by blanks or commas, double quotes group.
struct IniToken {
    std::string text;
    size_t begin = 0, end = 0;  // span in the line
};
std::vector<IniToken> SplitIniPrograms(const std::string& line);
// The line without one occurrence of each program of `programs`; the rest kept as it was.
// *separator gets the separator taken with the (last) program removed.
std::string RemoveIniPrograms(const std::string& line, const std::string& programs, std::string* separator = nullptr);
// The line with every program of `programs` that it lacks put in before the program at
// `position` (0-based), or appended, with `separator` between.
std::string AddIniPrograms(const std::string& line, const std::string& programs, size_t position = SIZE_MAX,
                           const std::string& separator = " ");

}  // namespace guards
