#include "rain/rain_phase.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "host/settings.h"
#include "rain/rain_window.h"
#include "show/show_sequencer.h"
#include "show/text_ops.h"

namespace orvane {

namespace {

class RainPhase {
  public:
    RainPhase(ShowSequencer& show, const RainPassObserver& observer)
        : show_(show), observer_(observer) {
        windows_.reserve(show_.windows.size());
        for (SaverWindow& window : show_.windows) {
            windows_.push_back(std::make_unique<RainWindow>(show_, window));
        }
    }

    // Tear-down in list order, on every way out of the phase.
    ~RainPhase() {
        for (std::unique_ptr<RainWindow>& window : windows_) {
            window.reset();
        }
    }

    RainPhase(const RainPhase&) = delete;
    RainPhase& operator=(const RainPhase&) = delete;

    void run() {
        lastActivityTick_ = show_.now();
        suspended_ = false;
        do {
            if (suspended_) {
                powerSavePass();
            } else {
                rainPass();
            }
            if (observer_) {
                observer_(windows_, suspended_);
            }
        } while (!show_.shouldStop());
    }

  private:
    void rainPass() {
        const std::uint32_t frameStart = show_.now();
        for (std::unique_ptr<RainWindow>& window : windows_) {
            window->step();
            if (show_.shouldStop()) {
                break;  // the remaining windows miss this frame
            }
        }
        const std::uint32_t sleepMs = rainFrameSleepMs(show_.now() - frameStart);
        if (sleepMs > 0) {
            show_.platform().sleep(sleepMs);
        }
        if (idleLimitPassed(show_.now() - lastActivityTick_, show_.settings().suspendTimeout)) {
            userActivity() = false;
            suspended_ = true;
            lastMessageTick_.reset();
            show_.enterPhase(ShowPhase::PowerSave);
        }
        if (userActivity()) {
            userActivity() = false;
            lastActivityTick_ = show_.now();
        }
    }

    void powerSavePass() {
        // Drawn on the first suspended pass whatever the tick count, then every 6 s.
        if (!lastMessageTick_ || show_.now() - *lastMessageTick_ > kPowerSaveMessageMs) {
            for (std::unique_ptr<RainWindow>& window : windows_) {
                drawPowerSaveText(*window);
            }
            lastMessageTick_ = show_.now();
        }
        show_.platform().sleep(kPowerSaveWakeMs);
        if (userActivity()) {
            // The flag stays set: the next rain frame takes it up and restarts the idle time.
            lastActivityTick_ = show_.now();
            suspended_ = false;
            show_.enterPhase(ShowPhase::Rain);
            for (std::unique_ptr<RainWindow>& window : windows_) {
                fillRectColour(window->canvas(), {0, 0, window->width(), window->height()}, kBlack);
            }
        }
    }

    void drawPowerSaveText(RainWindow& window) {
        Canvas& canvas = window.canvas();
        fillRectColour(canvas, {0, 0, window.width(), window.height()}, kBlack);
        selectTextFont(canvas, kPowerSaveTextPoints);
        canvas.setTextColour(kPowerSaveTextColour);
        canvas.setBackgroundMode(BackgroundMode::Transparent);  // straight on the black window
        Random& random = show_.random();
        const int x = random(window.width() - kPowerSaveTextRoomPx);
        const int y = random(window.height());
        const std::string_view second =
            show_.settings().useEscapeLmbExit ? kPowerSaveResumeLine : kPowerSaveExitLine;
        const std::string_view first = kPowerSaveTitleLine;
        textOutAt(canvas, x, y, first, first.size());
        textOutAt(canvas, x, y + kPowerSaveLineSpacingPx, second, second.size());
    }

    bool& userActivity() {
        return show_.control != nullptr ? show_.control->userActivity : noControl_;
    }

    ShowSequencer& show_;
    const RainPassObserver& observer_;
    std::vector<std::unique_ptr<RainWindow>> windows_;
    bool suspended_ = false;
    std::uint32_t lastActivityTick_ = 0;
    std::optional<std::uint32_t> lastMessageTick_;
    bool noControl_ = false;  // a sequencer without input rules never sees activity
};

}  // namespace

std::uint32_t rainFrameSleepMs(std::uint32_t workMs) {
    return workMs < kRainFrameNoSleepMs ? kRainFramePeriodMs - workMs : 0;
}

bool idleLimitPassed(std::uint32_t idleMs, std::int32_t suspendTimeoutMinutes) {
    if (suspendTimeoutMinutes <= 0) {
        return false;
    }
    return std::int64_t{idleMs} > suspendTimeoutMinutes * kMsPerMinute;
}

void runRainPhase(ShowSequencer& show, const RainPassObserver& observer) {
    RainPhase phase(show, observer);
    phase.run();
}

}  // namespace orvane
