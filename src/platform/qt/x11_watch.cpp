#include "platform/qt/x11_watch.h"

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "platform/common/input_rules.h"

#if ORVANE_HAVE_XCB
#include <xcb/xcb.h>
// The XKB header names a field "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#endif

namespace orvane {

#if ORVANE_HAVE_XCB

namespace {

constexpr int kGrabAttempts = 10;
constexpr auto kGrabRetry = std::chrono::milliseconds(20);

// X button numbers 4 to 7 are wheel steps, which are not clicks.
constexpr std::uint8_t kFirstWheelButton = 4;
constexpr std::uint8_t kLastWheelButton = 7;

}  // namespace

class X11Watch final : public WatchedInput {
public:
    xcb_connection_t* connection = nullptr;
    std::optional<InputWatch> input;  // until the show stops
    std::unique_ptr<InputRules> rules;
    std::uint32_t lifeWindow = 0;
    std::uint8_t minKeycode = 0;
    std::vector<std::uint32_t> keysyms;  // the first keysym of each keycode from minKeycode

    ~X11Watch() override {
        if (connection != nullptr) {
            xcb_disconnect(connection);
        }
    }

    bool connect() {
        connection = xcb_connect(nullptr, nullptr);
        return xcb_connection_has_error(connection) == 0;
    }

    // Held keys then repeat as presses alone, so every release is a real one.
    bool detectableKeyRepeat() {
        xcb_xkb_use_extension_reply_t* use = xcb_xkb_use_extension_reply(
            connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
            nullptr);
        const bool supported = use != nullptr && use->supported != 0;
        std::free(use);
        if (!supported) {
            return false;
        }
        constexpr std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        xcb_xkb_per_client_flags_reply_t* flags = xcb_xkb_per_client_flags_reply(
            connection,
            xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
            nullptr);
        const bool set = flags != nullptr && (flags->value & flag) != 0;
        std::free(flags);
        return set;
    }

    void readKeyboardMapping() {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        minKeycode = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
            connection,
            xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
        if (mapping == nullptr) {
            return;
        }
        const xcb_keysym_t* all = xcb_get_keyboard_mapping_keysyms(mapping);
        const int perKeycode = mapping->keysyms_per_keycode;
        const int total = xcb_get_keyboard_mapping_keysyms_length(mapping);
        for (int i = 0; i < count && perKeycode > 0 && i * perKeycode < total; ++i) {
            keysyms.push_back(all[i * perKeycode]);
        }
        std::free(mapping);
    }

    void ungrab() {
        xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
        xcb_flush(connection);
    }

    bool grab(std::uint32_t window) {
        for (int attempt = 0; attempt < kGrabAttempts; ++attempt) {
            xcb_grab_keyboard_reply_t* keyboard = xcb_grab_keyboard_reply(
                connection,
                xcb_grab_keyboard(connection, 0, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                  XCB_GRAB_MODE_ASYNC),
                nullptr);
            const bool keyboardTaken = keyboard != nullptr && keyboard->status == XCB_GRAB_STATUS_SUCCESS;
            std::free(keyboard);
            // With no cursor of its own the grab wears the first window's blank one everywhere.
            constexpr std::uint16_t events = XCB_EVENT_MASK_POINTER_MOTION |
                                             XCB_EVENT_MASK_BUTTON_PRESS |
                                             XCB_EVENT_MASK_BUTTON_RELEASE;
            xcb_grab_pointer_reply_t* pointer = xcb_grab_pointer_reply(
                connection,
                xcb_grab_pointer(connection, 0, window, events, XCB_GRAB_MODE_ASYNC,
                                 XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                nullptr);
            const bool pointerTaken = pointer != nullptr && pointer->status == XCB_GRAB_STATUS_SUCCESS;
            std::free(pointer);
            if (keyboardTaken && pointerTaken) {
                return true;
            }
            ungrab();
            std::this_thread::sleep_for(kGrabRetry);
        }
        return false;
    }

    int virtualKeyOf(std::uint8_t keycode) const {
        const int index = keycode - minKeycode;
        if (index < 0 || index >= static_cast<int>(keysyms.size())) {
            return 0;
        }
        return virtualKeyOfKeysym(keysyms[static_cast<std::size_t>(index)]);
    }

    InputEffect effectOf(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7f;
        if (type == XCB_DESTROY_NOTIFY) {
            const auto& destroyed = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
            const bool lifeOver = lifeWindow != 0 && destroyed.window == lifeWindow;
            return lifeOver ? InputEffect::Stop : InputEffect::None;
        }
        if (!rules || !input) {
            return InputEffect::None;
        }
        switch (type) {
        case XCB_KEY_RELEASE: {
            const auto& key = reinterpret_cast<const xcb_key_release_event_t&>(event);
            return rules->keyReleased(0, virtualKeyOf(key.detail), false);
        }
        case XCB_BUTTON_PRESS: {
            const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
            const std::uint8_t button = press.detail;
            if (button >= kFirstWheelButton && button <= kLastWheelButton) {
                return InputEffect::None;
            }
            return rules->mouseButtonPressed(0, buttonOfCode(button, 1, 2, 3));
        }
        case XCB_MOTION_NOTIFY: {
            const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
            return rules->mouseMoved(0, {motion.root_x, motion.root_y});
        }
        default:
            return InputEffect::None;
        }
    }

    int prepare(int&) override {
        take(false);  // what arrived with the replies to the last requests
        // The X server went away: the main thread's own connection ends the show.
        return xcb_connection_has_error(connection) != 0 ? -1 : xcb_get_file_descriptor(connection);
    }

    void take(bool) override {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const InputEffect meaning = effectOf(*event);
            std::free(event);
            report(meaning);
        }
    }

    void showStopping() override {
        if (!input) {
            return;
        }
        for (std::uint32_t window : input->hideOnStop) {
            xcb_unmap_window(connection, window);
        }
        ungrab();
        input.reset();
    }
};

std::unique_ptr<WatchedInput> grabX11Input(InputWatch watch) {
    auto c = std::make_unique<X11Watch>();
    if (!c->connect() || !c->detectableKeyRepeat()) {
        return nullptr;
    }
    c->readKeyboardMapping();
    if (!c->grab(watch.grabWindow)) {
        return nullptr;
    }
    c->input = std::move(watch);
    // Every event comes to the grab window, so the rules count one window.
    c->rules = std::make_unique<InputRules>(c->input->settings, 1);
    c->rules->windowShown(0, c->input->pointerAtShow);
    return c;
}

std::unique_ptr<WatchedInput> watchX11WindowLife(std::uint32_t window) {
    auto c = std::make_unique<X11Watch>();
    if (!c->connect()) {
        return nullptr;
    }
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_generic_error_t* error = xcb_request_check(
        c->connection,
        xcb_change_window_attributes_checked(c->connection, window, XCB_CW_EVENT_MASK, &mask));
    if (error != nullptr) {
        std::free(error);
        return nullptr;
    }
    c->lifeWindow = window;
    return c;
}

#else

std::unique_ptr<WatchedInput> grabX11Input(InputWatch) { return nullptr; }
std::unique_ptr<WatchedInput> watchX11WindowLife(std::uint32_t) { return nullptr; }

#endif

}  // namespace orvane
