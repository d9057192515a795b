#include "contextmenu/ContextMenu.h"

#include <shellapi.h>

#include <new>

#include "base/AnsiPath.h"
#include "base/ComPtr.h"
#include "contextmenu/Channel.h"

namespace cm {
namespace {

LONG g_objects = 0;
LONG g_locks = 0;

// The menu's one command, by offset or by its verb (ANSI or wide).
bool NamesOurCommand(const CMINVOKECOMMANDINFO* info) {
    if (IS_INTRESOURCE(info->lpVerb)) return LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) == 0;
    return lstrcmpiA(info->lpVerb, kVerb) == 0;
}

bool NamesOurCommand(const CMINVOKECOMMANDINFOEX* info) {
    if (!(info->fMask & CMIC_MASK_UNICODE) || info->lpVerbW == nullptr)
        return NamesOurCommand(reinterpret_cast<const CMINVOKECOMMANDINFO*>(info));
    if (IS_INTRESOURCE(info->lpVerbW)) return LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerbW)) == 0;
    return lstrcmpiW(info->lpVerbW, L"ScanWithCorvane") == 0;
}

HRESULT CopyText(const char* text, UINT type, CHAR* name, UINT size) {
    if (name == nullptr || size == 0) return E_INVALIDARG;
    if (type & GCS_UNICODE) {
        if (MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<WCHAR*>(name), static_cast<int>(size)) == 0)
            return E_FAIL;
        return S_OK;
    }
    return lstrcpynA(name, text, static_cast<int>(size)) ? S_OK : E_FAIL;
}

}  // namespace

void AddObject() { InterlockedIncrement(&g_objects); }
void ReleaseObject() { InterlockedDecrement(&g_objects); }
void Lock(bool on) { on ? InterlockedIncrement(&g_locks) : InterlockedDecrement(&g_locks); }
bool InUse() { return g_objects > 0 || g_locks > 0; }

std::string LibraryFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&LibraryFolder), &self))
        return {};
    char path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameA(self, path, sizeof path);
    if (n == 0 || n >= sizeof path) return {};
    std::string folder(path, n);
    const size_t slash = folder.find_last_of('\\');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

SelectedFolders FoldersOf(IDataObject* selection) {
    SelectedFolders folders;
    if (selection == nullptr) return folders;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(selection->GetData(&format, &medium))) return folders;
    if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            if (length == 0) continue;
            std::wstring path(length + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
            const DWORD attributes = GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            // Corvane walks a folder whose path, with its closing backslash, leaves room for a name.
            auto fits = [](const std::string& p) { return p.size() + 1 <= base::kMaxNamedFolder; };
            std::string ansi;
            if (base::ExactAnsi(path, ansi) && fits(ansi)) {
                folders.scannable.push_back(ansi);
                continue;
            }
            // The short name names the same folder and is written in ASCII, where the volume keeps one.
            const std::wstring shortPath = base::ShortWidePath(path);
            if (!shortPath.empty() && base::ExactAnsi(shortPath, ansi) && fits(ansi))
                folders.scannable.push_back(ansi);
            else
                folders.unscannable.push_back(path);
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return folders;
}

ContextMenu::ContextMenu() { AddObject(); }
ContextMenu::~ContextMenu() { ReleaseObject(); }

STDMETHODIMP ContextMenu::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit)) {
        *ppv = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, IID_IContextMenu)) {
        *ppv = static_cast<IContextMenu*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ContextMenu::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) ContextMenu::Release() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP ContextMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject* selection, HKEY) {
    try {
        folders_ = {};
        if (selection == nullptr) return E_INVALIDARG;
        folders_ = FoldersOf(selection);
        // Nothing but files: the menu gets no entry from this library.
        return folders_.empty() ? E_FAIL : S_OK;
    } catch (...) {
        folders_ = {};
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP ContextMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) {
    if ((flags & CMF_DEFAULTONLY) || folders_.empty() || firstId > lastId)
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    if (!InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, firstId, kMenuText))
        return HRESULT_FROM_WIN32(GetLastError());
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 1);
}

STDMETHODIMP ContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    try {
        if (info == nullptr || info->cbSize < sizeof(CMINVOKECOMMANDINFO)) return E_INVALIDARG;
        const bool ours = info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX)
                              ? NamesOurCommand(reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info))
                              : NamesOurCommand(info);
        if (!ours) return E_INVALIDARG;
        if (folders_.empty()) return E_FAIL;
        // The folders Corvane can be handed are scanned; the user hears which ones it cannot be,
        // and the caller never hears success for a selection that was not scanned whole.
        if (!folders_.unscannable.empty() && !(info->fMask & CMIC_MASK_FLAG_NO_UI)) TellUnscannable(info->hwnd);
        if (!folders_.scannable.empty()) {
            const std::string folder = LibraryFolder();
            if (folder.empty()) return E_FAIL;
            if (!Deliver(folder, FolderRequest(folders_.scannable))) return E_FAIL;
        }
        return folders_.unscannable.empty() ? S_OK : HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
    } catch (...) {
        return E_FAIL;  // nothing may cross the COM boundary
    }
}

void ContextMenu::TellUnscannable(HWND owner) const {
    std::wstring text =
        L"Corvane cannot scan these folders: their names cannot be written in this system's code page, or their paths "
        L"are too long, and they have no short name that serves.";
    for (const std::wstring& f : folders_.unscannable) text += L"\r\n" + f;
    if (!folders_.scannable.empty()) text += L"\r\n\r\nThe other folders are scanned.";
    MessageBoxW(owner, text.c_str(), L"Corvane", MB_OK | MB_ICONWARNING);
}

STDMETHODIMP ContextMenu::GetCommandString(UINT_PTR id, UINT type, UINT*, CHAR* name, UINT size) {
    if (id != 0) return E_INVALIDARG;
    switch (type & ~GCS_UNICODE) {
        case GCS_VERBA:
            return CopyText(kVerb, type, name, size);
        case GCS_HELPTEXTA:
            return CopyText("Scans the selected folders with Corvane", type, name, size);
        case GCS_VALIDATEA:
            return S_OK;
        default:
            return E_INVALIDARG;
    }
}

Factory::Factory() { AddObject(); }
Factory::~Factory() { ReleaseObject(); }

STDMETHODIMP Factory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) Factory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) Factory::Release() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP Factory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    const auto menu = base::ComPtr<ContextMenu>::Adopt(new (std::nothrow) ContextMenu);
    if (!menu) return E_OUTOFMEMORY;
    return menu->QueryInterface(riid, ppv);
}

STDMETHODIMP Factory::LockServer(BOOL lock) {
    Lock(lock != FALSE);
    return S_OK;
}

}  // namespace cm
