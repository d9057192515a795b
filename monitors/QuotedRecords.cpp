#include "monitors/QuotedRecords.h"

#include "base/EscapedField.h"

namespace monitors {

std::string QuotedRecord(const Fields& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += '"';
        for (char c : base::EscapeLineField(fields[i])) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    line += "\r\n";
    return line;
}

std::optional<Fields> ParseQuotedRecord(const std::string& line) {
    Fields fields;
    size_t i = 0;
    const size_t n = line.size();
    for (;;) {
        if (i >= n || line[i] != '"') return std::nullopt;
        ++i;
        std::string field;
        bool closed = false;
        while (i < n) {
            char c = line[i];
            if (c != '"') {
                field += c;
                ++i;
                continue;
            }
            if (i + 1 < n && line[i + 1] == '"') {  // a doubled quote
                field += '"';
                i += 2;
                continue;
            }
            if (i + 1 == n || line[i + 1] == ',') {  // the field's closing quote
                closed = true;
                ++i;
                break;
            }
            field += '"';  // a lone quote inside the field, as older files hold them
            ++i;
        }
        if (!closed) return std::nullopt;
        fields.push_back(base::UnescapeLineField(field));
        if (i == n) return fields;
        ++i;  // the comma
    }
}

}  // namespace monitors
