#include "definitions/TextIndex.h"

#include <algorithm>
#include <cstring>

namespace modDefinitions {
namespace {
std::uint32_t Window(const char* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}
}  // namespace

TextIndex::TextIndex(const std::string& text) : text_(text) {
    // Positions are kept in 32 bits; a larger text is searched without the index.
    if (text_.size() < kGram || text_.size() - 1 > std::size_t(0xFFFFFFFEu)) return;
    const size_t count = text_.size() - kGram + 1;
    grams_.resize(count);
    for (size_t i = 0; i < count; ++i) grams_[i] = (std::uint64_t(Window(text_.data() + i)) << 32) | i;
    std::sort(grams_.begin(), grams_.end());
}

size_t TextIndex::Find(const std::string& pattern, size_t from) const {
    const size_t m = pattern.size();
    if (grams_.empty() || m == 0) return text_.find(pattern, from);
    if (m < kGram) {
        auto it = shortPatterns_.find(pattern);
        if (it == shortPatterns_.end()) {
            if (shortPatterns_.size() >= 256) return text_.find(pattern, from);
            std::vector<std::uint32_t> all;
            for (size_t p = text_.find(pattern); p != std::string::npos; p = text_.find(pattern, p + 1))
                all.push_back(static_cast<std::uint32_t>(p));
            it = shortPatterns_.emplace(pattern, std::move(all)).first;
        }
        auto at = std::lower_bound(it->second.begin(), it->second.end(), from);
        return at == it->second.end() ? std::string::npos : *at;
    }
    if (from > text_.size() || m > text_.size() - from) return std::string::npos;

    // The window of the pattern with the fewest occurrences in the text.
    size_t bestOffset = 0;
    const std::uint64_t* bestBegin = nullptr;
    const std::uint64_t* bestEnd = nullptr;
    for (size_t j = 0; j + kGram <= m; ++j) {
        const std::uint64_t w = Window(pattern.data() + j);
        const std::uint64_t* lo = std::lower_bound(grams_.data(), grams_.data() + grams_.size(), w << 32);
        const std::uint64_t* hi = std::upper_bound(lo, grams_.data() + grams_.size(), (w << 32) | 0xFFFFFFFFu);
        if (lo == hi) return std::string::npos;
        if (!bestBegin || hi - lo < bestEnd - bestBegin) {
            bestOffset = j;
            bestBegin = lo;
            bestEnd = hi;
            if (hi - lo == 1) break;
        }
    }
    // Every occurrence at q >= from has this window at q + bestOffset; positions ascend.
    const std::uint64_t w = Window(pattern.data() + bestOffset);
    const std::uint64_t* it = std::lower_bound(bestBegin, bestEnd, (w << 32) | (from + bestOffset));
    for (; it != bestEnd; ++it) {
        const size_t q = static_cast<size_t>(*it & 0xFFFFFFFFu) - bestOffset;
        if (q + m <= text_.size() && std::memcmp(text_.data() + q, pattern.data(), m) == 0) return q;
    }
    return std::string::npos;
}

}  // namespace modDefinitions
