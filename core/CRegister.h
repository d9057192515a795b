#pragma once
// Reads, writes and deletes single registry values by hive, key path and value name.
// A key path may carry one leading and one trailing backslash; the value name "*" names the
// key's default (unnamed) value.
#include <windows.h>

#include <string>

class CRegister {
public:
    // Deletes the value sKey of the key sSection; with an empty sKey deletes the key sSection
    // itself (it must have no subkeys on the NT family). True when the delete succeeded.
    bool REGDeleteSetting(HKEY regHKEY, const std::string& sSection, const std::string& sKey);
    // The text of a string value ("" for an empty one, with or without its NUL), or sdefault
    // when the key cannot be opened, the value is missing, or it does not hold text.
    std::string REGGetSetting(HKEY regHKEY, const std::string& sSection, const std::string& sKey,
                              const std::string& sdefault);
    // Creates the key if needed and writes sValue as REG_SZ. True when both steps succeeded.
    bool REGSaveSetting(HKEY regHKEY, const std::string& sSection, const std::string& sKey, const std::string& sValue);

    static std::string TrimKeyPath(const std::string& path);
};
