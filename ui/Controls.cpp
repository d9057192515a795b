#include "ui/Controls.h"

#include <commctrl.h>

#include "base/RuntimeError.h"
#include "ui/Form.h"
#include "ui/MessageLoop.h"

namespace ui {

void EnsureCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

// ---- Label

HWND Label::CreateWindowFor(HWND parent) {
    DWORD align = align_ == Alignment::Center ? SS_CENTER : align_ == Alignment::Right ? SS_RIGHT : SS_LEFT;
    return MakeWindow("STATIC", SS_NOPREFIX | align | (OnClick ? SS_NOTIFY : 0), 0, parent, text_);
}

void Label::OnCommand(WORD code) {
    if (code == STN_CLICKED) Click();
}

void Label::Click() {
    if (OnClick) OnClick();
}

// ---- UpDown

HWND UpDown::CreateWindowFor(HWND parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    // An arrow reads the box's number and writes the next one back (within the range).
    HWND h =
        MakeWindow(UPDOWN_CLASSA, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, parent, "");
    if (!h) return h;
    if (buddy_.hWnd()) SendMessageA(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy_.hWnd()), 0);
    SendMessageA(h, UDM_SETRANGE32, static_cast<WPARAM>(low_), static_cast<LPARAM>(high_));
    return h;
}

// ---- TextBox

TextBox::TextBox(Form& form, std::string name, Control* container) : Control(form, std::move(name), container) {}

HWND TextBox::CreateWindowFor(HWND parent) {
    // A multi-line box wraps its lines, as the runtime's does without a horizontal scroll bar.
    DWORD style = WS_TABSTOP | (multiLine_ ? 0 : ES_AUTOHSCROLL);
    if (multiLine_) style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;
    if (locked_) style |= ES_READONLY;
    if (passwordChar_) style |= ES_PASSWORD;
    return MakeWindow("EDIT", style, WS_EX_CLIENTEDGE, parent, text_);
}

void TextBox::AfterCreate() {
    if (!hWnd()) return;
    if (passwordChar_) SendMessageA(hWnd(), EM_SETPASSWORDCHAR, static_cast<WPARAM>(passwordChar_), 0);
    editProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextBox::EditProc)));
}

void TextBox::BeforeDestroy() {
    if (hWnd() && editProc_) {
        text_ = Text();
        SetWindowLongPtrA(hWnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc_));
    }
    editProc_ = nullptr;
}

LRESULT CALLBACK TextBox::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TextBox*>(Control::FromHandle(hwnd));
    if (!self || !self->editProc_) return DefWindowProcA(hwnd, msg, wParam, lParam);
    WNDPROC original = self->editProc_;
    if (msg != WM_SETTEXT) return CallWindowProcA(original, hwnd, msg, wParam, lParam);
    // The edit control may or may not announce a set text itself; we raise Change once here.
    self->inSetText_ = true;
    const LRESULT r = CallWindowProcA(original, hwnd, msg, wParam, lParam);
    self->inSetText_ = false;
    self->RaiseChange();
    return r;
}

void TextBox::OnCommand(WORD code) {
    if (code == EN_CHANGE && !inSetText_) RaiseChange();
}

void TextBox::RaiseChange() {
    if (!OnChange) return;
    const std::string where = Name() + "_Change";
    Fenced(where.c_str(), 0, [&]() -> LRESULT {
        OnChange();
        return 0;
    });
}

