#pragma once
// Tests sign their definitions files with the build's signing key (its path is compiled in).
#include <string>

#include "base/HostPath.h"
#include "base/TextFile.h"
#include "components/crypto/Signature.h"

namespace testing_support {

inline crypto::Bytes TestSigningKey() {
    const std::string raw = base::ReadWhole(base::WindowsPathOfHost(CORVANE_SIGNING_KEY_FILE));
    return crypto::Bytes(raw.begin(), raw.end());
}

}  // namespace testing_support
