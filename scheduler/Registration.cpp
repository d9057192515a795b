#include "scheduler/Registration.h"

#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "TaskScheduler.h"
#include "base/ComPtr.h"
#include "base/Handles.h"
#include "scheduler/Module.h"

namespace vornak {
namespace {

constexpr const char* kProgId = "TaskScheduler.Schedule";
constexpr const char* kClassKey = "CLSID\\{6F043C4A-7A8D-41D8-878D-2BBC83686155}";
constexpr const char* kClassId = "{6F043C4A-7A8D-41D8-878D-2BBC83686155}";
constexpr const char* kLibraryId = "{82737CAC-9BC8-4A67-872C-F3005B20DFC7}";

LONG CreateKey(HKEY parent, const std::string& path, base::RegKey& key) {
    return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                           nullptr);
}

// Writes one string value (the default value for an empty name) under HKEY_CLASSES_ROOT.
LONG SetClassesText(const std::string& path, const char* name, const std::string& value) {
    base::RegKey key;
    LONG status = CreateKey(HKEY_CLASSES_ROOT, path, key);
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

// Deletes a key with everything below it (RegDeleteKey alone leaves keys with subkeys on NT).
LONG DeleteTree(HKEY parent, const std::string& path) {
    LONG status;
    {
        base::RegKey key;
        status = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, key.put());
        if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        for (;;) {
            char child[256];
            DWORD length = sizeof child;
            status = RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS) break;
            if (status != ERROR_SUCCESS) break;
            status = DeleteTree(key.get(), child);
            if (status != ERROR_SUCCESS) break;
        }
    }  // closed before the key itself goes
    if (status != ERROR_NO_MORE_ITEMS && status != ERROR_SUCCESS) return status;
    status = RegDeleteKeyA(parent, path.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT FromStatus(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

HRESULT RegisterClassKeys(const std::string& path) {
    const std::string classKey = kClassKey;
    const struct {
        std::string key;
        const char* name;
        std::string value;
    } values[] = {
        {kProgId, nullptr, kProgId},
        {std::string(kProgId) + "\\CLSID", nullptr, kClassId},
        {classKey, nullptr, kProgId},
        {classKey + "\\InprocServer32", nullptr, path},
        {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {classKey + "\\ProgID", nullptr, kProgId},
        {classKey + "\\VERSION", nullptr, "1.0"},
        {classKey + "\\TypeLib", nullptr, kLibraryId},
    };
    for (const auto& v : values) {
        LONG status = SetClassesText(v.key, v.name, v.value);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
    base::RegKey programmable;
    return FromStatus(CreateKey(HKEY_CLASSES_ROOT, classKey + "\\Programmable", programmable));
}

SYSKIND ThisSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

}  // namespace

HRESULT RegisterServer() {
    std::string path = ModulePath();
    std::wstring widePath = ModulePathW();
    if (path.empty() || widePath.empty()) return SELFREG_E_CLASS;
    HRESULT hr = RegisterClassKeys(path);
    if (SUCCEEDED(hr)) {
        // The type library, and with it the dual interfaces (HKCR\Interface).
        base::ComPtr<ITypeLib> library;
        hr = LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, library.put());
        if (SUCCEEDED(hr)) hr = RegisterTypeLib(library.get(), widePath.data(), nullptr);
    }
    if (FAILED(hr)) UnregisterServer();
    return hr;
}

HRESULT UnregisterServer() {
    HRESULT result = S_OK;
    // A library that is not registered has nothing to take away (the services differ in what
    // UnRegisterTypeLib answers then).
    base::RegKey version;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string("TypeLib\\") + kLibraryId + "\\1.0").c_str(), 0, KEY_READ,
                      version.put()) == ERROR_SUCCESS) {
        version.reset();
        HRESULT hr = UnRegisterTypeLib(LIBID_TaskScheduler, 1, 0, LOCALE_NEUTRAL, ThisSysKind());
        if (FAILED(hr)) result = hr;
    }
    for (const std::string& key : {std::string(kClassKey), std::string(kProgId)}) {
        HRESULT hr = FromStatus(DeleteTree(HKEY_CLASSES_ROOT, key));
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

}  // namespace vornak
