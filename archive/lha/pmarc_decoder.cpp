// PMarc's methods (MSX-DOS): bytes are coded by how recently they last
// appeared (a list in which each byte written moves to the front), matches
// by length and distance, each under codes that change with the output.
// -pm1- (16 KiB window) codes with fixed tables, chosen once per stream and
// widened as the output grows; -pm2- (8 KiB) with small Huffman codes that
// the stream replaces now and then.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "archive/lha/decoders.h"

namespace lha {
namespace {

// The 256 byte values, the most recently written first.
class RecencyList {
public:
    RecencyList() {
        // The printable characters first, then the controls, then the rest.
        std::size_t i = 0;
        for (auto [from, to] : {std::pair{0x20, 0x7F}, {0x00, 0x1F}, {0xA0, 0xDF}, {0x80, 0x9F}, {0xE0, 0xFF}})
            for (int b = from; b <= to; ++b) order_[i++] = static_cast<std::uint8_t>(b);
    }
    std::uint8_t at(unsigned rank) const { return order_[rank & 0xFF]; }
    void moveToFront(const std::uint8_t* bytes, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t b = bytes[k];
            if (order_[0] == b) continue;
            const auto* at = static_cast<const std::uint8_t*>(std::memchr(order_.data(), b, order_.size()));
            const auto rank = static_cast<std::size_t>(at - order_.data());
            std::memmove(order_.data() + 1, order_.data(), rank);
            order_[0] = b;
        }
    }

private:
    std::array<std::uint8_t, 256> order_{};
};

// A value coded as a class, then `bits` more bits above the class's base.
struct Range {
    unsigned base;
    unsigned bits;
};

unsigned readRange(BitReader& in, Range r) {
    return r.base + in.get(r.bits);
}

// A canonical prefix code over at most 32 symbols, read bit by bit (PMarc's
// codes may run to 31 bits).
class SmallCode {
public:
    // False unless the lengths (0: unused) make a complete code.
    bool build(const std::uint8_t* lengths, unsigned symbols) {
        valid_ = false;
        std::uint64_t space = 0;
        counts_.fill(0);
        maxLength_ = 0;
        for (unsigned s = 0; s < symbols; ++s) {
            if (lengths[s] > kMaxLength) return false;
            if (lengths[s] == 0) continue;
            ++counts_[lengths[s]];
            space += std::uint64_t{1} << (kMaxLength - lengths[s]);
            if (lengths[s] > maxLength_) maxLength_ = lengths[s];
        }
        if (space != std::uint64_t{1} << kMaxLength) return false;
        unsigned n = 0;
        for (unsigned length = 1; length <= maxLength_; ++length)
            for (unsigned s = 0; s < symbols; ++s)
                if (lengths[s] == length) sorted_[n++] = static_cast<std::uint8_t>(s);
        valid_ = true;
        return true;
    }
    void buildSingle(unsigned symbol) {
        maxLength_ = 0;
        sorted_[0] = static_cast<std::uint8_t>(symbol);
        valid_ = true;
    }
    void clear() { valid_ = false; }
    bool valid() const { return valid_; }

    unsigned decode(BitReader& in) const {
        if (maxLength_ == 0) return sorted_[0];
        std::uint32_t code = 0, first = 0;
        unsigned index = 0;
        for (unsigned length = 1;; ++length) {
            code = code << 1 | in.get(1);
            if (code - first < counts_[length]) return sorted_[index + (code - first)];
            index += counts_[length];
            first = (first + counts_[length]) << 1;
        }
    }

private:
    static constexpr unsigned kMaxLength = 31;
    std::array<unsigned, kMaxLength + 1> counts_{};
    std::array<std::uint8_t, 32> sorted_{};
    unsigned maxLength_ = 0;
    bool valid_ = false;
};

// -pm2-: a code says a literal's recency class or a match's length class;
// matches of three bytes and more code their distance's class with a second code.
class Pm2Items {
public:
    explicit Pm2Items(BitReader& in) : in_(in) { in_.get(1); }

