#include "app/journeys/Journey.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/SettingsStore.h"

namespace journey {

namespace {

// ---- another process's memory, for the list view's messages that carry pointers

class Remote {
public:
    Remote(HWND w, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) mem_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~Remote() {
        if (mem_) VirtualFreeEx(process_, mem_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    bool ok() const { return mem_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(mem_) + offset; }
    bool Write(size_t offset, const void* data, size_t n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && WriteProcessMemory(process_, at(offset), data, n, &done) && done == n;
    }
    bool Read(size_t offset, void* data, size_t n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && ReadProcessMemory(process_, at(offset), data, n, &done) && done == n;
    }

private:
    HANDLE process_ = nullptr;
    void* mem_ = nullptr;
    size_t size_;
};

LRESULT Send(HWND w, UINT msg, WPARAM wp, LPARAM lp, DWORD ms = 10000) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG, ms, &result)) return -1;
    return static_cast<LRESULT>(result);
}

POINT Centre(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The window and its parents up to its top-level window (not its owner) shown and enabled.
bool AncestorsEnabled(HWND w) {
    for (HWND a = w; a != nullptr; a = (GetWindowLongA(a, GWL_STYLE) & WS_CHILD) ? GetParent(a) : nullptr)
        if (!IsWindowEnabled(a) || !IsWindowVisible(a)) return false;
    return true;
}

// True when a click at the screen point reaches `w` (or a child of it).
bool PointReaches(HWND w, POINT screen) {
    if (!AncestorsEnabled(w)) return false;
    HWND hit = WindowFromPoint(screen);
    return hit == w || (hit != nullptr && IsChild(w, hit));
}

// Posts a left click at a point of the window's client area.
void PostClick(HWND w, POINT client) {
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageA(w, WM_MOUSEMOVE, 0, at);
    PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(w, WM_LBUTTONUP, 0, at);
}

std::string StripAmpersand(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
    return s;
}

// Enumeration callbacks are named functions: a lambda has no stdcall conversion in a 32-bit build.
struct TopWindowsOf {
    DWORD pid;
    std::vector<HWND> out;
};

BOOL CALLBACK CollectTopWindow(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<TopWindowsOf*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == s.pid) s.out.push_back(w);
    return TRUE;
}

std::vector<HWND> AllTopWindows(DWORD pid) {
    TopWindowsOf s{pid, {}};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&s));
    return s.out;
}

struct ChildrenLike {
    std::string cls, text;
    std::vector<HWND> out;
};

BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<ChildrenLike*>(p);
    if (!s.cls.empty() && _stricmp(ClassOf(w).c_str(), s.cls.c_str()) != 0) return TRUE;
    if (!s.text.empty() && StripAmpersand(TextOf(w)) != s.text) return TRUE;
    s.out.push_back(w);
    return TRUE;
}

void CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + "\\" + name, to + "\\" + name);
        else
            CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

// An environment block of this process without the test run's overrides of the program's places,
// so the program finds its folder and settings where an installed one does.
std::vector<char> PlainEnvironment() {
    std::vector<char> block;
    char* env = GetEnvironmentStringsA();
    for (const char* p = env; *p; p += std::strlen(p) + 1) {
        const std::string entry = p;
        if (_strnicmp(p, "CORVANE_", 8) == 0) continue;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    FreeEnvironmentStringsA(env);
    block.push_back('\0');
    return block;
}

DWORD lastPid = 0;  // the program started last, whose windows a failure lists

// The first failure of each test leaves a picture of the screen and a list of the program's windows.
class FailurePictures : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { taken_ = false; }
    void OnTestPartResult(const ::testing::TestPartResult& r) override {
        if (!r.failed() || taken_) return;
        taken_ = true;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "journey";
        const std::string path = SaveScreen(name);
        if (!path.empty()) std::printf("journey: the screen at the failure: %s\n", path.c_str());
        if (lastPid) std::printf("journey: the program's windows:\n%s", DescribeWindows(lastPid).c_str());
    }
    bool taken_ = false;
};

struct ListenerInstaller {
    ListenerInstaller() { ::testing::UnitTest::GetInstance()->listeners().Append(new FailurePictures); }
} installer;

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(50);
    }
}

