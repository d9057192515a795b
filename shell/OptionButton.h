#pragma once
// An option button: a check box drawn as a radio button. The form keeps its group exclusive
// (Select), as the runtime does for option buttons in one container.
#include <initializer_list>

#include "ui/Controls.h"

namespace shellControls {

class OptionButton : public ui::CheckBox {
public:
    using ui::CheckBox::CheckBox;

protected:
    HWND CreateWindowFor(HWND parent) override {
        HWND h = MakeWindow("BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0, parent, text_);
        if (h) SendMessageA(h, BM_SETCHECK, Value() ? BST_CHECKED : BST_UNCHECKED, 0);
        return h;
    }
    // A press selects the button (its Click runs only when that changes its state).
    void OnCommand(WORD code) override {
        if (code == BN_CLICKED) SetValue(1);
    }
};

// Selects `chosen` and clears the others of its group.
inline void Select(OptionButton& chosen, std::initializer_list<OptionButton*> group) {
    for (OptionButton* b : group)
        if (b != &chosen) b->SetValue(0);
    chosen.SetValue(1);
}

}  // namespace shellControls
