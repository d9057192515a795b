// Halvex.dll as the program uses it: loaded by name, watching real folders and registry keys, reporting
// to a window on this (the test's "user-interface") thread, which pumps messages.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/testing/Testing.h"
#include "monitorlib/Halvex.h"

using testing_support::TempFolder;
using testing_support::UniqueName;

namespace {

const char kErr10[] = "err10 Can't open key";
const char kErr11[] = "err11 Error in RegNotifyChangeKeyValue";
const char kErr12[] = "err12 Error in FindFirstChangeNotification() function.";
const char kErr14[] =
    "err14 You set monitor on this registry key before.You can't set more than 1 monitor on the same registry key.";
const char kErr15[] =
    "err15 You set monitor on this folder before.You can't set more than 1 monitor on the same folder.";

// What a sink window answers to WM_SETTEXT, so a duplicate start's result can be told from a count.
constexpr LRESULT kSinkResult = 0x5E7;

// ---- the library, loaded once as the program loads it -------------------------------------------------

struct Library {
    HMODULE module = nullptr;
    halvex::StartMonitorProc start = nullptr;
    halvex::StopMonitorProc stop = nullptr;
};

const Library& Halvex() {
    static Library lib = [] {
        Library l;
        l.module = LoadLibraryA(halvex::kDllName);
        if (l.module != nullptr) {
            l.start = reinterpret_cast<halvex::StartMonitorProc>(GetProcAddress(l.module, "StartMonitor"));
            l.stop = reinterpret_cast<halvex::StopMonitorProc>(GetProcAddress(l.module, "StopMonitor"));
        }
        return l;
    }();
    return lib;
}

// ---- the receiving window -------------------------------------------------------------------------------

// Texts that reached any sink, so a wait can tell when they stop coming.
size_t g_textsSeen = 0;

struct Sink {
    HWND hwnd = nullptr;
    std::vector<std::string> texts;
    std::function<void(Sink&, const std::string&)> onText;  // runs inside the WM_SETTEXT, like a change event
    int depth = 0;
    int maxDepth = 0;
};

LRESULT CALLBACK SinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* sink = reinterpret_cast<Sink*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_SETTEXT && sink != nullptr) {
        std::string text = reinterpret_cast<const char*>(lParam);
        sink->texts.push_back(text);
        ++g_textsSeen;
        ++sink->depth;
        if (sink->depth > sink->maxDepth) sink->maxDepth = sink->depth;
        if (sink->onText) sink->onText(*sink, text);
        --sink->depth;
        return kSinkResult;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::unique_ptr<Sink> MakeSink() {
    static bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "HalvexTestSink";
        return RegisterClassA(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    auto sink = std::make_unique<Sink>();
    sink->hwnd = CreateWindowExA(0, "HalvexTestSink", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(sink->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sink.get()));
    return sink;
}

// Runs the message loop until `done` holds (true) or `ms` have passed (false). Every wait of these
// tests is one of these: it ends as soon as what it waits for has arrived, and its bound is only
// there for a fault.
bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done && done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        // `done` may turn true with time alone (a quiet spell), so look again at least every 10 ms.
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}
void Pump(DWORD ms) { PumpUntil(nullptr, ms); }
// Hands out what is queued for this thread now: a text whose worker posted before is delivered.
void Drain() { PumpUntil(nullptr, 0); }
bool WaitForTexts(const Sink& sink, size_t n, DWORD ms = 5000) {
    return PumpUntil([&] { return sink.texts.size() >= n; }, ms);
}
// Returns once no text has reached any sink for `quiet` ms. A change reaches its sink within a
// millisecond or two here; the texts that one change can raise (a file write may raise more than
// one) come back to back.
void WaitQuiet(DWORD quiet = 50, DWORD ms = 3000) {
    size_t seen = g_textsSeen;
    ULONGLONG last = GetTickCount64();
    PumpUntil(
        [&] {
            if (g_textsSeen != seen) {
                seen = g_textsSeen;
                last = GetTickCount64();
            }
            return GetTickCount64() - last >= quiet;
        },
        ms);
}
// Lets the texts of one change come in, then forgets them.
void Settle(Sink& sink) {
    WaitQuiet();
    sink.texts.clear();
}
// Waits until this thread has a message posted to it (a worker's text on its way), without
// handing it out.
bool WaitForPostedText(DWORD ms = 5000) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) == 0) {
        if (GetTickCount64() >= end) return false;
        Sleep(1);
    }
    return true;
}

