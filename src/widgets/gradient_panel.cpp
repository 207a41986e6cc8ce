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
    if (!picture_ || picture_->width != width() || picture_->height != height()) {
        picture_.emplace(width(), height());
        stale_ = true;
    }
    if (stale_) {
        // A geometry without finite phase steps keeps the black picture.
        renderGradient(style_, *picture_);
        ++renderCount_;
        stale_ = false;
    }
    QPainter painter(this);
    // The picture's rows are 4-byte aligned, as QImage wants them: shown without a copy.
    painter.drawImage(0, 0, QImage(picture_->bytes.data(), picture_->width, picture_->height,
                                   picture_->stride(), QImage::Format_BGR888));
    if (performanceMode_ == PerformanceMode::LowerMemory) {
        picture_.reset();
    }
}

}  // namespace orvane
