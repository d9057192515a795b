#pragma once
// The definitions text: defs.dat turned into text once per load, then read by section and key,
// each value decoded before use.
#include <optional>
#include <string>

namespace modDefinitions {

inline std::string gb_definitionsText;  // the whole text as unpacked, line ends included

// Unpacks defs.dat through the encryptor into memory; the deciphered text never reaches the
// disk. A Normal.qvl left by an older version is deleted (a failure to is logged). A refused or
// missing defs.dat keeps the definitions already loaded (none at start-up), after the unpacking
// has told the user and logged why.
void LoadDefinitions();
// Installs a definitions text directly (tests and the benchmark).
void SetDefinitionsText(const std::string& text);

// True when the container `source` was accepted; `text` then holds its plain text. On failure
// two plain message boxes (the error number, then its description) and one error-log entry,
// and `text` is left as it was.
bool UnpackDefinitions(const std::string& source, std::string& text);

// First-match look-up: the first occurrence of `section` in the text, then the first occurrence
// of `key` at or after it, then the text between the next "=" and the next CR LF (or the end of
// the text), blanks trimmed. The value is still scrambled. A missing section, or a key with no
// "=" after it, logs error 5 and gives the default; a key missing after its section gives the
// default silently.
std::string GetDataBaseItem(const std::string& section, const std::string& key, const std::string& defaultValue);

// Reverses the per-character scrambling of a stored value; an empty key is replaced by the pass
// phrase (the caller's variable too).
std::string DecryptDefString(const std::string& text, std::string& key);

// The decoded value, or nothing (Empty) when the entry is missing or empty.
std::optional<std::string> updateListfromINI(const std::string& section, const std::string& key);

// The look-up rule over any search function with std::string::find's contract; the store uses the
// index, tests compare it with the plain scan.
struct LookupResult {
    std::string value;
    bool error = false;  // the rule hit runtime error 5
};
template <class Find>
LookupResult LookupItem(const std::string& text, Find&& find, const std::string& section, const std::string& key,
                        const std::string& defaultValue);
LookupResult LookupPlain(const std::string& text, const std::string& section, const std::string& key,
                         const std::string& defaultValue);

// The scrambling the packer applies (the inverse of DecryptDefString with the pass phrase).
std::string EncryptDefString(const std::string& plain);

}  // namespace modDefinitions

#include "definitions/DefinitionsStore.inl"
