#include "results/Finding.h"

#include <array>

namespace results {
namespace {
const std::array<std::string, 8> kKindTexts = {
    "Malware File",   "Malware Folder",   "Tracking Cookie", "Malware Process",
    "Malware RegKey", "Malware RegValue", "Malware RegData", "Bad Hosts Entry",
};
}  // namespace

const std::string& KindText(FindingKind kind) { return kKindTexts[static_cast<size_t>(kind)]; }

std::optional<FindingKind> KindFromText(const std::string& text) {
    for (size_t i = 0; i < kKindTexts.size(); ++i)
        if (kKindTexts[i] == text) return static_cast<FindingKind>(i);
    return std::nullopt;
}

}  // namespace results
