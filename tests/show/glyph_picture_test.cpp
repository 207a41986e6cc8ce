// Layout facts of the compiled-in glyph picture that the rain and the title rely on.
#include "glyph_picture_array.h"
#include "glyph_picture_resource.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace orvane {
namespace {

constexpr int kVisibleColumns = 16;  // the rain's column pitch

struct Ink {
    int peak = 0;
    int litPixels = 0;  // pixels above kLit
    int nonZero = 0;
    int left = kGlyphCellSize, right = -1, top = kGlyphCellSize,
        bottom = -1;  // bounds of non-zero pixels
};

constexpr int kLit = 64;

const GlyphPicture& picture() {
    static const GlyphPicture loaded = loadGlyphPicture();
    return loaded;
}

int cellPixel(int cell, int x, int y) {
    return picture().at((cell % kGlyphGridCells) * kGlyphCellSize + x,
                        (cell / kGlyphGridCells) * kGlyphCellSize + y);
}

Ink inkOf(int cell) {
    Ink ink;
    for (int y = 0; y < kGlyphCellSize; ++y) {
        for (int x = 0; x < kGlyphCellSize; ++x) {
            const int v = cellPixel(cell, x, y);
            ink.peak = std::max(ink.peak, v);
            if (v > kLit) {
                ++ink.litPixels;
            }
            if (v > 0) {
                ++ink.nonZero;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

// Centre of the ink's pixel bounds, in pixels from the cell's left edge.
double inkCentreX(const Ink& ink) {
    return (ink.left + ink.right + 1) / 2.0;
}

std::vector<int> cellPixels(int cell) {
    std::vector<int> pixels;
    for (int y = 0; y < kGlyphCellSize; ++y) {
        for (int x = 0; x < kGlyphCellSize; ++x) {
            pixels.push_back(cellPixel(cell, x, y));
        }
    }
    return pixels;
}

void expectEmpty(int cell) {
    const Ink ink = inkOf(cell);
    EXPECT_LE(ink.nonZero, 4) << "cell " << cell;
    EXPECT_LE(ink.peak, 16) << "cell " << cell;
}

TEST(GlyphPicture, StoredPictureIsA200By200GreyImage) {
    const QImage image(QStringLiteral(":/glyphs.png"));
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), kGlyphPictureSize);
    ASSERT_EQ(image.height(), kGlyphPictureSize);
    int colouredPixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) {
                ++colouredPixels;
            }
        }
    }
    EXPECT_EQ(colouredPixels, 0);
    // Programs built without Qt compile the picture in from glyphs.pgm: the same pixels.
    EXPECT_TRUE(loadGlyphPicture().grey == glyphPictureFromArray().grey)
        << "assets/glyphs.pgm differs from assets/glyphs.png";
}

TEST(GlyphPicture, RainGlyphsHaveInkWithPeaksSpreadBetween115And235) {
    std::set<int> peaks;
    for (int cell = 0; cell < kRainGlyphCount; ++cell) {
        const Ink ink = inkOf(cell);
        EXPECT_GE(ink.peak, 115) << "cell " << cell;
        EXPECT_LE(ink.peak, 235) << "cell " << cell;
        EXPECT_GE(ink.litPixels, 8) << "cell " << cell << ": a speck, not a sign";
        peaks.insert(ink.peak);
    }
    // Some glyphs dim, some bright, many levels between.
    EXPECT_LE(*peaks.begin(), 135);
    EXPECT_GE(*peaks.rbegin(), 215);
    EXPECT_GE(peaks.size(), 20u);
}

TEST(GlyphPicture, RainGlyphInkIsCentredInsideTheVisibleColumnsWithAMargin) {
    for (int cell = 0; cell < kRainGlyphCount; ++cell) {
        const Ink ink = inkOf(cell);
        ASSERT_GE(ink.right, 0) << "cell " << cell << " is empty";
        // Column 0 and rows 0 and 19 keep neighbouring glyphs apart; columns 16..19 are
        // the part of the 18-pixel copy that the next column covers, and beyond.
        EXPECT_GE(ink.left, 1) << "cell " << cell;
        EXPECT_LT(ink.right, kVisibleColumns) << "cell " << cell;
        EXPECT_GE(ink.top, 1) << "cell " << cell;
        EXPECT_LE(ink.bottom, kGlyphCellSize - 2) << "cell " << cell;
        EXPECT_NEAR(inkCentreX(ink), kVisibleColumns / 2.0, 1.5) << "cell " << cell;
    }
}

TEST(GlyphPicture, RainGlyphsAreAllDifferent) {
    std::set<std::vector<int>> seen;
    for (int cell = 0; cell < kRainGlyphCount; ++cell) {
        EXPECT_TRUE(seen.insert(cellPixels(cell)).second)
            << "cell " << cell << " repeats an earlier glyph";
    }
}

TEST(GlyphPicture, CellsOutsideTheGlyphsAndTheTitleAreBlack) {
    for (int cell = kRainGlyphCount; cell < kTitleGlyphBase; ++cell) {
        expectEmpty(cell);
    }
    for (int cell = kTitleGlyphBase + 10; cell < kGlyphGridCells * kGlyphGridCells; ++cell) {
        expectEmpty(cell);
    }
}

