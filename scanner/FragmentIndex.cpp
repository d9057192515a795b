#include "scanner/FragmentIndex.h"

#include <algorithm>

namespace scanner {

void FragmentIndex::Build(const std::vector<std::string>& fragments) {
    std::fill(std::begin(classOf_), std::end(classOf_), uint16_t{0});
    classes_ = 1;
    fragmentCount_ = 0;
    for (const std::string& f : fragments)
        for (unsigned char c : f)
            if (classOf_[c] == 0) classOf_[c] = static_cast<uint16_t>(classes_++);
    next_.assign(classes_, -1);
    rowsAt_.assign(1, {});
    for (size_t i = 0; i < fragments.size(); ++i) {
        const std::string& f = fragments[i];
        if (f.empty()) continue;
        int node = 0;
        for (unsigned char c : f) {
            int32_t& slot = next_[static_cast<size_t>(node) * classes_ + classOf_[c]];
            if (slot < 0) {
                slot = static_cast<int32_t>(rowsAt_.size());
                rowsAt_.emplace_back();
                next_.resize(next_.size() + classes_, -1);
            }
            node = next_[static_cast<size_t>(node) * classes_ + classOf_[c]];
        }
        rowsAt_[node].push_back(static_cast<int>(i) + 1);
        ++fragmentCount_;
    }
    const size_t nodes = rowsAt_.size();
    std::vector<int32_t> fail(nodes, 0);
    outLink_.assign(nodes, -1);
    std::vector<int32_t> queue;
    queue.reserve(nodes);
    for (int c = 0; c < classes_; ++c) {
        int32_t& v = next_[c];
        if (v < 0) {
            v = 0;
        } else {
            fail[v] = 0;
            queue.push_back(v);
        }
    }
    for (size_t head = 0; head < queue.size(); ++head) {
        const int32_t u = queue[head];
        for (int c = 0; c < classes_; ++c) {
            int32_t& v = next_[static_cast<size_t>(u) * classes_ + c];
            const int32_t viaFail = next_[static_cast<size_t>(fail[u]) * classes_ + c];
            if (v < 0) {
                v = viaFail;
            } else {
                fail[v] = viaFail;
                outLink_[v] = rowsAt_[viaFail].empty() ? outLink_[viaFail] : viaFail;
                queue.push_back(v);
            }
        }
    }
}

void FragmentIndex::FindAll(const std::string& text, std::vector<int>& rows) const {
    rows.clear();
    if (fragmentCount_ == 0) return;
    int32_t node = 0;
    for (unsigned char c : text) {
        node = next_[static_cast<size_t>(node) * classes_ + classOf_[c]];
        for (int32_t n = rowsAt_[node].empty() ? outLink_[node] : node; n > 0; n = outLink_[n])
            rows.insert(rows.end(), rowsAt_[n].begin(), rowsAt_[n].end());
    }
    if (rows.size() > 1) {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    }
}

}  // namespace scanner
