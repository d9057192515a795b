#include "guards/Records.h"

#include "base/EscapedField.h"

namespace guards {
namespace {

const char kDetails[] = "=?d:";

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

std::string EncodeField(const std::string& field) { return base::EscapeLineField(field); }

std::string DecodeField(const std::string& line) { return base::UnescapeLineField(line); }

std::string EncodeDetails(const Details& details) {
    if (details.empty()) return {};
    std::string out = kDetails;
    bool first = true;
    for (const auto& [k, v] : details) {
        if (!first) out += '&';
        first = false;
        out += base::PercentEncode(k, "&=") + "=" + base::PercentEncode(v, "&=");
    }
    return out;
}

bool IsDetailsLine(const std::string& line) { return StartsWith(line, kDetails); }

Details DecodeDetails(const std::string& line) {
    Details d;
    if (!IsDetailsLine(line)) return d;
    std::string rest = line.substr(sizeof(kDetails) - 1);
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t amp = rest.find('&', pos);
        std::string pair = rest.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        size_t eq = pair.find('=');
        if (eq != std::string::npos)
            d[base::PercentDecode(pair.substr(0, eq))] = base::PercentDecode(pair.substr(eq + 1));
        if (amp == std::string::npos) break;
        pos = amp + 1;
    }
    return d;
}

std::string WriteRecords(const std::vector<LineRecord>& records, size_t fieldsPerRecord) {
    std::string out;
    for (const auto& r : records) {
        for (size_t i = 0; i < fieldsPerRecord; ++i)
            out += EncodeField(i < r.fields.size() ? r.fields[i] : "") + "\r\n";
        std::string d = EncodeDetails(r.details);
        if (!d.empty()) out += d + "\r\n";
    }
    return out;
}

std::vector<std::string> SplitRecordLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        size_t end = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
        lines.push_back(text.substr(pos, end - pos));
        pos = nl + 1;
    }
    return lines;
}

std::vector<LineRecord> ReadRecords(const std::string& text, size_t fieldsPerRecord, bool* truncated) {
    if (truncated) *truncated = false;
    std::vector<LineRecord> records;
    std::vector<std::string> lines = SplitRecordLines(text);
    size_t i = 0;
    while (i < lines.size()) {
        LineRecord r;
        for (size_t f = 0; f < fieldsPerRecord; ++f) {
            if (i < lines.size() && !(f > 0 && IsDetailsLine(lines[i]))) {
                r.fields.push_back(DecodeField(lines[i++]));
            } else {
                if (truncated) *truncated = true;
                r.fields.emplace_back();
            }
        }
        if (i < lines.size() && IsDetailsLine(lines[i])) r.details = DecodeDetails(lines[i++]);
        records.push_back(std::move(r));
    }
    return records;
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        int hi = base::HexDigitValue(hex[i]), lo = base::HexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0) break;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

}  // namespace guards
