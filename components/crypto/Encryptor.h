#pragma once
// Our stand-in for the encryption component: one keyed cipher made once from a pass phrase.
// AES-256 in CBC mode through the Windows CNG API; the key is the SHA-256 of the pass phrase.
//
// Strings: random 16-byte IV followed by the ciphertext.
// Definitions container (defs.dat):
//   "CVDEFS\r\x1a" (8 bytes) | version u32 LE (1) | flags u32 LE | plain length u64 LE
//   | IV (16) | ciphertext | HMAC-SHA256 (32) over everything before it
//   [ | "CVSG" | signature length u32 LE (64) | ECDSA P-256 signature (64) ]   when flags bit 0
// The HMAC key is the SHA-256 of "defs:" + pass phrase, so a truncated, altered or foreign
// file is refused before anything is deciphered. The flags word was a reserved zero before
// signatures came, so unsigned files of that time read as before. The signature covers every
// byte before its trailer; checking it is the definitions layer's (it holds the public key).
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
inline constexpr std::uint32_t kFlagSigned = 1;      // a signature trailer follows the HMAC
inline constexpr size_t kSignatureTrailerSize = 72;  // "CVSG" + length + 64-byte signature

// Where a container's signature lies: the bytes it covers (from the start) and the signature.
// Unsigned containers give signedSize 0 and no signature; a signed one whose trailer is cut or
// malformed throws errDamagedFile.
struct SignatureSpan {
    size_t signedSize = 0;
    const std::uint8_t* signature = nullptr;
    size_t signatureSize = 0;
};
SignatureSpan FindSignature(const Bytes& container);
// Appends the trailer to a container packed with kFlagSigned.
void AppendSignature(Bytes& container, const Bytes& signature);

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
    Bytes Pack(const std::string& plainText, std::uint32_t flags = 0) const;
    std::string Unpack(const Bytes& container) const;
    // The component's file-processing call: reads `source` (a container) and writes its plain text
    // to `destination`. Nothing is written when the source is refused.
    void ProcessFile(const std::string& source, const std::string& destination) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace crypto
