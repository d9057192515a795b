#pragma once
// Substring search over one fixed text, answering exactly what std::string::find answers,
// without scanning the text: every 4-character window is indexed once, and a search walks the
// occurrences of the pattern's rarest window from the start position on.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace modDefinitions {

class TextIndex {
public:
    TextIndex() = default;
    explicit TextIndex(const std::string& text);
    TextIndex(TextIndex&&) = default;
    TextIndex& operator=(TextIndex&&) = default;
    // Same result as text.find(pattern, from) on the text the index was built from.
    size_t Find(const std::string& pattern, size_t from) const;
    const std::string& text() const { return text_; }

private:
    static constexpr size_t kGram = 4;
    std::string text_;
    std::vector<std::uint64_t> grams_;  // (window << 32) | position, sorted
    // Patterns shorter than a window: all their positions, found once on first use.
    mutable std::map<std::string, std::vector<std::uint32_t>> shortPatterns_;
};

}  // namespace modDefinitions
