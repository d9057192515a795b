// cm.dll as Explorer uses it: registered with regsvr32 from the program folder, created by its
// class id, initialised with the shell's data objects of real folders, drives and files; and its
// reader of the program's published parameter box over the registry as the settings store writes it.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/Handles.h"
#include "base/Launch.h"
#include "base/testing/ShellSelection.h"
#include "base/testing/Testing.h"
#include "contextmenu/Channel.h"

namespace {

// {5ABC51FF-E188-41E2-ACEA-3566352EB780}, as a client knows it.
const CLSID kClsid = {0x5abc51ff, 0xe188, 0x41e2, {0xac, 0xea, 0x35, 0x66, 0x35, 0x2e, 0xb7, 0x80}};
const std::string kClsidText = "{5ABC51FF-E188-41E2-ACEA-3566352EB780}";
const char* const kHandlers[] = {"Directory\\shellex\\ContextMenuHandlers\\Corvane",
                                 "Drive\\shellex\\ContextMenuHandlers\\Corvane"};

std::string Library() { return testing_support::ProgramDir() + "\\cm.dll"; }

int Regsvr32(const std::string& switches) {
    return base::RunAndWait("regsvr32.exe " + switches + " \"" + Library() + "\"", 60000);
}

// A text value under HKEY_CLASSES_ROOT; "<missing>" when the key or value is not there.
std::string ClassesText(const std::string& key, const char* name = nullptr) {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}
bool ClassesKeyExists(const std::string& key) {
    base::RegKey k;
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

template <class T>
struct Com {
    T* p = nullptr;
    Com() = default;
    Com(const Com&) = delete;
    ~Com() { reset(); }
    void reset() {
        if (p) p->Release();
        p = nullptr;
    }
    T* operator->() const { return p; }
    void** put() { return reinterpret_cast<void**>(&p); }
};

// The menu's entries: (command id, text).
std::vector<std::pair<UINT, std::string>> Entries(HMENU menu) {
    std::vector<std::pair<UINT, std::string>> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        out.emplace_back(GetMenuItemID(menu, i), text);
    }
    return out;
}

// Registered from the program folder for the test, unregistered again after it; COM on this thread.
class ContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(Regsvr32("/s"), 0);
    }
    void TearDown() override {
        Regsvr32("/s /u");
        CoUninitialize();
    }
    // A new extension object initialised with this selection: the answer of Initialize, and the
    // entries its QueryContextMenu adds to an empty menu.
    struct Offer {
        HRESULT init = E_UNEXPECTED;
        HRESULT query = E_UNEXPECTED;
        std::vector<std::pair<UINT, std::string>> entries;
    };
    Offer OfferFor(IDataObject* selection, UINT flags = CMF_NORMAL) {
        Offer offer;
        Com<IShellExtInit> init;
        if (FAILED(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put())))
            return offer;
        offer.init = init->Initialize(nullptr, selection, nullptr);
        Com<IContextMenu> menu;
        if (FAILED(init->QueryInterface(IID_IContextMenu, menu.put()))) return offer;
        HMENU popup = CreatePopupMenu();
        offer.query = menu->QueryContextMenu(popup, 0, 100, 200, flags);
        offer.entries = Entries(popup);
        DestroyMenu(popup);
        return offer;
    }
    testing_support::TempFolder folder;
};

