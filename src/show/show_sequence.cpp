#include "show/show_sequence.h"

#include "host/settings.h"
#include "intro/opening_phase.h"
#include "intro/phone_trace.h"
#include "intro/title_phase.h"
#include "intro/trace_program.h"
#include "intro/wake_up_messages.h"
#include "rain/rain_phase.h"
#include "show/show_sequencer.h"
#include "show/text_ops.h"
#include "show/ticks.h"

namespace orvane {

namespace {

// Two centred white lines, clipped out of everything drawn later through the show context.
void lowColourWarning(ShowSequencer& show) {
    Canvas& dc = *show.showDC;
    fillRectColour(dc, {0, 0, show.showWidth, show.showHeight}, kBlack);
    dc.setTextColour(kWhite);
    dc.setBackgroundColour(kBlack);
    const Size line1 = textExtent(dc, kLowColourLine1);
    dc.textOut((show.showWidth - line1.width) / 2, (show.showHeight - line1.height) / 2,
               kLowColourLine1);
    const Size line2 = textExtent(dc, kLowColourLine2);
    dc.textOut((show.showWidth - line2.width) / 2,
               (show.showHeight - line2.height) / 2 + line2.height, kLowColourLine2);
    const int left = (show.showWidth - line1.width) / 2;
    const int top = (show.showHeight - line2.height) / 2;
    dc.excludeClipRect({left, top, left + line1.width, top + 2 * line2.height});
}

}  // namespace

void prepareShow(ShowSequencer& show, Canvas& showDC, ShowControl& control,
                 const std::vector<ShowWindow*>& windows) {
    show.showDC = &showDC;
    show.showWidth = windows[0]->clientWidth();
    show.showHeight = windows[0]->clientHeight();
    show.lowColour = isLowColour(showDC.bitsPerPixel());
    show.control = &control;
    show.phaseListener = control.phaseListener;
    for (ShowWindow* window : windows) {
        show.windows.push_back(SaverWindow{window});
    }
    control.current = &show;
}

void startShow(ShowControl& control, Platform& platform, const Settings& settings,
               const GlyphPicture& picture, const std::vector<ShowWindow*>& windows) {
    if (windows.empty()) {
        return;
    }
    std::unique_ptr<Canvas> showDC = windows[0]->getCanvas();
    selectTextFont(*showDC, kTextPointSize);
    ShowSequencer show(platform, settings, picture);
    prepareShow(show, *showDC, control, windows);
    runShow(show);
    // The sequencer ends with this call; input from here on has nothing to stop.
    control.current = nullptr;
}

void runShow(ShowSequencer& show) {
    const Settings& settings = show.settings();
    if (show.lowColour) {
        show.enterPhase(ShowPhase::LowColourWarning);
        lowColourWarning(show);
    }
    show.enterPhase(ShowPhase::Opening);
    openingPhase(show);
    if (show.shouldStop()) {
        return;
    }
    if (settings.showTitle) {
        show.enterPhase(ShowPhase::Title);
        titlePhase(show);
        if (show.shouldStop()) {
            return;
        }
        show.enterPhase(ShowPhase::TitlePause);
        // The pause spins on the stop poll; it does not sleep.
        const std::uint32_t start = show.now();
        while (tickBefore(show.now(), start + kAfterTitlePauseMs)) {
            if (show.shouldStop()) {
                return;
            }
        }
    }
    if (settings.showIntro) {
        Canvas& dc = *show.showDC;
        show.enterPhase(ShowPhase::TraceProgram);
        traceProgram(show, dc, show.showWidth, show.showHeight);
        if (show.shouldStop()) {
            return;
        }
        show.enterPhase(ShowPhase::PhoneTrace);
        phoneTrace(show, dc, show.showWidth, show.showHeight);
        if (show.shouldStop()) {
            return;
        }
        selectTextFont(dc, kTextPointSize);
        show.enterPhase(ShowPhase::WakeUpMessages);
        wakeUpMessages(show, dc, show.showWidth, show.showHeight);
        if (show.shouldStop()) {
            return;
        }
    }
    show.enterPhase(ShowPhase::Rain);
    runRainPhase(show);
    show.shouldStop();
}

}  // namespace orvane
