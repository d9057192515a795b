#include "shell/Splash.h"

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"

namespace {

constexpr char kClass[] = "CorvaneSplash";
constexpr COLORREF kBack = RGB(18, 44, 78), kBand = RGB(32, 92, 150), kAccent = RGB(250, 176, 40);
constexpr COLORREF kTitle = RGB(255, 255, 255), kSoft = RGB(196, 214, 236);

HFONT MakeFont(int height, int weight) {
    return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

void Write(HDC dc, const std::string& text, RECT r, int height, int weight, COLORREF colour, UINT format) {
    if (text.empty()) return;
    HFONT font = MakeFont(height, weight);
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, colour);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

}  // namespace

Splash::~Splash() { HideSplash(); }

Splash::Texts Splash::Parse(const std::string& content) {
    Texts t;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || line[0] == ';' || eq == std::string::npos) continue;
        const std::string key = base::UCase(base::Trim(line.substr(0, eq)));
        const std::string value = base::Trim(line.substr(eq + 1));
        if (key == "TITLE")
            t.title = value;
        else if (key == "SUBTITLE")
            t.subtitle = value;
        else if (key == "NOTE")
            t.note = value;
    }
    return t;
}

bool Splash::LoadFile(const std::string& path) {
    HideSplash();
    const std::string version = texts_.version;
    texts_ = {};
    texts_.version = version;
    loaded_ = false;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    Texts read = Parse(base::ReadWhole(path));
    read.version = texts_.version;
    texts_ = read;
    loaded_ = !texts_.title.empty();
    return loaded_;
}

void Splash::ShowSplash(int) {
    if (!loaded_) return;
    if (hwnd_ == nullptr) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_APPSTARTING);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);  // fails harmlessly when it is registered already
        const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
        hwnd_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClass, texts_.title.c_str(), WS_POPUP, x, y, kWidth,
                                kHeight, nullptr, nullptr, wc.hInstance, nullptr);
        if (hwnd_ == nullptr) return;
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowRgn(hwnd_, CreateRoundRectRgn(0, 0, kWidth + 1, kHeight + 1, 24, 24), FALSE);
    }
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
}

void Splash::HideSplash() {
    if (hwnd_ == nullptr) return;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void Splash::Unload() {
    HideSplash();
    texts_ = {};
    loaded_ = false;
}

LRESULT CALLBACK Splash::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Splash*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_PAINT && self != nullptr) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        base::Trap("Splash_Paint", [&] { self->Paint(dc); });
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Splash::Paint(HDC dc) const {
    RECT all{0, 0, kWidth, kHeight};
    HBRUSH back = CreateSolidBrush(kBack);
    FillRect(dc, &all, back);
    DeleteObject(back);
    RECT band{0, 0, kWidth, 112};
    HBRUSH bandBrush = CreateSolidBrush(kBand);
    FillRect(dc, &band, bandBrush);
    DeleteObject(bandBrush);
    RECT accent{0, 112, kWidth, 116};
    HBRUSH accentBrush = CreateSolidBrush(kAccent);
    FillRect(dc, &accent, accentBrush);
    DeleteObject(accentBrush);
    SetBkMode(dc, TRANSPARENT);
    Write(dc, texts_.title, {28, 20, kWidth - 28, 72}, 44, FW_BOLD, kTitle, DT_LEFT | DT_SINGLELINE);
    Write(dc, texts_.subtitle, {30, 74, kWidth - 28, 104}, 20, FW_NORMAL, kSoft, DT_LEFT | DT_SINGLELINE);
    Write(dc, texts_.version, {28, 130, kWidth - 28, 154}, 16, FW_BOLD, kTitle, DT_LEFT | DT_SINGLELINE);
    Write(dc, texts_.note, {28, 160, kWidth - 28, kHeight - 14}, 14, FW_NORMAL, kSoft, DT_LEFT | DT_WORDBREAK);
}
