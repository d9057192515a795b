#include "components/flash/ShockwaveFlash.h"

#include <cstdlib>

#include "base/Modal.h"
#include "ui/MessageLoop.h"

namespace movie {
namespace {

constexpr int kFirstChildId = 100;
enum MenuCommand { kMenuPlay = 1, kMenuLoop, kMenuRewind, kMenuAbout };

bool Same(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

std::string WindowText(HWND h) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(h)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(h, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool Truthy(const std::string& v) { return v == "1" || Same(v, "true") || v == "-1"; }

}  // namespace

ShockwaveFlash::ShockwaveFlash(ui::Form& form, std::string name) : ui::Control(form, std::move(name)) {}

ShockwaveFlash::~ShockwaveFlash() { FreeGdi(); }

// ---- the program's surface

void ShockwaveFlash::LoadMovie(int /*layer*/, const std::string& path) {
    path_ = path;
    loaded_ = ReadMovieFile(path, movie_);
    vars_.clear();
    lists_.clear();
    for (const auto& [name, value] : movie_.vars) vars_[name] = value;
    frame_ = 0;
    BuildFace();
}

void ShockwaveFlash::SetVariable(const std::string& name, const std::string& value) {
    vars_[name] = value;
    UpdateBound(name);
    for (const Item& it : movie_.items)
        if (it.kind == ItemKind::List && Same(name, "_root." + it.var + "Listener")) RebuildList(it.var);
}

std::string ShockwaveFlash::GetVariable(const std::string& name) const {
    if (auto j = movie_.joins.find(name); j != movie_.joins.end()) {
        std::string joined;
        for (size_t i = 0; i < j->second.parts.size(); ++i) {
            // A part naming the joined variable itself reads as empty (no endless read).
            const std::string& partName = j->second.parts[i];
            const std::string part = lstrcmpiA(partName.c_str(), name.c_str()) == 0 ? "" : GetVariable(partName);
            if (i == 0 && part.empty()) return {};
            joined += (i ? j->second.separator : std::string()) + part;
        }
        return joined;
    }
    auto it = vars_.find(name);
    return it == vars_.end() ? std::string() : it->second;
}

void ShockwaveFlash::GotoFrame(long frame) {
    frame_ = frame < 0 ? 0 : frame;
    BuildFace();
}

void ShockwaveFlash::TPlay(const std::string& target) {
    played_.push_back(target);
    auto clip = movie_.clips.find(target);
    if (clip == movie_.clips.end()) return;
    for (const ClipAction& a : clip->second) {
        if (a.gotoFrame >= 0)
            GotoFrame(a.gotoFrame);
        else
            SetVariable(a.var, a.value);
    }
}

// ---- the Flash list protocol

void ShockwaveFlash::RebuildList(const std::string& list) {
    const long count = std::strtol(GetVariable("_root.NumberOf" + list).c_str(), nullptr, 10);
    const std::string all = GetVariable("_root." + list + "String");
    std::vector<std::string> fields;
    for (size_t start = 0; start < all.size();) {
        const size_t bar = all.find('|', start);
        if (bar == std::string::npos) {
            fields.push_back(all.substr(start));
            break;
        }
        fields.push_back(all.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::string> rows;
    if (count > 0) {
        const size_t perRow =
            fields.size() / static_cast<size_t>(count) ? fields.size() / static_cast<size_t>(count) : 1;
        for (long r = 0; r < count; ++r) {
            std::string row;
            for (size_t f = 0; f < perRow; ++f) {
                const size_t at = static_cast<size_t>(r) * perRow + f;
                if (at >= fields.size()) break;
                if (f) row += '\t';
                row += fields[at];
            }
            rows.push_back(row);
        }
    }
    lists_[list] = rows;
    for (const FaceItem& f : face_)
        if (f.item->kind == ItemKind::List && Same(f.item->var, list)) FillListBox(f);
}

void ShockwaveFlash::FillListBox(const FaceItem& f) {
    SendMessageA(f.hwnd, LB_RESETCONTENT, 0, 0);
    auto it = lists_.find(f.item->var);
    if (it == lists_.end()) return;
    for (const std::string& row : it->second)
        SendMessageA(f.hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
}

// ---- tests and tools

void ShockwaveFlash::InjectCommand(const std::string& command, const std::string& args) { RaiseCommand(command, args); }

bool ShockwaveFlash::ClickButton(const std::string& command) {
    for (const FaceItem& f : face_)
        if (f.item->kind == ItemKind::Button && Same(f.item->command, command)) {
            SendMessageA(f.hwnd, BM_CLICK, 0, 0);
            return true;
        }
    return false;
}

bool ShockwaveFlash::ButtonEnabled(const std::string& command) const {
    for (const FaceItem& f : face_)
        if (f.item->kind == ItemKind::Button && Same(f.item->command, command)) return IsWindowEnabled(f.hwnd) != FALSE;
    return false;
}

bool ShockwaveFlash::HasButton(const std::string& command) const {
    for (const FaceItem& f : face_)
        if (f.item->kind == ItemKind::Button && Same(f.item->command, command) && IsWindowVisible(f.hwnd)) return true;
    return false;
}

std::string ShockwaveFlash::ShownText(const std::string& variable) const {
    for (const FaceItem& f : face_)
        if (f.item->kind == ItemKind::Text && Same(f.item->var, variable)) return WindowText(f.hwnd);
    return {};
}

std::vector<std::string> ShockwaveFlash::ListRowTexts(const std::string& list) const {
    for (const FaceItem& f : face_)
        if (f.item->kind == ItemKind::List && Same(f.item->var, list)) {
            std::vector<std::string> rows;
            const int n = static_cast<int>(SendMessageA(f.hwnd, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                std::string row(static_cast<size_t>(SendMessageA(f.hwnd, LB_GETTEXTLEN, i, 0)) + 1, '\0');
                row.resize(
                    static_cast<size_t>(SendMessageA(f.hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row.data()))));
                rows.push_back(row);
            }
            return rows;
        }
    return {};
}

bool ShockwaveFlash::SelectListRow(const std::string& list, int index0) {
    for (const FaceItem& f : face_)
        if (f.item->kind == ItemKind::List && Same(f.item->var, list)) {
            if (SendMessageA(f.hwnd, LB_SETCURSEL, static_cast<WPARAM>(index0), 0) == LB_ERR) return false;
            // A program-made selection announces nothing; tell the player as a click would.
            SendMessageA(hWnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(f.hwnd), LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(f.hwnd));
            return true;
        }
    return false;
}

// ---- the player window

HWND ShockwaveFlash::CreateWindowFor(HWND parent) {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &ShockwaveFlash::PlayerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kPlayerClass;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
    HWND h = MakeWindow(kPlayerClass, WS_CLIPCHILDREN | WS_TABSTOP, 0, parent, "");
    if (!h) return nullptr;
    SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return h;
}

void ShockwaveFlash::AfterCreate() { BuildFace(); }

void ShockwaveFlash::BeforeDestroy() {
    ClearFace();
    if (hWnd()) SetWindowLongPtrA(hWnd(), GWLP_USERDATA, 0);
    FreeGdi();
}

void ShockwaveFlash::ResetToDesign() {
    ui::Control::ResetToDesign();
    movie_ = Movie{};
    path_.clear();
    loaded_ = false;
    frame_ = 0;
    vars_.clear();
    lists_.clear();
    played_.clear();
    keysDown_.clear();
    menusOpened_ = rightReleases_ = 0;
}

RECT ShockwaveFlash::Scaled(const RECT& s) const {
    RECT client{};
    if (hWnd()) GetClientRect(hWnd(), &client);
    const double sx = movie_.width > 0 && client.right > 0 ? static_cast<double>(client.right) / movie_.width : 1.0;
    const double sy = movie_.height > 0 && client.bottom > 0 ? static_cast<double>(client.bottom) / movie_.height : 1.0;
    return {static_cast<LONG>(s.left * sx), static_cast<LONG>(s.top * sy), static_cast<LONG>(s.right * sx),
            static_cast<LONG>(s.bottom * sy)};
}

HFONT ShockwaveFlash::Font(const std::string& kind) {
    auto it = fonts_.find(kind);
    if (it != fonts_.end()) return it->second;
    int height = -13, weight = FW_NORMAL;
    if (kind == "title") height = -16, weight = FW_BOLD;
    if (kind == "small") height = -11;
    if (kind == "bold") weight = FW_BOLD;
    HFONT f = CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
    fonts_[kind] = f;
    return f;
}

HBRUSH ShockwaveFlash::Brush(COLORREF c) {
    auto it = brushes_.find(c);
    if (it != brushes_.end()) return it->second;
    return brushes_[c] = CreateSolidBrush(c);
}

void ShockwaveFlash::FreeGdi() {
    for (auto& [kind, f] : fonts_) DeleteObject(f);
    for (auto& [c, b] : brushes_) DeleteObject(b);
    fonts_.clear();
    brushes_.clear();
}

void ShockwaveFlash::ClearFace() {
    for (const FaceItem& f : face_)
        if (f.hwnd) DestroyWindow(f.hwnd);
    face_.clear();
}

void ShockwaveFlash::BuildFace() {
    if (!hWnd()) return;
    ClearFace();
    updating_ = true;
    for (const Item& it : movie_.items) {
        if (!OnFrame(it) || it.kind == ItemKind::Box || it.kind == ItemKind::Drag) continue;
        // A text sits on the last box of its frame that holds it, else on the stage.
        COLORREF back = it.back;
        if (back == CLR_INVALID) {
            back = movie_.background;
            for (const Item& b : movie_.items)
                if (b.kind == ItemKind::Box && OnFrame(b) && b.rect.left <= it.rect.left && b.rect.top <= it.rect.top &&
                    b.rect.right >= it.rect.right && b.rect.bottom >= it.rect.bottom)
                    back = b.color;
        }
        const int id = kFirstChildId + static_cast<int>(face_.size());
        const std::string value = it.var.empty() ? it.text : GetVariable(it.var);
        const char* cls = "STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE, ex = 0;
        switch (it.kind) {
            case ItemKind::Text:
                style |= SS_NOPREFIX | (it.align == 'c' ? SS_CENTER : it.align == 'r' ? SS_RIGHT : SS_LEFT);
                break;
            case ItemKind::Button:
                cls = "BUTTON", style |= BS_PUSHBUTTON | WS_TABSTOP;
                break;
            case ItemKind::Check:
                cls = "BUTTON", style |= BS_AUTOCHECKBOX | WS_TABSTOP;
                break;
            case ItemKind::Input:
                cls = "EDIT", style |= ES_AUTOHSCROLL | WS_TABSTOP | (it.password ? ES_PASSWORD : 0);
                ex = WS_EX_CLIENTEDGE;
                break;
            case ItemKind::List:
                cls = "LISTBOX", style |= LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
                ex = WS_EX_CLIENTEDGE;
                break;
            default:
                break;
        }
        if (!it.enabled.empty() && !Truthy(GetVariable(it.enabled))) style |= WS_DISABLED;
        std::string shown = it.kind == ItemKind::Check ? it.text : value;
        if (!it.label.empty()) {
            shown = GetVariable(it.label);
            if (shown.empty()) style &= ~WS_VISIBLE;
        }
        const RECT r = Scaled(it.rect);
        HWND h =
            CreateWindowExA(ex, cls, shown.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top, hWnd(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        if (!h) continue;
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font(it.font)), FALSE);
        face_.push_back({&it, h, back});
        if (it.kind == ItemKind::Check) SendMessageA(h, BM_SETCHECK, Truthy(value) ? BST_CHECKED : BST_UNCHECKED, 0);
        if (it.kind == ItemKind::List) FillListBox(face_.back());
    }
    updating_ = false;
    InvalidateRect(hWnd(), nullptr, TRUE);
}

void ShockwaveFlash::LayoutFace() {
    for (const FaceItem& f : face_) {
        const RECT r = Scaled(f.item->rect);
        MoveWindow(f.hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
}

void ShockwaveFlash::UpdateBound(const std::string& name) {
    updating_ = true;
    for (const FaceItem& f : face_) {
        if (!f.item->label.empty() && Same(f.item->label, name)) {
            const std::string caption = GetVariable(name);
            if (WindowText(f.hwnd) != caption) SetWindowTextA(f.hwnd, caption.c_str());
            ShowWindow(f.hwnd, caption.empty() ? SW_HIDE : SW_SHOWNA);
        }
        if (!f.item->enabled.empty() && Same(f.item->enabled, name)) EnableWindow(f.hwnd, Truthy(GetVariable(name)));
        if (!Same(f.item->var, name)) continue;
        const std::string value = GetVariable(name);
        switch (f.item->kind) {
            case ItemKind::Text:
            case ItemKind::Button:
            case ItemKind::Input:
                if (WindowText(f.hwnd) != value) SetWindowTextA(f.hwnd, value.c_str());
                break;
            case ItemKind::Check:
                SendMessageA(f.hwnd, BM_SETCHECK, Truthy(value) ? BST_CHECKED : BST_UNCHECKED, 0);
                break;
            default:
                break;
        }
    }
    updating_ = false;
}

const ShockwaveFlash::FaceItem* ShockwaveFlash::FaceFor(HWND child) const {
    for (const FaceItem& f : face_)
        if (f.hwnd == child) return &f;
    return nullptr;
}

void ShockwaveFlash::RaiseCommand(const std::string& command, const std::string& args) {
    // Copies: the handler may unload the form, and with it this face.
    const std::string c = command, a = args;
    if (FSCommand) FSCommand(c, a);
}

void ShockwaveFlash::ShowPlayerMenu(POINT screen) {
    ++menusOpened_;
    HWND owner = hWnd();
    const long chosen = base::modal::Run({"FlashPlayerMenu", {}, {}, 0}, [&]() -> long {
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, kMenuPlay, "Play");
        AppendMenuA(menu, MF_STRING, kMenuLoop, "Loop");
        AppendMenuA(menu, MF_STRING, kMenuRewind, "Rewind");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING | MF_GRAYED, kMenuAbout, "About the Movie Host...");
        const long cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr);
        DestroyMenu(menu);
        return cmd;
    });
    if (chosen == kMenuRewind) GotoFrame(0);
}

void ShockwaveFlash::Paint(HDC dc) {
    RECT client;
    GetClientRect(hWnd(), &client);
    FillRect(dc, &client, Brush(movie_.background));
    for (const Item& it : movie_.items)
        if (it.kind == ItemKind::Box && OnFrame(it)) {
            const RECT r = Scaled(it.rect);
            FillRect(dc, &r, Brush(it.color));
        }
}

LRESULT CALLBACK ShockwaveFlash::PlayerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ShockwaveFlash*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    const std::string where = self->Name() + "_Player";
    return ui::Fenced(where.c_str(), 0, [&]() -> LRESULT { return self->HandleMessage(hwnd, msg, wParam, lParam); });
}

LRESULT ShockwaveFlash::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SIZE:
            LayoutFace();
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_ERASEBKGND: {
            Paint(reinterpret_cast<HDC>(wParam));
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const FaceItem* f = FaceFor(reinterpret_cast<HWND>(lParam));
            if (!f) break;
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, f->item->color != CLR_INVALID ? f->item->color : movie_.foreground);
            SetBkColor(dc, f->back);
            return reinterpret_cast<LRESULT>(Brush(f->back));
        }
        case WM_COMMAND: {
            const FaceItem* f = FaceFor(reinterpret_cast<HWND>(lParam));
            if (!f) return 0;
            const Item& it = *f->item;
            const WORD code = HIWORD(wParam);
            if (it.kind == ItemKind::Button && code == BN_CLICKED) {
                RaiseCommand(it.command, it.args);
            } else if (it.kind == ItemKind::Check && code == BN_CLICKED) {
                vars_[it.var].assign(1, SendMessageA(f->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0');
            } else if (it.kind == ItemKind::Input && code == EN_CHANGE && !updating_) {
                vars_[it.var] = WindowText(f->hwnd);
            } else if (it.kind == ItemKind::List && code == LBN_SELCHANGE) {
                const LRESULT index = SendMessageA(f->hwnd, LB_GETCURSEL, 0, 0);
                if (index != LB_ERR) RaiseCommand(it.command, std::to_string(index));
            }
            return 0;
        }
        case WM_LBUTTONDOWN: {
            const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            SetFocus(hwnd);
            for (const Item& it : movie_.items)
                if (it.kind == ItemKind::Drag && OnFrame(it)) {
                    const RECT r = Scaled(it.rect);
                    if (PtInRect(&r, p)) {
                        RaiseCommand(it.command, {});
                        break;
                    }
                }
            return 0;
        }
        case WM_RBUTTONDOWN: {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(hwnd, &p);
            ShowPlayerMenu(p);
            return 0;
        }
        case WM_RBUTTONUP:
            ++rightReleases_;
            return 0;
        case WM_CONTEXTMENU: {
            if (reinterpret_cast<HWND>(wParam) != hwnd) return 0;
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (lParam == -1) {
                RECT r;
                GetWindowRect(hwnd, &r);
                p = {r.left, r.top};
            }
            ShowPlayerMenu(p);
            return 0;
        }
        case WM_KEYDOWN:
            keysDown_.push_back(wParam);
            if (wParam == VK_APPS) {
                RECT r;
                GetWindowRect(hwnd, &r);
                ShowPlayerMenu({r.left, r.top});
            }
            return 0;
        case WM_KEYUP:
        case WM_CHAR:
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace movie
