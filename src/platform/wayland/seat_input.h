// The show's input on Wayland: every seat's keyboard (keys by xkbcommon's keymap), pointer and
// touch, through the input rules, read by the stop watcher's thread, which reads the connection
// for the whole program (the show's low-priority thread only dispatches what arrives for it), so
// that a busy machine never holds a key up behind a frame. Pointer travel counts every motion
// from where the pointer stood when the show began: by relative motion where the compositor
// offers it (no jump from one output to another), else by places in its global logical space.
// Input taken by another client (a locker) ends the show, as a deactivated screen saver ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "host/settings.h"
#include "platform/posix/stop_watcher.h"
#include "show/geometry.h"

struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_surface;
struct xkb_context;
struct zwp_relative_pointer_manager_v1;

namespace orvane {

class InputRules;
class Wakeup;

class SeatInput final : public WatchedInput {
public:
    // After the keyboard leaves a surface of the show, how long the compositor has to give back
    // the keyboard, and the pointer where it was on the show (as when it moves them to another
    // surface of the show). A locker keeps them: the keyboard, or with sway 1.7's input
    // inhibitor the pointer (never given back) while the keyboard comes back.
    static constexpr int kFocusRegainMs = 300;

    // Asks for the seats on a queue of the input side's own; nothing is read yet. The show's
    // thread is woken whenever something it may have to dispatch arrived.
    SeatInput(wl_display* display, const Settings& settings, const Wakeup& wakeShow);
    ~SeatInput() override;

    SeatInput(const SeatInput&) = delete;
    SeatInput& operator=(const SeatInput&) = delete;

    // Binds the seats and their devices now, before any surface of the show is on the screen:
    // a compositor gives the keyboard to a surface as it appears, and only to a client that
    // holds the seat by then. False where the connection failed. From then on the watcher
    // reads the connection, and the show's thread no longer does.
    bool bindSeats();

    int prepare(int& timeoutMs) override;
    void take(bool readable) override;

    // A surface of the show whose top left lies at origin in the global logical space.
    void place(wl_surface* surface, Point origin);
    void forget(wl_surface* surface);

    // The compositor went away, or the connection failed.
    bool connectionLost() const { return lost_.load(); }

    struct Seat;
    // For the listeners, on the input thread.
    void addSeat(std::uint32_t name, std::uint32_t version);
    void removeSeat(std::uint32_t name);
    void addRelativePointers(std::uint32_t name);
    zwp_relative_pointer_manager_v1* relativePointers() const { return relativePointers_; }
    bool originOf(wl_surface* surface, Point& origin);
    InputRules& rules() { return *rules_; }
    xkb_context* keymaps() { return xkb_; }

private:
    void lose();
    // Ends the show where a seat has not come back to it after its keyboard left; the time to
    // the next such check in milliseconds (-1: none due).
    int checkFocus();

    wl_display* display_;
    Settings settings_;
    const Wakeup& wakeShow_;
    wl_event_queue* queue_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwp_relative_pointer_manager_v1* relativePointers_ = nullptr;
    xkb_context* xkb_ = nullptr;
    std::unique_ptr<InputRules> rules_;
    std::vector<std::unique_ptr<Seat>> seats_;

    std::mutex placesMutex_;
    std::unordered_map<wl_surface*, Point> places_;

    std::atomic<bool> lost_{false};
    bool reading_ = false;  // prepared to read: the next take reads or cancels
};

}  // namespace orvane
