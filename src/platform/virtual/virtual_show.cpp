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
        showDC_ = platform.window(0).getCanvas();
        selectTextFont(*showDC_, kTextPointSize);
        sequencer_ = std::make_unique<ShowSequencer>(platform, settings, picture);
        prepareShow(*sequencer_, *showDC_, control, platform.showWindows());
    }
    return *sequencer_;
}

void VirtualShow::play() {
    startShow(control, platform, settings, picture,
              drawIn.empty() ? platform.showWindows() : drawIn);
}

}  // namespace orvane
