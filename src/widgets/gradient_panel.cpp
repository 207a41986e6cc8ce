#include "widgets/gradient_panel.h"

#include <QPainter>

namespace orvane {

GradientPanel::GradientPanel(QWidget* parent) : QWidget(parent) {
    // The picture covers every pixel, so Qt need not erase the face first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientPanel::setStartColour(Colour colour) {
    style_.startColour = colour;
    markStale();
}

void GradientPanel::setEndColour(Colour colour) {
    style_.endColour = colour;
    markStale();
}

void GradientPanel::setBorderThickness(std::int32_t pixels) {
    style_.borderThickness = pixels;
    markStale();
}

void GradientPanel::setRotation(std::int32_t degrees) {
    style_.rotation = degrees;
    markStale();
}

void GradientPanel::setPeriod(std::int32_t pixels) {
    style_.period = pixels;
    markStale();
}

void GradientPanel::setPatternCentreX(std::int32_t pixels) {
    style_.patternCentreX = pixels;
    markStale();
}

void GradientPanel::setPatternCentreY(std::int32_t pixels) {
    style_.patternCentreY = pixels;
    markStale();
}

void GradientPanel::setShadeMode(ShadeMode mode) {
    style_.shadeMode = mode;
    markStale();
}

void GradientPanel::setPerformanceMode(PerformanceMode mode) {
    performanceMode_ = mode;
    markStale();
}

void GradientPanel::setStyle(const GradientStyle& style) {
    style_ = style;
    markStale();
}

void GradientPanel::markStale() {
    stale_ = true;
    update();
}

void GradientPanel::paintEvent(QPaintEvent*) {
    if (!picture_) {
        picture_.emplace(size(), QImage::Format_BGR888);
        picture_->fill(Qt::black);
        stale_ = true;
    }
    if (picture_->size() != size()) {
        *picture_ = QImage(size(), QImage::Format_BGR888);
        picture_->fill(Qt::black);
        stale_ = true;
    }
    if (stale_) {
        // A geometry without finite phase steps keeps the black picture.
        renderGradient(style_, *picture_);
        ++renderCount_;
        stale_ = false;
    }
    QPainter painter(this);
    painter.save();
    painter.drawImage(0, 0, *picture_);
    painter.restore();
    if (performanceMode_ == PerformanceMode::LowerMemory) {
        picture_.reset();
    }
}

}  // namespace orvane