// ---- places to watch ------------------------------------------------------------------------------------

class Place {
public:
    virtual ~Place() = default;
    virtual std::string path() const = 0;
    virtual int kind() const = 0;
    virtual HKEY root() const { return nullptr; }
    virtual void MakeBelow() = 0;   // the subfolder or subkey that TouchBelow changes
    virtual void Touch() = 0;       // a change in the place itself
    virtual void TouchBelow() = 0;  // a change in the subfolder or subkey
protected:
    int serial_ = 0;
};

// stem + n + tail (built by appending: GCC 12 warns falsely on literal + to_string).
std::string Numbered(const char* stem, int n, const char* tail) {
    std::string s = stem;
    s.append(std::to_string(n)).append(tail);
    return s;
}

void MakeFile(const std::string& file) {
    base::FileHandle h(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(h.valid()) << file;
    DWORD written = 0;
    WriteFile(h.get(), "x", 1, &written, nullptr);
}

class FolderPlace : public Place {
public:
    std::string path() const override { return folder_.path(); }
    // Wine watches only those subfolders of a subtree watch that appear after the watch started.
    void MakeBelow() override { CreateDirectoryA((folder_ / "sub").c_str(), nullptr); }
    int kind() const override { return 1; }
    void Touch() override { MakeFile(folder_ / Numbered("f", ++serial_, ".txt")); }
    void TouchBelow() override { MakeFile(folder_ / Numbered("sub\\g", ++serial_, ".txt")); }

private:
    TempFolder folder_;
};

void SetValue(HKEY root, const std::string& keyPath, int n) {
    base::RegKey key;
    ASSERT_EQ(RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    DWORD data = static_cast<DWORD>(n);
    RegSetValueExA(key.get(), Numbered("v", n, "").c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&data), sizeof data);
}

// A key of its own under Software\CorvaneTests of the given root; deleted at the end.
class KeyPlace : public Place {
public:
    explicit KeyPlace(HKEY root = HKEY_CURRENT_USER, std::string path = "")
        : root_(root), path_(path.empty() ? "Software\\CorvaneTests\\" + UniqueName("halvex") : path) {
        base::RegKey key;
        RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_READ, nullptr, key.put(), nullptr);
    }
    ~KeyPlace() override { RegDeleteTreeA(root_, path_.c_str()), RegDeleteKeyA(root_, path_.c_str()); }
    std::string path() const override { return path_; }
    int kind() const override { return 0; }
    HKEY root() const override { return root_; }
    void MakeBelow() override {
        base::RegKey key;
        RegCreateKeyExA(root_, (path_ + "\\sub").c_str(), 0, nullptr, 0, KEY_READ, nullptr, key.put(), nullptr);
    }
    void Touch() override { SetValue(root_, path_, ++serial_); }
    void TouchBelow() override { SetValue(root_, path_ + "\\sub", ++serial_); }

private:
    HKEY root_;
    std::string path_;
};

// ---- counting what the process holds ----------------------------------------------------------------