std::string TextBox::Text() const {
    if (!hWnd()) return text_;
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hWnd())) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hWnd(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void TextBox::SetText(const std::string& text) {
    text_ = text;
    if (hWnd()) SetWindowTextA(hWnd(), text.c_str());
}

// ---- CommandButton

HWND CommandButton::CreateWindowFor(HWND parent) {
    return MakeWindow("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, parent, text_);
}

void CommandButton::OnCommand(WORD code) {
    if (code == BN_CLICKED) Click();
}

void CommandButton::Click() {
    if (OnClick) OnClick();
}

// ---- CheckBox

HWND CheckBox::CreateWindowFor(HWND parent) {
    HWND h = MakeWindow("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, parent, text_);
    if (h) SendMessageA(h, BM_SETCHECK, value_ ? BST_CHECKED : BST_UNCHECKED, 0);
    return h;
}

int CheckBox::Value() const {
    if (!hWnd()) return value_;
    return SendMessageA(hWnd(), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void CheckBox::SetValue(int value) {
    const int v = value ? 1 : 0;
    const bool changed = v != Value();
    value_ = v;
    if (hWnd()) SendMessageA(hWnd(), BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
    if (changed && OnClick) OnClick();  // the runtime raises Click when code changes Value
}

void CheckBox::OnCommand(WORD code) {
    if (code != BN_CLICKED) return;
    value_ = Value();
    if (OnClick) OnClick();
}

void CheckBox::KeepDesign() {
    Control::KeepDesign();
    designValue_ = value_;
}

void CheckBox::ResetToDesign() {
    Control::ResetToDesign();
    value_ = designValue_;
}

// ---- Frame

namespace {
const char kFrameClass[] = "CorvaneFrame";
}

LRESULT CALLBACK Frame::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return Fenced("Frame", 0, [&]() -> LRESULT {
        LRESULT result = 0;
        if (Control::Reflect(msg, wParam, lParam, result)) return result;
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            auto* self = static_cast<Frame*>(Control::FromHandle(hwnd));
            if (self && self->border_) {
                std::string caption = self->Caption();
                RECT box = r;
                box.top += caption.empty() ? 0 : 7;
                DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
                if (!caption.empty()) {
                    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
                    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                    TextOutA(dc, 8, 0, caption.c_str(), static_cast<int>(caption.size()));
                    SelectObject(dc, old);
                }
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    });
}

HWND Frame::CreateWindowFor(HWND parent) {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Frame::FrameProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kFrameClass;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
    return MakeWindow(kFrameClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent, text_);
}

// ---- Timer

Timer::Timer(Form& form, std::string name) : Control(form, std::move(name)), id_(static_cast<UINT_PTR>(NextId())) {}

void Timer::SetInterval(long ms) {
    interval_ = ms;
    Arm();
}

void Timer::SetEnabled(bool on) {
    Control::SetEnabled(on);
    Arm();
}

void Timer::Arm() {
    HWND h = Parent().hWnd();
    if (!h) {
        armed_ = false;
        return;
    }
    if (Enabled() && interval_ > 0) {
        SetTimer(h, id_, static_cast<UINT>(interval_), nullptr);  // also restarts the count
        armed_ = true;
    } else if (armed_) {
        KillTimer(h, id_);
        armed_ = false;
    }
}

void Timer::Fire() {
    if (!armed_ || running_ || !OnTimer) return;
    running_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{running_};
    OnTimer();
}

void Timer::BeforeDestroy() {
    if (armed_ && Parent().hWnd()) KillTimer(Parent().hWnd(), id_);
    armed_ = false;
}

void Timer::KeepDesign() {
    Control::KeepDesign();
    designInterval_ = interval_;
}

void Timer::ResetToDesign() {
    Control::ResetToDesign();
    interval_ = designInterval_;
}

// ---- StatusBar

StatusBar::StatusBar(Form& form, std::string name, int panels) : Control(form, std::move(name)) {
    panels_.resize(static_cast<size_t>(panels < 1 ? 1 : panels));
}

StatusBar::Panel& StatusBar::At(int index) {
    if (index < 1 || index > PanelCount()) base::Raise(35600, "Index out of bounds");
    return panels_[static_cast<size_t>(index - 1)];
}

std::string StatusBar::PanelText(int index) const { return const_cast<StatusBar*>(this)->At(index).text; }

void StatusBar::SetPanelText(int index, const std::string& text) {
    At(index).text = text;
    if (hWnd())
        SendMessageA(hWnd(), SB_SETTEXTA, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusBar::SetPanelWidth(int index, int pixels) {
    At(index).width = pixels;
    if (hWnd()) AfterCreate();
}

HWND StatusBar::CreateWindowFor(HWND parent) {
    EnsureCommonControls();
    return MakeWindow(STATUSCLASSNAMEA, CCS_BOTTOM, 0, parent, "");
}

void StatusBar::AfterCreate() {
    if (!hWnd()) return;
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
        x += panels_[i].width;
        edges.push_back(i + 1 == panels_.size() ? -1 : x);
    }
    SendMessageA(hWnd(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < panels_.size(); ++i)
        SendMessageA(hWnd(), SB_SETTEXTA, i, reinterpret_cast<LPARAM>(panels_[i].text.c_str()));
}

void StatusBar::Reposition() {
    if (hWnd()) SendMessageA(hWnd(), WM_SIZE, 0, 0);
}

void StatusBar::KeepDesign() {
    Control::KeepDesign();
    design_ = panels_;
}

void StatusBar::ResetToDesign() {
    Control::ResetToDesign();
    panels_ = design_;
}

}  // namespace ui
