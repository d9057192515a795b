#include <gtest/gtest.h>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/modMain.h"
#include "definitions/StringCipher.h"

using namespace modEncryption;
using testing_support::ScopedProgramFolder;

namespace {
struct WithEncryptor {
    WithEncryptor() { LoadEncryption(); }
    ~WithEncryptor() { ReleaseEncryption(); }
};
std::string LogText() {
    return base::FileExists(modMain::ErrorLogPath()) ? base::ReadWhole(modMain::ErrorLogPath()) : "";
}
size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}
}  // namespace

TEST(HexText, BytesToHexAndBack) {
    EXPECT_EQ(BytesToHex({0x00, 0x0F, 0xA0}), "000FA0");
    EXPECT_EQ(BytesToHex({}), "");
    struct Row {
        const char* text;
        std::vector<std::uint8_t> bytes;
    };
    const Row rows[] = {
        {"0a1", {0x0A, 0x01}}, {"1G", {0x01}}, {"ZZ", {0x00}}, {"", {}}, {"FFff00", {0xFF, 0xFF, 0x00}}};
    for (const Row& r : rows) EXPECT_EQ(HexToBytes(r.text), r.bytes) << r.text;
}

TEST(StringCipher, RoundTripIsUpperCaseHex) {
    ScopedProgramFolder pf;
    WithEncryptor enc;
    for (std::string s : {std::string("secret"), std::string(""), std::string("Malware File"),
                          std::string("C:\\Program Files\\x\xE9\"quoted\""), std::string(1000, 'z')}) {
        std::string hex = Encrypte(s);
        ASSERT_FALSE(hex.empty());
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(hex.size() % 2, 0u);
        EXPECT_EQ(Decrypt(hex), s);
    }
    EXPECT_EQ(LogText(), "");
}

TEST(StringCipher, DecryptCutsAtNulAndStoresTheCutBack) {
    ScopedProgramFolder pf;
    WithEncryptor enc;
    std::string hex = Encrypte("abc");
    std::string withJunk = hex + std::string(1, '\0') + "JUNK";
    EXPECT_EQ(Decrypt(withJunk), "abc");
    EXPECT_EQ(withJunk, hex);
}

TEST(StringCipher, FailuresGiveEmptyTextAndOneEntryEach) {
    ScopedProgramFolder pf;
    std::string empty;
    EXPECT_EQ(Decrypt(empty), "");  // no encryptor needed for empty text
    EXPECT_EQ(LogText(), "");
    // Before start-up made the encryptor.
    EXPECT_EQ(Encrypte("x"), "");
    std::string hex = "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";
    EXPECT_EQ(Decrypt(hex), "");
    EXPECT_EQ(Count(LogText(), "Method: Encrypte\""), 1u);
    EXPECT_EQ(Count(LogText(), "Method: Decrypt\""), 1u);
    // Text that this cipher never made.
    WithEncryptor enc;
    std::string garbage = "ZZ";
    EXPECT_EQ(Decrypt(garbage), "");
    EXPECT_EQ(Count(LogText(), "Method: Decrypt\""), 2u);
}

// Enciphered texts are stored across runs: a text made in one process reads back in another.
TEST(StringCipher, RoundTripAcrossProcesses) {
    if (testing_support::IsChildRun()) return;
    testing_support::TempFolder t;
    const std::string file = t / "hex.txt";
    ASSERT_EQ(testing_support::RunSelf("CipherChild.Encipher", "CORVANE_CIPHER_FILE=" + file), 0);
    std::string hex = base::ReadWhole(file);
    ASSERT_FALSE(hex.empty());
    ScopedProgramFolder pf;
    WithEncryptor enc;
    EXPECT_EQ(Decrypt(hex), "ignore me\tplease");
}

TEST(CipherChild, Encipher) {
    if (!testing_support::IsChildRun()) GTEST_SKIP() << "runs as the child of RoundTripAcrossProcesses";
    char file[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("CORVANE_CIPHER_FILE", file, MAX_PATH), 0u);
    WithEncryptor enc;
    base::WriteText(file, Encrypte("ignore me\tplease"));
}