// Wine answers GetProcessHandleCount with 0; the system's handle table tells the same.
size_t HandleCount() {
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n != 0) return n;
    struct Entry {
        PVOID object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    using QueryProc = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProc>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (query == nullptr) return 0;
    const ULONG kExtendedHandleInformation = 64;
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    LONG status;
    while ((status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<LONG>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const ULONG_PTR count = *reinterpret_cast<const ULONG_PTR*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    size_t mine = 0;
    for (ULONG_PTR i = 0; i < count; ++i)
        if (entries[i].processId == GetCurrentProcessId()) ++mine;
    return mine;
}

int ThreadCount() {
    base::FileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snap) return -1;
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    int n = 0;
    for (BOOL ok = Thread32First(snap.get(), &te); ok; ok = Thread32Next(snap.get(), &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    return n;
}

// ---- fixture: every watch a test starts is stopped at its end -------------------------------------

class HalvexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Halvex().module, nullptr) << "Halvex.dll not found beside the test";
        ASSERT_NE(Halvex().start, nullptr);
        ASSERT_NE(Halvex().stop, nullptr);
    }
    void TearDown() override {
        for (auto it = started_.rbegin(); it != started_.rend(); ++it)
            Halvex().stop(it->path.c_str(), it->kind, it->root);
        started_.clear();
        Drain();
        for (auto& s : sinks_) DestroyWindow(s->hwnd);
    }
    Sink& NewSink() {
        sinks_.push_back(MakeSink());
        return *sinks_.back();
    }
    int Start(const std::string& path, const Sink& sink, int kind, HKEY root = nullptr) {
        started_.push_back({path, kind, root});
        return Halvex().start(path.c_str(), sink.hwnd, kind, root);
    }
    int Start(const Place& place, const Sink& sink) { return Start(place.path(), sink, place.kind(), place.root()); }
    void Stop(const std::string& path, int kind, HKEY root = nullptr) { Halvex().stop(path.c_str(), kind, root); }
    void Stop(const Place& place) { Stop(place.path(), place.kind(), place.root()); }

    // Shows that the changes made so far have been handed out: a fresh watch of the place sees the
    // next change. A text that a stopped watch still had for this thread would have come first.
    // The place must have no other key watch under its root (a folder may have other watches).
    void Flush(Place& place) {
        Sink& witness = NewSink();
        const int kind = place.kind() == 0 ? 0 : 2;  // kind 2: no duplicate test
        ASSERT_GE(Start(place.path(), witness, kind, place.root()), 1);
        place.Touch();
        ASSERT_TRUE(WaitForTexts(witness, 1)) << "the witness saw no change";
        Stop(place.path(), kind, place.root());
        Drain();
    }

private:
    struct Watch {
        std::string path;
        int kind;
        HKEY root;
    };
    std::vector<Watch> started_;
    std::vector<std::unique_ptr<Sink>> sinks_;
};

std::vector<std::string> Texts(std::initializer_list<std::string> texts) { return texts; }

}  // namespace

// ---- the exports ----------------------------------------------------------------------------------------

TEST_F(HalvexTest, ExportsExactlyTheTwoFunctionsByNameAndOrdinal) {
    HMODULE m = Halvex().module;
    EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(halvex::kStartMonitorOrdinal)), GetProcAddress(m, "StartMonitor"));
    EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(halvex::kStopMonitorOrdinal)), GetProcAddress(m, "StopMonitor"));

    auto* base = reinterpret_cast<const BYTE*>(m);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    EXPECT_EQ(exports->Base, 1u);
    EXPECT_EQ(exports->NumberOfFunctions, 2u);
    ASSERT_EQ(exports->NumberOfNames, 2u);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    EXPECT_STREQ(reinterpret_cast<const char*>(base + names[0]), "StartMonitor");
    EXPECT_STREQ(reinterpret_cast<const char*>(base + names[1]), "StopMonitor");
}

// ---- behaviour shared by folder and key watches -------------------------------------------------------

