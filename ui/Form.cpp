#include "ui/Form.h"

#include <algorithm>
#include <cmath>

#include "base/RuntimeError.h"
#include "ui/Control.h"
#include "ui/Controls.h"
#include "ui/MessageLoop.h"

namespace ui {

namespace {

const char kFormClass[] = "CorvaneForm";

bool TestSeamRefusesWindow(const std::string& form) {
    char named[128] = {};
    const DWORD n = GetEnvironmentVariableA(kTestSeamNoWindowEnv, named, sizeof named);
    return n > 0 && n < sizeof named && form == named;
}

std::vector<Form*>& Registry() {
    static std::vector<Form*> forms;
    return forms;
}

int ToPixels(long twips, int perPixel) { return static_cast<int>(std::lround(static_cast<double>(twips) / perPixel)); }

bool IsTopLevel(HWND hwnd) { return GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow(); }

// Restores what a modal show changed, however it ends.
struct ModalScope {
    std::vector<HWND> disabled;
    int& depth;
    explicit ModalScope(int& d) : depth(d) { ++depth; }
    ~ModalScope() {
        --depth;
        for (HWND h : disabled)
            if (IsWindow(h)) EnableWindow(h, TRUE);
    }
};

}  // namespace

Form::Form(std::string name) : name_(std::move(name)) { Registry().push_back(this); }

Form::~Form() {
    auto& forms = Registry();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    // The run is ending: the window goes with the process, it only must not call back here.
    if (hwnd_) SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
}

const std::vector<Form*>& Form::All() { return Registry(); }

Form* Form::FromHandle(HWND hwnd) {
    char cls[64] = {};
    if (!hwnd || !GetClassNameA(hwnd, cls, sizeof cls) || lstrcmpA(cls, kFormClass) != 0) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void Form::Register(Control* c) { controls_.push_back(c); }

void Form::Unregister(Control* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

void Form::Load() {
    if (hwnd_ || loading_) return;
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &Form::WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
    if (!designKept_) {
        design_ = state_;
        for (Control* c : controls_) c->KeepDesign();
        designKept_ = true;
    }
    DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    switch (border_) {
        case BorderStyle::None:
            style |= WS_POPUP;
            break;
        case BorderStyle::Fixed:
            style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
            break;
        case BorderStyle::Sizable:
            style |= WS_OVERLAPPEDWINDOW;
            break;
    }
    const int tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
    int w = ToPixels(state_.width, tx), h = ToPixels(state_.height, ty);
    int x = ToPixels(state_.left, tx), y = ToPixels(state_.top, ty);
    if (startUp_ == StartUpPosition::CenterScreen) {
        x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
        state_.left = static_cast<long>(x) * tx;
        state_.top = static_cast<long>(y) * ty;
    }
    loading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{loading_};
    if (!TestSeamRefusesWindow(name_))
        CreateWindowExA(0, kFormClass, state_.caption.c_str(), style, x, y, w, h, nullptr, nullptr,
                        GetModuleHandleA(nullptr), this);
    if (!hwnd_) base::Raise(7, "Could not create the window of " + name_);
    if (!state_.enabled) EnableWindow(hwnd_, FALSE);
    CreateControls();
    Form_Load();
}

void Form::CreateControls() {
    for (Control* c : controls_) c->Create();
}

void Form::SetOwner(Form* owner) {
    if (!hwnd_ || !IsTopLevel(hwnd_)) return;
    HWND o = (owner && owner != this) ? owner->hwnd_ : nullptr;
    SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(o));
}

void Form::Show(int modal, Form* owner) {
    if (modal != vbModeless) {
        ShowModal(owner);
        return;
    }
    Load();
    if (!hwnd_) return;  // Form_Load unloaded it again
    SetOwner(owner);
    ShowWindow(hwnd_, SW_SHOW);
}

void Form::ShowModal(Form* owner) {
    if (Visible()) base::Raise(400, "Form already displayed; can't show modally");
    Load();
    if (!hwnd_) return;
    SetOwner(owner);
    ModalScope scope(modalDepth_);
    for (Form* f : Registry()) {
        if (f == this || !f->hwnd_ || !IsTopLevel(f->hwnd_) || !IsWindowEnabled(f->hwnd_)) continue;
        EnableWindow(f->hwnd_, FALSE);
        scope.disabled.push_back(f->hwnd_);
    }
    // A modal form that was loaded while another one went modal was disabled with the rest.
    if (state_.enabled && !IsWindowEnabled(hwnd_)) EnableWindow(hwnd_, TRUE);
    ShowWindow(hwnd_, SW_SHOW);
    const long answer = base::modal::Run(ModalStep(), [this]() -> long {
        RunModalLoop();
        return 0;
    });
    if (Visible()) {
        OnScriptedAnswer(answer);
        if (Visible()) Hide();
    }
    if (owner && owner->hwnd_ && owner->Visible()) SetActiveWindow(owner->hwnd_);
}

void Form::RunModalLoop() {
    while (Visible()) {
        MSG msg;
        const BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (r == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

base::modal::Step Form::ModalStep() const { return {name_, Caption(), {}, 0}; }

void Form::OnScriptedAnswer(long) { Hide(); }

void Form::Hide() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_HIDE);
    // A modal loop waiting in GetMessage must wake up to see the form gone.
    if (modalDepth_ > 0) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

bool Form::Unload() {
    if (!hwnd_ || unloading_) return true;
    int cancel = 0;
    unloading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{unloading_};
    Form_Unload(cancel);
    if (cancel) return false;
    DestroyWindowAndControls();
    return true;
}

void Form::DestroyWindowAndControls() {
    HWND h = hwnd_;
    if (h) {
        // Windows destroys owned windows with their owner; our forms outlive that relation.
        for (Form* f : Registry())
            if (f != this && f->hwnd_ && GetWindow(f->hwnd_, GW_OWNER) == h)
                SetWindowLongPtrA(f->hwnd_, GWLP_HWNDPARENT, 0);
    }
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) (*it)->Destroy();
    hwnd_ = nullptr;
    if (h) {
        SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        DestroyWindow(h);
    }
    for (Control* c : controls_) c->ResetToDesign();
    state_ = design_;
    ResetFormState();
    if (modalDepth_ > 0) PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

std::string Form::Caption() const {
    if (!hwnd_) return state_.caption;
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd_)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Form::SetCaption(const std::string& text) {
    state_.caption = text;
    if (hwnd_) SetWindowTextA(hwnd_, text.c_str());
}

bool Form::Enabled() const { return hwnd_ ? IsWindowEnabled(hwnd_) != FALSE : state_.enabled; }

void Form::SetEnabled(bool on) {
    state_.enabled = on;
    if (hwnd_) EnableWindow(hwnd_, on ? TRUE : FALSE);
}

bool Form::Visible() const { return hwnd_ && (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Form::SetVisible(bool on) {
    if (on)
        Show();
    else
        Hide();
}

namespace {
RECT PixelRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    HWND parent = GetAncestor(hwnd, GA_PARENT);
    if (parent && parent != GetDesktopWindow()) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}
}  // namespace

long Form::Left() const { return hwnd_ ? PixelRect(hwnd_).left * TwipsPerPixelX() : state_.left; }
long Form::Top() const { return hwnd_ ? PixelRect(hwnd_).top * TwipsPerPixelY() : state_.top; }
long Form::Width() const {
    if (!hwnd_) return state_.width;
    RECT r = PixelRect(hwnd_);
    return (r.right - r.left) * TwipsPerPixelX();
}
long Form::Height() const {
    if (!hwnd_) return state_.height;
    RECT r = PixelRect(hwnd_);
    return (r.bottom - r.top) * TwipsPerPixelY();
}

void Form::Move(long left, long top, long width, long height) {
    state_.left = left;
    state_.top = top;
    state_.width = width;
    state_.height = height;
    if (!hwnd_) return;
    const int tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
    SetWindowPos(hwnd_, nullptr, ToPixels(left, tx), ToPixels(top, ty), ToPixels(width, tx), ToPixels(height, ty),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetLeft(long twips) { Move(twips, Top(), Width(), Height()); }
void Form::SetTop(long twips) { Move(Left(), twips, Width(), Height()); }
void Form::SetWidth(long twips) { Move(Left(), Top(), twips, Height()); }
void Form::SetHeight(long twips) { Move(Left(), Top(), Width(), twips); }

void Form::Refresh() {
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT Form::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            if (Control::Reflect(msg, wParam, lParam, result)) return result;
            break;
        case WM_TIMER:
            for (Control* c : controls_)
                if (auto* t = dynamic_cast<Timer*>(c); t && t->Id() == wParam) {
                    t->Fire();
                    return 0;
                }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) Form_Activate();
            break;
        case WM_SIZE:
            for (Control* c : controls_)
                if (auto* s = dynamic_cast<StatusBar*>(c)) s->Reposition();
            Form_Resize();
            break;
        case WM_CLOSE:
            Unload();
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->hwnd_ = hwnd;
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!form || form->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // Destroyed behind our back (not by Unload): the form is unloaded all the same.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        form->hwnd_ = nullptr;
        Fenced(form->name_.c_str(), 0, [&]() -> LRESULT {
            form->DestroyWindowAndControls();
            return 0;
        });
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return Fenced(form->name_.c_str(), 0, [&]() -> LRESULT {
        if (form->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
        return form->HandleMessage(hwnd, msg, wParam, lParam);
    });
}

void DragForm(Form& form, bool snapToBorder) {
    DragWindow(form.hWnd());
    if (!snapToBorder || !form.Loaded()) return;
    const long screenWidth = ScreenWidthTwips(), screenHeight = ScreenHeightTwips();
    if (form.Left() < 0) form.SetLeft(0);
    if (form.Top() < 0) form.SetTop(0);
    if (form.Left() > screenWidth - form.Width()) form.SetLeft(screenWidth - form.Width());
    if (form.Top() > screenHeight - form.Height()) form.SetTop(screenHeight - form.Height());
}

}  // namespace ui
