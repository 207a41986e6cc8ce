// The screensaver's entry point: the stop watcher, low priority for the show, the settings,
// then the mode switch. Every way out of a mode ends with exit code 0, including a machine
// where no display can be opened, except a Wayland compositor that cannot take the show (no
// outputs, a surface refused), which gets a one-line reason and a non-zero code; the idle
// watcher has exit code 2 for what it cannot do.
#include <QApplication>
#include <QGuiApplication>

#include <sys/syscall.h>
#include <unistd.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "config/configuration_mode.h"
#include "glyph_picture_resource.h"
#include "host/ini_file.h"
#include "host/run_mode.h"
#include "host/settings.h"
#include "idle/idle_watcher.h"
#include "idle/session_claim.h"
#include "platform/posix/stop_watcher.h"
#include "platform/qt/host_window.h"
#include "platform/qt/qt_show.h"
#if ORVANE_HAVE_WAYLAND
#include "platform/wayland/wayland_show.h"
#endif

namespace {

namespace fs = std::filesystem;
using namespace orvane;

constexpr const char* kApplicationTitle = "TheOrvane Screensaver";
// Low priority for the show's own work, as a screensaver host gives its modules. Not the idle
// policy: a process ends only once each of its threads has run again, and idle threads on a busy
// machine wait seconds for that, so even an ending that skips the normal path would be late.
constexpr int kShowNice = 10;

// Only this thread, and the threads it starts from here on: the stop watcher, started before,
// keeps the priority the program was started with, so that input and stop signals are seen at
// once on a busy machine. A priority already lower stays; a failure is ignored.
void lowerPriority() {
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0 && current < kShowNice) {
        setpriority(PRIO_PROCESS, thread, kShowNice);
    }
}

fs::path executableDir(const char* argv0) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error && !self.empty()) {
        return self.parent_path();
    }
    const fs::path fromArgument = fs::absolute(fs::path(argv0 != nullptr ? argv0 : ""), error);
    return error ? fs::current_path(error) : fromArgument.parent_path();
}

// While the application object starts, a platform that cannot open a display ends the
// program quietly with code 0 instead of aborting it.
void quietStartHandler(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg) {
        std::_Exit(EXIT_SUCCESS);
    }
}

template <typename Application>
std::unique_ptr<Application> startApplication(int& argc, char** argv) {
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    const QtMessageHandler previous = qInstallMessageHandler(quietStartHandler);
    auto application = std::make_unique<Application>(argc, argv);
    qInstallMessageHandler(previous);
    return application;
}

int runShow(int& argc, char** argv, const Settings& settings, StopWatcher& watcher) {
    auto application = startApplication<QGuiApplication>(argc, argv);
    if (QGuiApplication::screens().isEmpty()) {
        return 0;
    }
    QtShow show(settings, loadGlyphPicture());
    show.attachTo(watcher);
    show.open();
    QGuiApplication::exec();
    return 0;
}

#if ORVANE_HAVE_WAYLAND
// The show on the compositor itself; Qt only draws, on its offscreen platform (the fonts).
int runWaylandShowMode(int& argc, char** argv, const Settings& settings, StopWatcher& watcher) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    auto application = startApplication<QGuiApplication>(argc, argv);
    return runWaylandShow(settings, loadGlyphPicture(), watcher);
}
#endif

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

// Draws the show in a window a screensaver host made; the host owns input and ends the program
// with a signal.
int runModule(int& argc, char** argv, const Settings& settings, const ModuleWindow& wanted,
              StopWatcher& watcher) {
    auto application = startApplication<QGuiApplication>(argc, argv);
    std::string reason;
    const std::optional<HostWindow> host = findHostWindow(wanted, reason);
    if (!host) {
        std::fprintf(stderr, "theorvane: %s\n", reason.c_str());
        return 0;
    }
    QtShow show(settings, loadGlyphPicture(), *host);
    show.attachTo(watcher);
    show.open();
    QGuiApplication::exec();
    return 0;
}

int runConfiguration(int& argc, char** argv, Settings& settings, const fs::path& settingsFile,
                     StopWatcher& watcher) {
    auto application = startApplication<QApplication>(argc, argv);
    StopActions actions;
    // Every open dialog closes unsaved; a save already under way is left to finish.
    actions.stop = queuedOn(*application, [] { QCoreApplication::exit(0); });
    watcher.attach(std::move(actions));
    runConfigurationMode(settings, settingsFile);
    watcher.detach();
    return 0;
}

// Where no session bus runs, Qt's first D-Bus call would have libdbus start one: a dbus-launch
// and a dbus-daemon that outlive the program, with a window of theirs on the X server. So with
// no bus address the program uses no bus; a bus already running is used as before.
void useNoSessionBusUnlessOneIsGiven() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == '\0') {
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The idle watcher starts shows; it is none itself: no settings, no display, no stop watcher.
    if (argc > 1 && std::string_view(argv[1]) == "--idle") {
        return runIdleWatcher(std::vector<std::string>(argv + 2, argv + argc));
    }
    useNoSessionBusUnlessOneIsGiven();
    StopWatcher watcher;
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    const Invocation invocation = invocationOf(arguments, environmentValue(kHostWindowVariable));
    ShowPlatform platform =
        showPlatformOf(environmentValue(kPlatformVariable), environmentValue("WAYLAND_DISPLAY"));
#if ORVANE_HAVE_WAYLAND
    // A WAYLAND_DISPLAY left over from another session, that no compositor answers: the show
    // goes to the X server, unless Wayland was asked for by name.
    if (invocation.mode == RunMode::Show && platform == ShowPlatform::Wayland &&
        !environmentValue(kPlatformVariable) && environmentValue("DISPLAY") &&
        !waylandCompositorAnswers()) {
        platform = ShowPlatform::Qt;
        setenv("QT_QPA_PLATFORM", "xcb", 0);
    }
#endif
    if (platform == ShowPlatform::Qt && environmentValue(kPlatformVariable) == "x11") {
        setenv("QT_QPA_PLATFORM", "xcb", 0);  // not Qt's own Wayland windows
    }
    // One show per display: another (an idle daemon's beside the watcher's) already covers it.
    if (invocation.mode == RunMode::Show &&
        !claimForSession(SessionRole::Show, platform == ShowPlatform::Qt ? std::getenv("DISPLAY")
                                                                         : nullptr)) {
        std::fprintf(stderr, "theorvane: a show already runs on this display\n");
        return 0;
    }
    lowerPriority();
    const fs::path settingsFile = settingsFilePath(executableDir(argc > 0 ? argv[0] : nullptr));
    Settings settings = loadSettings(IniFile::load(settingsFile));

    if (!invocation.error.empty()) {
        std::fprintf(stderr, "theorvane: %s\n", invocation.error.c_str());
        return 0;
    }
    switch (invocation.mode) {
    case RunMode::Module:
        runModule(argc, argv, settings, invocation.window, watcher);
        break;
    case RunMode::Show:
#if ORVANE_HAVE_WAYLAND
        if (platform == ShowPlatform::Wayland) {
            return runWaylandShowMode(argc, argv, settings, watcher);
        }
#endif
        runShow(argc, argv, settings, watcher);
        break;
    case RunMode::Configure:
        runConfiguration(argc, argv, settings, settingsFile, watcher);
        break;
    case RunMode::Preview:
    case RunMode::Quit:
        break;
    }
    return 0;
}