class HalvexPlaceTest : public HalvexTest, public ::testing::WithParamInterface<const char*> {
protected:
    std::unique_ptr<Place> MakePlace() {
        if (std::string(GetParam()) == "Folder") return std::make_unique<FolderPlace>();
        return std::make_unique<KeyPlace>();
    }
};
INSTANTIATE_TEST_SUITE_P(Places, HalvexPlaceTest, ::testing::Values("Folder", "Key"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(HalvexPlaceTest, ChangeInThePlaceAndBelowItGivesThePathAndChanges) {
    auto place = MakePlace();
    Sink& sink = NewSink();
    EXPECT_EQ(Start(*place, sink), 1);
    const std::string expected = place->path() + " changes";
    place->MakeBelow();
    Settle(sink);

    place->Touch();
    ASSERT_TRUE(WaitForTexts(sink, 1));
    WaitQuiet();
    for (const std::string& t : sink.texts) EXPECT_EQ(t, expected);
    sink.texts.clear();

    place->TouchBelow();
    ASSERT_TRUE(WaitForTexts(sink, 1)) << "the watch covers the subtree";
    WaitQuiet();
    for (const std::string& t : sink.texts) EXPECT_EQ(t, expected);
}

TEST_P(HalvexPlaceTest, NoTextAfterStopReturns) {
    auto place = MakePlace();
    Sink& sink = NewSink();
    Start(*place, sink);
    place->MakeBelow();
    place->Touch();
    ASSERT_TRUE(WaitForTexts(sink, 1));
    Settle(sink);

    Stop(*place);
    place->Touch();
    place->TouchBelow();
    Flush(*place);
    EXPECT_EQ(sink.texts, Texts({}));
}

// The worker has a text waiting for this thread when the stop comes: the stop neither waits for this
// thread nor lets the text through afterwards. A second watch, changed after the stop, shows the texts
// do flow: its text comes after the pending one in this thread's queue.
TEST_P(HalvexPlaceTest, StopWhileATextIsOnItsWayDropsIt) {
    auto place = MakePlace();
    auto control = MakePlace();
    Sink& sink = NewSink();
    Sink& controlSink = NewSink();
    Start(*place, sink);
    Start(*control, controlSink);
    Drain();

    place->Touch();
    ASSERT_TRUE(WaitForPostedText()) << "the worker has seen its change and waits for this thread";

    const auto before = std::chrono::steady_clock::now();
    Stop(*place);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));

    control->Touch();
    EXPECT_TRUE(WaitForTexts(controlSink, 1));
    EXPECT_EQ(sink.texts, Texts({}));
    place->Touch();
    Flush(*place);
    EXPECT_EQ(sink.texts, Texts({}));
    EXPECT_EQ(controlSink.texts.front(), control->path() + " changes");
}

// The receiver stops the watch from inside the handling of its text (the worker is mid-delivery).
TEST_P(HalvexPlaceTest, ReceiverMayStopTheWatchWhileHandlingItsText) {
    auto place = MakePlace();
    Sink& sink = NewSink();
    bool stopped = false;
    sink.onText = [&](Sink&, const std::string&) {
        if (stopped) return;
        Stop(*place);
        stopped = true;
    };
    Start(*place, sink);
    place->Touch();
    ASSERT_TRUE(WaitForTexts(sink, 1));
    EXPECT_TRUE(stopped);
    const size_t seen = sink.texts.size();

    place->Touch();
    Flush(*place);
    EXPECT_EQ(sink.texts.size(), seen);
}

// While the receiver handles a text (and pumps messages meanwhile), no second text of the same watch
// arrives; the watch goes on once the handler is done. Inside the handler, a second watch changed
// after the first place shows that texts do flow meanwhile.
TEST_P(HalvexPlaceTest, OneTextOfAWatchInFlightAtATime) {
    auto place = MakePlace();
    auto control = MakePlace();
    Sink& sink = NewSink();
    Sink& controlSink = NewSink();
    bool first = true;
    bool controlSeen = false;
    sink.onText = [&](Sink&, const std::string&) {
        if (!first) return;
        first = false;
        place->Touch();
        control->Touch();
        controlSeen = WaitForTexts(controlSink, 1);
        WaitQuiet();
    };
    Start(*place, sink);
    Start(*control, controlSink);
    place->Touch();
    ASSERT_TRUE(WaitForTexts(sink, 1));
    EXPECT_TRUE(controlSeen);
    WaitQuiet();
    EXPECT_EQ(sink.maxDepth, 1);
    const size_t seen = sink.texts.size();

    place->Touch();
    EXPECT_TRUE(WaitForTexts(sink, seen + 1));
    for (const std::string& t : sink.texts) EXPECT_EQ(t, place->path() + " changes");
}

