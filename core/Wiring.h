#pragma once
// Calls from the core services into the parts that stand above them: the language pack in use,
// the skinned message box, the main window, the definitions store and cipher, the password
// dialog.
//
// Each link is one replaceable function. The program's entry point installs the real ones
// (app/Links.h); tests install fakes. A link that nobody installed does nothing and answers
// what a missing neighbour would: the English default, OK, no definitions, no plain text.
// windows.h spells GetMessage as GetMessageA: every user of the links sees the same name.
#include <windows.h>

#include <functional>
#include <string>

namespace wiring {

// Message look-up by id with an English default (modLanguage::getMessage).
using GetMessageFn = std::function<std::string(const std::string& id, const std::string& fallback)>;
void SetGetMessage(GetMessageFn fn);  // an empty fn uninstalls the link
std::string GetMessage(const std::string& id, const std::string& fallback);

// The skinned OK-only message box; returns 1 (OK) or 2 (Cancel) (frmMsgBox.msgboxOK).
using MsgBoxOKFn = std::function<long(const std::string& prompt, const std::string& title)>;
void SetMsgBoxOK(MsgBoxOKFn fn);
long MsgBoxOK(const std::string& prompt, const std::string& title);

// Text of the main window's status bar, third panel (frmMain.StatusBar1).
using StatusPanelFn = std::function<void(const std::string& text)>;
void SetLanguagePanel(StatusPanelFn fn);
void ShowLanguagePanel(const std::string& text);

// Ends the main movie's progress display: frmMain.flash plays "_root.endOFTheProgress".
using EndProgressFn = std::function<void()>;
void SetEndProgress(EndProgressFn fn);
void EndProgress();

// Unpacks and holds the definitions text (modDefinitions::LoadDefinitions). Errors pass to
// the caller.
using LoadDefinitionsFn = std::function<void()>;
void SetLoadDefinitions(LoadDefinitionsFn fn);
void LoadDefinitions();

// Deciphers a stored text (the user password, modEncryption::Decrypt). False when it cannot.
using DecryptFn = std::function<bool(const std::string& stored, std::string& plain)>;
void SetDecrypt(DecryptFn fn);
bool Decrypt(const std::string& stored, std::string& plain);

// The password dialog: the text the user typed and confirmed with OK, empty otherwise. The
// dialog form sets it from its OK button; a scripted "frmEnterPassword" step sets it in tests.
std::string& PasswordEntry();
// The dialog's real modal show (frmEnterPassword.checkPasword's body). The dialog is not built
// yet: until it is installed, nothing is shown and the entry stays empty (refused).
using ShowPasswordDialogFn = std::function<void()>;
void SetShowPasswordDialog(ShowPasswordDialogFn fn);
void ShowPasswordDialog();

// A place Corvane itself has just changed: a removal, a backup's restore, a startup item or helper
// object put back or taken out. The real-time guards take the place as it now is into their
// snapshots, so they neither report nor undo the program's own work. Noted after the change.
struct OwnChange {
    enum class Kind { Value, Key, File };
    Kind kind = Kind::Value;
    HKEY root = nullptr;    // Value, Key
    std::string path;       // the key path (Value, Key: the key with all below it) or the file's full path
    std::string valueName;  // Value
};
using OwnChangeFn = std::function<void(const OwnChange& change)>;
void SetOwnChangeFollower(OwnChangeFn fn);
void NoteOwnChange(const OwnChange& change);
void NoteOwnValueChange(HKEY root, const std::string& keyPath, const std::string& valueName);
void NoteOwnKeyChange(HKEY root, const std::string& keyPath);
void NoteOwnFileChange(const std::string& path);

}  // namespace wiring
