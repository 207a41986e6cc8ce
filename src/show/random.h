// The show's one random generator (PCG32), seeded once per show. Its sequence is the same
// with every compiler and standard library, so a seeded show plays identically everywhere.
#pragma once

#include <cstdint>

namespace orvane {

class Random {
public:
    explicit Random(std::uint64_t seed = 0) { seed_(seed); }

    void seed(std::uint64_t seed) { seed_(seed); }

    std::uint32_t next32() {
        const std::uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + kIncrement;
        const auto xorShifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
        const auto rotation = static_cast<std::uint32_t>(old >> 59u);
        return (xorShifted >> rotation) | (xorShifted << ((32 - rotation) & 31));
    }

    // Uniform 0 <= r < n; 0 for n <= 0 (callers drop what then falls off the window).
    std::int32_t operator()(std::int32_t n) {
        if (n <= 0) {
            return 0;
        }
        return static_cast<std::int32_t>((static_cast<std::uint64_t>(next32()) * n) >> 32);
    }

    // Uniform 0 <= r < 1.
    double unit() { return next32() * (1.0 / 4294967296.0); }

private:
    static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;

    void seed_(std::uint64_t seed) {
        state_ = 0;
        next32();
        state_ += seed;
        next32();
    }

    std::uint64_t state_ = 0;
};

}  // namespace orvane
