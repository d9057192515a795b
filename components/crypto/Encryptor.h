#pragma once
// Our stand-in for the encryption component: one keyed cipher made once from a pass phrase.
// AES-256 in CBC mode through the Windows CNG API; the key is the SHA-256 of the pass phrase.
//
// Strings: random 16-byte IV followed by the ciphertext.
// Definitions container (defs.dat):
//   "CVDEFS\r\x1a" (8 bytes) | version u32 LE (1) | reserved u32 | plain length u64 LE
//   | IV (16) | ciphertext | HMAC-SHA256 (32) over everything before it.
// The HMAC key is the SHA-256 of "defs:" + pass phrase, so a truncated, altered or foreign
// file is refused before anything is deciphered.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace crypto {

using Bytes = std::vector<std::uint8_t>;

// Errors of the component (thrown as base::RuntimeError with these numbers).
enum ComponentError : long {
    errNotADefinitionsFile = 30001,
    errUnsupportedVersion = 30002,
    errDamagedFile = 30003,
    errCipherFailure = 30004,
    errBadCipherText = 30005,
};

inline constexpr std::uint32_t kContainerVersion = 1;

class Encryptor {
public:
    // Throws base::RuntimeError when the platform cipher cannot be set up.
    explicit Encryptor(const std::string& passPhrase);
    ~Encryptor();
    Encryptor(const Encryptor&) = delete;
    Encryptor& operator=(const Encryptor&) = delete;

    Bytes Encrypt(const std::string& text) const;
    std::string Decrypt(const Bytes& data) const;  // throws errBadCipherText on data it did not make

    // Definitions container.
    Bytes Pack(const std::string& plainText) const;
    std::string Unpack(const Bytes& container) const;
    // The component's file-processing call: reads `source` (a container) and writes its plain text
    // to `destination`. Nothing is written when the source is refused.
    void ProcessFile(const std::string& source, const std::string& destination) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace crypto
