#include "GuardFixture.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include "base/ErrorLog.h"
#include "base/Handles.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/RegistryModule.h"
#include "core/SpecialFolders.h"
#include "monitors/modMonitors.h"

namespace monitors_testing {

using monitors::NotifyBox;

namespace {
constexpr UINT kRunChecks = WM_APP + 7;
const char kPosterClass[] = "CorvaneGuardTestPoster";
TestHost* current = nullptr;

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\'));
}
}  // namespace

LRESULT CALLBACK PosterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kRunChecks && current != nullptr) {
        current->posted_ = false;
        current->Checks();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The notify box: its change handler is the routing, as on the main window.
LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TestHost* host = current;
    if (host == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
    const LRESULT r = CallWindowProcA(host->editProc_, hwnd, msg, wParam, lParam);
    if (msg == WM_SETTEXT) {
        const std::string text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        const int box = static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!text.empty()) host->texts[box].push_back(text);
        if (modMonitors::RouteNotification(static_cast<NotifyBox>(box), text)) SetWindowTextA(hwnd, "");
    }
    return r;
}

TestHost::TestHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PosterProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kPosterClass;
    RegisterClassA(&wc);
    poster_ = CreateWindowExA(0, kPosterClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    for (int i = 0; i < monitors::kNotifyBoxCount; ++i) {
        boxes_[i] = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(boxes_[i], GWLP_USERDATA, i);
        editProc_ =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(boxes_[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoxProc)));
    }
    current = this;
    monitors::SetGuardHost(this);
}

TestHost::~TestHost() {
    monitors::SetGuardHost(nullptr);
    for (HWND b : boxes_) {
        SetWindowLongPtrA(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc_));
        DestroyWindow(b);
    }
    DestroyWindow(poster_);
    current = nullptr;
}

HWND TestHost::NotifyWindow(NotifyBox box) { return boxes_[static_cast<int>(box)]; }

void TestHost::RequestChecks() {
    if (posted_) return;
    posted_ = PostMessageA(poster_, kRunChecks, 0, 0) != FALSE;
}

void TestHost::Checks() {
    if (inChecks_) {  // pumped by a running check: that check's loop takes the new requests
        modMonitors::RunPendingChecks();
        return;
    }
    inChecks_ = true;
    lastPump_ = std::chrono::steady_clock::now();
    modMonitors::RunPendingChecks();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - lastPump_).count();
    if (ms > longestStall) longestStall = ms;
    inChecks_ = false;
}

void TestHost::DoEvents() {
    if (inChecks_) {
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - lastPump_).count();
        if (ms > longestStall) longestStall = ms;
        lastPump_ = now;
    }
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

void TestHost::ShowGuardAlert(const std::string& text) { popups.push_back(text); }

