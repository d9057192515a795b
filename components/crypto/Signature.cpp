#include "components/crypto/Signature.h"

#include <windows.h>
// bcrypt.h needs the types of windows.h.
#include <bcrypt.h>

#include <cstring>

#include "base/RuntimeError.h"

namespace crypto {
namespace {

constexpr ULONG kCoordinate = 32;

std::string Status(NTSTATUS s) {
    char b[16];
    wsprintfA(b, "%08lX", static_cast<unsigned long>(s));
    return b;
}

void Check(NTSTATUS s, const char* what, long number = errSignatureKey) {
    if (!BCRYPT_SUCCESS(s))
        base::Raise(number, std::string("Signature failure: ") + what + " (status 0x" + Status(s) + ")");
}

class Provider {
public:
    explicit Provider(LPCWSTR id) { Check(BCryptOpenAlgorithmProvider(&h_, id, nullptr, 0), "open provider"); }
    ~Provider() {
        if (h_) BCryptCloseAlgorithmProvider(h_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return h_; }

private:
    BCRYPT_ALG_HANDLE h_ = nullptr;
};

class Key {
public:
    Key() = default;
    ~Key() {
        if (h_) BCryptDestroyKey(h_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    BCRYPT_KEY_HANDLE get() const { return h_; }
    BCRYPT_KEY_HANDLE* put() { return &h_; }

private:
    BCRYPT_KEY_HANDLE h_ = nullptr;
};

Bytes Export(BCRYPT_KEY_HANDLE key, LPCWSTR type) {
    ULONG size = 0;
    Check(BCryptExportKey(key, nullptr, type, nullptr, 0, &size, 0), "export size");
    Bytes out(size);
    Check(BCryptExportKey(key, nullptr, type, out.data(), size, &size, 0), "export");
    out.resize(size);
    return out;
}

// A blob of the expected kind and length, checked before CNG sees it.
void CheckBlob(const Bytes& blob, ULONG magic, size_t parts) {
    if (blob.size() != sizeof(BCRYPT_ECCKEY_BLOB) + parts * kCoordinate)
        base::Raise(errSignatureKey, "The signing key has the wrong size");
    BCRYPT_ECCKEY_BLOB h;
    std::memcpy(&h, blob.data(), sizeof h);
    if (h.dwMagic != magic || h.cbKey != kCoordinate)
        base::Raise(errSignatureKey, "The signing key is not a P-256 key");
}

}  // namespace

Bytes Sha256(const std::uint8_t* data, size_t size) {
    Provider alg(BCRYPT_SHA256_ALGORITHM);
    BCRYPT_HASH_HANDLE h = nullptr;
    Check(BCryptCreateHash(alg.get(), &h, nullptr, 0, nullptr, 0, 0), "create hash");
    Bytes out(32);
    NTSTATUS s = BCryptHashData(h, const_cast<PUCHAR>(data), static_cast<ULONG>(size), 0);
    if (BCRYPT_SUCCESS(s)) s = BCryptFinishHash(h, out.data(), static_cast<ULONG>(out.size()), 0);
    BCryptDestroyHash(h);
    Check(s, "hash");
    return out;
}

KeyPair GenerateSigningKey() {
    Provider alg(BCRYPT_ECDSA_P256_ALGORITHM);
    Key key;
    Check(BCryptGenerateKeyPair(alg.get(), key.put(), 256, 0), "generate key");
    Check(BCryptFinalizeKeyPair(key.get(), 0), "finalize key");
    return {Export(key.get(), BCRYPT_ECCPRIVATE_BLOB), Export(key.get(), BCRYPT_ECCPUBLIC_BLOB)};
}

Bytes PublicKeyOf(const Bytes& privateBlob) {
    CheckBlob(privateBlob, BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 3);
    Bytes out(privateBlob.begin(), privateBlob.begin() + sizeof(BCRYPT_ECCKEY_BLOB) + 2 * kCoordinate);
    BCRYPT_ECCKEY_BLOB h{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinate};
    std::memcpy(out.data(), &h, sizeof h);
    return out;
}

Bytes SignData(const Bytes& privateBlob, const std::uint8_t* data, size_t size) {
    CheckBlob(privateBlob, BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 3);
    Provider alg(BCRYPT_ECDSA_P256_ALGORITHM);
    Key key;
    Check(BCryptImportKeyPair(alg.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, key.put(),
                              const_cast<PUCHAR>(privateBlob.data()), static_cast<ULONG>(privateBlob.size()), 0),
          "import private key");
    Bytes digest = Sha256(data, size);
    ULONG got = 0;
    Bytes sig(kSignatureSize);
    Check(BCryptSignHash(key.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()), sig.data(),
                         static_cast<ULONG>(sig.size()), &got, 0),
          "sign");
    if (got != kSignatureSize) base::Raise(errSignatureKey, "Signature failure: unexpected signature size");
    return sig;
}

bool VerifyData(const Bytes& publicBlob, const std::uint8_t* data, size_t size, const std::uint8_t* signature,
                size_t signatureSize) {
    if (signatureSize != kSignatureSize) return false;
    CheckBlob(publicBlob, BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 2);
    Provider alg(BCRYPT_ECDSA_P256_ALGORITHM);
    Key key;
    Check(BCryptImportKeyPair(alg.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(),
                              const_cast<PUCHAR>(publicBlob.data()), static_cast<ULONG>(publicBlob.size()), 0),
          "import public key");
    Bytes digest = Sha256(data, size);
    NTSTATUS s = BCryptVerifySignature(key.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                       const_cast<PUCHAR>(signature), static_cast<ULONG>(signatureSize), 0);
    return BCRYPT_SUCCESS(s);
}

}  // namespace crypto
