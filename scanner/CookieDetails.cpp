#include "scanner/CookieDetails.h"

#include <vector>

#include "base/Text.h"
#include "base/TextFile.h"
#include "core/modLanguage.h"

namespace modMain {
namespace {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string GetCookieDetails(const std::string& path) {
    if (!base::FileExists(path)) return modLanguage::getMessage("1124", "Cookie file is locked or not exist.");
    const std::vector<std::string> lines = base::SplitLines(base::ReadWhole(path));

    const std::string crlf = "\r\n";
    const std::string typeCaption = modLanguage::getMessage("1125", "Cookie Type:");
    const std::string valueCaption = modLanguage::getMessage("1126", "Cookie Value:");
    const std::string sourceCaption = modLanguage::getMessage("1127", "Cookie Source:");
    const std::string nameCaption = modLanguage::getMessage("1128", "Cookie Name:");
    const std::string fileName = FileNameOf(path);

    // Records end at a line that is only "*": a "*" inside a value cuts nothing. Every record
    // gets its block, not only the last one.
    std::string result;
    std::vector<std::string> record;
    auto take = [&]() -> bool {
        size_t first = 0;  // the line ends before a record are no field
        while (first < record.size() && record[first].empty()) ++first;
        if (first == record.size()) return true;
        if (record.size() - first < 8) return false;
        const std::string& name = record[first];
        const std::string& value = record[first + 1];
        const std::string& site = record[first + 2];
        if (site.empty()) return false;
        result += crlf + typeCaption + name + crlf + valueCaption + value + crlf + sourceCaption + site + crlf +
                  nameCaption + fileName + crlf;
        return true;
    };
    for (const std::string& line : lines) {
        if (base::Trim(line) != "*") {
            record.push_back(line);
            continue;
        }
        if (!take()) return result;
        record.clear();
    }
    take();
    return result;
}

}  // namespace modMain
