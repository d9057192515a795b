#pragma once
// ECDSA P-256 signatures over SHA-256 through the Windows CNG API, for the definitions files.
// Keys travel as CNG blobs (BCRYPT_ECCPUBLIC_BLOB: 8-byte header + X + Y; BCRYPT_ECCPRIVATE_BLOB:
// header + X + Y + d); a signature is r || s, 64 bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace crypto {

using Bytes = std::vector<std::uint8_t>;

inline constexpr size_t kSignatureSize = 64;

// Errors (thrown as base::RuntimeError with these numbers).
enum SignatureError : long {
    errSignatureMissing = 30010,
    errSignatureInvalid = 30011,
    errSignatureKey = 30012,
};

struct KeyPair {
    Bytes privateBlob;
    Bytes publicBlob;
};

KeyPair GenerateSigningKey();
// The public half of a private blob (throws errSignatureKey on a blob that is not a P-256 key).
Bytes PublicKeyOf(const Bytes& privateBlob);
Bytes Sha256(const std::uint8_t* data, size_t size);
Bytes SignData(const Bytes& privateBlob, const std::uint8_t* data, size_t size);
// True only for a valid signature of exactly these bytes under this key.
bool VerifyData(const Bytes& publicBlob, const std::uint8_t* data, size_t size, const std::uint8_t* signature,
                size_t signatureSize);

}  // namespace crypto
