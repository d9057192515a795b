#pragma once
// Signed definitions: a defs.dat is taken only when its container is intact and its signature
// verifies under the public key built into the program (docs/DEFINITIONS-SIGNING.md).
#include <string>

#include "components/crypto/Signature.h"

namespace crypto {
class Encryptor;
}

namespace modDefinitions {

// The public key the build embedded (generated source).
const crypto::Bytes& DefinitionsPublicKey();

// Refuses (base::RuntimeError) a container that is damaged, unsigned, or signed by another key;
// returns its plain text otherwise. `key` defaults to the embedded public key.
std::string UnpackVerified(const crypto::Encryptor& enc, const crypto::Bytes& container,
                           const crypto::Bytes* key = nullptr);
// Checks a file without unpacking it anywhere (the update checks a download before installing it);
// returns its plain text.
std::string VerifyDefinitionsFile(const std::string& path);

// Packs and signs a plain definitions text with a private key blob (the packer's).
crypto::Bytes PackSigned(const crypto::Encryptor& enc, const std::string& plainText, const crypto::Bytes& privateKey);

}  // namespace modDefinitions
