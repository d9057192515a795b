#pragma once
// The per-user settings store: text values addressed by section and key under the application
// title, kept under HKEY_CURRENT_USER\<root>\<title>\<section> as REG_SZ values.
//
// The root is "Software". Tests move it (SetRootOverride in-process, or the environment
// variable CORVANE_SETTINGS_ROOT for a child process) to a key of their own.
#include <string>

namespace settings {

inline constexpr const char* kRootEnv = "CORVANE_SETTINGS_ROOT";

// The stored text, or `fallback` when the key was never written (or is not text).
std::string GetSetting(const std::string& section, const std::string& key, const std::string& fallback = {});
// Writes the text, creating the section. Throws base::RuntimeError when the store refuses.
void SaveSetting(const std::string& section, const std::string& key, const std::string& value);
// Deletes one key, or the whole section when `key` is empty. Missing ones are no error.
void DeleteSetting(const std::string& section, const std::string& key = {});

// HKEY_CURRENT_USER-relative path of the application's key ("Software\Corvane").
std::string ApplicationKeyPath();
void SetRootOverride(const std::string& root);  // "" restores the default root

}  // namespace settings
