// Wrap-safe comparison of 32-bit millisecond tick counts.
#pragma once

#include <cstdint>

namespace orvane {

// True when tick a lies before tick b: (a - b) as an unsigned 32-bit value is 2^31 or more.
constexpr bool tickBefore(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::uint32_t>(a - b) >= 0x80000000u;
}

}  // namespace orvane
