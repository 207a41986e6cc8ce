// Renders the glyph picture: a 200 x 200 grey image of 10 x 10 cells of 20 x 20 pixels.
// Cells 0..54 hold the rain glyphs, cells 60..69 the title THE ORVANE (63 blank), the rest
// stay black. Everything is drawn from font outlines read straight from the font files, so the
// same fonts always give the same bytes.
//
// Usage: glyph_picture_generator OUTPUT.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kCell = 20;
constexpr int kGrid = 10;
constexpr int kPictureSize = kCell * kGrid;
constexpr int kTitleBase = 60;

// The rain shows the left 16 columns of a cell; glyph ink stays in columns 1..14 and rows
// 1..18 so neighbouring columns and rows never touch.
constexpr double kInkLeft = 1.0;
constexpr double kInkRight = 15.0;
constexpr double kInkTop = 1.0;
constexpr double kInkBottom = 19.0;
constexpr double kColumnCentre = 8.0;

// Half-width katakana are drawn this much wider than the face has them, so they fill the
// 16-pixel column like the full-width signs they stand for.
constexpr double kKatakanaStretch = 1.3;

// The gothic face's strokes are about one pixel wide at this size: too faint for the rain.
constexpr double kGothicBolden = 0.6;

// Coverage below kEdgeLow counts as none, above kEdgeHigh as full.
constexpr int kEdgeLow = 40;
constexpr int kEdgeHigh = 215;

// Large outline size: the outlines are scaled down exactly, never hinted.
constexpr double kOutlinePixelSize = 256.0;

const char* const kGothicFontFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
const char* const kTitleFontFile = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";

struct RainGlyph {
    char32_t code;
    bool mirrored;
};

// Half-width katakana (many mirrored), digits (some mirrored) and a few symbols, mixed so
// that neighbouring cells differ in shape.
constexpr std::array<RainGlyph, 55> kRainGlyphs{{
    {U'\uFF8A', true}, {U'\uFF90', false}, {U'\uFF8B', true}, {U'\uFF70', false},
    {U'\uFF73', true}, {U'\uFF7C', false}, {U'\uFF85', true}, {U'\uFF93', false},
    {U'\uFF86', true}, {U'\uFF7B', false}, {U'\uFF9C', true}, {U'\uFF82', false},
    {U'\uFF75', true}, {U'\uFF98', false}, {U'\uFF71', true}, {U'\uFF8E', false},
    {U'\uFF83', true}, {U'\uFF8F', false}, {U'\uFF79', true}, {U'\uFF92', false},
    {U'\uFF74', true}, {U'\uFF76', false}, {U'\uFF77', true}, {U'\uFF91', false},
    {U'\uFF95', true}, {U'\uFF97', false}, {U'\uFF7E', true}, {U'\uFF88', false},
    {U'\uFF7D', true}, {U'\uFF80', false}, {U'\uFF81', true}, {U'\uFF84', false},
    {U'\uFF89', true}, {U'\uFF8C', false}, {U'\uFF8D', true}, {U'\uFF9B', false},
    {U'\uFF9D', true}, {U'\uFF66', false}, {U'0', false},     {U'1', false},
    {U'2', true},      {U'3', false},      {U'4', true},      {U'5', false},
    {U'6', false},     {U'7', true},       {U'8', false},     {U'9', false},
    {U'Z', true},      {U':', false},      {U'<', false},     {U'\u00A6', false},
    {U'=', false},     {U'*', false},      {U'+', false},
}};

constexpr std::array<char, 10> kTitle{'T', 'H', 'E', ' ', 'O', 'R', 'V', 'A', 'N', 'E'};

// Peak grey of rain glyph i: spread evenly over 115..235, in a scattered order so that bright
// and dim glyphs alternate across the set.
int rainPeak(int i) {
    const int n = static_cast<int>(kRainGlyphs.size());
    const int rank = (i * 23) % n;  // 23 is prime to 55: every rank once
    return 115 + (rank * 120 + (n - 1) / 2) / (n - 1);
}

bool isKatakana(char32_t c) {
    return c >= 0xFF66 && c <= 0xFF9D;
}

QPainterPath outline(const QRawFont& font, char32_t code) {
    const QString text = QString::fromUcs4(&code, 1);
    const QList<quint32> indexes = font.glyphIndexesForString(text);
    if (indexes.size() != 1 || indexes.front() == 0) {
        std::fprintf(stderr, "glyph U+%04X missing from the font\n", static_cast<unsigned>(code));
        std::exit(1);
    }
    return font.pathForGlyph(indexes.front());
}

