#include "platform/qt/stop_watcher.h"

#include <QObject>
#include <QMetaObject>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <future>
#include <optional>

#include "platform/common/input_rules.h"

#if ORVANE_HAVE_XCB
#include <xcb/xcb.h>
// The XKB header names a field "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#endif

namespace orvane {

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kGrabAttempts = 10;
constexpr auto kGrabRetry = std::chrono::milliseconds(20);

// Messages to the thread: written whole (far below the pipe's atomic size), so the signal
// handler and the main thread never interleave.
struct Message {
    enum Kind : std::uint32_t { Signal, Attach, Detach, WatchInput, WatchWindowLife, Quit };
    Kind kind;
    void* payload;
};

std::atomic<int> signalPipe{-1};

void onStopSignal(int) {
    const int fd = signalPipe.load();
    if (fd < 0) {
        _exit(0);  // the watcher is gone: the program is ending anyway
    }
    const Message message{Message::Signal, nullptr};
    const int saved = errno;
    (void)!write(fd, &message, sizeof message);
    errno = saved;
}

template <typename Result, typename Payload>
struct Request {
    Payload payload;
    std::promise<Result> result;
};

// X button numbers: 4 to 7 are wheel steps, which are not clicks.
std::optional<MouseButton> buttonOfDetail(std::uint8_t detail) {
    switch (detail) {
    case 1:
        return MouseButton::Left;
    case 2:
        return MouseButton::Middle;
    case 3:
        return MouseButton::Right;
    case 4:
    case 5:
    case 6:
    case 7:
        return std::nullopt;
    default:
        return MouseButton::Other;
    }
}

}  // namespace

struct StopWatcher::State {
    int readFd = -1;
    int writeFd = -1;

    // Owned by the thread from here on.
    std::optional<StopActions> actions;
    bool stopped = false;
    std::optional<std::chrono::steady_clock::time_point> exitAt;

    std::optional<InputWatch> input;
    std::unique_ptr<InputRules> rules;
    std::uint32_t lifeWindow = 0;
#if ORVANE_HAVE_XCB
    xcb_connection_t* connection = nullptr;
    std::uint8_t minKeycode = 0;
    std::vector<std::uint32_t> keysyms;  // the first keysym of each keycode from minKeycode
#endif

    void send(Message::Kind kind, void* payload) const {
        const Message message{kind, payload};
        ssize_t written;
        do {
            written = write(writeFd, &message, sizeof message);
        } while (written < 0 && errno == EINTR);
    }

    void post(const std::function<void()>& action) {
        if (action && actions && actions->context != nullptr) {
            QMetaObject::invokeMethod(actions->context, action, Qt::QueuedConnection);
        }
    }

    void stop() {
        if (stopped) {
            return;
        }
        stopped = true;
        hideWindows();
        if (!actions) {
            std::_Exit(EXIT_SUCCESS);
        }
        post(actions->stop);
        if (actions->forcedExitAfter.count() > 0) {
            exitAt = std::chrono::steady_clock::now() + actions->forcedExitAfter;
        }
    }

    void apply(InputEffect effect) {
        if (effect == InputEffect::Stop) {
            stop();
        } else if (effect == InputEffect::Activity && actions) {
            post(actions->activity);
        }
    }

#if ORVANE_HAVE_XCB
    bool connect() {
        if (connection != nullptr) {
            return true;
        }
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c) != 0) {
            xcb_disconnect(c);
            return false;
        }
        connection = c;
        return true;
    }

    void disconnect() {
        if (connection != nullptr) {
            xcb_disconnect(connection);
            connection = nullptr;
        }
        input.reset();
        rules.reset();
        lifeWindow = 0;
    }

    void hideWindows() {
        if (connection == nullptr || !input) {
            return;
        }
        for (std::uint32_t window : input->hideOnStop) {
            xcb_unmap_window(connection, window);
        }
        xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
        xcb_flush(connection);
        input.reset();
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
        keysyms.clear();
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
            xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
            xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
            xcb_flush(connection);
            std::this_thread::sleep_for(kGrabRetry);
        }
        return false;
    }

    bool startInputWatch(InputWatch watch) {
        if (!connect() || !detectableKeyRepeat()) {
            return false;
        }
        readKeyboardMapping();
        if (!grab(watch.grabWindow)) {
            return false;
        }
        input = std::move(watch);
        // Every event comes to the grab window, so the rules count one window.
        rules = std::make_unique<InputRules>(input->settings, 1);
        rules->windowShown(0, input->pointerAtShow);
        return true;
    }

    bool startLifeWatch(std::uint32_t window) {
        if (!connect()) {
            return false;
        }
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_change_window_attributes_checked(connection, window, XCB_CW_EVENT_MASK, &mask));
        if (error != nullptr) {
            std::free(error);
            return false;
        }
        lifeWindow = window;
        return true;
    }

    int virtualKeyOf(std::uint8_t keycode) const {
        const int index = keycode - minKeycode;
        if (index < 0 || index >= static_cast<int>(keysyms.size())) {
            return 0;
        }
        return virtualKeyOfKeysym(keysyms[static_cast<std::size_t>(index)]);
    }

    void handle(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7f;
        if (type == XCB_DESTROY_NOTIFY) {
            const auto& destroyed = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
            if (lifeWindow != 0 && destroyed.window == lifeWindow) {
                stop();
            }
            return;
        }
        if (!rules || !input) {
            return;
        }
        switch (type) {
        case XCB_KEY_RELEASE: {
            const auto& key = reinterpret_cast<const xcb_key_release_event_t&>(event);
            apply(rules->keyReleased(0, virtualKeyOf(key.detail), false));
            break;
        }
        case XCB_BUTTON_PRESS: {
            const auto& button = reinterpret_cast<const xcb_button_press_event_t&>(event);
            if (const std::optional<MouseButton> b = buttonOfDetail(button.detail)) {
                apply(rules->mouseButtonPressed(0, *b));
            }
            break;
        }
        case XCB_MOTION_NOTIFY: {
            const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
            apply(rules->mouseMoved(0, {motion.root_x, motion.root_y}));
            break;
        }
        default:
            break;
        }
    }

    void drainEvents() {
        if (connection == nullptr) {
            return;
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            handle(*event);
            std::free(event);
        }
        if (xcb_connection_has_error(connection) != 0) {
            // The X server went away: the main thread's own connection ends the show.
            disconnect();
        }
    }

    int connectionFd() const { return connection != nullptr ? xcb_get_file_descriptor(connection) : -1; }
