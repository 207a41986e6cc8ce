#include "platform/qt/mask_window.h"

#include <QPainter>
#include <QScreen>

namespace orvane {

MaskWindow::MaskWindow(QScreen& primary) {
    setFlags(Qt::Window | Qt::FramelessWindowHint);
    setTitle(QStringLiteral("Form3"));
    setScreen(&primary);
    const QRect screen = primary.geometry();
    setGeometry(screen.left(), screen.top(), screen.width(), kMaskHeightPx);
}

void MaskWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(QPoint(0, 0), size()), Qt::black);
}

}  // namespace orvane
