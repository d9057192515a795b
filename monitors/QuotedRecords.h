#pragma once
// Quoted-field records: one line of fields, each in double quotes, separated by commas, ended by
// CR LF. A quote inside a field is written doubled; a line written without doubling (an older file)
// still reads: a quote counts as the end of its field only where a comma or the line's end follows.
// A field with a line break or NUL is written escaped (base/EscapedField.h), so the record stays
// on its line.
#include <optional>
#include <string>
#include <vector>

namespace monitors {

using Fields = std::vector<std::string>;

// The line with its CR LF.
std::string QuotedRecord(const Fields& fields);
// The fields of one line (without its line end); nothing for a line that is not a quoted record
// (no opening quote, no closing quote, text between a closing quote and the next comma).
std::optional<Fields> ParseQuotedRecord(const std::string& line);

}  // namespace monitors
