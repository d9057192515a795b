#pragma once
// Our stand-in for the progress-bar component of the download window: a comctl32 progress bar
// with the component's Value and Max.
#include "ui/Control.h"

class ProgressBar : public ui::Control {
public:
    using ui::Control::Control;
    long Value() const { return value_; }
    void SetValue(long v);
    long Max() const { return max_; }

protected:
    HWND CreateWindowFor(HWND parent) override;
    void AfterCreate() override;
    void ResetToDesign() override;

private:
    long value_ = 0;
    long max_ = 100;
};