std::string TextOf(HWND w) {
    const LRESULT n = Send(w, WM_GETTEXTLENGTH, 0, 0, 1000);
    if (n == -1) {
        // A program busy scanning answers late: the window's own caption is read without it.
        char caption[4096] = {};
        GetWindowTextA(w, caption, sizeof caption);
        return caption;
    }
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n) + 1, '\0');
    const LRESULT got = Send(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 5000);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::string ClassOf(HWND w) {
    char cls[128] = {};
    GetClassNameA(w, cls, sizeof cls);
    return cls;
}

std::vector<HWND> TopWindows(DWORD pid) {
    std::vector<HWND> out;
    for (HWND w : AllTopWindows(pid))
        if (IsWindowVisible(w)) out.push_back(w);
    return out;
}

std::vector<HWND> Descendants(HWND root, const std::string& cls, const std::string& text) {
    ChildrenLike s{cls, text, {}};
    EnumChildWindows(root, CollectChild, reinterpret_cast<LPARAM>(&s));
    return s.out;
}

std::string DescribeWindows(DWORD pid) {
    std::string out;
    for (HWND top : TopWindows(pid)) {
        out += "  window \"" + TextOf(top) + "\" (" + ClassOf(top) + (IsWindowEnabled(top) ? "" : ", disabled") + ")\n";
        for (HWND c : Descendants(top)) {
            if (!IsWindowVisible(c)) continue;
            std::string text = TextOf(c);
            if (text.size() > 60) text = text.substr(0, 60) + "...";
            std::string why;
            if (!Clickable(c)) {
                HWND hit = WindowFromPoint(Centre(c));
                why = !AncestorsEnabled(c) ? " (not clickable: disabled)"
                                           : " (not clickable: under " + ClassOf(hit) + " \"" + TextOf(hit) + "\")";
            }
            out += "    " + ClassOf(c) + " \"" + text + "\"" + why + "\n";
        }
    }
    return out;
}

bool Clickable(HWND w) { return IsWindow(w) && PointReaches(w, Centre(w)); }

std::string SaveScreen(const std::string& name) {
    const std::string folder = BuildProgramFolder() + "\\..\\journey-screens";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = name;
    for (char& c : file)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
    const std::string path = folder + "\\" + file + ".bmp";
    HDC screen = GetDC(nullptr);
    if (!screen) return {};
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
    std::vector<char> pixels(static_cast<size_t>(stride) * h);
    GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&bi), sizeof bi);
    bytes.append(pixels.data(), pixels.size());
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    return path;
}

bool Click(HWND button) {
    if (!Clickable(button)) return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool ClickLabel(HWND label) {
    if (!Clickable(label)) return false;
    RECT r{};
    GetClientRect(label, &r);
    PostClick(label, {r.right / 2, r.bottom / 2});
    return true;
}

bool Type(HWND edit, const std::string& text) {
    if (!Clickable(edit)) return false;
    return Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != -1;
}

std::vector<std::string> ListBoxRows(HWND list) {
    std::vector<std::string> rows;
    const LRESULT n = Send(list, LB_GETCOUNT, 0, 0);
    // Across processes the row comes as wide text. It may grow between asking its length and its
    // text: the buffer is far larger than any row.
    std::vector<wchar_t> buffer(65536);
    for (LRESULT i = 0; i < n; ++i) {
        DWORD_PTR len = 0;
        if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 10000, &len) ||
            static_cast<LRESULT>(len) < 0 || len >= buffer.size()) {
            rows.emplace_back();
            continue;
        }
        std::fill(buffer.begin(), buffer.end(), L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, 10000,
                            &got);
        char text[65536 * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, buffer.data(), -1, text, sizeof text - 1, nullptr, nullptr);
        rows.emplace_back(text);
    }
    return rows;
}

bool ClickListBoxRow(HWND list, int row) {
    if (row < 0 || row >= Send(list, LB_GETCOUNT, 0, 0)) return false;
    Send(list, LB_SETTOPINDEX, row, 0);
    RECT r{};
    if (Send(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r)) == LB_ERR) return false;
    POINT client{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, screen = client;
    ClientToScreen(list, &screen);
    if (!PointReaches(list, screen)) return false;
    PostClick(list, client);
    return true;
}

int ListBoxSelected(HWND list) {
    const LRESULT row = Send(list, LB_GETCURSEL, 0, 0);
    return row < 0 ? -1 : static_cast<int>(row);
}

bool ChooseListBoxRow(HWND list, int row) {
    return ClickListBoxRow(list, row) && WaitUntil([&] { return ListBoxSelected(list) == row; }, 10000);
}

