#include "definitions/DefinitionsPacker.h"

#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "components/crypto/Encryptor.h"
#include "definitions/DefinitionsSignature.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"

namespace modDefinitions {

std::string ScrambleDefinitionsSource(const std::string& source) {
    std::string out;
    int lineNumber = 0;
    for (const std::string& line : base::SplitLines(source)) {
        ++lineNumber;
        if (!line.empty() && line[0] == '#') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            out += line + "\r\n";
            continue;
        }
        const std::string stored = EncryptDefString(line.substr(eq + 1));
        if (stored.find_first_of("\r\n") != std::string::npos ||
            (!stored.empty() && (stored.front() == ' ' || stored.back() == ' ')))
            base::Raise(base::errInvalidProcedureCall,
                        "line " + std::to_string(lineNumber) + ": the value of " + line.substr(0, eq) +
                            " cannot be stored (a character outside the storable range)");
        out += line.substr(0, eq + 1) + stored + "\r\n";
    }
    return out;
}

void WriteDefinitionsFile(const std::string& path, const std::string& source,
                          const std::vector<std::uint8_t>& privateKey) {
    crypto::Encryptor enc(modEncryption::kPassPhrase);
    crypto::Bytes packed = PackSigned(enc, ScrambleDefinitionsSource(source), privateKey);
    base::WriteText(path, std::string(packed.begin(), packed.end()));
}

}  // namespace modDefinitions