TEST(GlyphPicture, TitleLettersAreWhiteAndCentredInTheirColumnAroundABlackBlank) {
    EXPECT_EQ(inkOf(kTitleGlyphBase + 3).nonZero, 0);
    for (int k = 0; k < 10; ++k) {
        if (k == 3) {
            continue;
        }
        const Ink ink = inkOf(kTitleGlyphBase + k);
        EXPECT_EQ(ink.peak, 255) << "title column " << k;
        EXPECT_GE(ink.litPixels, 20) << "title column " << k;
        EXPECT_LT(ink.right, kVisibleColumns) << "title column " << k;
        EXPECT_NEAR(inkCentreX(ink), kVisibleColumns / 2.0, 1.5) << "title column " << k;
    }
}

TEST(GlyphPicture, TitleLettersShareOneRow) {
    // T, H, E, R, N and E have flat tops; T, H, E, R, A, N and E stand on the baseline.
    const int flatTops[] = {0, 1, 2, 5, 8, 9};
    const int flatFeet[] = {0, 1, 2, 5, 7, 8, 9};
    const int top = inkOf(kTitleGlyphBase).top;
    const int bottom = inkOf(kTitleGlyphBase).bottom;
    for (int k : flatTops) {
        EXPECT_EQ(inkOf(kTitleGlyphBase + k).top, top) << "title column " << k;
    }
    for (int k : flatFeet) {
        EXPECT_EQ(inkOf(kTitleGlyphBase + k).bottom, bottom) << "title column " << k;
    }
    // Capitals, roughly centred in the 20-pixel row.
    EXPECT_GE(bottom - top + 1, 12);
    EXPECT_NEAR((top + bottom + 1) / 2.0, kGlyphCellSize / 2.0, 2.0);
}

TEST(GlyphPicture, BothTitleEsAreTheSameGlyph) {
    EXPECT_EQ(cellPixels(kTitleGlyphBase + 2), cellPixels(kTitleGlyphBase + 9));
}

// Separate strokes crossing one row of a cell: runs of pixels brighter than kLit.
int strokesInRow(int cell, int y) {
    int strokes = 0;
    bool inStroke = false;
    for (int x = 0; x < kGlyphCellSize; ++x) {
        const bool lit = cellPixel(cell, x, y) > kLit;
        strokes += lit && !inStroke ? 1 : 0;
        inStroke = lit;
    }
    return strokes;
}

int litInRow(int cell, int y) {
    int lit = 0;
    for (int x = 0; x < kGlyphCellSize; ++x) {
        lit += cellPixel(cell, x, y) > kLit ? 1 : 0;
    }
    return lit;
}

// Title column k draws cell 60 + k, so the cells must spell T, H, E, blank, O, R, V, A, N, E
// in that order. Each capital is told by the strokes crossing its top, middle and bottom ink
// rows; T and E (one stroke in each) by the foot, a narrow stem under T's bar.
TEST(GlyphPicture, TitleCellsSpellTheOrvane) {
    struct Letter {
        int column;
        char letter;
        int top, middle, bottom;
    };
    const Letter letters[] = {
        {0, 'T', 1, 1, 1},  // bar; stem; stem
        {1, 'H', 2, 1, 2},  // two uprights; crossbar; two uprights
        {2, 'E', 1, 1, 1},  // top arm; middle arm; bottom arm
        {4, 'O', 1, 2, 1},  // arc; both sides; arc
        {5, 'R', 1, 1, 2},  // bowl's top; bowl closing on the stem; stem and leg
        {6, 'V', 2, 2, 1},  // two arms; two arms; the point
        {7, 'A', 1, 2, 2},  // the apex; both sides; two feet
        {8, 'N', 2, 3, 2},  // two uprights; uprights and the diagonal; two uprights
        {9, 'E', 1, 1, 1},
    };
    for (const Letter& l : letters) {
        const int cell = kTitleGlyphBase + l.column;
        // The first and the last row with a lit pixel (anti-aliasing leaves fainter ones).
        int top = 0;
        while (top < kGlyphCellSize - 1 && litInRow(cell, top) == 0) {
            ++top;
        }
        int bottom = kGlyphCellSize - 1;
        while (bottom > top && litInRow(cell, bottom) == 0) {
            --bottom;
        }
        const int middle = (top + bottom) / 2;
        EXPECT_EQ(strokesInRow(cell, top), l.top) << l.letter << " in cell " << cell;
        EXPECT_EQ(strokesInRow(cell, middle), l.middle) << l.letter << " in cell " << cell;
        EXPECT_EQ(strokesInRow(cell, bottom), l.bottom) << l.letter << " in cell " << cell;
        if (l.top == 1 && l.middle == 1 && l.bottom == 1) {
            const bool narrowFoot = 2 * litInRow(cell, bottom) < litInRow(cell, top);
            EXPECT_EQ(narrowFoot, l.letter == 'T') << l.letter << " in cell " << cell;
        }
    }
}

}  // namespace
}  // namespace orvane