std::vector<ListViewRow> ListViewRows(HWND list, int columns) {
    std::vector<ListViewRow> rows;
    Remote remote(list, 8192);
    if (!remote.ok()) return rows;
    const LRESULT n = Send(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        ListViewRow row;
        for (int c = 0; c < columns; ++c) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iSubItem = c;
            item.pszText = remote.at(512);
            item.cchTextMax = 4096;
            char text[4096] = {};
            if (!remote.Write(0, &item, sizeof item) || !remote.Write(512, text, 1)) return {};
            Send(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(remote.at(0)));
            remote.Read(512, text, sizeof text - 1);
            row.cells.emplace_back(text);
        }
        row.checked = ((Send(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
        rows.push_back(row);
    }
    return rows;
}

namespace {
// A point of the row (client coordinates) whose hit test has one of the flags.
std::optional<POINT> ListViewPoint(HWND list, int row, UINT flags) {
    Remote remote(list, 512);
    if (!remote.ok()) return std::nullopt;
    Send(list, LVM_ENSUREVISIBLE, row, FALSE);
    RECT r{};
    r.left = LVIR_BOUNDS;
    if (!remote.Write(0, &r, sizeof r) || !Send(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.at(0))) ||
        !remote.Read(0, &r, sizeof r))
        return std::nullopt;
    const int y = (r.top + r.bottom) / 2;
    for (int x = r.left + 1; x < std::min<LONG>(r.right, r.left + 300); x += 2) {
        LVHITTESTINFO hit{};
        hit.pt = {x, y};
        if (!remote.Write(64, &hit, sizeof hit)) return std::nullopt;
        const LRESULT at = Send(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(remote.at(64)));
        remote.Read(64, &hit, sizeof hit);
        if (at == row && (hit.flags & flags)) return hit.pt;
    }
    return std::nullopt;
}

bool ClickListViewAt(HWND list, int row, UINT flags) {
    const auto client = ListViewPoint(list, row, flags);
    if (!client) return false;
    POINT screen = *client;
    ClientToScreen(list, &screen);
    if (!PointReaches(list, screen)) return false;
    PostClick(list, *client);
    return true;
}
}  // namespace

void RightClick(HWND w) {
    RECT r{};
    GetClientRect(w, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageA(w, WM_RBUTTONUP, 0, at);
}

bool ChooseMenuLine(DWORD pid, int line) {
    HWND menu = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopWindows(pid))
                if (ClassOf(w) == "#32768") menu = w;
            return menu != nullptr;
        },
        10000);
    if (!menu) return false;
    for (int i = 0; i < line; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

bool ClickListViewCheck(HWND list, int row) { return ClickListViewAt(list, row, LVHT_ONITEMSTATEICON); }
bool ClickListViewRow(HWND list, int row) { return ClickListViewAt(list, row, LVHT_ONITEMLABEL); }

bool Box::Press(const std::string& caption) const {
    for (const auto& [button, text] : buttons)
        if (text == caption) return Click(button);
    return false;
}

std::optional<Box> ShownBox(DWORD pid, const std::vector<std::string>& captions) {
    for (HWND w : TopWindows(pid)) {
        Box box;
        box.window = w;
        box.title = TextOf(w);
        bool other = false;
        for (HWND child : Descendants(w)) {
            if (!IsWindowVisible(child)) continue;
            const std::string cls = ClassOf(child), text = StripAmpersand(TextOf(child));
            const LONG style = GetWindowLongA(child, GWL_STYLE);
            if (_stricmp(cls.c_str(), "Button") == 0 && (style & 0xF) <= BS_DEFPUSHBUTTON) {
                if (text == "X" || text == "_") continue;  // the box's own title-bar buttons
                if (std::find(captions.begin(), captions.end(), text) != captions.end())
                    box.buttons.emplace_back(child, text);
                else
                    other = true;
            } else if (_stricmp(cls.c_str(), "Static") == 0 && text.size() > box.text.size()) {
                box.text = text;
            } else if (_stricmp(cls.c_str(), "Edit") == 0 || _stricmp(cls.c_str(), WC_LISTVIEWA) == 0 ||
                       _stricmp(cls.c_str(), "ListBox") == 0) {
                other = true;  // a window to work in, not a box
            }
        }
        if (!other && !box.buttons.empty() && !box.text.empty()) return box;
    }
    return std::nullopt;
}

std::optional<Box> WaitForBox(DWORD pid, DWORD ms, const std::vector<std::string>& captions) {
    std::optional<Box> box;
    WaitUntil([&] { return (box = ShownBox(pid, captions)).has_value(); }, ms);
    return box;
}

std::string InstallFolder() { return "C:\\Program Files\\Corvane"; }
std::string BuildProgramFolder() { return testing_support::ProgramDir(); }

Program::Program(const Options& options, const std::string& commandLine) {
    if (!options.keepInstall) {
        testing_support::RemoveTree(InstallFolder());
        CreateDirectoryA("C:\\Program Files", nullptr);
        CreateDirectoryA(InstallFolder().c_str(), nullptr);
        const std::string from = BuildProgramFolder();
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((from + "\\*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            // What an installation holds: the program, its libraries and data, not what runs of
            // the build's own folder left there.
            const std::set<std::string> folders = {"SKIN", "LANGUAGE", "HELP"};
            do {
                std::string name = fd.cFileName, upper = name;
                for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
                const std::string ext = upper.size() > 4 ? upper.substr(upper.size() - 4) : "";
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (folders.count(upper)) CopyTree(from + "\\" + name, InstallFolder() + "\\" + name);
                } else if (ext == ".EXE" || ext == ".DLL" || ext == ".SCW" || ext == ".WAV" || ext == ".SPL" ||
                           upper == "DEFS.DAT") {
                    CopyFileA((from + "\\" + name).c_str(), (InstallFolder() + "\\" + name).c_str(), FALSE);
                }
            } while (FindNextFileA(find, &fd));
            FindClose(find);
        }
    }
    if (!options.keepSettings) RegDeleteTreeA(HKEY_CURRENT_USER, settings::ApplicationKeyPath().c_str());

    std::string cmd = "\"" + InstallFolder() + "\\Corvane.exe\"" + (options.args.empty() ? "" : " " + options.args);
    if (!commandLine.empty()) cmd = commandLine;
    std::vector<char> env = PlainEnvironment();
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, env.data(), InstallFolder().c_str(), &si, &pi))
        return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    lastPid = pi.dwProcessId;
    std::printf("journey: Corvane.exe started (process %04lx, thread %04lx; this test's thread %04lx)\n",
                static_cast<unsigned long>(pi.dwProcessId), static_cast<unsigned long>(pi.dwThreadId),
                static_cast<unsigned long>(GetCurrentThreadId()));
    std::fflush(stdout);
    pid_ = pi.dwProcessId;
    if (!options.waitForMain) return;
    // The main window, once the program published it and shows it.
    WaitUntil(
        [&] {
            const std::string h = settings::GetSetting("formHandle", "fromhandlewindow");
            if (!h.empty() && h != "-1") {
                HWND w = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::stoull(h)));
                if (IsWindow(w) && IsWindowVisible(w)) main_ = w;
            }
            return main_ != nullptr || !Running();
        },
        60000);
}