#else
    void hideWindows() {}
    bool startInputWatch(InputWatch) { return false; }
    bool startLifeWatch(std::uint32_t) { return false; }
    void drainEvents() {}
    void disconnect() {}
    int connectionFd() const { return -1; }
#endif

    // False once the thread is asked to end.
    bool take(const Message& message) {
        switch (message.kind) {
        case Message::Signal:
            stop();
            break;
        case Message::Attach: {
            auto* request = static_cast<Request<bool, StopActions>*>(message.payload);
            actions = std::move(request->payload);
            request->result.set_value(true);
            break;
        }
        case Message::Detach: {
            auto* request = static_cast<Request<bool, int>*>(message.payload);
            actions.reset();
            request->result.set_value(true);
            break;
        }
        case Message::WatchInput: {
            auto* request = static_cast<Request<bool, InputWatch>*>(message.payload);
            request->result.set_value(!stopped && startInputWatch(std::move(request->payload)));
            break;
        }
        case Message::WatchWindowLife: {
            auto* request = static_cast<Request<bool, std::uint32_t>*>(message.payload);
            request->result.set_value(startLifeWatch(request->payload));
            break;
        }
        case Message::Quit:
            return false;
        }
        return true;
    }
};

StopWatcher::StopWatcher() : state_(std::make_unique<State>()) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;  // no watcher: the default signal actions stay
    }
    state_->readFd = fds[0];
    state_->writeFd = fds[1];
    fcntl(state_->readFd, F_SETFL, O_NONBLOCK);
    signalPipe.store(state_->writeFd);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kStopSignals) {
        sigaction(signal, &action, nullptr);
    }
    thread_ = std::thread([this] { run(); });
}

StopWatcher::~StopWatcher() {
    if (!thread_.joinable()) {
        return;
    }
    state_->send(Message::Quit, nullptr);
    thread_.join();
    signalPipe.store(-1);
    close(state_->readFd);
    close(state_->writeFd);
}

template <typename Payload>
bool StopWatcher::ask(int kind, Payload payload) {
    if (!thread_.joinable()) {
        return false;
    }
    Request<bool, Payload> request{std::move(payload), {}};
    std::future<bool> result = request.result.get_future();
    state_->send(static_cast<Message::Kind>(kind), &request);
    return result.get();
}

void StopWatcher::attach(StopActions actions) { ask(Message::Attach, std::move(actions)); }

void StopWatcher::detach() { ask(Message::Detach, 0); }

bool StopWatcher::watchInput(InputWatch watch) { return ask(Message::WatchInput, std::move(watch)); }

bool StopWatcher::watchWindowLife(std::uint32_t window) {
    return ask(Message::WatchWindowLife, window);
}

void StopWatcher::run() {
    State& s = *state_;
    for (;;) {
        s.drainEvents();
        pollfd fds[2] = {{s.readFd, POLLIN, 0}, {s.connectionFd(), POLLIN, 0}};
        int timeoutMs = -1;
        if (s.exitAt) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *s.exitAt - std::chrono::steady_clock::now());
            timeoutMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        const int ready = poll(fds, fds[1].fd >= 0 ? 2 : 1, timeoutMs);
        if (s.exitAt && std::chrono::steady_clock::now() >= *s.exitAt) {
            // The main thread did not finish the stop in time (the machine is busy and the
            // show runs at low priority): nothing of the show is left to save.
            std::_Exit(EXIT_SUCCESS);
        }
        if (ready <= 0 || (fds[0].revents & POLLIN) == 0) {
            continue;
        }
        Message message{};
        while (read(s.readFd, &message, sizeof message) == static_cast<ssize_t>(sizeof message)) {
            if (!s.take(message)) {
                s.disconnect();
                return;
            }
        }
    }
}

}  // namespace orvane
