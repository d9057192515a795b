#include "core/IniFiles.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "base/ComPtr.h"
#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/Wiring.h"
#include "core/modMain.h"

namespace modMain {
namespace {

// The value however long it is: a cut value would be written back cut by the callers that
// edit what they read. The buffer grows until the value fits; a value that cannot fit in any
// buffer we could hold is refused rather than cut.
std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& file) {
    constexpr size_t kLongest = size_t{1} << 28;
    std::vector<char> buf(128, '\0');
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf.data(), static_cast<DWORD>(buf.size()),
                                           file.c_str());
        if (n + 1 < buf.size()) return std::string(buf.data(), n);
        if (buf.size() >= kLongest) base::Raise(base::errOutOfMemory, "The value of " + key + " is too long to read");
        buf.assign(buf.size() * 2, '\0');
    }
}

// The system stores 32,767 characters and more as garbage, or not at all, and says nothing.
constexpr size_t kLongestWrite = 32766;

// A line break would start keys and sections of its own in the file, a NUL would cut the text
// short: such a write is refused whole.
void CheckWritable(const std::string& section, const std::string& key, const std::string* value) {
    auto holdsBreak = [](const std::string& s) {
        return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
    };
    if (holdsBreak(section) || holdsBreak(key))
        base::Raise(base::errInvalidProcedureCall, "The section or key name holds a line break or a NUL");
    if (!value) return;
    if (holdsBreak(*value))
        base::Raise(base::errInvalidProcedureCall, "The value of " + key + " holds a line break or a NUL");
    if (value->size() > kLongestWrite)
        base::Raise(base::errInvalidProcedureCall,
                    "The value of " + key + " is longer than " + std::to_string(kLongestWrite) + " characters");
}

// The system may keep written keys in a cache (Windows 95 does); readers of the file itself,
// such as a guard comparing snapshots, must see them at once.
void FlushProfile(const std::string& file) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()); }

std::string* Field(FileVersionHeader& h, size_t i) {
    std::string* fields[] = {&h.CompanyName,    &h.FileDescription,  &h.FileVersion,  &h.InternalName,
                             &h.LegalCopyright, &h.OriginalFileName, &h.ProductName,  &h.ProductVersion,
                             &h.Comments,       &h.LegalTrademarks,  &h.PrivateBuild, &h.SpecialBuild};
    return fields[i];
}
const char* const kFieldNames[12] = {"CompanyName",    "FileDescription",  "FileVersion",  "InternalName",
                                     "LegalCopyright", "OriginalFileName", "ProductName",  "ProductVersion",
                                     "Comments",       "LegalTrademarks",  "PrivateBuild", "SpecialBuild"};

}  // namespace

std::string GetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file) {
    // A value of one character comes back whole too: callers write back what they read, and an
    // empty text would wipe it.
    return base::Trap("GetPrivateStringValue", std::string(), [&] { return ReadProfileString(section, key, file); });
}

std::string GetPrivateStringValue2(const std::string& section, const std::string& key, const std::string& file) {
    return base::Trap("GetPrivateStringValue", std::string(), [&] { return ReadProfileString(section, key, file); });
}

void SetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file,
                           const std::string& value) {
    base::Trap("SetPrivateStringValue", [&] {
        CheckWritable(section, key, &value);
        if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
            base::RaiseWin32(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
        FlushProfile(file);
    });
}

void DelPrivateStringValue(const std::string& section, const std::string& key, const std::string& file) {
    base::Trap("DelPrivateStringValue", [&] {
        CheckWritable(section, key, nullptr);
        if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), "", file.c_str()))
            base::RaiseWin32(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
        FlushProfile(file);
    });
}

std::string GetShortPath(const std::string& path) {
    return base::Trap("GetShortPath", std::string(), [&] {
        char buf[261] = {};
        DWORD n = GetShortPathNameA(path.c_str(), buf, 260);
        if (n == 0 || n >= 260) return std::string();
        return std::string(buf, n);
    });
}

