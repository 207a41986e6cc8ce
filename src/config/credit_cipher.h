// The scrambling that keeps the About box's credit lines out of plain sight in the program
// file: a fixed bit permutation plus a keyed, position- and chain-dependent byte mix.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// Output bit j takes input bit kUnscrambleSource[j].
std::uint8_t unScrambleBits(std::uint8_t byte);
std::uint8_t scrambleBits(std::uint8_t byte);  // the inverse permutation

std::string decodeStream(std::span<const std::uint8_t> scrambled, std::uint8_t key);
// The bytes that decodeStream turns back into text; used by the credit table tool.
std::vector<std::uint8_t> encodeStream(const std::string& text, std::uint8_t key);

}  // namespace orvane
