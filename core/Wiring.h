#pragma once
// Calls from the core services into neighbours that live elsewhere (the language packs, the
// skinned message box, the main window, the definitions store, the password dialog).
//
// Each link is one replaceable function with a plain default, so the core builds and runs on
// its own; the neighbour (or the start-up code that owns it) installs the real call when it
// is linked in, and tests install what they need to observe.
#include <functional>
#include <string>

namespace wiring {

// Message look-up by id with an English default. Default: the English default.
using GetMessageFn = std::function<std::string(const std::string& id, const std::string& fallback)>;
void SetGetMessage(GetMessageFn fn);  // empty fn restores the default
std::string GetMessage(const std::string& id, const std::string& fallback);

// The skinned OK-only message box; returns 1 (OK) or 2 (Cancel). Default: a modal step of kind
// "frmMsgBox" whose real form is the system's message box.
using MsgBoxOKFn = std::function<long(const std::string& prompt, const std::string& title)>;
void SetMsgBoxOK(MsgBoxOKFn fn);
long MsgBoxOK(const std::string& prompt, const std::string& title);

// Text of the main window's status bar, third panel. Default: nothing (no main window yet).
using StatusPanelFn = std::function<void(const std::string& text)>;
void SetLanguagePanel(StatusPanelFn fn);
void ShowLanguagePanel(const std::string& text);

// Ends the main movie's progress display (its clip "_root.endOFTheProgress"). Default: nothing.
using EndProgressFn = std::function<void()>;
void SetEndProgress(EndProgressFn fn);
void EndProgress();

// Unpacks and holds the definitions text. Default: nothing; ConnectDefinitions()
// (core/DefinitionsLinks.h) installs the definitions store's LoadDefinitions. Errors pass to
// the caller.
using LoadDefinitionsFn = std::function<void()>;
void SetLoadDefinitions(LoadDefinitionsFn fn);
void LoadDefinitions();

// Deciphers a stored text (the user password). Returns false when it cannot. Default: always
// false; ConnectDefinitions() installs the program's string cipher.
using DecryptFn = std::function<bool(const std::string& stored, std::string& plain)>;
void SetDecrypt(DecryptFn fn);
bool Decrypt(const std::string& stored, std::string& plain);

// The password dialog: the text the user typed and confirmed with OK, empty otherwise. The
// dialog form sets it from its OK button; a scripted "frmEnterPassword" step sets it in tests.
std::string& PasswordEntry();
// The dialog's real modal show (frmEnterPassword.checkPasword's body). Default: nothing is
// shown and the entry stays empty.
using ShowPasswordDialogFn = std::function<void()>;
void SetShowPasswordDialog(ShowPasswordDialogFn fn);
void ShowPasswordDialog();

}  // namespace wiring
