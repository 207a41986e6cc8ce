// The second intro sequence: columns of random digits scroll and flicker on the first window
// while the ten characters of the configured phone number are found one at a time, in a fixed
// scattered order and at fixed intervals. Each find draws its character in the top row and
// stops its column and every tenth column after it; when all ten are found the number stands
// alone for two seconds, then the screen is cleared.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "show/colour.h"
#include "show/geometry.h"
#include "show/platform.h"

namespace orvane {

class ShowSequencer;

constexpr int kPhoneNumberLength = 10;
// The i-th find reveals the character at this 1-based position of the number.
constexpr std::array<int, kPhoneNumberLength> kLockOrder = {8, 3, 10, 1, 2, 5, 9, 7, 6, 4};
// The i-th find comes this long after the previous one (the first after the start).
constexpr std::array<std::uint32_t, kPhoneNumberLength> kLockDelaysMs = {
    2416, 2625, 2625, 2625, 2625, 2625, 2625, 1540, 2041, 1875};
constexpr std::uint32_t kScrollsPerSecond = 3000;
constexpr std::uint32_t kFlickersPerSecond = 8000;
// A flicker is redrawn bright, then settled, this long apart; a new digit is settled as late.
constexpr std::uint32_t kDigitFlashStepMs = 50;
constexpr std::uint32_t kNumberHoldMs = 2000;
// Stand-ins for the tint colours on a display of 256 colours or fewer.
constexpr Colour kLowColourBase = rgb(0, 128, 0);
constexpr Colour kLowColourBright = rgb(0, 255, 0);

// The digit cells, measured from the font: row 0 holds the found number, rows 1 to rows - 1
// the falling digits.
struct DigitCells {
    int digitWidth = 0;
    int pitchX = 0;
    int pitchY = 0;
    int columns = 0;
    int rows = 0;
    int originX = 0;
    int originY = 0;

    Point cell(int column, int row) const {
        return {originX + column * pitchX, originY + row * pitchY};
    }
    // Windows too small for one column with one row of falling digits show the number alone.
    bool hasFallingDigits() const { return columns >= 1 && rows >= 2; }
};

DigitCells measureDigitCells(Canvas& dc, int width, int height);

// The phone number as shown: its first ten characters, padded with blanks to ten.
std::vector<std::string> phoneTraceNumber(std::string_view phoneNumber);

// The whole sequence on dc (width x height); returns when done or stopped.
void phoneTrace(ShowSequencer& show, Canvas& dc, int width, int height);

}  // namespace orvane
