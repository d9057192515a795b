#pragma once
// Language packs: every text the program shows comes from Language\<gb_languageFile> in the
// program folder, with an English default at the call site. Nothing is cached: a changed or
// switched pack shows at the next look-up.
#include <string>

namespace ui {
class Form;
}

namespace modLanguage {

// Section "Messages", key `id` (decimal text), else `defaultText`. The value (or default) is
// cut to 499 characters and loses its leading blanks; a key present with an empty value gives
// the empty text. Errors reach the caller.
std::string getMessage(const std::string& id, const std::string& defaultText);
// The section named after the form, key `key`, else `defaultText`; same rule.
std::string getFormString(const ui::Form& form, const std::string& key, const std::string& defaultText);
// Re-labels the form: every control with a Tag and a caption, then the form's own title.
// Every error is ignored.
void applyLanguage(ui::Form& form);
// Keeps the window above the others (or back among them) at its own position and size,
// without activating it. Errors reach the caller.
void setTopMost(ui::Form& form, bool onTop);

// The language file in use.
std::string LanguageFilePath();

}  // namespace modLanguage
