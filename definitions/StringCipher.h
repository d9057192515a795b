#pragma once
// The program's string cipher: short texts (the start-up password, ignore-list fields) stored as
// upper-case hexadecimal text of their enciphered bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace crypto {
class Encryptor;
}

namespace modEncryption {

// The definitions pass phrase: keys the encryptor and is the default key of value decoding.
inline constexpr const char* kPassPhrase = "QWpqRTrtMNBVCXZLKJHGFD4817ABC";

// Creates and keys the one encryptor at start-up. On failure it logs and leaves no encryptor,
// so every later Encrypte/Decrypt fails visibly instead of producing unreadable data.
void LoadEncryption();
// The encryptor LoadEncryption made, or null.
const crypto::Encryptor* Encryptor();
void ReleaseEncryption();  // tests: back to "before start-up"

// Hexadecimal text of the enciphered text; "" (and one error-log entry) on failure.
std::string Encrypte(const std::string& text);
// Plain text; "" on failure. The caller's text is cut at its first NUL, as stored back.
std::string Decrypt(std::string& hex);

std::string BytesToHex(const std::vector<std::uint8_t>& bytes);
// Two characters a byte, each pair read as the runtime reads "&H" + pair: "1G" gives 1, "ZZ" 0,
// a trailing single character its one-digit value.
std::vector<std::uint8_t> HexToBytes(const std::string& text);

}  // namespace modEncryption