bool PumpUntil(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

SavedValue::SavedValue(HKEY root, std::string keyPath, std::string name)
    : root_(root), keyPath_(std::move(keyPath)), name_(std::move(name)) {
    base::RegKey key;
    if (RegOpenKeyExA(root_, keyPath_.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name_.c_str(), nullptr, &type_, nullptr, &size) != ERROR_SUCCESS) return;
    data_.resize(size);
    RegQueryValueExA(key.get(), name_.c_str(), nullptr, &type_, reinterpret_cast<BYTE*>(data_.data()), &size);
    data_.resize(size);
    existed_ = true;
}

SavedValue::~SavedValue() {
    base::RegKey key;
    if (RegCreateKeyExA(root_, keyPath_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    if (existed_)
        RegSetValueExA(key.get(), name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(data_.data()),
                       static_cast<DWORD>(data_.size()));
    else
        RegDeleteValueA(key.get(), name_.c_str());
}

EnsuredKey::EnsuredKey(HKEY root, std::string keyPath) : root_(root), keyPath_(std::move(keyPath)) {
    if (KeyExists(root_, keyPath_)) return;
    base::RegKey key;
    created_ = RegCreateKeyExA(root_, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) ==
               ERROR_SUCCESS;
}

EnsuredKey::~EnsuredKey() {
    if (created_) RegistryModule::DeleteKey(root_, keyPath_);
}

AbsentKey::AbsentKey(HKEY root, std::string keyPath)
    : root_(root),
      keyPath_(std::move(keyPath)),
      aside_("Software\\CorvaneTestAside\\" + std::to_string(GetCurrentProcessId())) {
    existed_ = KeyExists(root_, keyPath_);
    if (!existed_) return;
    base::RegKey from, to;
    EXPECT_EQ(RegOpenKeyExA(root_, keyPath_.c_str(), 0, KEY_READ, from.put()), ERROR_SUCCESS);
    EXPECT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, aside_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, to.put(), nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(RegCopyTreeA(from.get(), nullptr, to.get()), ERROR_SUCCESS);
    from = base::RegKey();
    RegistryModule::DeleteKey(root_, keyPath_);
    EXPECT_FALSE(KeyExists(root_, keyPath_));
}

AbsentKey::~AbsentKey() {
    if (KeyExists(root_, keyPath_)) RegistryModule::DeleteKey(root_, keyPath_);
    if (!existed_) return;
    base::RegKey from, to;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, aside_.c_str(), 0, KEY_READ, from.put()) == ERROR_SUCCESS &&
        RegCreateKeyExA(root_, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, to.put(), nullptr) ==
            ERROR_SUCCESS)
        RegCopyTreeA(from.get(), nullptr, to.get());
    from = base::RegKey();
    RegistryModule::DeleteKey(HKEY_CURRENT_USER, aside_);
}

void SetString(HKEY root, const std::string& keyPath, const std::string& name, const std::string& data) {
    base::RegKey key;
    ASSERT_EQ(RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)),
              ERROR_SUCCESS);
}

bool ValueExists(HKEY root, const std::string& keyPath, const std::string& name) {
    base::RegKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string ReadString(HKEY root, const std::string& keyPath, const std::string& name) {
    return RegistryModule::QueryRegString(root, keyPath, name);
}

bool KeyExists(HKEY root, const std::string& keyPath) {
    base::RegKey key;
    return RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

int ThreadCount() {
    base::FileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    int n = 0;
    if (Thread32First(snap.get(), &te)) {
        do {
            if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
        } while (Thread32Next(snap.get(), &te));
    }
    return n;
}

DWORD HandleCount() {
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return n;
}

std::vector<std::string> ErrorLog() {
    const std::string path = base::ErrorLogPath();
    return base::FileExists(path) ? base::ReadLines(path) : std::vector<std::string>{};
}

void GuardTest::SetUp() {
    threadsBefore_ = ThreadCount();
    folder_ = std::make_unique<testing_support::ScopedProgramFolder>();
    ASSERT_TRUE(CopyFileA((ExeFolder() + "\\Halvex.dll").c_str(), ProgramFile("Halvex.dll").c_str(), FALSE));
    gb_programsFolder = modMain::getFolderIDLocation(CSIDL_PROGRAMS);
    gb_favoritesFolder = modMain::getFolderIDLocation(CSIDL_FAVORITES);
    CreateDirectoryA((gb_programsFolder + "\\Startup").c_str(), nullptr);
    CreateDirectoryA(gb_favoritesFolder.c_str(), nullptr);
    gb_scanBusy = false;
    host_ = std::make_unique<TestHost>();
    wiring::SetOwnChangeFollower(&modMonitors::followOwnChange);
}

void GuardTest::TearDown() {
    wiring::SetOwnChangeFollower({});
    modMonitors::stopStartupMonitor();
    modMonitors::stopIEFavoriteMonitor();
    modMonitors::stopIEHijackGuard();
    modMonitors::stopBHOMonitor();
    // The workers end on their own once stopped; the library goes with the last of them.
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= threadsBefore_; }, 30000))
        << ThreadCount() << " threads, " << threadsBefore_ << " before";
    host_.reset();
    PumpFor(20);
    folder_.reset();
}

std::vector<monitors::GuardAlert> GuardTest::Store() const { return monitors::ReadAlertStore(); }

}  // namespace monitors_testing
