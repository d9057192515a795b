#include "components/crypto/Encryptor.h"

#include <windows.h>
// bcrypt.h needs the types of windows.h.
#include <bcrypt.h>

#include <cstring>

#include "base/RuntimeError.h"
#include "base/TextFile.h"

namespace crypto {
namespace {

constexpr char kMagic[8] = {'C', 'V', 'D', 'E', 'F', 'S', '\r', '\x1a'};
constexpr size_t kHeaderSize = 8 + 4 + 4 + 8;
constexpr size_t kIvSize = 16;
constexpr size_t kMacSize = 32;

[[noreturn]] void Fail(long number, const std::string& what) { base::Raise(number, what); }

void Check(NTSTATUS status, const char* what) {
    if (!BCRYPT_SUCCESS(status))
        Fail(
            errCipherFailure, std::string("Cipher failure: ") + what + " (status 0x" + [&] {
                char b[16];
                wsprintfA(b, "%08lX", static_cast<unsigned long>(status));
                return std::string(b);
            }() + ")");
}

class Algorithm {
public:
    Algorithm(LPCWSTR id, ULONG flags) { Check(BCryptOpenAlgorithmProvider(&h_, id, nullptr, flags), "open provider"); }
    ~Algorithm() {
        if (h_) BCryptCloseAlgorithmProvider(h_, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE get() const { return h_; }

private:
    BCRYPT_ALG_HANDLE h_ = nullptr;
};

Bytes Hash(const void* data, size_t size, const Bytes* hmacKey) {
    Algorithm alg(BCRYPT_SHA256_ALGORITHM, hmacKey ? BCRYPT_ALG_HANDLE_HMAC_FLAG : 0);
    BCRYPT_HASH_HANDLE h = nullptr;
    Check(BCryptCreateHash(alg.get(), &h, nullptr, 0, hmacKey ? const_cast<PUCHAR>(hmacKey->data()) : nullptr,
                           hmacKey ? static_cast<ULONG>(hmacKey->size()) : 0, 0),
          "create hash");
    Bytes out(32);
    NTSTATUS s = BCryptHashData(h, static_cast<PUCHAR>(const_cast<void*>(data)), static_cast<ULONG>(size), 0);
    if (BCRYPT_SUCCESS(s)) s = BCryptFinishHash(h, out.data(), static_cast<ULONG>(out.size()), 0);
    BCryptDestroyHash(h);
    Check(s, "hash");
    return out;
}

Bytes Sha256(const std::string& s) { return Hash(s.data(), s.size(), nullptr); }

void PutLE(Bytes& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
std::uint64_t GetLE(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool EqualConstantTime(const std::uint8_t* a, const std::uint8_t* b, size_t n) {
    std::uint8_t d = 0;
    for (size_t i = 0; i < n; ++i) d |= a[i] ^ b[i];
    return d == 0;
}

}  // namespace

struct Encryptor::Impl {
    Algorithm aes{BCRYPT_AES_ALGORITHM, 0};
    BCRYPT_KEY_HANDLE key = nullptr;
    Bytes macKey;

    ~Impl() {
        if (key) BCryptDestroyKey(key);
    }

    Bytes Cipher(bool encrypt, const std::uint8_t* data, size_t size, const std::uint8_t* iv) const {
        std::uint8_t ivCopy[kIvSize];
        std::memcpy(ivCopy, iv, kIvSize);
        ULONG needed = 0;
        auto call = [&](PUCHAR out, ULONG outSize, ULONG* got) {
            std::memcpy(ivCopy, iv, kIvSize);
            return encrypt ? BCryptEncrypt(key, const_cast<PUCHAR>(data), static_cast<ULONG>(size), nullptr, ivCopy,
                                           kIvSize, out, outSize, got, BCRYPT_BLOCK_PADDING)
                           : BCryptDecrypt(key, const_cast<PUCHAR>(data), static_cast<ULONG>(size), nullptr, ivCopy,
                                           kIvSize, out, outSize, got, BCRYPT_BLOCK_PADDING);
        };
        NTSTATUS s = call(nullptr, 0, &needed);
        if (!BCRYPT_SUCCESS(s)) {
            if (!encrypt) Fail(errBadCipherText, "The enciphered data is not valid");
            Check(s, "size");
        }
        Bytes out(needed);
        ULONG got = 0;
        s = call(out.data(), static_cast<ULONG>(out.size()), &got);
        if (!BCRYPT_SUCCESS(s)) {
            if (!encrypt) Fail(errBadCipherText, "The enciphered data is not valid");
            Check(s, "cipher");
        }
        out.resize(got);
        return out;
    }
};

Encryptor::Encryptor(const std::string& passPhrase) : impl_(std::make_unique<Impl>()) {
    Check(BCryptSetProperty(impl_->aes.get(), BCRYPT_CHAINING_MODE,
                            reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC)),
                            sizeof(BCRYPT_CHAIN_MODE_CBC), 0),
          "chaining mode");
    Bytes key = Sha256(passPhrase);  // 256 bits
    Check(BCryptGenerateSymmetricKey(impl_->aes.get(), &impl_->key, nullptr, 0, key.data(),
                                     static_cast<ULONG>(key.size()), 0),
          "key");
    impl_->macKey = Sha256("defs:" + passPhrase);
}

Encryptor::~Encryptor() = default;

Bytes Encryptor::Encrypt(const std::string& text) const {
    Bytes out(kIvSize);
    Check(BCryptGenRandom(nullptr, out.data(), kIvSize, BCRYPT_USE_SYSTEM_PREFERRED_RNG), "random");
    Bytes body = impl_->Cipher(true, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), out.data());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::string Encryptor::Decrypt(const Bytes& data) const {
    if (data.size() < kIvSize + 16 || (data.size() - kIvSize) % 16 != 0)
        Fail(errBadCipherText, "The enciphered data is not valid");
    Bytes plain = impl_->Cipher(false, data.data() + kIvSize, data.size() - kIvSize, data.data());
    return std::string(plain.begin(), plain.end());
}

SignatureSpan FindSignature(const Bytes& c) {
    SignatureSpan span;
    if (c.size() < kHeaderSize || std::memcmp(c.data(), kMagic, 8) != 0) return span;
    const std::uint32_t flags = static_cast<std::uint32_t>(GetLE(c.data() + 12, 4));
    if (!(flags & kFlagSigned)) return span;
    if (c.size() < kHeaderSize + kIvSize + 16 + kMacSize + kSignatureTrailerSize)
        Fail(errDamagedFile, "The definitions database is truncated");
    const std::uint8_t* t = c.data() + c.size() - kSignatureTrailerSize;
    if (std::memcmp(t, "CVSG", 4) != 0 || GetLE(t + 4, 4) != kSignatureTrailerSize - 8)
        Fail(errDamagedFile, "The definitions database is damaged (signature trailer)");
    span.signedSize = c.size() - kSignatureTrailerSize;
    span.signature = t + 8;
    span.signatureSize = kSignatureTrailerSize - 8;
    return span;
}

void AppendSignature(Bytes& c, const Bytes& signature) {
    if (signature.size() != kSignatureTrailerSize - 8) Fail(errCipherFailure, "Cipher failure: signature size");
    const char tag[4] = {'C', 'V', 'S', 'G'};
    c.insert(c.end(), tag, tag + 4);
    PutLE(c, signature.size(), 4);
    c.insert(c.end(), signature.begin(), signature.end());
}

Bytes Encryptor::Pack(const std::string& plainText, std::uint32_t flags) const {
    Bytes out(kMagic, kMagic + 8);
    PutLE(out, kContainerVersion, 4);
    PutLE(out, flags, 4);
    PutLE(out, plainText.size(), 8);
    Bytes enc = Encrypt(plainText);  // IV + ciphertext
    out.insert(out.end(), enc.begin(), enc.end());
    Bytes mac = Hash(out.data(), out.size(), &impl_->macKey);
    out.insert(out.end(), mac.begin(), mac.end());
    return out;
}

std::string Encryptor::Unpack(const Bytes& c) const {
    if (c.size() < 8 || std::memcmp(c.data(), kMagic, 8) != 0)
        Fail(errNotADefinitionsFile, "The file is not a definitions database");
    if (c.size() < kHeaderSize) Fail(errDamagedFile, "The definitions database is truncated");
    std::uint32_t version = static_cast<std::uint32_t>(GetLE(c.data() + 8, 4));
    if (version != kContainerVersion)
        Fail(errUnsupportedVersion, "Unsupported definitions database version " + std::to_string(version));
    const std::uint32_t flags = static_cast<std::uint32_t>(GetLE(c.data() + 12, 4));
    if (flags & ~kFlagSigned) Fail(errUnsupportedVersion, "Unsupported definitions database features");
    size_t trailer = 0;
    if (flags & kFlagSigned) {
        FindSignature(c);  // refuses a cut or malformed trailer
        trailer = kSignatureTrailerSize;
    }
    if (c.size() < kHeaderSize + kIvSize + 16 + kMacSize + trailer)
        Fail(errDamagedFile, "The definitions database is truncated");
    const size_t macAt = c.size() - trailer - kMacSize;
    Bytes mac = Hash(c.data(), macAt, &impl_->macKey);
    if (!EqualConstantTime(mac.data(), c.data() + macAt, kMacSize))
        Fail(errDamagedFile, "The definitions database is damaged (integrity check failed)");
    std::uint64_t plainLength = GetLE(c.data() + 16, 8);
    std::string plain = Decrypt(Bytes(c.begin() + kHeaderSize, c.begin() + macAt));
    if (plain.size() != plainLength) Fail(errDamagedFile, "The definitions database is damaged (length mismatch)");
    return plain;
}

void Encryptor::ProcessFile(const std::string& source, const std::string& destination) const {
    std::string raw = base::ReadWhole(source);
    std::string plain = Unpack(Bytes(raw.begin(), raw.end()));
    base::WriteText(destination, plain);
}

}  // namespace crypto
