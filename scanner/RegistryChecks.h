#pragma once
// The registry look-ups a found file leads to (its shared-DLL count, its module-usage key, the
// Run keys that start it). The registry walkers and key checks answer them; until they are
// built, a scan engine without checks leaves these look-ups out.
#include <windows.h>

#include <string>

namespace scanner {

class RegistryChecks {
public:
    virtual ~RegistryChecks() = default;
    // Values under `keyPath` whose data holds `text` (mode 2: the data contains it).
    virtual void CheckRegistryValues(HKEY root, const std::string& keyPath, int mode, const std::string& text,
                                     const std::string& SpyType) = 0;
    // The key `KeyName` ("HKEY_LOCAL_MACHINE\...") when it exists.
    virtual void CheckRegistryKType(const std::string& KeyName, const std::string& SpyType) = 0;
};

}  // namespace scanner
