#pragma once
// Which key-name fragments of the registry definitions occur in a text: every fragment at once,
// in one pass over the text (an Aho-Corasick automaton), instead of one substring search per
// definition row. Build it from the upper-cased fragments; feed it upper-cased text.
#include <cstdint>
#include <string>
#include <vector>

namespace scanner {

class FragmentIndex {
public:
    // `fragments[i]` is the fragment of row i + 1; empty fragments name nothing and are left out.
    void Build(const std::vector<std::string>& fragments);
    // The rows (1-based, ascending, each once) whose fragment occurs in `text`.
    void FindAll(const std::string& text, std::vector<int>& rows) const;
    bool Empty() const { return fragmentCount_ == 0; }

private:
    int classes_ = 1;  // byte classes: 0 for every byte no fragment holds
    uint16_t classOf_[256] = {};
    std::vector<int32_t> next_;             // node * classes_ + class -> node (complete automaton)
    std::vector<int32_t> outLink_;          // nearest proper suffix node that ends a fragment, -1 none
    std::vector<std::vector<int>> rowsAt_;  // rows whose fragment ends at the node
    int fragmentCount_ = 0;
};

}  // namespace scanner
