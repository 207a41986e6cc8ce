#include "platform/virtual/virtual_platform.h"

#include <algorithm>

namespace orvane {

VirtualWindow::VirtualWindow(const VirtualMonitor& monitor, int bitsPerPixel)
    : WindowPicture(monitor.width, monitor.height, bitsPerPixel), monitor_(monitor) {
    showPicture(this);
}

VirtualPlatform::VirtualPlatform(std::uint32_t startTick, std::vector<VirtualMonitor> monitors,
                                 int bitsPerPixel)
    : startTick_(startTick) {
    for (const VirtualMonitor& monitor : monitors) {
        windows_.push_back(std::make_unique<VirtualWindow>(monitor, bitsPerPixel));
    }
}

std::uint32_t VirtualPlatform::ticks() {
    elapsedUs_ += kTickReadCostUs;
    timeMoved();
    return peekTicks();
}

// Like the real platform, everything drawn reaches the (absent) screen at each sleep and pump.
void VirtualPlatform::presentAll() {
    for (auto& window : windows_) {
        if (window->hasDamage()) {
            window->present();
        }
    }
}

void VirtualPlatform::sleep(std::uint32_t milliseconds) {
    ++sleeps_;
    presentAll();
    elapsedUs_ += static_cast<std::uint64_t>(milliseconds) * 1000;
    timeMoved();
}

void VirtualPlatform::atElapsed(std::uint64_t microseconds, std::function<void()> action) {
    timed_.emplace_back(microseconds, std::move(action));
    std::stable_sort(timed_.begin(), timed_.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
}

void VirtualPlatform::timeMoved() {
    if (runningTimed_) {
        return;  // an action reading the clock does not run the next one
    }
    runningTimed_ = true;
    while (!timed_.empty() && timed_.back().first <= elapsedUs_) {
        auto action = std::move(timed_.back().second);
        timed_.pop_back();
        action();
    }
    runningTimed_ = false;
}

void VirtualPlatform::processPendingMessages() {
    ++pumps_;
    presentAll();
    const std::uint32_t now = elapsedMs();
    // Events in time order, then in the order they were scripted.
    std::vector<ScriptedEvent> due;
    auto firstLater = std::stable_partition(script_.begin(), script_.end(),
                                            [now](const ScriptedEvent& e) { return e.atMs <= now; });
    due.assign(std::make_move_iterator(script_.begin()), std::make_move_iterator(firstLater));
    script_.erase(script_.begin(), firstLater);
    std::sort(due.begin(), due.end(), [](const ScriptedEvent& a, const ScriptedEvent& b) {
        return a.atMs != b.atMs ? a.atMs < b.atMs : a.order < b.order;
    });
    for (ScriptedEvent& event : due) {
        event.deliver();
    }
    if (onPump) {
        onPump();
    }
}

std::vector<ShowWindow*> VirtualPlatform::showWindows() {
    std::vector<ShowWindow*> list;
    for (auto& window : windows_) {
        list.push_back(window.get());
    }
    return list;
}

void VirtualPlatform::attachInput(InputRules* rules, Point pointerAtStart) {
    rules_ = rules;
    if (rules_ != nullptr) {
        for (int i = 0; i < windowCount(); ++i) {
            rules_->windowShown(i, pointerAtStart);
        }
    }
}

void VirtualPlatform::schedule(std::uint32_t atMs, std::function<void()> deliver) {
    script_.push_back({atMs, scriptOrder_++, std::move(deliver)});
}

void VirtualPlatform::scriptMouseMove(std::uint32_t atMs, int window, Point position) {
    schedule(atMs, [this, window, position] {
        if (rules_ != nullptr) {
            rules_->mouseMoved(window, position);
        }
    });
}

void VirtualPlatform::scriptButtonPress(std::uint32_t atMs, int window, MouseButton button) {
    schedule(atMs, [this, window, button] {
        if (rules_ != nullptr) {
            rules_->mouseButtonPressed(window, button);
        }
    });
}

void VirtualPlatform::scriptKeyRelease(std::uint32_t atMs, int window, int virtualKey,
                                       bool autoRepeat) {
    schedule(atMs, [this, window, virtualKey, autoRepeat] {
        if (rules_ != nullptr) {
            rules_->keyReleased(window, virtualKey, autoRepeat);
        }
    });
}

void VirtualPlatform::scriptAction(std::uint32_t atMs, std::function<void()> action) {
    schedule(atMs, std::move(action));
}

}  // namespace orvane
