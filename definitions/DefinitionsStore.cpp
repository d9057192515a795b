#include "definitions/DefinitionsStore.h"

#include <windows.h>

#include "base/MsgBox.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "components/crypto/Encryptor.h"
#include "core/modMain.h"
#include "definitions/DefinitionsSignature.h"
#include "definitions/StringCipher.h"
#include "definitions/TextIndex.h"

namespace modDefinitions {
namespace {
TextIndex g_index;  // built once per load over gb_definitionsText

const TextIndex& Index() {
    // The text is written through SetDefinitionsText; a direct assignment of another length is
    // still caught here (comparing whole texts per look-up would cost what the index saves).
    if (g_index.text().size() != gb_definitionsText.size()) g_index = TextIndex(gb_definitionsText);
    return g_index;
}
}  // namespace

void SetDefinitionsText(const std::string& text) {
    gb_definitionsText = text;
    g_index = TextIndex(gb_definitionsText);
}

bool UnpackDefinitions(const std::string& source, std::string& text) {
    try {
        const crypto::Encryptor* enc = modEncryption::Encryptor();
        if (!enc) base::Raise(base::errObjectVariableNotSet);
        const std::string raw = base::ReadWhole(source);
        text = UnpackVerified(*enc, crypto::Bytes(raw.begin(), raw.end()));
        return true;
    } catch (const base::RuntimeError& e) {
        modMain::LogError(std::to_string(e.number()), e.description() + "  " + source, "UnpackDefinitions");
        base::MsgBox(std::to_string(e.number()), MB_OK);
        base::MsgBox(e.description(), MB_OK);
    } catch (const std::exception& e) {
        modMain::LogError("5", std::string(e.what()) + "  " + source, "UnpackDefinitions");
        base::MsgBox("5", MB_OK);
        base::MsgBox(e.what(), MB_OK);
    }
    return false;
}

namespace {
// Older versions unpacked into Normal.qvl and could leave it behind: a plain copy of the
// definitions beside the program. It goes; when it cannot, the log says so.
void RemoveStalePlainText(const std::string& plain) {
    const DWORD attributes = GetFileAttributesA(plain.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(plain.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (DeleteFileA(plain.c_str())) return;
    const DWORD err = GetLastError();
    const long number = base::RuntimeErrorFromWin32(err ? err : ERROR_ACCESS_DENIED);
    modMain::LogError(std::to_string(number),
                      base::ErrorDescription(number) + ": the plain definitions file could not be deleted  " + plain,
                      "LoadDefinitions");
}
}  // namespace

void LoadDefinitions() {
    const std::string source = modMain::FullPath_With_Filename("defs.dat");
    RemoveStalePlainText(modMain::FullPath_With_Filename("Normal.qvl"));
    // The deciphered text lives in memory only: no file can outlive the load.
    std::string text;
    if (!UnpackDefinitions(source, text)) return;
    base::Trap("LoadDefinitions", [&] { SetDefinitionsText(text); });
}

std::string GetDataBaseItem(const std::string& section, const std::string& key, const std::string& defaultValue) {
    const TextIndex& index = Index();
    LookupResult r = LookupItem(
        gb_definitionsText, [&](const std::string& p, size_t from) { return index.Find(p, from); }, section, key,
        defaultValue);
    if (r.error) {
        modMain::LogError(
            std::to_string(base::errInvalidProcedureCall),
            base::ErrorDescription(base::errInvalidProcedureCall) + "calues Section = " + section + "  sID=" + key,
            "GetDataBaseItem");
    }
    return r.value;
}

LookupResult LookupPlain(const std::string& text, const std::string& section, const std::string& key,
                         const std::string& defaultValue) {
    return LookupItem(
        text, [&](const std::string& p, size_t from) { return text.find(p, from); }, section, key, defaultValue);
}

std::string DecryptDefString(const std::string& text, std::string& key) {
    if (key.empty()) key = modEncryption::kPassPhrase;
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        int c = static_cast<unsigned char>(text[i]);
        int d = static_cast<unsigned char>(key[i % key.size()]);
        int v = c - (d - 1);
        if (v < 0) v += 256;
        out[i] = static_cast<char>(v);
    }
    return out;
}

std::string EncryptDefString(const std::string& plain) {
    const std::string key = modEncryption::kPassPhrase;
    std::string out(plain.size(), '\0');
    for (size_t i = 0; i < plain.size(); ++i) {
        int c = static_cast<unsigned char>(plain[i]);
        int d = static_cast<unsigned char>(key[i % key.size()]);
        out[i] = static_cast<char>((c + d - 1) % 256);
    }
    return out;
}

std::optional<std::string> updateListfromINI(const std::string& section, const std::string& key) {
    return base::Trap("updateListfromINI", std::optional<std::string>(), [&]() -> std::optional<std::string> {
        std::string k;
        std::string decoded = DecryptDefString(GetDataBaseItem(section, key, ""), k);
        if (decoded.empty()) return std::nullopt;
        return decoded;
    });
}

}  // namespace modDefinitions
