#include "contextmenu/Registration.h"

#include <windows.h>

#include "base/Handles.h"
#include "contextmenu/ContextMenu.h"

namespace cm {
namespace {

std::string ClassKey() { return std::string("CLSID\\") + kClsidText; }

bool SetText(const std::string& path, const char* name, const std::string& value) {
    base::RegKey key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// The key's default text ("" when it has none); false when the key is missing.
bool DefaultText(const std::string& path, std::string& text) {
    base::RegKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
    char data[512] = {};
    DWORD type = 0, size = sizeof data - 1;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        data[0] = '\0';
    text = data;
    return true;
}

// Deletes a key without subkeys; a missing one is no error.
bool DeleteLeaf(const std::string& path) {
    const LONG rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool HasSubkeys(const std::string& path) {
    base::RegKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    return RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

}  // namespace

bool Register(const std::string& libraryPath) {
    const std::string server = ClassKey() + "\\InprocServer32";
    bool ok = SetText(ClassKey(), nullptr, "Corvane context menu") && SetText(server, nullptr, libraryPath) &&
              SetText(server, "ThreadingModel", "Apartment");
    for (const char* handler : kHandlerKeys) ok = ok && SetText(handler, nullptr, kClsidText);
    return ok;
}

bool Unregister() {
    bool ok = true;
    for (const char* handler : kHandlerKeys) {
        std::string names;
        if (DefaultText(handler, names) && lstrcmpiA(names.c_str(), kClsidText) == 0 && !HasSubkeys(handler))
            ok = DeleteLeaf(handler) && ok;
    }
    ok = DeleteLeaf(ClassKey() + "\\InprocServer32") && ok;
    std::string ignored;
    if (DefaultText(ClassKey(), ignored) && !HasSubkeys(ClassKey())) ok = DeleteLeaf(ClassKey()) && ok;
    return ok;
}

}  // namespace cm
