#include "core/DefinitionsLinks.h"

#include "core/Wiring.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"

namespace wiring {

void ConnectDefinitions() {
    SetLoadDefinitions(&modDefinitions::LoadDefinitions);
    SetDecrypt([](const std::string& stored, std::string& plain) {
        std::string hex = stored;
        plain = modEncryption::Decrypt(hex);
        // The cipher answers "" for anything it cannot decipher.
        return !plain.empty();
    });
}

}  // namespace wiring