    bool next(Item& item, std::uint64_t produced) {
        if (produced >= nextChange_ && !changeCodes()) return false;
        if (!lengths_.valid()) return false;
        const unsigned g = lengths_.decode(in_);
        if (g < 8) {
            static constexpr Range kRecency[] = {{0, 3},  {8, 3},  {16, 4},  {32, 5},
                                                 {64, 5}, {96, 5}, {128, 6}, {192, 6}};
            item.setLiteral(recency_.at(readRange(in_, kRecency[g])));
            return true;
        }
        static constexpr Range kLongLengths[] = {{17, 3}, {25, 3}, {33, 5}, {65, 6}, {129, 7}, {256, 0}};
        if (g >= 29) return false;
        const unsigned length = g < 23 ? g - 6 : readRange(in_, kLongLengths[g - 23]);
        unsigned distance = 0;  // less one
        if (g == 8) {
            distance = in_.get(6);
        } else if (g < 28) {
            if (!distances_.valid()) return false;
            const unsigned d = distances_.decode(in_);
            distance = d == 0 ? in_.get(6) : (1u << (d + 5)) + in_.get(d + 5);
        }
        item.setMatch(length, std::size_t{distance} + 1);
        return true;
    }
    void wrote(const std::uint8_t* bytes, std::size_t n) { recency_.moveToFront(bytes, n); }

private:
    // New codes after 1, 2 and 4 KiB, then every 4 KiB when a bit says so;
    // the distance code widens from 5 classes to 8 on the way.
    bool changeCodes() {
        switch (nextChange_) {
            case 0:
                readLengths();
                readDistances(5);
                break;
            case 1024:
                readDistances(6);
                break;
            case 2048:
                readDistances(7);
                break;
            case 4096:
                if (in_.get(1)) readLengths();
                readDistances(8);
                break;
            default:
                if (in_.get(1)) {
                    readLengths();
                    readDistances(8);
                }
                break;
        }
        nextChange_ = nextChange_ == 0 ? 1024 : nextChange_ < 4096 ? nextChange_ * 2 : nextChange_ + 4096;
        return true;
    }

    void readLengths() {
        const unsigned symbols = in_.get(5);
        const unsigned shortest = in_.get(3);
        // Fewer than ten symbols code no match that needs a distance class,
        // nor does the single symbol 28 (256 bytes, 1 back).
        distancesCoded_ = symbols >= 10 && !(symbols == 29 && shortest == 0);
        if (shortest == 0) {
            if (symbols == 0)
                lengths_.clear();
            else
                lengths_.buildSingle(symbols - 1);
            return;
        }
        const unsigned bits = in_.get(3);
        std::array<std::uint8_t, 32> lengths{};
        for (unsigned s = 0; s < symbols; ++s) {
            const unsigned v = in_.get(bits);
            lengths[s] = static_cast<std::uint8_t>(v == 0 ? 0 : std::min(shortest + v - 1, 255u));
        }
        if (!lengths_.build(lengths.data(), symbols)) lengths_.clear();
    }

    void readDistances(unsigned classes) {
        if (!distancesCoded_) return;
        std::array<std::uint8_t, 8> lengths{};
        unsigned used = 0, last = 0;
        for (unsigned c = 0; c < classes; ++c) {
            lengths[c] = static_cast<std::uint8_t>(in_.get(3));
            if (lengths[c] != 0) {
                ++used;
                last = c;
            }
        }
        if (used == 1)
            distances_.buildSingle(last);
        else if (used == 0 || !distances_.build(lengths.data(), classes))
            distances_.clear();
    }

