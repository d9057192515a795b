#pragma once
// Hive names and handles, and registry value data as the scan shows and matches it.
#include <windows.h>

#include <string>

namespace RegistryModule {

// The name of a standard root ("HKEY_LOCAL_MACHINE" ...); "" for any other handle.
std::string GetHiveName(HKEY hive);
// The root a name gives (exact letter case; HKEY_PERFORMANCE_DATA is not given out); 0 for any
// other text.
HKEY GetHiveHandle(const std::string& name);
// The data as text: strings (REG_EXPAND_SZ unexpanded, a multi-string's first string) up to
// their first NUL; binary as "01 AB FF"; a DWORD as "0x0000001A" (missing bytes read as 0);
// "Temporary unsupported" for any other type.
std::string FormatRegValueData(DWORD type, const std::string& data);
// The data in registration-file form, from its text: "\"text with \\\\ doubled\"",
// "hex:01 AB", "dword:0000001A"; "hex(2):" and "hex(7):" with the raw bytes for expandable and
// multi-strings; "" for any other type.
std::string RegFileForm(DWORD type, const std::string& text, const std::string& data);

}  // namespace RegistryModule
