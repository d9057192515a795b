#pragma once
// SEAM: the language look-up and the movie host are not on this branch yet. These stand-ins
// carry the contracts the windows use (getMessage(id, default); a Flash control with
// SetVariable/GetVariable); when they land, the alias and the function below name them and
// UiSeam.cpp goes.
#include <map>
#include <string>

#include "ui/Control.h"

namespace uiseam {

// The message text of `id` in the current language pack, or `defaultText`. Until the language
// packs land every message is its English default.
std::string getMessage(const std::string& id, const std::string& defaultText);

// A movie control without a face: it keeps the variables the program sets.
class MovieVariables : public ui::Control {
public:
    MovieVariables(ui::Form& form, std::string name) : ui::Control(form, std::move(name)) {}
    void SetVariable(const std::string& name, const std::string& value) { vars_[name] = value; }
    std::string GetVariable(const std::string& name) const {
        auto it = vars_.find(name);
        return it == vars_.end() ? std::string() : it->second;
    }

protected:
    void ResetToDesign() override {
        ui::Control::ResetToDesign();
        vars_.clear();
    }

private:
    std::map<std::string, std::string> vars_;
};

using FlashControl = MovieVariables;

}  // namespace uiseam
