#include "archive/lha/adaptive_tree.h"

#include <utility>

namespace lha {

void AdaptiveTree::setLink(unsigned node, std::int32_t link) {
    link_[node] = link;
    if (link < 0) {
        leaf_[static_cast<unsigned>(~link)] = static_cast<std::uint16_t>(node);
    } else {
        parent_[static_cast<unsigned>(link)] = parent_[static_cast<unsigned>(link) + 1] =
            static_cast<std::uint16_t>(node);
    }
}

void AdaptiveTree::startBalanced(unsigned symbols) {
    nodes_ = 2 * symbols - 1;
    // Leaves at the back, symbol 0 last; each inner node pairs the next two.
    for (unsigned s = 0; s < symbols; ++s) {
        count_[nodes_ - 1 - s] = 1;
        setLink(nodes_ - 1 - s, ~static_cast<std::int32_t>(s));
    }
    unsigned pair = nodes_ - 2;
    for (unsigned n = symbols - 1; n-- > 0; pair -= 2) {
        count_[n] = static_cast<std::uint16_t>(count_[pair] + count_[pair + 1]);
        setLink(n, static_cast<std::int32_t>(pair));
    }
    total_ = symbols;
}

void AdaptiveTree::startSingle(unsigned symbol) {
    nodes_ = 1;
    count_[0] = 1;
    setLink(0, ~static_cast<std::int32_t>(symbol));
    total_ = 0;
}

void AdaptiveTree::addSymbol(unsigned symbol) {
    // The last node moves one down and shares a new parent, in its old place,
    // with the new leaf, which starts uncounted.
    const unsigned last = nodes_ - 1;
    count_[last + 1] = count_[last];
    setLink(last + 1, link_[last]);
    count_[last + 2] = 0;
    setLink(last + 2, ~static_cast<std::int32_t>(symbol));
    setLink(last, static_cast<std::int32_t>(last + 1));
    nodes_ += 2;
    count(symbol);
}

void AdaptiveTree::count(unsigned symbol) {
    if (total_ == kRebuildAt) rebuild();
    ++total_;
    // The root's count is total_; every other node on the way up is raised,
    // first changing places with the front node of its count.
    for (unsigned node = leaf_[symbol]; node != 0; node = parent_[node]) {
        unsigned front = node;
        while (front > 1 && count_[front - 1] == count_[node]) --front;
        if (front != node) {
            const std::int32_t a = link_[node];
            setLink(node, link_[front]);
            setLink(front, a);
            node = front;
        }
        ++count_[node];
    }
}

void AdaptiveTree::rebuild() {
    if (nodes_ == 1) {
        count_[0] = static_cast<std::uint16_t>((count_[0] + 1) / 2);
        total_ = count_[0];
        return;
    }
    // The leaves in rank order, counts halved.
    std::array<std::uint16_t, kMaxSymbols> counts{};
    std::array<std::int32_t, kMaxSymbols> links{};
    unsigned leaves = 0;
    for (unsigned n = 0; n < nodes_; ++n) {
        if (link_[n] < 0) {
            counts[leaves] = static_cast<std::uint16_t>((count_[n] + 1) / 2);
            links[leaves++] = link_[n];
        }
    }
    // Filled from the back: the two last nodes get a parent, which goes ahead
    // of every remaining leaf that is used no more than it (those are placed
    // first); and so on up to the root.
    unsigned next = leaves;  // leaves[next - 1] is the next to place
    int at = static_cast<int>(nodes_) - 1;
    auto placeLeaf = [&] {
        --next;
        count_[at] = counts[next];
        link_[at] = links[next];
        --at;
    };
    for (int pair = at - 1; at >= 0; pair -= 2) {
        while (at >= pair && next > 0) placeLeaf();
        if (pair < 0) break;
        const auto sum = static_cast<std::uint32_t>(count_[pair] + count_[pair + 1]);
        while (next > 0 && counts[next - 1] <= sum) placeLeaf();
        count_[at] = static_cast<std::uint16_t>(sum);
        link_[at] = pair;
        --at;
    }
    for (unsigned n = 0; n < nodes_; ++n) setLink(n, link_[n]);
    total_ = static_cast<std::uint32_t>(count_[0]);
}

}  // namespace lha
