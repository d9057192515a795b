#include "core/Wiring.h"

namespace wiring {
namespace {
GetMessageFn g_getMessage;
MsgBoxOKFn g_msgBoxOK;
StatusPanelFn g_languagePanel;
EndProgressFn g_endProgress;
LoadDefinitionsFn g_loadDefinitions;
DecryptFn g_decrypt;
ShowPasswordDialogFn g_showPasswordDialog;
std::string g_passwordEntry;
OwnChangeFn g_ownChange;
}  // namespace

void SetGetMessage(GetMessageFn fn) { g_getMessage = std::move(fn); }
std::string GetMessage(const std::string& id, const std::string& fallback) {
    return g_getMessage ? g_getMessage(id, fallback) : fallback;
}

void SetMsgBoxOK(MsgBoxOKFn fn) { g_msgBoxOK = std::move(fn); }
long MsgBoxOK(const std::string& prompt, const std::string& title) {
    return g_msgBoxOK ? g_msgBoxOK(prompt, title) : 1;
}

void SetLanguagePanel(StatusPanelFn fn) { g_languagePanel = std::move(fn); }
void ShowLanguagePanel(const std::string& text) {
    if (g_languagePanel) g_languagePanel(text);
}

void SetEndProgress(EndProgressFn fn) { g_endProgress = std::move(fn); }
void EndProgress() {
    if (g_endProgress) g_endProgress();
}

void SetLoadDefinitions(LoadDefinitionsFn fn) { g_loadDefinitions = std::move(fn); }
void LoadDefinitions() {
    if (g_loadDefinitions) g_loadDefinitions();
}

void SetDecrypt(DecryptFn fn) { g_decrypt = std::move(fn); }
bool Decrypt(const std::string& stored, std::string& plain) {
    if (g_decrypt) return g_decrypt(stored, plain);
    plain.clear();
    return false;
}

std::string& PasswordEntry() { return g_passwordEntry; }
void SetShowPasswordDialog(ShowPasswordDialogFn fn) { g_showPasswordDialog = std::move(fn); }
void ShowPasswordDialog() {
    if (g_showPasswordDialog) g_showPasswordDialog();
}

void SetOwnChangeFollower(OwnChangeFn fn) { g_ownChange = std::move(fn); }
void NoteOwnChange(const OwnChange& change) {
    if (!g_ownChange) return;
    try {
        g_ownChange(change);
    } catch (...) {
        // The change is done; a follower that fails must not turn it into a failure.
    }
}
void NoteOwnValueChange(HKEY root, const std::string& keyPath, const std::string& valueName) {
    NoteOwnChange({OwnChange::Kind::Value, root, keyPath, valueName});
}
void NoteOwnKeyChange(HKEY root, const std::string& keyPath) {
    NoteOwnChange({OwnChange::Kind::Key, root, keyPath, {}});
}
void NoteOwnFileChange(const std::string& path) { NoteOwnChange({OwnChange::Kind::File, nullptr, path, {}}); }

}  // namespace wiring
