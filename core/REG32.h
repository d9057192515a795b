#pragma once
// Small registry wrappers for the removal code, the guards and the system-guards window.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/Handles.h"

// Names collected by REG32::RegEnumSubKeys; its caller creates and empties it.
inline std::vector<std::string> gb_uninstallKeys;

namespace REG32 {

// A string value (REG_SZ, or REG_EXPAND_SZ unexpanded) up to its first NUL; nothing for any
// other type or any failure.
std::optional<std::string> RegGetString(HKEY hive, const std::string& keyPath, const std::string& valueName);
// Creates the key if needed and writes text as REG_SZ (with its terminating NUL). True when written.
bool RegSetString(HKEY hive, const std::string& keyPath, const std::string& valueName, const std::string& text);
// Appends the names of the key's direct subkeys to gb_uninstallKeys.
void RegEnumSubKeys(HKEY hive, const std::string& keyPath);
// Opens the key for queries; an empty handle when it cannot be opened (callers use that as
// "the key does not exist").
base::RegKey RegOpenKeyQuery(HKEY hive, const std::string& keyPath);
// kind 1: number of subkeys; kind 0: number of values; anything else or a failed query: 0.
long RegQueryCount(HKEY key, long kind);
// Name of the value at a 0-based index, trimmed of blanks; empty when there is none.
std::string RegEnumValueName(HKEY key, DWORD index);
// A string value's data, trimmed of blanks; empty when it cannot be read.
std::string RegGetValueData(HKEY key, const std::string& valueName);
// CRegister::REGSaveSetting with the same arguments.
bool SaveRegValue(HKEY hive, const std::string& keyPath, const std::string& valueName, const std::string& value);

}  // namespace REG32
