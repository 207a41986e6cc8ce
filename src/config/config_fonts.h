// The fonts of the configuration windows. Faces missing on the desktop fall back through
// fontconfig ("Courier New" to a metric-compatible mono face).
#pragma once

#include <QFont>
#include <QStringList>

#include "config/dpi_scale.h"

namespace orvane {

constexpr int kDialogFontPoints = 8;

// The dialogs' own font: "MS Sans Serif" at 8 points, else a narrow sans face.
inline QFont dialogFont(int dpi) {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Liberation Sans"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pointsToPx(kDialogFontPoints, dpi));
    return font;
}

// Bold "Courier New" of the About box's text lines.
inline QFont boldCourierFont(int pixelHeight) {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setBold(true);
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace orvane
