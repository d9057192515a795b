// Signed definitions: only a file signed with the build's key is loaded; anyone holding the pass
// phrase can make an intact container, so intact is not enough.
#include <gtest/gtest.h>

#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "components/crypto/Encryptor.h"
#include "core/modMain.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsSignature.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "definitions/tests/TestSigning.h"

using namespace modDefinitions;
using testing_support::ScopedProgramFolder;

namespace {
std::string LogText() {
    const std::string p = modMain::FullPath_With_Filename("logs\\errorlog.txt");
    return base::FileExists(p) ? base::ReadWhole(p) : std::string();
}
std::string Str(const crypto::Bytes& b) { return std::string(b.begin(), b.end()); }
}  // namespace

TEST(Signature, SignsAndVerifiesOnlyTheSameBytesUnderTheSameKey) {
    const crypto::KeyPair a = crypto::GenerateSigningKey();
    const crypto::KeyPair b = crypto::GenerateSigningKey();
    EXPECT_EQ(crypto::PublicKeyOf(a.privateBlob), a.publicBlob);
    const std::string text = "defs";
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
    crypto::Bytes sig = crypto::SignData(a.privateBlob, p, text.size());
    EXPECT_TRUE(crypto::VerifyData(a.publicBlob, p, text.size(), sig.data(), sig.size()));
    EXPECT_FALSE(crypto::VerifyData(b.publicBlob, p, text.size(), sig.data(), sig.size()));
    EXPECT_FALSE(crypto::VerifyData(a.publicBlob, p, text.size() - 1, sig.data(), sig.size()));
    EXPECT_FALSE(crypto::VerifyData(a.publicBlob, p, text.size(), sig.data(), sig.size() - 1));
    sig[10] ^= 0x40;
    EXPECT_FALSE(crypto::VerifyData(a.publicBlob, p, text.size(), sig.data(), sig.size()));
}

TEST(Signature, TheEmbeddedKeyIsTheBuildKeysPublicHalf) {
    EXPECT_EQ(DefinitionsPublicKey(), crypto::PublicKeyOf(testing_support::TestSigningKey()));
}

TEST(Signature, LoadDefinitionsRefusesUnsignedAndForeignFilesBeforeLoadingAnything) {
    ScopedProgramFolder pf;
    modEncryption::LoadEncryption();
    const crypto::Encryptor& enc = *modEncryption::Encryptor();
    const std::string plain = ScrambleDefinitionsSource("[MEMA]\nMEMAF0=evil.exe\n");

    WriteDefinitionsFile(pf / "defs.dat", "[MEMA]\nMEMAF0=good.exe\n", testing_support::TestSigningKey());
    LoadDefinitions();
    ASSERT_EQ(updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("good.exe"));
    const std::string good = base::ReadWhole(pf / "defs.dat");

    crypto::Bytes flipped(good.begin(), good.end());
    flipped[flipped.size() - 5] ^= 0x01;       // inside the signature, outside the HMAC
    crypto::Bytes stripped = enc.Pack(plain);  // the container as it was before signatures
    struct Row {
        const char* name;
        std::string bytes;
        const char* error;
    };
    const Row rows[] = {
        {"unsigned (the older container)", Str(stripped), "not signed"},
        {"signed by another key", Str(PackSigned(enc, plain, crypto::GenerateSigningKey().privateBlob)),
         "wrong signature"},
        {"signature altered", Str(flipped), "wrong signature"},
        {"trailer cut", good.substr(0, good.size() - 40), "truncated"},
        {"trailer cut short", good.substr(0, good.size() - 3), "damaged"},
    };
    for (const Row& r : rows) {
        base::WriteText(pf / "defs.dat", r.bytes);
        std::string shown;
        base::modal::Expect("MsgBox", IDOK);
        base::modal::Expect("MsgBox", [&](const base::modal::Step& s) {
            shown = s.text;
            return IDOK;
        });
        LoadDefinitions();
        EXPECT_NE(shown.find(r.error), std::string::npos) << r.name << ": " << shown;
        EXPECT_NE(LogText().find(r.error), std::string::npos) << r.name;
        EXPECT_EQ(updateListfromINI("[MEMA]", "MEMAF0"), std::optional<std::string>("good.exe")) << r.name;
        EXPECT_FALSE(base::FileExists(pf / "Normal.qvl")) << r.name;
        EXPECT_THROW(VerifyDefinitionsFile(pf / "defs.dat"), base::RuntimeError) << r.name;
    }
    base::WriteText(pf / "defs.dat", good);
    EXPECT_NO_THROW(VerifyDefinitionsFile(pf / "defs.dat"));
    modEncryption::ReleaseEncryption();
}

TEST(Signature, TheOlderUnsignedContainerStillUnpacksForTheIntegrityCheck) {
    crypto::Encryptor enc(modEncryption::kPassPhrase);
    const crypto::Bytes old = enc.Pack("[A]\r\nB=c\r\n");
    EXPECT_EQ(enc.Unpack(old), "[A]\r\nB=c\r\n");
    EXPECT_EQ(crypto::FindSignature(old).signature, nullptr);
    const crypto::Bytes signedOne = PackSigned(enc, "[A]\r\nB=c\r\n", testing_support::TestSigningKey());
    EXPECT_EQ(enc.Unpack(signedOne), "[A]\r\nB=c\r\n");
    EXPECT_EQ(UnpackVerified(enc, signedOne), "[A]\r\nB=c\r\n");
}