TEST_P(HalvexPlaceTest, ManyStartStopCyclesLeaveNoHandleOrThread) {
    auto place = MakePlace();
    const bool folder = place->kind() != 0;
    const std::string missing = place->path() + "\\missing";
    const char* missingError = folder ? kErr12 : kErr10;
    Sink& sink = NewSink();
    Sink& errorSink = NewSink();
    auto cycle = [&] {
        sink.texts.clear();
        errorSink.texts.clear();
        ASSERT_EQ(Start(*place, sink), 1);
        place->Touch();
        ASSERT_TRUE(WaitForTexts(sink, 1));
        Stop(*place);
        // A watch whose worker ends after an error is cleaned up as well.
        ASSERT_EQ(Start(missing, errorSink, place->kind(), place->root()), 1);
        ASSERT_TRUE(WaitForTexts(errorSink, 1));
        ASSERT_EQ(errorSink.texts.front(), missingError);
    };
    cycle();  // first use settles what the system itself sets up
    Pump(100);
    const size_t handles = HandleCount();
    const int threads = ThreadCount();
    ASSERT_GT(handles, 0u) << "cannot count handles";
    ASSERT_GT(threads, 0);

    for (int i = 0; i < 30; ++i) {
        cycle();
        if (HasFatalFailure()) return;
    }
    Pump(100);
    EXPECT_EQ(HandleCount(), handles);
    EXPECT_EQ(ThreadCount(), threads);
}

// ---- folder watches ---------------------------------------------------------------------------------

TEST_F(HalvexTest, FolderListCountsAndDuplicateRule) {
    TempFolder folder;
    const std::string path = folder.path();
    std::string upper = path;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    KeyPlace key;

    struct Row {
        const char* what;
        std::string path;
        int kind;
        int result;         // kSinkResult: refused, the error went to this row's window
        const char* error;  // the text the refusal sent
    };
    const Row rows[] = {
        {"first folder watch", path, 1, 1, nullptr},
        {"same folder again", path, 1, kSinkResult, kErr15},
        {"differs in letter case", upper, 1, 2, nullptr},
        {"trailing backslash", path + "\\", 1, 3, nullptr},
        {"kind 2 has no duplicate test", path, 2, 4, nullptr},
        {"kind 2 twice", path, 2, 5, nullptr},
        {"kind 1 still refused", path, 1, kSinkResult, kErr15},
    };
    std::vector<Sink*> sinks;
    for (const Row& r : rows) {
        Sink& s = NewSink();
        sinks.push_back(&s);
        EXPECT_EQ(Start(r.path, s, r.kind), r.result) << r.what;
        if (r.error)
            EXPECT_EQ(s.texts, Texts({r.error})) << r.what;
        else
            EXPECT_EQ(s.texts, Texts({})) << r.what;
    }
    Sink& keySink = NewSink();
    EXPECT_EQ(Start(key, keySink), 1) << "registry watches are counted apart";

    // Every accepted watch reports with its own path; the refused ones got nothing more.
    MakeFile(folder / "new.txt");
    for (size_t i = 0; i < std::size(rows); ++i) {
        if (rows[i].error) continue;
        EXPECT_TRUE(WaitForTexts(*sinks[i], 1)) << rows[i].what;
    }
    WaitQuiet();
    for (size_t i = 0; i < std::size(rows); ++i) {
        std::vector<std::string> texts = sinks[i]->texts;
        if (rows[i].error) {
            EXPECT_EQ(texts, Texts({rows[i].error})) << rows[i].what;
            continue;
        }
        ASSERT_FALSE(texts.empty()) << rows[i].what;
        for (const std::string& t : texts) EXPECT_EQ(t, rows[i].path + " changes") << rows[i].what;
    }
}

