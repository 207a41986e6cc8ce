// A saver window as the show sees it, on every platform: its size and its drawing contexts are
// those of the retained picture it shows (a 1x1 stand-in while the platform has given it none).
#pragma once

#include <memory>

#include "platform/common/window_picture.h"

namespace orvane {

class PictureWindow : public ShowWindow {
public:
    int clientWidth() const override { return picture_ != nullptr ? picture_->width() : 1; }
    int clientHeight() const override { return picture_ != nullptr ? picture_->height() : 1; }
    std::unique_ptr<Canvas> getCanvas() override {
        if (picture_ != nullptr) {
            return picture_->makeCanvas();
        }
        if (!spare_) {
            spare_ = std::make_unique<WindowPicture>(1, 1);
        }
        return spare_->makeCanvas();
    }
    // The picture the show draws on; null while there is none.
    WindowPicture* shownPicture() const { return picture_; }

protected:
    void showPicture(WindowPicture* picture) { picture_ = picture; }

private:
    WindowPicture* picture_ = nullptr;
    std::unique_ptr<WindowPicture> spare_;
};

}  // namespace orvane
