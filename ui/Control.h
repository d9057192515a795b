#pragma once
// The base of every control on a form: a named member of its form, created as a child window
// when the form loads (or kept without a window, for timers and hidden row containers).
// Geometry is in pixels, relative to the container.
#include <windows.h>

#include <string>

namespace ui {

class Form;

class Control {
public:
    // `container` places the control inside another control's window (a frame, a movie);
    // without one the control sits on the form.
    Control(Form& form, std::string name, Control* container = nullptr);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }
    std::string Tag;                         // language key of the caption
    Form& Parent() const { return *form_; }  // not for a control on no form
    HWND hWnd() const { return hwnd_; }

    // Controls with a caption (labels, buttons, check boxes, frames) answer true; the language
    // pack re-labels only those. SetCaption on a control without one raises error 438.
    virtual bool HasCaption() const { return false; }
    virtual std::string Caption() const;
    virtual void SetCaption(const std::string& text);

    int Left() const { return rect_.left; }
    int Top() const { return rect_.top; }
    int Width() const { return rect_.right - rect_.left; }
    int Height() const { return rect_.bottom - rect_.top; }
    void SetLeft(int v) { Move(v, Top(), Width(), Height()); }
    void SetTop(int v) { Move(Left(), v, Width(), Height()); }
    void SetWidth(int v) { Move(Left(), Top(), v, Height()); }
    void SetHeight(int v) { Move(Left(), Top(), Width(), v); }
    void Move(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool on);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool on);
    void ZOrder(int position = 0);  // 0 brings it to the front, 1 sends it to the back

    // The control behind a child window we created (nullptr for foreign windows).
    static Control* FromHandle(HWND hwnd);
    // Hands WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* that a container received to the control
    // that sent them. Returns true when one of ours took it.
    static bool Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    Control();  // a control standing alone, on no form (a plain row container)
    // Creates the control's window under `parent`; nullptr for controls without one.
    virtual HWND CreateWindowFor(HWND parent) { return nullptr; }
    virtual void AfterCreate() {}
    virtual void BeforeDestroy() {}
    // Back to the design values at unload (derived classes reset their own and call this).
    virtual void ResetToDesign();
    virtual void KeepDesign();
    virtual void OnCommand(WORD code) {}
    virtual bool OnNotify(NMHDR* header, LRESULT& result) { return false; }
    virtual bool OnCtlColor(UINT msg, HDC dc, LRESULT& result) { return false; }

    HWND MakeWindow(const char* className, DWORD style, DWORD exStyle, HWND parent, const std::string& text);
    Control* Container() const { return container_; }
    static int NextId();

    std::string text_;  // caption or text while there is no window

private:
    friend class Form;
    void Create();
    void Destroy();

    Form* form_;
    std::string name_;
    Control* container_;
    HWND hwnd_ = nullptr;
    RECT rect_{0, 0, 100, 20};
    bool visible_ = true;
    bool enabled_ = true;
    struct Design {
        std::string text;
        RECT rect;
        bool visible, enabled;
    } design_{};
};

}  // namespace ui
