#pragma once
// Language packs: every text the program shows comes from Language\<gb_languageFile> in the
// program folder, with an English default at the call site. Nothing is cached: a changed or
// switched pack shows at the next look-up.
#include <string>

namespace modLanguage {

// Section "Messages", key `id` (decimal text), else `defaultText`. The value (or default) is
// cut to 499 characters and loses its leading blanks; a key present with an empty value gives
// the empty text. Errors reach the caller.
std::string getMessage(const std::string& id, const std::string& defaultText);
// Section `section`, key `key`, else `defaultText`; same rule. (A form's texts live in the
// section named after the form: shell/FormLanguage.h.)
std::string getSectionString(const std::string& section, const std::string& key, const std::string& defaultText);

// The language file in use.
std::string LanguageFilePath();

}  // namespace modLanguage
