#include "glyph_picture_resource.h"

#include <QImage>

namespace orvane {

GlyphPicture loadGlyphPicture() {
    GlyphPicture picture;
    const QImage image = QImage(QStringLiteral(":/glyphs.png")).convertToFormat(QImage::Format_Grayscale8);
    if (image.isNull()) {
        return picture;
    }
    for (int y = 0; y < picture.height && y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < picture.width && x < image.width(); ++x) {
            picture.grey[static_cast<std::size_t>(y) * picture.width + x] = row[x];
        }
    }
    return picture;
}

}  // namespace orvane
