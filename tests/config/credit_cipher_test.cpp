#include "config/credit_cipher.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/credit_table.h"

namespace orvane {
namespace {

TEST(CreditCipher, BitPermutationMovesEachBitToItsPlace) {
    // Output bit j takes input bit 2, 4, 6, 0, 7, 3, 1, 5 for j = 0 .. 7.
    const int source[8] = {2, 4, 6, 0, 7, 3, 1, 5};
    for (int j = 0; j < 8; ++j) {
        EXPECT_EQ(unScrambleBits(static_cast<std::uint8_t>(1u << source[j])), 1u << j) << j;
    }
    for (int byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<std::uint8_t>(byte);
        ASSERT_EQ(unScrambleBits(scrambleBits(b)), b);
    }
}

TEST(CreditCipher, DecodeChainsOnTheScrambledBytes) {
    // Byte 0: scramble('H') ^ key. Byte 1: ((s ^ key) - 17) ^ byte 0 gives scramble('i').
    const std::uint8_t first = scrambleBits('H') ^ 0x5A;
    const auto second = static_cast<std::uint8_t>(((scrambleBits('i') ^ first) + 17) ^ 0x5A);
    const std::uint8_t bytes[] = {first, second};
    EXPECT_EQ(decodeStream(bytes, 0x5A), "Hi");
    EXPECT_EQ(encodeStream("Hi", 0x5A), (std::vector<std::uint8_t>{first, second}));
}

// One line of the credit texts: "KA KB text", the keys of the slot's set A and set B entries.
struct CreditLine {
    unsigned keys[2];
    std::string text;
};

std::vector<CreditLine> creditTexts() {
    std::vector<CreditLine> lines;
    std::ifstream in(ORVANE_CREDIT_TEXTS);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != '#') {
            lines.push_back({{static_cast<unsigned>(std::stoul(line.substr(0, 2), nullptr, 16)),
                              static_cast<unsigned>(std::stoul(line.substr(3, 2), nullptr, 16))},
                             line.substr(6)});
        }
    }
    return lines;
}

TEST(CreditTable, DecodesToTheCreditTextsOfTheSlotLengths) {
    const std::vector<CreditLine> texts = creditTexts();
    ASSERT_EQ(texts.size(), kCreditSlotCount);
    const std::size_t lengths[kCreditSlotCount] = {13, 17, 28, 29, 29};
    const CreditSet* sets[] = {&kCreditSetA, &kCreditSetB};
    for (std::size_t slot = 0; slot < kCreditSlotCount; ++slot) {
        // Both sets carry the slot's one text, so the two timers never change what it shows.
        for (std::size_t set = 0; set < 2; ++set) {
            const ScrambledText& entry = (*sets[set])[slot];
            const std::string decoded = decodeStream(entry.bytes, entry.key);
            EXPECT_EQ(decoded, texts[slot].text) << "set " << set << " slot " << slot + 1;
            EXPECT_EQ(decoded.size(), lengths[slot]);
            EXPECT_EQ(entry.key, texts[slot].keys[set]);
        }
        // ... each entry scrambled with its own key.
        EXPECT_NE(kCreditSetA[slot].key, kCreditSetB[slot].key) << "slot " << slot + 1;
        EXPECT_FALSE(std::equal(kCreditSetA[slot].bytes.begin(), kCreditSetA[slot].bytes.end(),
                                kCreditSetB[slot].bytes.begin()))
            << "slot " << slot + 1;
    }
}

}  // namespace
}  // namespace orvane