TEST_F(HalvexTest, FolderStopTakesTheLatestWatchOfThePathForAnyNonZeroKind) {
    FolderPlace place;
    Sink& a = NewSink();  // kind 1
    Sink& b = NewSink();  // kind 2, same path, started later
    Sink& other = NewSink();
    FolderPlace otherPlace;
    ASSERT_EQ(Start(place, a), 1);
    ASSERT_EQ(Start(place.path(), b, 2), 2);
    ASSERT_EQ(Start(otherPlace, other), 3);

    Stop(place.path() + "-none", 1);  // no such watch: nothing happens
    Stop(place.path(), 7);            // the latest of the path: b
    place.Touch();
    ASSERT_TRUE(WaitForTexts(a, 1));
    WaitQuiet();  // b watched the same folder: its text would have come with a's
    EXPECT_EQ(b.texts, Texts({}));

    Stop(place.path(), 1);  // now a
    Settle(a);
    place.Touch();
    otherPlace.Touch();
    EXPECT_TRUE(WaitForTexts(other, 1));
    Flush(place);
    EXPECT_EQ(a.texts, Texts({}));
    EXPECT_EQ(b.texts, Texts({}));
}

// ---- registry watches ---------------------------------------------------------------------------------

TEST_F(HalvexTest, KeyWatchesAreTellApartByPathAndRoot) {
    KeyPlace user(HKEY_CURRENT_USER);
    KeyPlace machine(HKEY_LOCAL_MACHINE, user.path());
    Sink& userSink = NewSink();
    Sink& duplicateSink = NewSink();
    Sink& machineSink = NewSink();

    EXPECT_EQ(Start(user, userSink), 1);
    EXPECT_EQ(Start(user, duplicateSink), kSinkResult);
    EXPECT_EQ(duplicateSink.texts, Texts({kErr14}));
    EXPECT_EQ(Start(machine, machineSink), 2) << "the same path under another root is another watch";

    machine.Touch();
    ASSERT_TRUE(WaitForTexts(machineSink, 1));
    WaitQuiet();
    for (const std::string& t : machineSink.texts) EXPECT_EQ(t, user.path() + " changes") << "no root in the text";
    EXPECT_EQ(userSink.texts, Texts({}));
    machineSink.texts.clear();

    Stop(user.path(), 0, nullptr);  // root 0: the latest watch of the path under any root
    machine.Touch();
    user.Touch();
    EXPECT_TRUE(WaitForTexts(userSink, 1));
    Flush(machine);
    EXPECT_EQ(machineSink.texts, Texts({}));
    EXPECT_EQ(duplicateSink.texts, Texts({kErr14}));
}

// ---- failures ---------------------------------------------------------------------------------------

// A watch whose place is missing reports its error and ends; it no longer holds the place, so the same
// start works again at once, and once the place exists it is watched.
TEST_F(HalvexTest, MissingPlaceReportsItsErrorAndDoesNotBlockTheNextStart) {
    struct Row {
        const char* what;
        int kind;
        const char* error;
    };
    const Row rows[] = {{"folder", 1, kErr12}, {"key", 0, kErr10}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempFolder holder;
        const std::string missingFolder = holder / "later";
        const std::string missingKey = "Software\\CorvaneTests\\" + UniqueName("halvex-missing");
        const bool folder = r.kind != 0;
        const std::string path = folder ? missingFolder : missingKey;
        const int kind = r.kind;
        HKEY root = folder ? nullptr : HKEY_CURRENT_USER;

        Sink& first = NewSink();
        EXPECT_EQ(Start(path, first, kind, root), 1);
        ASSERT_TRUE(WaitForTexts(first, 1));
        EXPECT_EQ(first.texts, Texts({r.error}));

        Sink& second = NewSink();
        EXPECT_EQ(Start(path, second, kind, root), 1);
        ASSERT_TRUE(WaitForTexts(second, 1));
        EXPECT_EQ(second.texts, Texts({r.error}));

        std::unique_ptr<Place> place;
        if (folder) {
            CreateDirectoryA(missingFolder.c_str(), nullptr);
        } else {
            place = std::make_unique<KeyPlace>(HKEY_CURRENT_USER, missingKey);
        }
        Sink& third = NewSink();
        EXPECT_EQ(Start(path, third, kind, root), 1);  // returns once the place is watched
        if (folder)
            MakeFile(missingFolder + "\\x.txt");
        else
            place->Touch();
        ASSERT_TRUE(WaitForTexts(third, 1));
        EXPECT_EQ(third.texts.front(), path + " changes");
        Stop(path, kind, root);
    }
}

// ---- what a start's result tells the caller ------------------------------------------------------

