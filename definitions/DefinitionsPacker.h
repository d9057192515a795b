#pragma once
// Turns a readable definitions source (plain values) into the stored definitions text and defs.dat.
#include <cstdint>
#include <string>
#include <vector>

namespace modDefinitions {

// Every KEY=VALUE line gets its value scrambled; other lines stay; lines starting with '#' are
// source comments and are dropped; every line ends with CR LF. Throws base::RuntimeError naming
// the line when a value cannot be stored (its scrambled form would hold a line break or start or
// end with a blank, which the look-up would cut).
std::string ScrambleDefinitionsSource(const std::string& source);

// Scrambles the source and writes the enciphered container to `path`, keyed by the pass phrase
// and signed with `privateKey` (a P-256 private key blob; the program holds only its public half).
void WriteDefinitionsFile(const std::string& path, const std::string& source,
                          const std::vector<std::uint8_t>& privateKey);

}  // namespace modDefinitions
