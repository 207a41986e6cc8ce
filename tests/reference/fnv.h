// FNV-1a over 64 bits, a word at a time: a byte, or a wider word xored in whole. Each step is
// a bijection of the state, so one changed word always shows.
#pragma once

#include <cstdint>

namespace orvane::reference {

inline constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;

constexpr std::uint64_t fnv(std::uint64_t h, std::uint64_t word) {
    return (h ^ word) * 0x100000001b3ull;
}

}  // namespace orvane::reference