// The bad starts run in a child process: a crash there fails this test instead of the run.
TEST_F(HalvexTest, BadStartsGiveWhatTheHeaderSays) {
    if (testing_support::IsChildRun()) return;
    EXPECT_EQ(testing_support::RunSelf("HalvexChild.*"), 0) << "the child failed or crashed";
}

namespace {
LONG WINAPI EndTheProcess(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }
}  // namespace

class HalvexChild : public HalvexTest {
protected:
    void SetUp() override {
        if (!testing_support::IsChildRun()) {
            GTEST_SKIP() << "runs as the child of BadStartsGiveWhatTheHeaderSays";
        }
        // A crash ends the child at once with its exception code instead of waiting for a debugger.
        SetUnhandledExceptionFilter(EndTheProcess);
        HalvexTest::SetUp();
    }
};

// Refused at once: 0 when nothing was started (and no text comes), or, for a duplicate, the window's
// answer to the error text that was sent to it during the call.
TEST_F(HalvexChild, StartRefusedAtOnce) {
    FolderPlace folder;
    KeyPlace key;
    Sink& folderOwner = NewSink();
    Sink& keyOwner = NewSink();
    ASSERT_EQ(Start(folder, folderOwner), 1);
    ASSERT_EQ(Start(key, keyOwner), 1);
    const std::string overlong(300, 'a');
    const std::string folderPath = folder.path(), keyPath = key.path();

    const struct {
        const char* what;
        const char* path;
        int kind;
        HKEY root;
        int result;
        const char* text;
    } rows[] = {
        {"no folder path", nullptr, 1, nullptr, 0, nullptr},
        {"no key path", nullptr, 0, HKEY_CURRENT_USER, 0, nullptr},
        {"folder path too long", overlong.c_str(), 1, nullptr, 0, nullptr},
        {"key path too long", overlong.c_str(), 0, HKEY_CURRENT_USER, 0, nullptr},
        {"folder watched already", folderPath.c_str(), 1, nullptr, kSinkResult, kErr15},
        {"key watched already", keyPath.c_str(), 0, HKEY_CURRENT_USER, kSinkResult, kErr14},
        {"no root: the key is watched under some root", keyPath.c_str(), 0, nullptr, kSinkResult, kErr14},
    };
    std::vector<Sink*> sinks;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Sink& sink = NewSink();
        sinks.push_back(&sink);
        EXPECT_EQ(Halvex().start(row.path, sink.hwnd, row.kind, row.root), row.result);
        EXPECT_EQ(sink.texts, row.text ? Texts({row.text}) : Texts({})) << "sent during the call";
    }

    // The first watches go on, and their texts come after anything the refused starts could have
    // left in this thread's queue.
    folder.Touch();
    key.Touch();
    EXPECT_TRUE(WaitForTexts(folderOwner, 1));
    EXPECT_TRUE(WaitForTexts(keyOwner, 1));
    WaitQuiet();
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(sinks[i]->texts, rows[i].text ? Texts({rows[i].text}) : Texts({})) << rows[i].what;
}

// A start whose watch cannot work is counted like any other; its error text comes afterwards,
// once this thread pumps messages, and by then the watch is gone (the same start is no duplicate).
TEST_F(HalvexChild, StartWhoseWatchThenFails) {
    TempFolder holder;
    KeyPlace key;
    const std::string missingFolder = holder / "missing";
    const std::string missingKey = key.path() + "\\missing";
    const struct {
        const char* what;
        std::string path;
        int kind;
        HKEY root;
        const char* error;
    } rows[] = {
        {"empty folder path", "", 1, nullptr, kErr12},
        {"missing folder", missingFolder, 1, nullptr, kErr12},
        {"missing folder, no duplicate test", missingFolder, 2, nullptr, kErr12},
        {"no root key", key.path(), 0, nullptr, kErr10},
        {"bogus root key", key.path(), 0, reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x5EED0)), kErr10},
        {"root key beyond the predefined ones", key.path(), 0,
         reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000010))), kErr10},
        {"missing key", missingKey, 0, HKEY_CURRENT_USER, kErr10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        for (int attempt = 0; attempt < 2; ++attempt) {
            Sink& sink = NewSink();
            EXPECT_EQ(Start(row.path, sink, row.kind, row.root), 1) << "attempt " << attempt;
            EXPECT_EQ(sink.texts, Texts({})) << "the error comes after the start returned";
            ASSERT_TRUE(WaitForTexts(sink, 1));
            Drain();  // the worker has ended before its error text is sent: nothing follows it
            EXPECT_EQ(sink.texts, Texts({row.error}));
        }
    }
}

