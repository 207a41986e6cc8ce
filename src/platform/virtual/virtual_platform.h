// The virtual platform: the whole show played without a display, deterministically and fast.
// Time moves only by the show's own calls: every tick read costs a few microseconds and a
// sleep moves the clock by its length. Input is scripted at virtual times and reaches the
// input rules at the first message pump at or after its time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/input_rules.h"
#include "platform/common/picture_window.h"

namespace orvane {

// A monitor of the virtual machine: its rectangle in screen coordinates.
struct VirtualMonitor {
    int left = 0;
    int top = 0;
    int width = 800;
    int height = 600;
};

class VirtualWindow final : public PictureWindow, public WindowPicture {
public:
    VirtualWindow(const VirtualMonitor& monitor, int bitsPerPixel);
    // There is no screen: presenting only counts and forgets the changed areas.
    void present() override {
        ++presents_;
        discardDamage();
    }

    const VirtualMonitor& monitor() const { return monitor_; }
    int presents() const { return presents_; }

private:
    VirtualMonitor monitor_;
    int presents_ = 0;
};

class VirtualPlatform final : public Platform {
public:
    static constexpr std::uint64_t kTickReadCostUs = 20;

    explicit VirtualPlatform(std::uint32_t startTick = 0,
                             std::vector<VirtualMonitor> monitors = {VirtualMonitor{}},
                             int bitsPerPixel = 32);

    // Platform
    std::uint32_t ticks() override;
    void sleep(std::uint32_t milliseconds) override;
    void processPendingMessages() override;
    std::uint32_t millisecondsSinceMidnightUtc() override { return utcMsSinceMidnight; }
    LocalDateTime localDateTime() override { return localTime; }
    std::optional<std::string> loggedOnUserName() override { return userName; }

    // Virtual time since the platform was made, without advancing it.
    std::uint64_t elapsedUs() const { return elapsedUs_; }
    std::uint32_t elapsedMs() const { return static_cast<std::uint32_t>(elapsedUs_ / 1000); }
    std::uint32_t peekTicks() const { return startTick_ + elapsedMs(); }
    // Moves the clock on without any call of the show (a test's own waiting).
    void advance(std::uint64_t microseconds) { elapsedUs_ += microseconds; }

    std::vector<ShowWindow*> showWindows();
    VirtualWindow& window(int index) { return *windows_.at(static_cast<std::size_t>(index)); }
    int windowCount() const { return static_cast<int>(windows_.size()); }

    // Input, delivered to these rules by the pumps. Each window is "shown" when the rules are
    // attached, with the pointer at pointerAtStart.
    void attachInput(InputRules* rules, Point pointerAtStart = {});
    void scriptMouseMove(std::uint32_t atMs, int window, Point screenPosition);
    void scriptButtonPress(std::uint32_t atMs, int window, MouseButton button);
    void scriptKeyRelease(std::uint32_t atMs, int window, int virtualKey, bool autoRepeat = false);
    // Any action at a virtual time (run by the first pump at or after it).
    void scriptAction(std::uint32_t atMs, std::function<void()> action);

    // Runs the action as soon as virtual time reaches the moment (microseconds since the
    // platform was made), from inside the show's own clock reading or sleep: for pictures
    // taken at exact times.
    void atElapsed(std::uint64_t microseconds, std::function<void()> action);

    int pumpCount() const { return pumps_; }
    int sleepCount() const { return sleeps_; }
    // Runs on every pump, after the scripted events (for tests that watch the show).
    std::function<void()> onPump;

    // Facts of the machine, for the show to ask.
    std::uint32_t utcMsSinceMidnight = 0;
    LocalDateTime localTime{2026, 12, 7, 9, 5, 3};
    std::optional<std::string> userName = std::string("alex");

private:
    struct ScriptedEvent {
        std::uint32_t atMs;
        std::uint64_t order;
        std::function<void()> deliver;
    };
    void schedule(std::uint32_t atMs, std::function<void()> deliver);
    void timeMoved();
    void presentAll();

    std::uint32_t startTick_;
    std::uint64_t elapsedUs_ = 0;
    std::vector<std::unique_ptr<VirtualWindow>> windows_;
    InputRules* rules_ = nullptr;
    std::vector<ScriptedEvent> script_;
    std::vector<std::pair<std::uint64_t, std::function<void()>>> timed_;  // latest first
    bool runningTimed_ = false;
    std::uint64_t scriptOrder_ = 0;
    int pumps_ = 0;
    int sleeps_ = 0;
};

}  // namespace orvane
