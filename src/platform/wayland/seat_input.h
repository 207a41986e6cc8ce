// The show's input on Wayland: every seat's keyboard (keys by xkbcommon's keymap), pointer and
// touch, through the same input rules as on the other platforms, on a thread of normal
// priority. That thread also reads the connection for the whole program: the show's own
// thread (low priority) only dispatches what arrives for it, so that a busy machine never
// holds a key up behind a frame. Pointer travel counts from where the pointer stood when the
// show began, every motion included: by the compositor's relative motion where it offers it
// (no jump when the pointer crosses to another output), else by positions in its global logical
// space (the position in the surface plus where its output lies). Input taken by another client
// (a locker) ends the show, as a screen saver that is deactivated ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "host/settings.h"
#include "show/geometry.h"

struct wl_display;
struct wl_event_queue;
struct wl_registry;
struct wl_surface;
struct xkb_context;
struct zwp_relative_pointer_manager_v1;

namespace orvane {

class InputRules;
class InputThread;
enum class InputEffect;

class SeatInput {
public:
    // How long the program may take to end after input stopped the show before the input
    // thread ends it (the show's thread at low priority on a busy machine).
    static constexpr int kForcedExitAfterMs = 150;
    // After the keyboard leaves a surface of the show, how long the compositor has to give the
    // seat back to the show: the keyboard, and the pointer where it was on the show. It moves
    // them from one surface of the show to another (a surface appearing, an output going) at
    // once. A locker keeps them: its own keyboard focus, or, with the input inhibitor of sway
    // 1.7, the pointer (which is never given back), while the keyboard comes back.
    static constexpr int kFocusRegainMs = 300;

    // Asks for the seats on a queue of the input side's own; nothing is read yet.
    SeatInput(wl_display* display, const Settings& settings);
    ~SeatInput();

    SeatInput(const SeatInput&) = delete;
    SeatInput& operator=(const SeatInput&) = delete;

    // Binds the seats and their devices now, before any surface of the show is on the screen:
    // a compositor gives the keyboard to a surface as it appears, and only to a client that
    // holds the seat by then. False where the connection failed.
    bool bindSeats();
    // From here on the thread reads the connection; the show's thread must no longer read it.
    void start(InputThread& thread);
    // Ends the thread's loop and waits for it; the show's thread may read again.
    void stop();

    // A surface of the show whose top left lies at origin in the global logical space.
    void place(wl_surface* surface, Point origin);
    void forget(wl_surface* surface);

    // What input asked for: a stop stays asked; activity is taken once.
    bool stopRequested() const { return stop_.load(); }
    bool takeActivity() { return activity_.exchange(false); }
    // The compositor went away, or the connection failed.
    bool connectionLost() const { return lost_.load(); }
    // Readable when something arrived for the show's thread; drain() empties it.
    int wakeFd() const { return wakeFd_; }
    void drain();

    struct Seat;
    // For the listeners, on the input thread.
    void addSeat(std::uint32_t name, std::uint32_t version);
    void removeSeat(std::uint32_t name);
    void addRelativePointers(std::uint32_t name);
    zwp_relative_pointer_manager_v1* relativePointers() const { return relativePointers_; }
    void apply(InputEffect effect);
    bool originOf(wl_surface* surface, Point& origin);
    InputRules& rules() { return *rules_; }
    xkb_context* keymaps() { return xkb_; }

private:
    void loop();
    void wakeShow();
    // Ends the show where a seat has not come back to it after its keyboard left; the time to
    // the next such check in milliseconds (-1: none due).
    int checkFocus();

    wl_display* display_;
    Settings settings_;
    wl_event_queue* queue_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwp_relative_pointer_manager_v1* relativePointers_ = nullptr;
    xkb_context* xkb_ = nullptr;
    std::unique_ptr<InputRules> rules_;
    std::vector<std::unique_ptr<Seat>> seats_;

    std::mutex placesMutex_;
    std::unordered_map<wl_surface*, Point> places_;

    std::atomic<bool> stop_{false};
    std::atomic<bool> activity_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> running_{false};
    std::int64_t exitAtMs_ = 0;  // steady clock; 0 while no stop is pending
    int wakeFd_ = -1;  // to the show's thread
    int quitFd_ = -1;  // to the input thread
    InputThread* thread_ = nullptr;
};

}  // namespace orvane