Program::~Program() {
    if (process_) {
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 10000);
        }
        CloseHandle(process_);
    }
}

bool Program::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Program::WaitForExit(DWORD ms) {
    if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

HWND Program::FindButton(const std::string& caption, DWORD ms) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND top : TopWindows(pid_))
                for (HWND b : Descendants(top, "Button", caption))
                    if (Clickable(b)) return (found = b) != nullptr;
            return false;
        },
        ms);
    return found;
}

bool Program::ClickButton(const std::string& caption, DWORD ms) const {
    HWND b = FindButton(caption, ms);
    return b != nullptr && Click(b);
}

bool Program::ClickUntil(const std::string& caption, const std::function<bool()>& done, int tries) const {
    for (int i = 0; i < tries; ++i) {
        if (ClickButton(caption) && WaitUntil(done, 3000)) return true;
        if (i > 0) std::printf("journey: \"%s\" clicked again: nothing came of the click before\n", caption.c_str());
    }
    return false;
}

HWND Program::FindWindowTitled(const std::string& text, DWORD ms) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND top : TopWindows(pid_))
                if (TextOf(top).find(text) != std::string::npos) return (found = top) != nullptr;
            return false;
        },
        ms);
    return found;
}

HWND Program::FindControl(const std::string& cls, DWORD ms, HWND within) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> tops = within ? std::vector<HWND>{within} : TopWindows(pid_);
            for (HWND top : tops)
                for (HWND c : Descendants(top, cls))
                    if (IsWindowVisible(c)) return (found = c) != nullptr;
            return false;
        },
        ms);
    return found;
}

