#pragma once
// Huffman code construction for the static-Huffman blocks of -lh5-/-lh6-/-lh7-.
#include <cstdint>
#include <span>
#include <vector>

namespace lha {

// Optimal code lengths no longer than maxBits (package-merge). Symbols of
// frequency 0 get length 0. With fewer than two used symbols every length is 0:
// the caller must then use the one-symbol table form, because decoders accept
// only codes that are exactly complete.
std::vector<std::uint8_t> limitedCodeLengths(std::span<const std::uint32_t> freq, unsigned maxBits);

// Canonical codes for the lengths, shorter codes first and, within one length,
// in symbol order: the assignment every LHA decoder rebuilds.
std::vector<std::uint16_t> canonicalCodes(std::span<const std::uint8_t> lengths);

}  // namespace lha