// The watched key goes away: the change is reported, the next request fails with err11 and the watch
// ends without holding the key, so the key made anew can be watched again.
TEST_F(HalvexTest, DeletedKeyEndsItsWatchWithErr11) {
    KeyPlace place;
    place.MakeBelow();  // Wine signals the deletion of a subkey, not of the watched key itself
    Sink& sink = NewSink();
    ASSERT_EQ(Start(place, sink), 1);
    RegDeleteTreeA(HKEY_CURRENT_USER, place.path().c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, place.path().c_str());
    ASSERT_TRUE(PumpUntil([&] { return !sink.texts.empty() && sink.texts.back() == kErr11; }, 5000))
        << (sink.texts.empty() ? "no text" : sink.texts.back());
    for (size_t i = 0; i + 1 < sink.texts.size(); ++i) EXPECT_EQ(sink.texts[i], place.path() + " changes");

    KeyPlace again(HKEY_CURRENT_USER, place.path());
    Sink& next = NewSink();
    EXPECT_EQ(Start(again, next), 1);
    again.Touch();
    ASSERT_TRUE(WaitForTexts(next, 1));
    EXPECT_EQ(next.texts.front(), place.path() + " changes");
}

// Everyone may only read the key (a limited user's view of a machine key): the watch still works, as
// watching asks for no more than notification.
void SetKeyAccess(HKEY root, const std::string& path, const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr));
    base::RegKey key;
    ASSERT_EQ(RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);  // as its owner
    EXPECT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    LocalFree(sd);
}

TEST_F(HalvexTest, KeyTheUserMayOnlyReadIsWatched) {
    KeyPlace place;
    SetKeyAccess(HKEY_CURRENT_USER, place.path(), "D:P(A;;KR;;;WD)");
    base::RegKey full;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, place.path().c_str(), 0, KEY_ALL_ACCESS, full.put()),
              ERROR_ACCESS_DENIED)
        << "the key must really be read-only";

    Sink& sink = NewSink();
    EXPECT_EQ(Start(place, sink), 1);
    Drain();  // a worker that cannot open the key has posted its err10 before the start returns
    EXPECT_EQ(sink.texts, Texts({})) << "no err10";

    // Opened for notification only, the watch goes on seeing changes that others may make.
    SetKeyAccess(HKEY_CURRENT_USER, place.path(), "D:(A;;KA;;;WD)");
    Settle(sink);
    place.Touch();
    ASSERT_TRUE(WaitForTexts(sink, 1));
    EXPECT_EQ(sink.texts.front(), place.path() + " changes");
}

// A path must leave room for " changes" in the 260-byte text: up to 251 characters are taken, a longer
// one is refused without a watch or a text.
TEST_F(HalvexTest, OverlongPathIsRefused) {
    TempFolder holder;
    std::string longest = holder.path() + "\\";
    longest += std::string(251 - longest.size(), 'a');  // no such folder: its watch reports err12
    const std::string tooLong = longest + "a";

    Sink& sink = NewSink();
    EXPECT_EQ(Start(tooLong, sink, 1), 0);
    EXPECT_EQ(Start(tooLong, sink, 1), 0) << "nothing was listed";
    EXPECT_EQ(sink.texts, Texts({}));

    // The next watch's error comes through this thread's queue after anything the refused ones could
    // have left there.
    EXPECT_EQ(Start(longest, sink, 1), 1);
    ASSERT_TRUE(WaitForTexts(sink, 1));
    WaitQuiet();
    EXPECT_EQ(sink.texts, Texts({kErr12}));
}
