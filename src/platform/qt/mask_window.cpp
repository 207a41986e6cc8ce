#include "platform/qt/mask_window.h"

#include <QPainter>
#include <QScreen>

#include "platform/common/platform_show.h"

namespace orvane {

MaskWindow::MaskWindow(QScreen& primary) {
    setFlags(Qt::Window | Qt::FramelessWindowHint);
    setTitle(QString::fromLatin1(kMaskName));
    setScreen(&primary);
    const QRect screen = primary.geometry();
    setGeometry(screen.left(), screen.top(), screen.width(), kMaskHeightPx);
}

void MaskWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(QPoint(0, 0), size()), Qt::black);
}

}  // namespace orvane
