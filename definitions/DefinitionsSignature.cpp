#include "definitions/DefinitionsSignature.h"

#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "components/crypto/Encryptor.h"
#include "definitions/StringCipher.h"

namespace modDefinitions {

std::string UnpackVerified(const crypto::Encryptor& enc, const crypto::Bytes& container, const crypto::Bytes* key) {
    // Integrity first: a damaged file is reported as damaged, whoever signed it.
    std::string plain = enc.Unpack(container);
    const crypto::SignatureSpan span = crypto::FindSignature(container);
    if (!span.signature) base::Raise(crypto::errSignatureMissing, "The definitions database is not signed");
    if (!crypto::VerifyData(key ? *key : DefinitionsPublicKey(), container.data(), span.signedSize, span.signature,
                            span.signatureSize))
        base::Raise(crypto::errSignatureInvalid, "The definitions database has a wrong signature");
    return plain;
}

std::string VerifyDefinitionsFile(const std::string& path) {
    crypto::Encryptor enc(modEncryption::kPassPhrase);
    const std::string raw = base::ReadWhole(path);
    return UnpackVerified(enc, crypto::Bytes(raw.begin(), raw.end()));
}

crypto::Bytes PackSigned(const crypto::Encryptor& enc, const std::string& plainText, const crypto::Bytes& privateKey) {
    crypto::Bytes container = enc.Pack(plainText, crypto::kFlagSigned);
    crypto::AppendSignature(container, crypto::SignData(privateKey, container.data(), container.size()));
    return container;
}

}  // namespace modDefinitions
