#include "config/credit_cipher.h"

#include <array>

namespace orvane {

namespace {

constexpr std::array<int, 8> kUnscrambleSource = {2, 4, 6, 0, 7, 3, 1, 5};
constexpr unsigned kPositionStep = 17;  // added per byte position before the key mix

}  // namespace

std::uint8_t unScrambleBits(std::uint8_t byte) {
    unsigned out = 0;
    for (unsigned j = 0; j < kUnscrambleSource.size(); ++j) {
        out |= ((byte >> kUnscrambleSource[j]) & 1u) << j;
    }
    return static_cast<std::uint8_t>(out);
}

std::uint8_t scrambleBits(std::uint8_t byte) {
    unsigned out = 0;
    for (unsigned j = 0; j < kUnscrambleSource.size(); ++j) {
        out |= ((byte >> j) & 1u) << kUnscrambleSource[j];
    }
    return static_cast<std::uint8_t>(out);
}

std::string decodeStream(std::span<const std::uint8_t> scrambled, std::uint8_t key) {
    std::string out;
    unsigned previous = 0;  // the previous scrambled byte, not the decoded one
    for (std::size_t i = 0; i < scrambled.size(); ++i) {
        unsigned t = ((scrambled[i] ^ key) - kPositionStep * static_cast<unsigned>(i)) & 0xFFu;
        t ^= previous;
        previous = scrambled[i];
        out.push_back(static_cast<char>(unScrambleBits(static_cast<std::uint8_t>(t))));
    }
    return out;
}

std::vector<std::uint8_t> encodeStream(const std::string& text, std::uint8_t key) {
    std::vector<std::uint8_t> out;
    unsigned previous = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned t = scrambleBits(static_cast<std::uint8_t>(text[i])) ^ previous;
        const auto byte = static_cast<std::uint8_t>(
            ((t + kPositionStep * static_cast<unsigned>(i)) & 0xFFu) ^ key);
        out.push_back(byte);
        previous = byte;
    }
    return out;
}

}  // namespace orvane
