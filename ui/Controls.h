#pragma once
// The runtime's standard controls as real child windows: label, text box, command button,
// check box, frame, timer and status bar.
#include <functional>
#include <string>
#include <vector>

#include "ui/Control.h"

namespace ui {

class Label : public Control {
public:
    using Control::Control;
    bool HasCaption() const override { return true; }
    enum class Alignment { Left, Right, Center };
    void SetAlignment(Alignment a) { align_ = a; }
    // A label with a click handler takes mouse clicks (the window must be enabled for them).
    std::function<void()> OnClick;
    void Click();  // as if the user clicked it

protected:
    HWND CreateWindowFor(HWND parent) override;
    void OnCommand(WORD code) override;

private:
    Alignment align_ = Alignment::Left;
};

// A text box. Its Change event runs on the thread that owns the window whenever its text is
// set: by the user, by Text(), or by WM_SETTEXT from any thread (a cross-thread SendMessage
// is delivered on the owning thread, inside its message loop). Setting the same text again
// raises Change again, so repeated notifications are never lost.
class TextBox : public Control {
public:
    TextBox(Form& form, std::string name, Control* container = nullptr);
    std::string Text() const;
    void SetText(const std::string& text);
    void SetMultiLine(bool on) { multiLine_ = on; }
    void SetLocked(bool on) { locked_ = on; }
    void SetPasswordChar(char c) { passwordChar_ = c; }

    std::function<void()> OnChange;

protected:
    HWND CreateWindowFor(HWND parent) override;
    void AfterCreate() override;
    void BeforeDestroy() override;
    void OnCommand(WORD code) override;

private:
    void RaiseChange();
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    WNDPROC editProc_ = nullptr;
    bool inSetText_ = false;
    bool multiLine_ = false;
    bool locked_ = false;
    char passwordChar_ = 0;
};

class CommandButton : public Control {
public:
    using Control::Control;
    bool HasCaption() const override { return true; }
    std::function<void()> OnClick;
    void Click();  // as if the user pressed it

protected:
    HWND CreateWindowFor(HWND parent) override;
    void OnCommand(WORD code) override;
};

class CheckBox : public Control {
public:
    using Control::Control;
    bool HasCaption() const override { return true; }
    int Value() const;  // 0 unchecked, 1 checked
    void SetValue(int value);
    std::function<void()> OnClick;

protected:
    HWND CreateWindowFor(HWND parent) override;
    void OnCommand(WORD code) override;
    void ResetToDesign() override;
    void KeepDesign() override;

private:
    int value_ = 0;
    int designValue_ = 0;
};

// Up and down arrows beside a text box (its buddy) that step the box's number within a range;
// the arrow keys in the box step it too.
class UpDown : public Control {
public:
    UpDown(Form& form, std::string name, TextBox& buddy, Control* container = nullptr)
        : Control(form, std::move(name), container), buddy_(buddy) {}
    void SetRange(int low, int high) {
        low_ = low;
        high_ = high;
    }

protected:
    HWND CreateWindowFor(HWND parent) override;

private:
    TextBox& buddy_;
    int low_ = 0, high_ = 100;
};

// A container for other controls and for panel forms placed into it (SetParent).
class Frame : public Control {
public:
    using Control::Control;
    bool HasCaption() const override { return true; }
    void SetBorder(bool on) { border_ = on; }

protected:
    HWND CreateWindowFor(HWND parent) override;

private:
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool border_ = true;
};

// A timer on SetTimer; it runs while its form is loaded, it is enabled and its interval is
// above 0. A Timer event does not start again while the previous one still runs.
class Timer : public Control {
public:
    Timer(Form& form, std::string name);
    long Interval() const { return interval_; }
    void SetInterval(long ms);
    void SetEnabled(bool on) override;
    std::function<void()> OnTimer;

    void Fire();  // runs the Timer event (the form's window procedure calls it)
    UINT_PTR Id() const { return id_; }

protected:
    void AfterCreate() override { Arm(); }
    void BeforeDestroy() override;
    void ResetToDesign() override;
    void KeepDesign() override;

private:
    friend class Form;
    void Arm();
    UINT_PTR id_;
    long interval_ = 0;
    long designInterval_ = 0;
    bool armed_ = false;
    bool running_ = false;
};

// A status bar docked at the bottom of its form, with panels counted from 1.
class StatusBar : public Control {
public:
    StatusBar(Form& form, std::string name, int panels = 1);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    std::string PanelText(int index) const;  // 1-based
    void SetPanelText(int index, const std::string& text);
    void SetPanelWidth(int index, int pixels);  // the last panel takes what is left
    void Reposition();

protected:
    HWND CreateWindowFor(HWND parent) override;
    void AfterCreate() override;
    void ResetToDesign() override;
    void KeepDesign() override;

private:
    struct Panel {
        std::string text;
        int width = 120;
    };
    Panel& At(int index);
    std::vector<Panel> panels_, design_;
};

}  // namespace ui
