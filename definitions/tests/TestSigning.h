#pragma once
// Tests sign their definitions files with the build's signing key (its path is compiled in).
#include <string>

#include "base/TextFile.h"
#include "components/crypto/Signature.h"

namespace testing_support {

inline crypto::Bytes TestSigningKey() {
    std::string p = CORVANE_SIGNING_KEY_FILE;
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    for (char& c : p)
        if (c == '/') c = '\\';
    const std::string raw = base::ReadWhole(p);
    return crypto::Bytes(raw.begin(), raw.end());
}

}  // namespace testing_support