    BitReader& in_;
    RecencyList recency_;
    SmallCode lengths_, distances_;
    bool distancesCoded_ = false;
    std::uint64_t nextChange_ = 0;
};

// -pm1-'s codes for a literal's recency class: 32 small trees over the six
// classes a to f, one chosen at the start of the stream (the last: class a
// always, in no bits). Written as nested pairs, the left branch for a 0-bit.
// Table 17 reaches neither a nor b; so PMarc has it (the corpus's
// data_17.bin, which PMext made, decodes to its CRC so).
constexpr std::string_view kRecencyTrees[32] = {
    "((((ab)c)d)(ef))",
    "(((ab)(cf))(de))",
    "(((ab)c)(d(ef)))",
    "((a(bc))(d(ef)))",
    "((a(bd))(c(ef)))",
    "((a(b(ef)))(cd))",
    "((ab)((cd)(ef)))",
    "((ab)((c(ef))d))",
    "((ab)(c(d(ef))))",
    "(a(((bf)c)(de)))",
    "(a(((b(ef))c)d))",
    "(a(((bc)d)(ef)))",
    "(a((b(cf))(de)))",
    "(a((bc)(d(ef))))",
    "(a((b(d(ef)))c))",
    "(a(b((cd)(ef))))",
    "(a(b(c(d(ef)))))",
    "(((de)c)(de))",
    "((a(be))(cd))",
    "((ab)(c(de)))",
    "(a(((be)c)d))",
    "(a((bc)(de)))",
    "(a((b(de))c))",
    "(a(b(c(de))))",
    "(((ab)c)d)",
    "((a(bd))c)",
    "((ab)(cd))",
    "(a((bd)c))",
    "(a(b(cd)))",
    "(a(bc))",
    "(ab)",
    "a",
};

// A tree of kRecencyTrees as nodes: a leaf holds its class, an inner node
// the indices of its two children.
class RecencyTree {
public:
    RecencyTree() = default;
    explicit RecencyTree(std::string_view text) {
        std::size_t at = 0;
        parse(text, at);
    }
    unsigned decode(BitReader& in) const {
        unsigned n = 0;
        while (nodes_[n].leaf < 0) n = in.get(1) ? nodes_[n].one : nodes_[n].zero;
        return static_cast<unsigned>(nodes_[n].leaf);
    }

private:
    struct Node {
        int leaf = -1;
        std::uint8_t zero = 0, one = 0;
    };
    std::uint8_t parse(std::string_view text, std::size_t& at) {
        const auto n = static_cast<std::uint8_t>(count_++);
        if (text[at] != '(') {
            nodes_[n].leaf = text[at++] - 'a';
            return n;
        }
        ++at;
        const std::uint8_t zero = parse(text, at);
        const std::uint8_t one = parse(text, at);
        ++at;  // ')'
        nodes_[n].zero = zero;
        nodes_[n].one = one;
        return n;
    }
    std::array<Node, 11> nodes_{};
    unsigned count_ = 0;
};

// -pm1-: runs of literals (1 to 216), each run but the longest followed by a
// match, or a match alone. Early in the stream shorter distances are all
// there can be, so their classes take fewer bits.
class Pm1Items {
public:
    static constexpr bool kLastMatchMayOverrun = true;

    explicit Pm1Items(BitReader& in) : in_(in), tree_(treeNumber(in)) {}

    bool next(Item& item, std::uint64_t produced) {
        if (literalsLeft_ == 0 && !matchDue_) {
            if (!in_.get(1)) return readMatch(item, produced);
            literalsLeft_ = readRunLength();
            matchDue_ = literalsLeft_ != kLongestRun;
        }
        if (literalsLeft_ == 0) {
            matchDue_ = false;
            return readMatch(item, produced);
        }
        --literalsLeft_;
        static constexpr Range kRecency[] = {{0, 4}, {16, 4}, {32, 5}, {64, 6}, {128, 6}, {192, 6}};
        item.setLiteral(recency_.at(readRange(in_, kRecency[trees()[tree_].decode(in_)])));
        return true;
    }
    void wrote(const std::uint8_t* bytes, std::size_t n) { recency_.moveToFront(bytes, n); }

private:
    static constexpr unsigned kLongestRun = 216;

