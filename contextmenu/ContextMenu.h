#pragma once
// The shell extension object: initialised with the folders and drives Explorer's selection holds,
// it adds one entry to their menu and hands them to Corvane when the entry is chosen.
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace cm {

// {5ABC51FF-E188-41E2-ACEA-3566352EB780}
inline constexpr CLSID kClsid = {0x5abc51ff, 0xe188, 0x41e2, {0xac, 0xea, 0x35, 0x66, 0x35, 0x2e, 0xb7, 0x80}};
inline constexpr const char* kClsidText = "{5ABC51FF-E188-41E2-ACEA-3566352EB780}";
inline constexpr const char* kMenuText = "Scan with Corvane";
inline constexpr const char* kVerb = "ScanWithCorvane";

// Objects and server locks alive in the library: it may unload when both are zero.
void AddObject();
void ReleaseObject();
void Lock(bool on);
bool InUse();

// The folder this library lives in (the program folder).
std::string LibraryFolder();

// The folders among the paths of a selection (files and what no longer exists are dropped), as
// Corvane takes them: in the ANSI code page, by the short (8.3) name where the long one cannot be
// written in it. A folder that has neither is no folder Corvane can be handed: it goes to
// `unscannable`, by its own name.
struct SelectedFolders {
    std::vector<std::string> scannable;
    std::vector<std::wstring> unscannable;
    bool empty() const { return scannable.empty() && unscannable.empty(); }
};
SelectedFolders FoldersOf(IDataObject* selection);

class ContextMenu : public IShellExtInit, public IContextMenu {
public:
    ContextMenu();
    virtual ~ContextMenu();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* selection, HKEY progId) override;

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT* reserved, CHAR* name, UINT size) override;

private:
    void TellUnscannable(HWND owner) const;
    LONG refs_ = 1;
    SelectedFolders folders_;
};

class Factory : public IClassFactory {
public:
    Factory();
    virtual ~Factory();
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    LONG refs_ = 1;
};

}  // namespace cm