// regsvr32 writes the class with its in-process server from the program folder and a handler on
// folders and drives; /u takes exactly those away, and leaves another handler beside them.
TEST_F(ContextMenuTest, RegistersForFoldersAndDrivesAndUnregistersOnlyItsKeys) {
    const std::string server = "CLSID\\" + kClsidText + "\\InprocServer32";
    EXPECT_EQ(ClassesText(server), Library());
    EXPECT_EQ(ClassesText(server, "ThreadingModel"), "Apartment");
    for (const char* handler : kHandlers) EXPECT_EQ(ClassesText(handler), kClsidText) << handler;

    const std::string neighbour = "Directory\\shellex\\ContextMenuHandlers\\CorvaneTestNeighbour";
    base::RegKey planted;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, neighbour.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, planted.put(),
                              nullptr),
              ERROR_SUCCESS);
    planted.reset();
    EXPECT_EQ(Regsvr32("/s /u"), 0);
    EXPECT_FALSE(ClassesKeyExists("CLSID\\" + kClsidText));
    for (const char* handler : kHandlers) EXPECT_FALSE(ClassesKeyExists(handler)) << handler;
    EXPECT_TRUE(ClassesKeyExists(neighbour));
    EXPECT_TRUE(ClassesKeyExists("Drive\\shellex\\ContextMenuHandlers"));
    RegDeleteKeyA(HKEY_CLASSES_ROOT, neighbour.c_str());
    // A second /u finds nothing of its own and still succeeds.
    EXPECT_EQ(Regsvr32("/s /u"), 0);
}

// A handler key named like ours that another program pointed at its own class is not ours to take.
TEST_F(ContextMenuTest, UnregisteringLeavesAHandlerThatNamesAnotherClass) {
    const std::string other = "{00000000-1111-2222-3333-444444444444}";
    base::RegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kHandlers[0], 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
    RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                   static_cast<DWORD>(other.size() + 1));
    key.reset();
    EXPECT_EQ(Regsvr32("/s /u"), 0);
    EXPECT_EQ(ClassesText(kHandlers[0]), other);
    EXPECT_FALSE(ClassesKeyExists(kHandlers[1]));
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kHandlers[0]);
}

TEST_F(ContextMenuTest, ExportsTheFourEntriesOfAnInProcessServer) {
    base::Module library(LoadLibraryA(Library().c_str()));
    ASSERT_TRUE(library);
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(library.get(), name), nullptr) << name;
}

// Created by its class id and initialised with a folder or a drive, it adds one entry.
TEST_F(ContextMenuTest, AFolderOrADriveGetsOneEntry) {
    for (const std::string& path : {folder.path(), std::string("C:\\")}) {
        SCOPED_TRACE(path);
        Com<IDataObject> selection;
        selection.p = testing_support::ShellSelection({path});
        ASSERT_NE(selection.p, nullptr);
        const Offer offer = OfferFor(selection.p);
        EXPECT_EQ(offer.init, S_OK);
        EXPECT_EQ(offer.query, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
        ASSERT_EQ(offer.entries.size(), 1u);
        EXPECT_EQ(offer.entries[0].first, 100u);
        EXPECT_EQ(offer.entries[0].second, "Scan with Corvane");
        // Asked only for the default command, it adds nothing.
        EXPECT_TRUE(OfferFor(selection.p, CMF_DEFAULTONLY).entries.empty());
    }
}

// What Explorer may hand it besides one folder: nothing, files only, a mix, many folders.
TEST_F(ContextMenuTest, OnlyFoldersAndDrivesGetTheEntry) {
    const std::string file = folder / "note.txt", sub = folder / "sub";
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    std::vector<std::string> hundred;
    for (int i = 0; i < 100; ++i) {
        hundred.push_back(folder / ("many" + std::to_string(i)));
        ASSERT_TRUE(CreateDirectoryA(hundred.back().c_str(), nullptr));
    }
    struct Case {
        const char* name;
        std::vector<std::string> paths;  // empty: no data object at all
        HRESULT init;
        size_t entries;
    };
    const Case cases[] = {
        {"no selection", {}, E_INVALIDARG, 0},
        {"a file", {file}, E_FAIL, 0},
        {"a file and a folder", {file, sub}, S_OK, 1},
        {"a hundred folders", hundred, S_OK, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Com<IDataObject> selection;
        if (!c.paths.empty()) {
            selection.p = testing_support::ShellSelection(c.paths);
            ASSERT_NE(selection.p, nullptr);
        }
        const Offer offer = OfferFor(selection.p);
        EXPECT_EQ(offer.init, c.init);
        EXPECT_EQ(offer.entries.size(), c.entries);
    }
}

// Commands it does not own, and a command with no folder, start nothing and say so.
TEST_F(ContextMenuTest, ForeignCommandsAndEmptySelectionsAreRefused) {
    Com<IShellExtInit> init;
    ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put()), S_OK);
    Com<IContextMenu> menu;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.put()), S_OK);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(menu->InvokeCommand(&info), E_FAIL) << "no folder was handed over";
    EXPECT_EQ(menu->InvokeCommand(nullptr), E_INVALIDARG);

    Com<IDataObject> selection;
    selection.p = testing_support::ShellSelection({folder.path()});
    ASSERT_EQ(init->Initialize(nullptr, selection.p, nullptr), S_OK);
    for (LPCSTR verb : std::initializer_list<LPCSTR>{MAKEINTRESOURCEA(1), "open"}) {
        info.lpVerb = verb;
        EXPECT_EQ(menu->InvokeCommand(&info), E_INVALIDARG);
    }
    char verb[64] = {};
    EXPECT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
    EXPECT_STREQ(verb, "ScanWithCorvane");
    EXPECT_EQ(menu->GetCommandString(1, GCS_VERBA, nullptr, verb, sizeof verb), E_INVALIDARG);
}

