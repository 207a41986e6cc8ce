#include "platform/wayland/seat_input.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/common/input_rules.h"
#include "platform/posix/wakeup.h"
#include "platform/wayland/wayland_connection.h"
#include "relative-pointer-unstable-v1-client.h"

namespace orvane {

namespace {

// Seat version 5: the pointer's frame and axis details exist, touch shapes do not.
constexpr std::uint32_t kSeatVersion = 5;
// From these versions on, the seat and its devices are let go with a request, which tells the
// compositor; before, the proxy is only destroyed.
constexpr std::uint32_t kDeviceReleaseVersion = WL_KEYBOARD_RELEASE_SINCE_VERSION;
constexpr std::uint32_t kSeatReleaseVersion = WL_SEAT_RELEASE_SINCE_VERSION;
// xkbcommon counts key codes from 8, the kernel's from 0.
constexpr std::uint32_t kXkbKeycodeOffset = 8;
// A seat's pointer travel is counted twice, each count as a window of its own rules: by relative
// motion, and by places in the global logical space.
constexpr int kRelativeTravel = 0;
constexpr int kPlaceTravel = 1;
constexpr double kTravelLimitPx = 1e9;

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Point globalPoint(Point origin, wl_fixed_t x, wl_fixed_t y) {
    return {origin.x + static_cast<int>(std::floor(wl_fixed_to_double(x))),
            origin.y + static_cast<int>(std::floor(wl_fixed_to_double(y)))};
}

}  // namespace

struct SeatInput::Seat {
    SeatInput* input = nullptr;
    std::uint32_t name = 0;
    std::uint32_t version = 0;  // as bound
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    wl_touch* touch = nullptr;
    zwp_relative_pointer_v1* relativePointer = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    wl_surface* pointerOn = nullptr;  // a surface of the show, while the pointer is in it
    Point origin;
    // Relative motion counts every motion the compositor reports as relative, from 0,0 at the
    // show's start; places count the motion of other devices (absolute ones: a tablet, a
    // virtual machine's pointer), or of all where the compositor offers no relative motion.
    std::unique_ptr<InputRules> travel;
    double relativeX = 0;
    double relativeY = 0;
    bool entered = false;  // the pointer has been in a surface of the show
    wl_surface* keyboardOn = nullptr;  // a surface of the show, while it has the keyboard
    std::int64_t focusCheckAtMs = 0;   // steady clock; 0 while no keyboard leave is pending

    ~Seat() {
        dropKeymap();
        dropKeyboard();
        dropPointer();
        drop(touch, version >= kDeviceReleaseVersion ? wl_touch_release : wl_touch_destroy);
        drop(seat, version >= kSeatReleaseVersion ? wl_seat_release : wl_seat_destroy);
    }

    void dropKeyboard() {
        const bool release = version >= kDeviceReleaseVersion;
        drop(keyboard, release ? wl_keyboard_release : wl_keyboard_destroy);
    }
    void dropPointer() {
        drop(relativePointer, zwp_relative_pointer_v1_destroy);
        drop(pointer, version >= kDeviceReleaseVersion ? wl_pointer_release : wl_pointer_destroy);
    }
    void dropKeymap() {
        drop(state, xkb_state_unref);
        drop(keymap, xkb_keymap_unref);
    }

