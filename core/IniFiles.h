#pragma once
// INI-file keys, an executable's version strings, short paths, the startup-location names,
// shortcut files and the start-up password check.
#include <array>
#include <string>

// The twelve standard version strings of an executable, in this order.
struct FileVersionHeader {
    std::string CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright, OriginalFileName, ProductName,
        ProductVersion, Comments, LegalTrademarks, PrivateBuild, SpecialBuild;
};

// Display names of the eight places Windows starts programs from, in the current language;
// also the location values that startup profiles store and compare against.
using StartupLocationNames = std::array<std::string, 8>;

namespace modMain {

// The key's value in that section of the INI file, whole, however long (a one-character value
// too); empty when the key or the file is missing. A failure is logged and reads as empty.
std::string GetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file);
// The same read (both names have their callers).
std::string GetPrivateStringValue2(const std::string& section, const std::string& key, const std::string& file);
// Writes the key (creating file and section). Note the order: the file comes before the value.
// Refused with a logged error, writing nothing: a section, key or value holding CR, LF or NUL,
// and a value of more than 32,766 characters (which the system cannot store).
void SetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file,
                           const std::string& value);
// Leaves the key in place with an empty value ("key="); refuses names as SetPrivateStringValue.
void DelPrivateStringValue(const std::string& section, const std::string& key, const std::string& file);

FileVersionHeader GetVerHeader(const std::string& file);
// Short (8.3) form of an existing path; "" when the call fails.
std::string GetShortPath(const std::string& path);
// The eight startup locations' English names, in IntialStr's order ("Registry(User Run)" ...).
const std::array<const char*, 8>& StartupLocationDefaults();
// Fills the names from the language pack (messages 1021 to 1028, English defaults).
void IntialStr(StartupLocationNames& names);
// A shortcut file at shortcutPath pointing at target. False when it could not be made, after one
// error-log entry naming the shortcut.
bool CreateShortcutFile(const std::string& shortcutPath, const std::string& target);
// True when a protected panel may open: the password option is off, the password was accepted
// earlier in this session, or the user types it now (the dialog is a modal step of kind
// "frmEnterPassword"). An empty entry, or a stored password that cannot be deciphered, is refused.
bool checkStartupPassword();

}  // namespace modMain