// It may unload once every object and every lock it handed out is gone.
TEST_F(ContextMenuTest, UnloadsOnlyWhenItsObjectsAndLocksAreGone) {
    Com<IShellExtInit> init;
    ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put()), S_OK);
    HMODULE loaded = GetModuleHandleA("cm.dll");
    ASSERT_NE(loaded, nullptr);
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(loaded, "DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);
    init.reset();
    EXPECT_EQ(canUnload(), S_OK);

    Com<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put()), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnload(), S_OK);
}

// The published handle as the settings store writes it: only a decimal number naming a window
// that exists reaches a box.
TEST(ChannelTest, ReadsThePublishedBoxOnlyWhenItNamesAWindow) {
    const std::string root = "Software\\" + testing_support::UniqueName("CorvaneCmTest");
    const std::string section = root + "\\Corvane\\txtHandle";
    SetEnvironmentVariableA("CORVANE_SETTINGS_ROOT", root.c_str());
    HWND box = CreateWindowExA(0, "EDIT", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(box, nullptr);
    HWND gone = CreateWindowExA(0, "EDIT", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const std::string goneText = std::to_string(reinterpret_cast<UINT_PTR>(gone));
    DestroyWindow(gone);
    EXPECT_EQ(cm::PublishedParameterBox(), nullptr) << "nothing published";
    struct Case {
        std::string text;
        HWND expected;
    };
    const Case cases[] = {
        {std::to_string(reinterpret_cast<UINT_PTR>(box)), box},
        {"-1", nullptr},
        {"", nullptr},
        {"abc", nullptr},
        {"12abc", nullptr},
        {" " + std::to_string(reinterpret_cast<UINT_PTR>(box)), nullptr},
        {"0", nullptr},
        {"99999999999999999999999", nullptr},
        {"18446744073709551617", nullptr},
        {goneText, nullptr},
    };
    for (const Case& c : cases) {
        base::RegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key.get(), "txtPramaterInfoEnvenHandeler", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(c.text.c_str()), static_cast<DWORD>(c.text.size() + 1));
        EXPECT_EQ(cm::PublishedParameterBox(), c.expected) << "'" << c.text << "'";
    }
    // A value of another type is no published handle.
    {
        base::RegKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, section.c_str(), 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
        const DWORD number = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(box));
        RegSetValueExA(key.get(), "txtPramaterInfoEnvenHandeler", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
        EXPECT_EQ(cm::PublishedParameterBox(), nullptr);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
    SetEnvironmentVariableA("CORVANE_SETTINGS_ROOT", nullptr);
    DestroyWindow(box);
}

TEST(ChannelTest, TheRequestNamesEveryFolderAfterTheMarker) {
    EXPECT_EQ(cm::FolderRequest({"C:\\"}), "ScanFolder|C:\\");
    EXPECT_EQ(cm::FolderRequest({"C:\\a b", "D:\\c"}), "ScanFolder|C:\\a b|D:\\c");
}

}  // namespace

namespace {
// A running program as the menu sees it: an edit box on this thread, published under a settings
// root of the test's own; gone again with the object.
struct PublishedBox {
    std::string root = "Software\\" + testing_support::UniqueName("CorvaneCmTest");
    HWND box = CreateWindowExA(0, "EDIT", "", ES_AUTOHSCROLL, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    PublishedBox() {
        SetEnvironmentVariableA("CORVANE_SETTINGS_ROOT", root.c_str());
        base::RegKey key;
        RegCreateKeyExA(HKEY_CURRENT_USER, (root + "\\Corvane\\txtHandle").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr);
        const std::string handle = std::to_string(reinterpret_cast<UINT_PTR>(box));
        RegSetValueExA(key.get(), "txtPramaterInfoEnvenHandeler", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(handle.c_str()), static_cast<DWORD>(handle.size() + 1));
    }
    ~PublishedBox() {
        DestroyWindow(box);
        RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
        SetEnvironmentVariableA("CORVANE_SETTINGS_ROOT", nullptr);
    }
    PublishedBox(const PublishedBox&) = delete;
    PublishedBox& operator=(const PublishedBox&) = delete;
};

// A message box shown by the thread enumerated: into the HWND `found` points to.
BOOL CALLBACK FindShownDialog(HWND w, LPARAM found) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (IsWindowVisible(w) && lstrcmpA(cls, "#32770") == 0) *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
}
}  // namespace

// Folders whose names the ANSI code page cannot write are handed over by their short names, which
// name the same folders: never a look-alike ("Zdenek" for "Zdeněk") and never left out.
TEST_F(ContextMenuTest, FoldersBeyondTheCodePageAreHandedOverByTheirShortNames) {
    const PublishedBox published;
    HWND box = published.box;
    ASSERT_NE(box, nullptr);
    std::wstring base(folder.path().size() + 1, L'\0');
    base.resize(MultiByteToWideChar(CP_ACP, 0, folder.path().c_str(), -1, base.data(), static_cast<int>(base.size())) -
                1);
    const std::wstring plain = base + L"\\a", czech = base + L"\\Zden\u011bk", lookAlike = base + L"\\Zdenek",
                       japanese = base + L"\\\u65e5\u672c\u8a9e";
    for (const std::wstring& f : {plain, czech, lookAlike, japanese}) ASSERT_TRUE(CreateDirectoryW(f.c_str(), nullptr));

    struct Case {
        const char* name;
        std::vector<std::wstring> chosen;
    };
    const Case cases[] = {
        {"a name with a letter of another code page", {czech}},
        {"a plain name and one in another script", {plain, japanese}},
        {"all of them", {plain, czech, lookAlike, japanese}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetWindowTextA(box, "");
        Com<IShellExtInit> init;
        ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put()), S_OK);
        Com<IDataObject> selection;
        selection.p = testing_support::ShellSelection(c.chosen);
        ASSERT_NE(selection.p, nullptr);
        ASSERT_EQ(init->Initialize(nullptr, selection.p, nullptr), S_OK);
        Com<IContextMenu> menu;
        ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.put()), S_OK);
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(0);
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);

        char text[4096] = {};
        GetWindowTextA(box, text, sizeof text);
        std::vector<std::string> handed;
        std::string request = text;
        ASSERT_EQ(request.rfind("ScanFolder|", 0), 0u) << request;
        for (size_t at = 11; at <= request.size();) {
            const size_t bar = std::min(request.find('|', at), request.size());
            handed.push_back(request.substr(at, bar - at));
            at = bar + 1;
        }
        ASSERT_EQ(handed.size(), c.chosen.size()) << request;
        for (size_t i = 0; i < handed.size(); ++i) {
            // Each path handed over is the chosen folder itself.
            std::wstring wide(handed[i].size() + 1, L'\0');
            wide.resize(
                MultiByteToWideChar(CP_ACP, 0, handed[i].c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1);
            wchar_t longer[MAX_PATH * 2] = {};
            ASSERT_GT(GetLongPathNameW(wide.c_str(), longer, MAX_PATH * 2), 0u) << handed[i];
            EXPECT_EQ(lstrcmpiW(longer, c.chosen[i].c_str()), 0) << handed[i];
        }
    }
}