    static unsigned treeNumber(BitReader& in) { return in.get(5); }
    static const std::array<RecencyTree, 32>& trees() {
        static const std::array<RecencyTree, 32> all = [] {
            std::array<RecencyTree, 32> t;
            for (std::size_t i = 0; i < t.size(); ++i) t[i] = RecencyTree(kRecencyTrees[i]);
            return t;
        }();
        return all;
    }

    // Prefix codes for a run's length: 1-3, 4-10, 11-24, 25-88, 89-216.
    unsigned readRunLength() {
        if (unsigned x = in_.get(2); x < 3) return x + 1;
        if (unsigned x = in_.get(3); x < 7) return x + 4;
        const unsigned x = in_.get(4);
        if (x < 14) return x + 11;
        return x == 14 ? in_.get(6) + 25 : in_.get(7) + 89;
    }

    // And for a match's length (from 3): 3-5, 6-10, 11-14, 15-22, 23-84, 85-116, 117-244.
    unsigned readMatchLength() {
        if (unsigned x = in_.get(2); x < 3) return x + 3;
        const unsigned x = in_.get(3);
        if (x < 5) return x + 6;
        if (x == 5) return in_.get(2) + 11;
        if (x == 6) return in_.get(3) + 15;
        const unsigned y = in_.get(6);
        if (y < 62) return y + 23;
        return y == 62 ? in_.get(5) + 85 : in_.get(7) + 117;
    }

    // A bit the stream holds only once `produced` has reached `from`; before
    // that it is implied.
    unsigned bitFrom(std::uint64_t produced, std::uint64_t from, unsigned implied) {
        return produced >= from ? in_.get(1) : implied;
    }

    bool readMatch(Item& item, std::uint64_t produced) {
        // The distance class: 0 and 1 are two-byte matches, 2 to 5 carry a length.
        unsigned cls;
        if (!in_.get(1)) {
            cls = bitFrom(produced, 576, 0) ? 4 : bitFrom(produced, 64, 0);
        } else if (!bitFrom(produced, 64, 1)) {
            cls = 3;
        } else {
            cls = bitFrom(produced, 2624, 1) ? 2 : 5;
        }
        const unsigned length = cls < 2 ? 2 : readMatchLength();
        Range r = std::array<Range, 6>{{{0, 6}, {64, 8}, {0, 6}, {64, 9}, {576, 11}, {2624, 13}}}[cls];
        // Until the output reaches past a class's reach, its distances take fewer bits.
        if (cls == 3 && produced < 320) r.bits = 8;
        if (cls == 4) r.bits = produced < 832 ? 8 : produced < 1088 ? 9 : produced < 1600 ? 10 : 11;
        if (cls == 5) {
            static constexpr std::uint64_t kReach[] = {2880, 3136, 3648, 4672, 6720};
            r.bits = 13;
            for (unsigned i = 0; i < 5; ++i)
                if (produced < kReach[i]) {
                    r.bits = 8 + i;
                    break;
                }
        }
        const unsigned back = readRange(in_, r);
        if (back >= produced) return false;  // nothing before the first byte
        item.setMatch(length, std::size_t{back} + 1);
        return true;
    }

    BitReader& in_;
    unsigned tree_;
    RecencyList recency_;
    unsigned literalsLeft_ = 0;
    bool matchDue_ = false;
};

}  // namespace

Decoded decodePmarc2(BitReader& in, OutputWindow& out) {
    std::memset(out.history(), ' ', out.window());
    Pm2Items items(in);
    return decodeItems(in, out, items);
}

Decoded decodePmarc1(BitReader& in, OutputWindow& out) {
    std::memset(out.history(), 0, out.window());
    Pm1Items items(in);
    return decodeItems(in, out, items);
}

}  // namespace lha
