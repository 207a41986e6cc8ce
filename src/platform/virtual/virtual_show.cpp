#include "platform/virtual/virtual_show.h"

#include "glyph_picture_resource.h"
#include "show/show_sequence.h"
#include "show/text_ops.h"

namespace orvane {

VirtualShow::VirtualShow(std::vector<VirtualMonitor> monitors, std::uint32_t startTick,
                         int bitsPerPixel)
    : platform(startTick, std::move(monitors), bitsPerPixel),
      rules(settings, control, platform.windowCount()),
      picture(loadGlyphPicture()) {
    platform.attachInput(&rules);
}

ShowSequencer& VirtualShow::show() {
    if (!sequencer_) {
        ShowWindow& first = platform.window(0);
        showDC_ = first.getCanvas();
        selectTextFont(*showDC_, kTextPointSize);
        sequencer_ = std::make_unique<ShowSequencer>(platform, settings, picture);
        sequencer_->showDC = showDC_.get();
        sequencer_->showWidth = first.clientWidth();
        sequencer_->showHeight = first.clientHeight();
        sequencer_->lowColour = isLowColour(platform.window(0).bitsPerPixel());
        for (ShowWindow* window : platform.showWindows()) {
            sequencer_->windows.push_back(SaverWindow{window});
        }
        sequencer_->control = &control;
        control.current = sequencer_.get();
    }
    return *sequencer_;
}

void VirtualShow::play() {
    startShow(control, platform, settings, picture,
              drawIn.empty() ? platform.showWindows() : drawIn);
}

}  // namespace orvane
