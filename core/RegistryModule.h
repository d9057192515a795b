#pragma once
// Plain registry primitives over the "A" functions: recursive key deletion, value deletion and
// a general value reader. Every key opened here is closed before the call returns.
#include <windows.h>

#include <string>

namespace RegistryModule {

// Number of subkeys, longest subkey name, number of values, longest value name, longest data.
struct KeyInfo {
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
};

// Deletes the key with all its subkeys. 0 deleted, 2 not found, 5 access refused (after one
// "Access Denied" box for the key that refused), any other code as the system gave it. When
// part of a tree could not be deleted, the first failing code.
long DeleteKey(HKEY hive, const std::string& keyPath);
// True when the named value was deleted. An empty name deletes nothing (the default value of
// a key is never removed here).
bool DeleteValue(HKEY hive, const std::string& keyPath, const std::string& valueName);
// RegQueryInfoKeyA's code; fills `info` (left as it was on failure).
long GetSubKeyCount(HKEY key, KeyInfo& info);
// RegEnumKeyExA's code. `name` comes in with the buffer size as its length and goes out cut to
// the length the system reports (empty on failure).
long EnumSubKeyName(HKEY key, DWORD index, std::string& name);
// The value as text: string values up to their first NUL (unexpanded); a multi-string as its
// strings joined by one blank; DWORD, big-endian DWORD and QWORD as signed decimal (a DWORD of
// 0xFFFFFFFF is "-1"); any other type as a DWORD read from its first four bytes; empty when the
// key or value is missing.
std::string QueryRegString(HKEY hive, const std::string& keyPath, const std::string& valueName);

}  // namespace RegistryModule
