#pragma once
// The window half of the language packs: a form's own texts (the section named after the form)
// and re-labelling a form's controls.
#include <string>

#include "ui/Form.h"
#include "ui/ListView.h"

namespace formLanguage {

// The section named after the form, key `key`, else `defaultText` (modLanguage's rule).
std::string getFormString(const ui::Form& form, const std::string& key, const std::string& defaultText);
// Re-labels the form: every control with a Tag and a caption, then the form's own title.
// Every error is ignored.
void applyLanguage(ui::Form& form);
// The headings of the list's tagged columns from the form's section (the heading is the default).
void applyColumnLanguage(const ui::Form& form, ui::ListView& list);
// Keeps the window above the others (or back among them) at its own position and size,
// without activating it. Errors reach the caller.
void setTopMost(ui::Form& form, bool onTop);

}  // namespace formLanguage
