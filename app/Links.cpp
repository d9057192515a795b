#include "app/Links.h"

#include "core/Wiring.h"
#include "core/modLanguage.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "shell/frmEnterPassword.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"

namespace app {

void InstallLinks() {
    wiring::SetGetMessage(&modLanguage::getMessage);
    wiring::SetMsgBoxOK(
        [](const std::string& prompt, const std::string& title) { return frmMsgBox.msgboxOK(prompt, title); });
    wiring::SetLanguagePanel([](const std::string& text) { frmMain.StatusBar1.SetPanelText(3, text); });
    wiring::SetEndProgress([] { frmMain.flash.TPlay("_root.endOFTheProgress"); });
    wiring::SetLoadDefinitions([] { modDefinitions::LoadDefinitions(); });
    wiring::SetDecrypt([](const std::string& stored, std::string& plain) {
        std::string hex = stored;
        plain = modEncryption::Decrypt(hex);
        // The cipher answers "" for anything it cannot decipher.
        return !plain.empty();
    });
    wiring::SetShowPasswordDialog([] {
        // Every check starts from a fresh dialog.
        frmEnterPassword.Unload();
        wiring::PasswordEntry() = frmEnterPassword.checkPasword(&frmMain);
    });
}

void RemoveLinks() {
    wiring::SetGetMessage({});
    wiring::SetMsgBoxOK({});
    wiring::SetLanguagePanel({});
    wiring::SetEndProgress({});
    wiring::SetLoadDefinitions({});
    wiring::SetDecrypt({});
    wiring::SetShowPasswordDialog({});
}

}  // namespace app