// Coverage of a path drawn white on a black cell, as grey bytes. A non-zero `bolden` widens
// every stroke by that many pixels (half on each side).
QImage rasterise(const QPainterPath& path, double bolden) {
    QImage image(kCell, kCell, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(path, Qt::white);
    if (bolden > 0.0) {
        painter.strokePath(path,
                           QPen(Qt::white, bolden, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    }
    painter.end();
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    // Steepen the edge ramp: faint fringe pixels go, nearly full ones fill, so thin strokes
    // stay sharp instead of smearing over two half-lit pixels.
    for (int y = 0; y < grey.height(); ++y) {
        uchar* row = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            row[x] = static_cast<uchar>(
                std::clamp((row[x] - kEdgeLow) * 255 / (kEdgeHigh - kEdgeLow), 0, 255));
        }
    }
    return grey;
}

// Scales the cell's grey so that its brightest pixel becomes exactly `peak`.
void setPeak(QImage& cell, int peak) {
    int maximum = 0;
    for (int y = 0; y < cell.height(); ++y) {
        const uchar* row = cell.constScanLine(y);
        maximum = std::max(maximum, static_cast<int>(*std::max_element(row, row + cell.width())));
    }
    if (maximum == 0) {
        return;
    }
    for (int y = 0; y < cell.height(); ++y) {
        uchar* row = cell.scanLine(y);
        for (int x = 0; x < cell.width(); ++x) {
            row[x] = static_cast<uchar>((row[x] * peak * 2 + maximum) / (2 * maximum));
        }
    }
}

// Places a glyph outline in a cell: scaled by (sx, sy) about its baseline origin, optionally
// mirrored, its ink centred on the column's centre, its baseline at `baseline`. The horizontal
// offset is snapped to whole pixels so upright stems land on pixel columns where the face
// put them.
QPainterPath placeGlyph(const QPainterPath& glyph, double sx, double sy, bool mirrored,
                        double baseline) {
    QTransform scale;
    scale.scale(mirrored ? -sx : sx, sy);
    const QPainterPath scaled = scale.map(glyph);
    const QRectF ink = scaled.boundingRect();
    const double dx = std::round(kColumnCentre - ink.center().x());
    return QTransform::fromTranslate(dx, baseline).map(scaled);
}

void copyCell(QImage& picture, const QImage& cell, int index) {
    const int left = (index % kGrid) * kCell;
    const int top = (index / kGrid) * kCell;
    for (int y = 0; y < kCell; ++y) {
        const uchar* from = cell.constScanLine(y);
        uchar* to = picture.scanLine(top + y) + left;
        std::copy(from, from + kCell, to);
    }
}

void drawRainGlyphs(QImage& picture) {
    const QRawFont gothic(QString::fromLatin1(kGothicFontFile), kOutlinePixelSize);
    if (!gothic.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", kGothicFontFile);
        std::exit(1);
    }
    // One scale and baseline for the whole set, so glyphs keep the face's relative sizes:
    // the tallest katakana or digit, widened by the bolding, fills rows 1..18.
    QRectF band;
    for (const RainGlyph& g : kRainGlyphs) {
        if (isKatakana(g.code) || (g.code >= U'0' && g.code <= U'9')) {
            band |= outline(gothic, g.code).boundingRect();
        }
    }
    const double margin = kGothicBolden / 2.0;
    const double scale = (kInkBottom - kInkTop - 2.0 * margin) / band.height();
    const double baseline = kInkTop + margin - band.top() * scale;

    for (std::size_t i = 0; i < kRainGlyphs.size(); ++i) {
        const RainGlyph& g = kRainGlyphs[i];
        const QPainterPath glyph = outline(gothic, g.code);
        const QRectF box = glyph.boundingRect();
        double sx = isKatakana(g.code) ? scale * kKatakanaStretch : scale;
        // Never wider than the ink columns.
        sx = std::min(sx, (kInkRight - kInkLeft - 2.0 * margin) / box.width());
        // A symbol taller than the set is shrunk to the ink rows.
        double sy = scale;
        double glyphBaseline = baseline;
        if (box.height() * sy > kInkBottom - kInkTop - 2.0 * margin) {
            sy = (kInkBottom - kInkTop - 2.0 * margin) / box.height();
            sx = std::min(sx, sy);
            glyphBaseline = kInkTop + margin - box.top() * sy;
        }
        const QPainterPath placed = placeGlyph(glyph, sx, sy, g.mirrored, glyphBaseline);
        const QRectF ink = placed.boundingRect().adjusted(-margin, -margin, margin, margin);
        if (ink.left() < kInkLeft || ink.right() > kInkRight || ink.top() < kInkTop ||
            ink.bottom() > kInkBottom) {
            std::fprintf(stderr, "glyph U+%04X does not fit its cell\n",
                         static_cast<unsigned>(g.code));
            std::exit(1);
        }
        QImage cell = rasterise(placed, kGothicBolden);
        setPeak(cell, rainPeak(static_cast<int>(i)));
        copyCell(picture, cell, static_cast<int>(i));
    }
}

void drawTitle(QImage& picture) {
    const QRawFont sans(QString::fromLatin1(kTitleFontFile), kOutlinePixelSize);
    if (!sans.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", kTitleFontFile);
        std::exit(1);
    }
    // Capitals 14 pixels high, centred in the 20-pixel row.
    constexpr double kCapHeight = 14.0;
    const QRectF capital = outline(sans, U'H').boundingRect();
    const double scale = kCapHeight / capital.height();
    const double baseline = (kCell + kCapHeight) / 2.0;
    for (std::size_t k = 0; k < kTitle.size(); ++k) {
        if (kTitle[k] == ' ') {
            continue;
        }
        QImage cell = rasterise(placeGlyph(outline(sans, static_cast<char32_t>(kTitle[k])), scale,
                                           scale, false, baseline),
                                0.0);
        setPeak(cell, 255);
        copyCell(picture, cell, kTitleBase + static_cast<int>(k));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QImage picture(kPictureSize, kPictureSize, QImage::Format_Grayscale8);
    picture.fill(0);
    drawRainGlyphs(picture);
    drawTitle(picture);
    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
