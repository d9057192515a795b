#pragma once
// Line records of the startup and helper-object files: a fixed number of lines per record, one
// field a line, CR LF. Plain fields are written as they are, so files of earlier versions read
// back unchanged; a field that holds a line break or NUL (or begins with the escape mark) is
// written escaped, and a record may carry one extra line of undo details after its fields.
#include <map>
#include <string>
#include <vector>

namespace guards {

using Details = std::map<std::string, std::string>;

struct LineRecord {
    std::vector<std::string> fields;
    Details details;
};

std::string EncodeField(const std::string& field);
std::string DecodeField(const std::string& line);

// "=?d:" + key=value pairs; empty text for no details.
std::string EncodeDetails(const Details& details);
bool IsDetailsLine(const std::string& line);
Details DecodeDetails(const std::string& line);

std::string WriteRecords(const std::vector<LineRecord>& records, size_t fieldsPerRecord);
// Reads to the end of the text (an empty line is a field like any other). A record cut short
// keeps the fields it has, the rest empty, and sets *truncated.
std::vector<LineRecord> ReadRecords(const std::string& text, size_t fieldsPerRecord, bool* truncated = nullptr);

std::string ToHex(const std::string& bytes);
std::string FromHex(const std::string& hex);  // stops at the first pair that is not hex

// Lines of a text split at CR LF or LF; a final line break adds no empty line.
std::vector<std::string> SplitRecordLines(const std::string& text);

}  // namespace guards
