// A container whose whole face is a computed colour gradient with an optional bevelled
// border. The gradient is rendered into a retained 24-bit picture and copied to the screen;
// the panel draws nothing else, and other widgets can sit on it.
#pragma once

#include <optional>

#include <QImage>
#include <QWidget>

#include "widgets/gradient_style.h"

namespace orvane {

// Whether the rendered picture is kept between paints.
enum class PerformanceMode { HighSpeed = 0, LowerMemory = 1 };

class GradientPanel : public QWidget {
    Q_OBJECT

public:
    explicit GradientPanel(QWidget* parent = nullptr);

    Colour startColour() const { return style_.startColour; }
    Colour endColour() const { return style_.endColour; }
    std::int32_t borderThickness() const { return style_.borderThickness; }
    std::int32_t rotation() const { return style_.rotation; }
    std::int32_t period() const { return style_.period; }
    std::int32_t patternCentreX() const { return style_.patternCentreX; }
    std::int32_t patternCentreY() const { return style_.patternCentreY; }
    ShadeMode shadeMode() const { return style_.shadeMode; }
    PerformanceMode performanceMode() const { return performanceMode_; }
    const GradientStyle& style() const { return style_; }

    // Every setter renders again on the next paint, even when the value is unchanged.
    void setStartColour(Colour colour);
    void setEndColour(Colour colour);
    void setBorderThickness(std::int32_t pixels);
    void setRotation(std::int32_t degrees);
    void setPeriod(std::int32_t pixels);
    void setPatternCentreX(std::int32_t pixels);
    void setPatternCentreY(std::int32_t pixels);
    void setShadeMode(ShadeMode mode);
    void setPerformanceMode(PerformanceMode mode);
    void setStyle(const GradientStyle& style);

    bool hasRetainedPicture() const { return picture_.has_value(); }
    int renderCount() const { return renderCount_; }  // how often the picture was rendered

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void markStale();

    GradientStyle style_;
    PerformanceMode performanceMode_ = PerformanceMode::LowerMemory;
    std::optional<Bgr24Picture> picture_;
    bool stale_ = true;
    int renderCount_ = 0;
};

}  // namespace orvane
