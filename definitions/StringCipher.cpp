#include "definitions/StringCipher.h"

#include <memory>

#include "base/RuntimeError.h"
#include "base/Trap.h"
#include "components/crypto/Encryptor.h"
#include "core/modMain.h"

namespace modEncryption {
namespace {
std::unique_ptr<crypto::Encryptor> g_encryptor;

const crypto::Encryptor& Required() {
    if (!g_encryptor) base::Raise(base::errObjectVariableNotSet);
    return *g_encryptor;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

void LoadEncryption() {
    if (!base::Trap("LoadEncryption", [] { g_encryptor = std::make_unique<crypto::Encryptor>(kPassPhrase); }))
        g_encryptor.reset();
}

const crypto::Encryptor* Encryptor() { return g_encryptor.get(); }
void ReleaseEncryption() { g_encryptor.reset(); }

std::string BytesToHex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

std::vector<std::uint8_t> HexToBytes(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        for (size_t j = i; j < i + 2 && j < text.size(); ++j) {
            int d = HexDigit(text[j]);
            if (d < 0) break;
            value = value * 16 + static_cast<unsigned>(d);
        }
        out.push_back(static_cast<std::uint8_t>(value));
    }
    return out;
}

std::string Encrypte(const std::string& text) {
    return base::Trap("Encrypte", std::string(), [&] { return BytesToHex(Required().Encrypt(text)); });
}

std::string Decrypt(std::string& hex) {
    if (hex.empty()) return {};
    auto nul = hex.find('\0');
    if (nul != std::string::npos) hex.resize(nul);
    return base::Trap("Decrypt", std::string(), [&] { return Required().Decrypt(HexToBytes(hex)); });
}

}  // namespace modEncryption