HWND Program::FindClickable(const std::string& cls, DWORD ms) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND top : TopWindows(pid_))
                for (HWND c : Descendants(top, cls))
                    if (Clickable(c)) return (found = c) != nullptr;
            return false;
        },
        ms);
    return found;
}

std::string Program::ShownTextStarting(const std::string& start) const {
    for (HWND top : TopWindows(pid_))
        for (HWND c : Descendants(top)) {
            if (!IsWindowVisible(c)) continue;
            const std::string t = TextOf(c);
            if (t.compare(0, start.size(), start) == 0) return t;
        }
    return {};
}

std::vector<std::string> Program::AnswerBoxes(const std::string& answer, DWORD quietMs) const {
    std::vector<std::string> texts;
    for (int i = 0; i < 20; ++i) {
        auto box = WaitForBox(pid_, quietMs);
        if (!box) break;
        texts.push_back(box->text);
        if (!box->Press(answer)) box->Press(box->buttons.front().second);
        WaitUntil([&] { return !IsWindow(box->window) || !IsWindowVisible(box->window); }, 5000);
    }
    return texts;
}

bool Program::Close(DWORD ms) {
    if (!Running() || !main_) return false;
    // The close button of the main window's title bar.
    HWND close = nullptr;
    WaitUntil(
        [&] {
            for (HWND b : Descendants(main_, "Button", "X"))
                if (Clickable(b)) close = b;
            return close != nullptr;
        },
        10000);
    if (!close) std::printf("journey: the main window's close button cannot be clicked\n");
    if (!close || !Click(close)) return false;
    const DWORD start = GetTickCount();
    while (Running() && GetTickCount() - start < ms) {
        if (auto box = ShownBox(pid_)) {
            if (box->text.find("Are you sure") != std::string::npos)
                box->Press("OK");
            else
                box->Press(box->buttons.front().second);
            WaitUntil([&] { return !IsWindow(box->window) || !IsWindowVisible(box->window); }, 5000);
        }
        WaitForSingleObject(process_, 100);
    }
    const auto code = WaitForExit(0);
    if (!code) std::printf("journey: the program still runs after its shut-down was asked for\n");
    if (code && *code != 0) std::printf("journey: the program ended with exit code %lu\n", *code);
    return code && *code == 0;
}

// Told by its title text, read without a message to the program (a scan answers messages late).
bool ScanWindowShown(const Program& program) {
    for (HWND top : TopWindows(program.Pid())) {
        if (top == program.Main()) continue;
        for (HWND c : Descendants(top, "Static")) {
            char text[128] = {};
            GetWindowTextA(c, text, sizeof text);
            if (IsWindowVisible(c) && std::string(text).rfind("Corvane - System Scan", 0) == 0) return true;
        }
    }
    return false;
}

bool ChooseScan(const Program& program, const std::string& caption) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        HWND b = program.FindButton(caption, 1000);
        if (!b && program.ClickButton("Home", 1000)) b = program.FindButton(caption, 2000);
        if (b) Click(b);
        if (WaitUntil([&] { return ScanWindowShown(program); }, 3000)) return true;
    }
    return false;
}

bool WaitForScanEnd(const Program& program, std::vector<std::string>* boxes, DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms && program.Running()) {
        if (program.FindButton("Continue", 200)) return true;
        if (auto box = ShownBox(program.Pid())) {
            if (boxes) boxes->push_back(box->text);
            box->Press("OK") || box->Press(box->buttons.front().second);
            WaitUntil([&] { return !IsWindowVisible(box->window); }, 5000);
        }
    }
    return false;
}

HWND ResultsList(const Program& program, DWORD ms) {
    HWND list = nullptr;
    WaitUntil(
        [&] {
            for (HWND top : TopWindows(program.Pid()))
                if (top != program.Main())
                    for (HWND lv : Descendants(top, "SysListView32"))
                        if (IsWindowVisible(lv)) return (list = lv) != nullptr;
            return false;
        },
        ms);
    return list;
}

bool CloseResults(const Program& program) {
    return program.ClickButton("Close") && WaitUntil([&] { return ResultsList(program, 0) == nullptr; }, 10000);
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.emplace_back(fd.cFileName);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return out;
}

std::vector<std::string> Leftovers() {
    std::vector<std::string> out;
    for (const char* pattern : {"*.qvl", "*.tmp", "*.bak"})
        for (const std::string& f : FilesIn(InstallFolder(), pattern))
            if (f != "rslt.qvl") out.push_back(f);
    return out;
}

