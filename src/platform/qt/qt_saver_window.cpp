#include "platform/qt/qt_saver_window.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>

#include "platform/common/platform_show.h"
#include "show/show_sequencer.h"

namespace orvane {

namespace {

Point screenPointOf(const QPointF& global) {
    return {static_cast<int>(std::floor(global.x())), static_cast<int>(std::floor(global.y()))};
}

}  // namespace

int virtualKeyOf(int qtKey) {
    if (qtKey == Qt::Key_Escape) {
        return kVirtualKeyEscape;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey;
    }
    return 0;
}

QtSaverWindow::QtSaverWindow(int index, QScreen& screen, InputRules& rules,
                             ShowControl& control)
    : index_(index),
      rules_(rules),
      control_(control) {
    setSurfaceType(QSurface::RasterSurface);
    setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setTitle(QString::fromStdString(saverWindowName(index)));
    setScreen(&screen);
    // Without a window manager a full-screen request alone leaves a tiny window: the
    // monitor's rectangle is set first.
    setGeometry(screen.geometry());
    // Last: the direct way to the screen needs the window made as it will be.
    picture_ = makeScreenPicture(*this, screen.geometry().width(), screen.geometry().height(),
                                 screen.depth(), static_cast<int>(std::lround(screen.logicalDotsPerInchY())));
    showPicture(picture_.get());
}

QtSaverWindow::QtSaverWindow(QWindow& host, QSize size, InputRules& rules, ShowControl& control)
    : index_(0),
      inHost_(true),
      rules_(rules),
      control_(control) {
    setSurfaceType(QSurface::RasterSurface);
    // The host owns input and ends the program; clicks and keys go through to its window.
    setFlags(Qt::Widget | Qt::WindowTransparentForInput);
    setTitle(QString::fromStdString(saverWindowName(0)));
    setParent(&host);
    setGeometry(0, 0, size.width(), size.height());
    picture_ = makeScreenPicture(*this, size.width(), size.height(), host.screen()->depth(),
                                 static_cast<int>(std::lround(host.screen()->logicalDotsPerInchY())));
    showPicture(picture_.get());
}

void QtSaverWindow::exposeEvent(QExposeEvent*) {
    if (isExposed()) {
        picture_->presentWhole();
    }
}

void QtSaverWindow::showEvent(QShowEvent*) {
    if (inHost_) {
        return;
    }
    setCursor(Qt::BlankCursor);
    rules_.windowShown(index_, screenPointOf(QCursor::pos()));
}

void QtSaverWindow::closeEvent(QCloseEvent*) {
    if (closed_) {
        return;
    }
    closed_ = true;
    control_.requestStop();
    if (!inHost_) {
        unsetCursor();
    }
    if (onClosed) {
        onClosed();
    }
}

void QtSaverWindow::keyReleaseEvent(QKeyEvent* event) {
    if (inHost_) {
        return;
    }
    rules_.keyReleased(index_, virtualKeyOf(event->key()), event->isAutoRepeat());
}

void QtSaverWindow::mousePressEvent(QMouseEvent* event) {
    if (inHost_) {
        return;
    }
    const MouseButton button =
        buttonOfCode(event->button(), Qt::LeftButton, Qt::MiddleButton, Qt::RightButton);
    rules_.mouseButtonPressed(index_, button);
}

void QtSaverWindow::mouseMoveEvent(QMouseEvent* event) {
    if (inHost_) {
        return;
    }
    rules_.mouseMoved(index_, screenPointOf(event->globalPosition()));
}

}  // namespace orvane