FileVersionHeader GetVerHeader(const std::string& file) {
    return base::Trap("GetVerHeader", FileVersionHeader{}, [&] {
        FileVersionHeader h;
        if (!fileExistsDir(file)) {
            // The long path: a file that does not exist has no short one.
            const std::string message = "The file \"" + file + "\" doesn't exist.";
            for (size_t i = 0; i < 12; ++i) *Field(h, i) = message;
            return h;
        }
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
        std::vector<BYTE> data;
        void* translation = nullptr;
        UINT translationLen = 0;
        if (size > 0) {
            data.assign(size, 0);
            if (GetFileVersionInfoA(file.c_str(), 0, size, data.data()) &&
                VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &translation, &translationLen) &&
                translationLen >= 4) {
                const BYTE* b = static_cast<const BYTE*>(translation);
                // Language in the upper half, code page in the lower, both read unsigned.
                const unsigned language = b[0] | (b[1] << 8), codePage = b[2] | (b[3] << 8);
                char hex[9];
                wsprintfA(hex, "%04X%04X", language, codePage);
                for (size_t i = 0; i < 12; ++i) {
                    const std::string query = std::string("\\StringFileInfo\\") + hex + "\\" + kFieldNames[i];
                    void* value = nullptr;
                    UINT len = 0;
                    if (VerQueryValueA(data.data(), query.c_str(), &value, &len) && value) {
                        // As long as the resource says, up to its first NUL.
                        const char* text = static_cast<const char*>(value);
                        size_t n = 0;
                        while (n < len && text[n] != '\0') ++n;
                        *Field(h, i) = std::string(text, n);
                    } else {
                        *Field(h, i) = wiring::GetMessage("", "");
                    }
                }
            }
        }
        for (size_t i = 0; i < 12; ++i)
            if (base::Trim(*Field(h, i)).empty()) *Field(h, i) = wiring::GetMessage("", "");
        return h;
    });
}

const std::array<const char*, 8>& StartupLocationDefaults() {
    static const std::array<const char*, 8> defaults = {"Registry(User Run)",
                                                        "Registry(Machine Run)",
                                                        "Registry(Machine RunOnce)",
                                                        "Registry(Machine RunOnceEx)",
                                                        "StartUp (Current User)",
                                                        "StartUp (All Users)",
                                                        "Win.ini Load",
                                                        "Win.ini Run"};
    return defaults;
}

void IntialStr(StartupLocationNames& names) {
    base::Trap("IntialStr", [&] {
        static const char* const ids[8] = {"1021", "1022", "1023", "1024", "1025", "1026", "1027", "1028"};
        for (size_t i = 0; i < 8; ++i) names[i] = wiring::GetMessage(ids[i], StartupLocationDefaults()[i]);
    });
}

bool CreateShortcutFile(const std::string& shortcutPath, const std::string& target) {
    // Each step's failure is an error of its own, logged with the shortcut it was for.
    return base::TrapWith(
        [&] {
            auto check = [&](HRESULT hr, const char* step) {
                if (FAILED(hr))
                    base::Raise(base::errPathFileAccessError, std::string("The shortcut could not be made (") + step +
                                                                  ", HRESULT " + std::to_string(hr) + ")");
            };
            const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            struct Uninit {
                bool on;
                ~Uninit() {
                    if (on) CoUninitialize();
                }
            } uninit{SUCCEEDED(init)};
            base::ComPtr<IShellLinkA> link;
            check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putAs<void>()),
                  "CoCreateInstance");
            check(link->SetPath(target.c_str()), "SetPath");
            base::ComPtr<IPersistFile> file;
            check(link->QueryInterface(IID_IPersistFile, file.putAs<void>()), "QueryInterface");
            std::wstring wide(MAX_PATH * 2, L'\0');
            if (MultiByteToWideChar(CP_ACP, 0, shortcutPath.c_str(), -1, wide.data(), static_cast<int>(wide.size())) <=
                0)
                base::Raise(base::errBadFileName, "The shortcut's name cannot be converted");
            check(file->Save(wide.c_str(), TRUE), "Save");
        },
        [&] { return base::MethodTail("CreateShortcutFile", "Shortcut: " + shortcutPath); });
}

bool checkStartupPassword() {
    if (!gb_enablePassword) return true;
    if (gb_passwordAccepted) return true;
    const std::string stored = settings::GetSetting("ScanSections", "Password", "");
    wiring::PasswordEntry().clear();
    base::modal::Run({"frmEnterPassword", "", "", 0}, [] {
        wiring::ShowPasswordDialog();
        return wiring::PasswordEntry().empty() ? 2L : 1L;
    });
    const std::string typed = wiring::PasswordEntry();
    wiring::PasswordEntry().clear();
    // Cancel leaves the entry empty; it never opens a panel, whatever is stored.
    if (typed.empty()) return false;
    std::string password;
    if (!wiring::Decrypt(stored, password) || password.empty()) return false;
    if (typed != password) return false;
    gb_passwordAccepted = true;
    return true;
}

}  // namespace modMain
