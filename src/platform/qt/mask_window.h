// The black strip two pixels high across the top of the primary screen, shown for the whole
// show.
#pragma once

#include <QRasterWindow>

class QScreen;

namespace orvane {

class MaskWindow final : public QRasterWindow {
public:
    explicit MaskWindow(QScreen& primary);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace orvane
