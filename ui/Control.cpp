#include "ui/Control.h"

#include "base/RuntimeError.h"
#include "ui/Form.h"

namespace ui {
namespace {
const char kControlProp[] = "CorvaneControl";
}

Control::Control(Form& form, std::string name, Control* container)
    : form_(&form), name_(std::move(name)), container_(container) {
    form.Register(this);
}

Control::Control() : form_(nullptr), container_(nullptr) {}

Control::~Control() {
    if (form_) form_->Unregister(this);
    if (hwnd_) RemovePropA(hwnd_, kControlProp);
}

int Control::NextId() {
    static int next = 1000;
    return next++;
}

Control* Control::FromHandle(HWND hwnd) { return hwnd ? static_cast<Control*>(GetPropA(hwnd, kControlProp)) : nullptr; }

bool Control::Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND:
            if (Control* c = FromHandle(reinterpret_cast<HWND>(lParam))) {
                c->OnCommand(HIWORD(wParam));
                result = 0;
                return true;
            }
            return false;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (Control* c = header ? FromHandle(header->hwndFrom) : nullptr) return c->OnNotify(header, result);
            return false;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            if (Control* c = FromHandle(reinterpret_cast<HWND>(lParam)))
                return c->OnCtlColor(msg, reinterpret_cast<HDC>(wParam), result);
            return false;
        default:
            return false;
    }
}

void Control::Create() {
    if (!form_ || hwnd_) return;
    HWND parent = container_ ? container_->hwnd_ : form_->hWnd();
    if (!parent) return;
    hwnd_ = CreateWindowFor(parent);
    if (hwnd_) SetPropA(hwnd_, kControlProp, this);
    AfterCreate();
}

void Control::Destroy() {
    BeforeDestroy();
    if (!hwnd_) return;
    HWND h = hwnd_;
    hwnd_ = nullptr;
    RemovePropA(h, kControlProp);
    DestroyWindow(h);
}

HWND Control::MakeWindow(const char* className, DWORD style, DWORD exStyle, HWND parent, const std::string& text) {
    style |= WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED);
    return CreateWindowExA(exStyle, className, text.c_str(), style, rect_.left, rect_.top, Width(), Height(), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextId())), GetModuleHandleA(nullptr), nullptr);
}

std::string Control::Caption() const {
    if (!HasCaption()) base::Raise(438, "Object doesn't support this property or method");
    if (!hwnd_) return text_;
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd_)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Control::SetCaption(const std::string& text) {
    if (!HasCaption()) base::Raise(438, "Object doesn't support this property or method");
    text_ = text;
    if (hwnd_) SetWindowTextA(hwnd_, text.c_str());
}

void Control::Move(int left, int top, int width, int height) {
    rect_ = {left, top, left + width, top + height};
    if (hwnd_) MoveWindow(hwnd_, left, top, width, height, TRUE);
}

void Control::SetVisible(bool on) {
    visible_ = on;
    if (hwnd_) ShowWindow(hwnd_, on ? SW_SHOWNA : SW_HIDE);
}

void Control::SetEnabled(bool on) {
    enabled_ = on;
    if (hwnd_) EnableWindow(hwnd_, on ? TRUE : FALSE);
}

void Control::ZOrder(int position) {
    if (hwnd_)
        SetWindowPos(hwnd_, position == 0 ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Control::KeepDesign() { design_ = {text_, rect_, visible_, enabled_}; }

void Control::ResetToDesign() {
    text_ = design_.text;
    rect_ = design_.rect;
    visible_ = design_.visible;
    enabled_ = design_.enabled;
}

}  // namespace ui
