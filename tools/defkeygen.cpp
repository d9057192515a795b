// Signing key for the definitions files.
//   defkeygen <private.key> <public.pub> [--create]
// Writes the public half of the private key. With --create (the build's development key) a new
// P-256 key pair is made when the private key file does not exist yet; without it a missing key
// is an error, so that a mistyped release key path never turns into a fresh key. The private key stays in the build
// folder (or wherever the release key is kept); only the public half is built into the program.
#include <cstdio>
#include <string>

#include "base/HostPath.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "components/crypto/Signature.h"

int main(int argc, char** argv) {
    const bool create = argc == 4 && std::string(argv[3]) == "--create";
    if (argc != 3 && !create) {
        std::fprintf(stderr, "usage: defkeygen <private.key> <public.pub> [--create]\n");
        return 2;
    }
    const std::string privatePath = base::WindowsPathOfHost(argv[1]);
    const std::string publicPath = base::WindowsPathOfHost(argv[2]);
    try {
        crypto::Bytes privateBlob;
        if (base::FileExists(privatePath)) {
            const std::string raw = base::ReadWhole(privatePath);
            privateBlob.assign(raw.begin(), raw.end());
        } else if (!create) {
            std::fprintf(stderr, "defkeygen: the signing key %s does not exist\n", privatePath.c_str());
            return 1;
        } else {
            privateBlob = crypto::GenerateSigningKey().privateBlob;
            base::WriteText(privatePath, std::string(privateBlob.begin(), privateBlob.end()));
            std::printf("defkeygen: made a development signing key %s\n", privatePath.c_str());
        }
        const crypto::Bytes publicBlob = crypto::PublicKeyOf(privateBlob);
        base::WriteText(publicPath, std::string(publicBlob.begin(), publicBlob.end()));
    } catch (const base::RuntimeError& e) {
        std::fprintf(stderr, "defkeygen: %s (error %ld)\n", e.description().c_str(), e.number());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "defkeygen: %s\n", e.what());
        return 1;
    }
    return 0;
}