std::string NewestScanLog() {
    const std::string logs = InstallFolder() + "\\logs";
    std::string newest;
    FILETIME newestTime{};
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((logs + "\\ScanLog*.log").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return {};
    do {
        if (newest.empty() || CompareFileTime(&fd.ftLastWriteTime, &newestTime) > 0) {
            newest = logs + "\\" + fd.cFileName;
            newestTime = fd.ftLastWriteTime;
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return newest;
}

}  // namespace journey

// ---- the machine's state

namespace journey {

namespace {

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string FileState(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return "absent";
    char head[160];
    std::snprintf(head, sizeof head, "attributes %lx created %lx%08lx written %lx%08lx ",
                  static_cast<unsigned long>(a.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE),
                  static_cast<unsigned long>(a.ftCreationTime.dwHighDateTime),
                  static_cast<unsigned long>(a.ftCreationTime.dwLowDateTime),
                  static_cast<unsigned long>(a.ftLastWriteTime.dwHighDateTime),
                  static_cast<unsigned long>(a.ftLastWriteTime.dwLowDateTime));
    if (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        std::string out = "folder:";
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string n = fd.cFileName;
                if (n != "." && n != "..") names.push_back(n);
            } while (FindNextFileA(find, &fd));
            FindClose(find);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) out += " [" + n + ": " + FileState(path + "\\" + n) + "]";
        return out;
    }
    const std::string bytes = Bytes(path);
    return std::string(head) + "size " + std::to_string(bytes.size()) + " bytes " + Hex(bytes.substr(0, 64)) + "." +
           std::to_string(std::hash<std::string>{}(bytes));
}

bool SplitRoot(const std::string& where, HKEY& root, std::string& path) {
    static const std::pair<const char*, HKEY> roots[] = {{"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                                         {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                                         {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                                         {"HKEY_USERS", HKEY_USERS}};
    for (const auto& [name, key] : roots) {
        const std::string n = name;
        if (where.size() > n.size() && _strnicmp(where.c_str(), n.c_str(), n.size()) == 0 && where[n.size()] == '\\') {
            root = key;
            path = where.substr(n.size() + 1);
            return true;
        }
    }
    return false;
}

std::string KeyState(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return "absent";
    std::string out = "key:";
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLen = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameLen = sizeof name;
        RegEnumValueA(key, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size);
        out += " [" + std::string(name, nameLen) + " " + std::to_string(type) + " " + Hex(data) + "]";
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.emplace_back(name, nameLen);
    }
    for (const std::string& s : subkeys) out += " {" + s + ": " + KeyState(key, s) + "}";
    RegCloseKey(key);
    return out;
}

std::string ValueState(HKEY root, const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return "absent";
    DWORD type = 0, size = 0;
    std::string out = "absent";
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size);
        out = "value " + std::to_string(type) + " " + Hex(data);
    }
    RegCloseKey(key);
    return out;
}

// A hosts line's fields, one blank apart: the file's own rewrite may space them otherwise.
std::string Fields(const std::string& s) {
    std::string out, field;
    for (char c : s + " ") {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!field.empty()) out += (out.empty() ? "" : " ") + field;
            field.clear();
        } else {
            field += c;
        }
    }
    return out;
}

}  // namespace

std::string Bytes(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(f);
    return out;
}

std::string StateOf(const testing_support::SeededItem& item) {
    using testing_support::SeededPlace;
    switch (item.place) {
        case SeededPlace::File:
        case SeededPlace::Folder:
        case SeededPlace::Shortcut:
        case SeededPlace::Cookie:
        case SeededPlace::Process:
            return FileState(item.where);
        case SeededPlace::Key: {
            HKEY root;
            std::string path;
            return SplitRoot(item.where, root, path) ? KeyState(root, path) : "unknown root";
        }
        case SeededPlace::Value: {
            HKEY root;
            std::string path;
            return SplitRoot(item.where, root, path) ? ValueState(root, path, item.name) : "unknown root";
        }
        case SeededPlace::HostsLine: {
            const std::string hosts = Bytes(testing_support::ReadSeededFolders().hostsFile);
            size_t at = 0;
            while (at < hosts.size()) {
                size_t end = hosts.find('\n', at);
                if (end == std::string::npos) end = hosts.size();
                if (Fields(hosts.substr(at, end - at)) == Fields(item.where)) return "line present";
                at = end + 1;
            }
            return "absent";
        }
    }
    return "unknown";
}

bool Absent(const testing_support::SeededItem& item) { return StateOf(item) == "absent"; }

}  // namespace journey