// A folder no path Corvane takes can name (deeper than any path, even by short names) is named to
// the user in a box; the other chosen folders are scanned, and the caller hears no success.
TEST_F(ContextMenuTest, AFolderNoPathCanNameIsToldAndTheOthersAreScanned) {
    const PublishedBox published;
    HWND box = published.box;
    ASSERT_NE(box, nullptr);
    // 8.3 names all the way down, to just short of MAX_PATH: no shorter form exists, and no name
    // fits below it.
    char top[16];
    wsprintfA(top, "C:\\cm%05lX", GetCurrentProcessId() & 0xFFFFF);
    std::string deep = top;
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    const testing_support::ScopedLongTree made(std::wstring(deep.begin(), deep.end()));
    int levels = 1;
    // The shell's selection holds items of one folder: a plain one beside the deepest.
    while (deep.size() + 8 <= MAX_PATH - 13 - 3) {
        deep += "\\lvl" + std::to_string(10000 + levels++).substr(1);
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    }
    const std::string plain = deep + "\\p";
    ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr)) << plain;
    deep += "\\lvl" + std::to_string(10000 + levels++).substr(1);
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    ASSERT_GT(deep.size() + 1, static_cast<size_t>(MAX_PATH - 13));
    const std::wstring chosen(deep.begin(), deep.end());

    // Explorer's thread: the menu's box is modal on it, and the user answers it from here.
    struct Invocation {
        std::vector<std::wstring> paths;
        HRESULT init = E_UNEXPECTED, result = E_UNEXPECTED;
        std::atomic<DWORD> thread{0};
        std::atomic<bool> done{false};
    } run;
    run.paths = {std::wstring(plain.begin(), plain.end()), chosen};
    std::thread worker([&run] {
        run.thread = GetCurrentThreadId();
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            Com<IShellExtInit> init;
            if (SUCCEEDED(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.put()))) {
                Com<IDataObject> selection;
                selection.p = testing_support::ShellSelection(run.paths);
                run.init = selection.p ? init->Initialize(nullptr, selection.p, nullptr) : E_POINTER;
                Com<IContextMenu> menu;
                if (SUCCEEDED(run.init) && SUCCEEDED(init->QueryInterface(IID_IContextMenu, menu.put()))) {
                    CMINVOKECOMMANDINFO info{};
                    info.cbSize = sizeof info;
                    info.lpVerb = MAKEINTRESOURCEA(0);
                    run.result = menu->InvokeCommand(&info);
                }
            }
        }
        CoUninitialize();
        run.done = true;
    });
    // Wait, as the user does, for the box to show; read it and press its OK. The menu hands the
    // other folder to this thread's parameter box meanwhile, so this thread keeps its messages moving.
    std::string told;
    const ULONGLONG until = GetTickCount64() + 60000;
    while (!run.done && GetTickCount64() < until) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        HWND dialog = nullptr;
        if (run.thread) EnumThreadWindows(run.thread, FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog) {
            char text[2048] = {};
            GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
            told = text;
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    worker.join();
    ASSERT_EQ(run.init, S_OK);
    EXPECT_EQ(run.result, HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME));
    EXPECT_NE(told.find("cannot scan"), std::string::npos) << told;
    EXPECT_NE(told.find(deep), std::string::npos) << told;
    EXPECT_NE(told.find("other folders are scanned"), std::string::npos) << told;
    char text[4096] = {};
    GetWindowTextA(box, text, sizeof text);
    EXPECT_EQ(std::string(text), "ScanFolder|" + plain);
}