    void capabilities(std::uint32_t caps);
    void followRelativeMotion();
    void pointerEntered(wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
    void pointerMoved(wl_fixed_t x, wl_fixed_t y);
    void keyboardEntered(wl_surface* surface);
    void keyboardLeft();
};

namespace {

SeatInput::Seat& seatOf(void* data) { return *static_cast<SeatInput::Seat*>(data); }

const wl_keyboard_listener kKeyboardListener = {
    .keymap = [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
        SeatInput::Seat& seat = seatOf(data);
        seat.dropKeymap();
        // Without a keymap every key counts as one that is neither Escape nor a letter.
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0 &&
            seat.input->keymaps() != nullptr) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (text != MAP_FAILED) {
                seat.keymap = xkb_keymap_new_from_buffer(
                    seat.input->keymaps(), static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size),
                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
                munmap(text, size);
            }
            if (seat.keymap != nullptr) {
                seat.state = xkb_state_new(seat.keymap);
            }
        }
        close(fd);
    },
    .enter = [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
        seatOf(data).keyboardEntered(surface);
    },
    .leave = [](void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
        seatOf(data).keyboardLeft();
    },
    // The compositor sends no repeats (clients make their own): every release is a real one.
    .key = [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
              std::uint32_t state) {
        SeatInput::Seat& seat = seatOf(data);
        if (state != WL_KEYBOARD_KEY_STATE_RELEASED) {
            return;
        }
        const xkb_keysym_t keysym =
            seat.state != nullptr ? xkb_state_key_get_one_sym(seat.state, key + kXkbKeycodeOffset)
                                  : XKB_KEY_NoSymbol;
        SeatInput& input = *seat.input;
        input.report(input.rules().keyReleased(0, virtualKeyOfKeysym(keysym), false));
    },
    .modifiers = [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                    std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
        SeatInput::Seat& seat = seatOf(data);
        if (seat.state != nullptr) {
            xkb_state_update_mask(seat.state, depressed, latched, locked, 0, 0, group);
        }
    },
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const wl_pointer_listener kPointerListener = {
    .enter = [](void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface,
                wl_fixed_t x, wl_fixed_t y) {
        SeatInput::Seat& seat = seatOf(data);
        seat.pointerEntered(surface, x, y);
        if (seat.pointerOn != nullptr) {
            wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no pointer over the show
        }
    },
    .leave = [](void* data, wl_pointer*, std::uint32_t, wl_surface*) { seatOf(data).pointerOn = nullptr; },
    .motion = [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        seatOf(data).pointerMoved(x, y);
    },
    .button = [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                 std::uint32_t state) {
        SeatInput::Seat& seat = seatOf(data);
        if (seat.pointerOn != nullptr && state == WL_POINTER_BUTTON_STATE_PRESSED) {
            SeatInput& input = *seat.input;
            const MouseButton pressed = buttonOfCode(button, BTN_LEFT, BTN_MIDDLE, BTN_RIGHT);
            input.report(input.rules().mouseButtonPressed(0, pressed));
        }
    },
    // Wheel steps are not clicks.
    .axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, std::uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    .axis_value120 = nullptr,  // later than the seat version bound
};

// Sent only while the pointer is on a surface of the show.
const zwp_relative_pointer_v1_listener kRelativePointerListener = {
    .relative_motion = [](void* data, zwp_relative_pointer_v1*, std::uint32_t, std::uint32_t,
                          wl_fixed_t dx, wl_fixed_t dy, wl_fixed_t, wl_fixed_t) {
        // The accelerated motion: the one the pointer makes on the screen. Bounded, so that no
        // run of motion, however long, leaves the range of a position.
        SeatInput::Seat& seat = seatOf(data);
        seat.relativeX =
            std::clamp(seat.relativeX + wl_fixed_to_double(dx), -kTravelLimitPx, kTravelLimitPx);
        seat.relativeY =
            std::clamp(seat.relativeY + wl_fixed_to_double(dy), -kTravelLimitPx, kTravelLimitPx);
        const Point at{static_cast<int>(std::floor(seat.relativeX)),
                       static_cast<int>(std::floor(seat.relativeY))};
        seat.input->report(seat.travel->mouseMoved(kRelativeTravel, at));
    },
};

// A touch on the show is a press of the left button.
const wl_touch_listener kTouchListener = {
    .down = [](void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface* surface,
               std::int32_t, wl_fixed_t, wl_fixed_t) {
        SeatInput& input = *seatOf(data).input;
        Point origin;
        if (surface != nullptr && input.originOf(surface, origin)) {
            input.report(input.rules().mouseButtonPressed(0, MouseButton::Left));
        }
    },
    .up = [](void*, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t) {},
    .motion = [](void*, wl_touch*, std::uint32_t, std::int32_t, wl_fixed_t, wl_fixed_t) {},
    .frame = [](void*, wl_touch*) {},
    .cancel = [](void*, wl_touch*) {},
    // Later than the seat version bound.
    .shape = nullptr,
    .orientation = nullptr,
};

const wl_seat_listener kSeatListener = {
    .capabilities = [](void* data, wl_seat*, std::uint32_t caps) { seatOf(data).capabilities(caps); },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_registry_listener kRegistryListener = {
    .global = [](void* data, wl_registry*, std::uint32_t name, const char* interface,
                 std::uint32_t version) {
        const std::string_view is(interface);
        if (is == wl_seat_interface.name) {
            static_cast<SeatInput*>(data)->addSeat(name, version);
        } else if (is == zwp_relative_pointer_manager_v1_interface.name) {
            static_cast<SeatInput*>(data)->addRelativePointers(name);
        }
    },
    .global_remove = [](void* data, wl_registry*, std::uint32_t name) {
        static_cast<SeatInput*>(data)->removeSeat(name);
    },
};

}  // namespace

void SeatInput::Seat::capabilities(std::uint32_t caps) {
    const bool hasKeyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (hasKeyboard && keyboard == nullptr) {
        keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(keyboard, &kKeyboardListener, this);
    } else if (!hasKeyboard && keyboard != nullptr) {
        dropKeyboard();
        dropKeymap();
        keyboardOn = nullptr;  // a keyboard unplugged is not one taken away
        focusCheckAtMs = 0;
    }
    const bool hasPointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (hasPointer && pointer == nullptr) {
        pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(pointer, &kPointerListener, this);
        followRelativeMotion();
    } else if (!hasPointer && pointer != nullptr) {
        dropPointer();
        pointerOn = nullptr;
    }
    const bool hasTouch = (caps & WL_SEAT_CAPABILITY_TOUCH) != 0;
    if (hasTouch && touch == nullptr) {
        touch = wl_seat_get_touch(seat);
        wl_touch_add_listener(touch, &kTouchListener, this);
    } else if (!hasTouch) {
        drop(touch, version >= kDeviceReleaseVersion ? wl_touch_release : wl_touch_destroy);
    }
}

void SeatInput::Seat::followRelativeMotion() {
    if (pointer != nullptr && relativePointer == nullptr && input->relativePointers() != nullptr) {
        relativePointer = zwp_relative_pointer_manager_v1_get_relative_pointer(
            input->relativePointers(), pointer);
        zwp_relative_pointer_v1_add_listener(relativePointer, &kRelativePointerListener, this);
    }
}

void SeatInput::Seat::pointerEntered(wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    pointerOn = nullptr;
    if (surface == nullptr || !input->originOf(surface, origin)) {
        return;
    }
    pointerOn = surface;
    if (input->relativePointers() != nullptr) {
        // Relative motion counts the crossing to another output. Places count again from the
        // first motion in this surface, not from the enter's: a compositor may tell one older
        // than motion it has already applied (mutter tells one from before the surface was
        // made full-screen).
        travel->forgetPointer(kPlaceTravel);
    } else {
        // The surfaces appear under the pointer: the first enter is where it stood when the
        // show began, and a crossing moves it as far as the places in the global space say.
        const Point at = globalPoint(origin, x, y);
        if (entered) {
            input->report(travel->mouseMoved(kPlaceTravel, at));
        } else {
            travel->windowShown(kPlaceTravel, at);
        }
    }
    entered = true;
}

void SeatInput::Seat::pointerMoved(wl_fixed_t x, wl_fixed_t y) {
    if (pointerOn == nullptr) {
        return;
    }
    input->report(travel->mouseMoved(kPlaceTravel, globalPoint(origin, x, y)));
}

void SeatInput::Seat::keyboardEntered(wl_surface* surface) {
    Point unused;
    if (surface != nullptr && input->originOf(surface, unused)) {
        keyboardOn = surface;
    }
}

void SeatInput::Seat::keyboardLeft() {
    // Only a keyboard the show has had can be taken from it: a compositor may give it late.
    // The surface left may already be gone (its output went).
    if (keyboardOn != nullptr) {
        keyboardOn = nullptr;
        focusCheckAtMs = nowMs() + kFocusRegainMs;
    }
}

SeatInput::SeatInput(wl_display* display, const Settings& settings, const Wakeup& wakeShow)
    : display_(display), settings_(settings), wakeShow_(wakeShow) {
    // Keys, buttons and touches; each seat counts its pointer's travel with rules of its own.
    rules_ = std::make_unique<InputRules>(settings_, 1);
    xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    queue_ = wl_display_create_queue(display_);
    // The seats are announced to a registry of this side's own, on its queue.
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
    if (queue_ == nullptr || wrapped == nullptr) {
        lost_ = true;  // out of memory: bindSeats says the connection failed
        return;
    }
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue_);
    registry_ = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
}

SeatInput::~SeatInput() {
    seats_.clear();
    drop(relativePointers_, zwp_relative_pointer_manager_v1_destroy);
    drop(registry_, wl_registry_destroy);
    drop(queue_, wl_event_queue_destroy);
    drop(xkb_, xkb_context_unref);
}

bool SeatInput::bindSeats() {
    if (registry_ == nullptr) {
        return false;
    }
    // The seats, then their capabilities (the devices), then what the devices tell.
    for (int i = 0; i < 3; ++i) {
        if (wl_display_roundtrip_queue(display_, queue_) < 0) {
            return false;
        }
    }
    return true;
}

void SeatInput::place(wl_surface* surface, Point origin) {
    std::lock_guard lock(placesMutex_);
    places_[surface] = origin;
}

void SeatInput::forget(wl_surface* surface) {
    std::lock_guard lock(placesMutex_);
    places_.erase(surface);
}

bool SeatInput::originOf(wl_surface* surface, Point& origin) {
    std::lock_guard lock(placesMutex_);
    const auto found = places_.find(surface);
    if (found == places_.end()) {
        return false;
    }
    origin = found->second;
    return true;
}

void SeatInput::addSeat(std::uint32_t name, std::uint32_t version) {
    auto seat = std::make_unique<Seat>();
    seat->input = this;
    seat->name = name;
    seat->version = std::min(version, kSeatVersion);
    seat->travel = std::make_unique<InputRules>(settings_, 2);
    seat->seat = static_cast<wl_seat*>(
        wl_registry_bind(registry_, name, &wl_seat_interface, seat->version));
    wl_seat_add_listener(seat->seat, &kSeatListener, seat.get());
    seats_.push_back(std::move(seat));
}

void SeatInput::addRelativePointers(std::uint32_t name) {
    if (relativePointers_ != nullptr) {
        return;
    }
    relativePointers_ = static_cast<zwp_relative_pointer_manager_v1*>(
        wl_registry_bind(registry_, name, &zwp_relative_pointer_manager_v1_interface, 1));
    for (auto& seat : seats_) {
        seat->followRelativeMotion();
    }
}

void SeatInput::removeSeat(std::uint32_t name) {
    std::erase_if(seats_, [name](const auto& seat) { return seat->name == name; });
}

void SeatInput::lose() {
    lost_ = true;
    wakeShow_.notify();
}

int SeatInput::checkFocus() {
    const std::int64_t now = nowMs();
    std::int64_t next = 0;
    for (auto& seat : seats_) {
        if (seat->focusCheckAtMs == 0) {
            continue;
        }
        if (now < seat->focusCheckAtMs) {
            next = next == 0 ? seat->focusCheckAtMs : std::min(next, seat->focusCheckAtMs);
            continue;
        }
        seat->focusCheckAtMs = 0;
        // Only a keyboard leave starts a check: a pointer the compositor hides (sway's
        // hide_cursor) leaves the show too, and the keyboard stays.
        const bool pointerTaken =
            seat->pointer != nullptr && seat->entered && seat->pointerOn == nullptr;
        if (seat->keyboardOn == nullptr || pointerTaken) {
            report(InputEffect::Stop);  // whatever the settings: the show is in the way
        }
    }
    return next == 0 ? -1 : static_cast<int>(next - now);
}

int SeatInput::prepare(int& timeoutMs) {
    if (lost_) {
        return -1;
    }
    while (wl_display_prepare_read_queue(display_, queue_) != 0) {
        if (wl_display_dispatch_queue_pending(display_, queue_) < 0) {
            lose();
            return -1;
        }
    }
    reading_ = true;
    // What the show's thread asked for goes out with what this side asked; the show's thread
    // flushes again itself where the socket was full.
    wl_display_flush(display_);
    timeoutMs = checkFocus();
    return wl_display_get_fd(display_);
}

void SeatInput::take(bool readable) {
    if (!reading_) {
        return;
    }
    reading_ = false;
    if (readable) {
        if (wl_display_read_events(display_) < 0) {
            lose();
            return;
        }
        wakeShow_.notify();  // some of it may be the show's
    } else {
        wl_display_cancel_read(display_);
    }
    if (wl_display_dispatch_queue_pending(display_, queue_) < 0) {
        lose();
    }
}

}  // namespace orvane
