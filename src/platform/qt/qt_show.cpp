#include "platform/qt/qt_show.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include "platform/image/image_canvas.h"
#include "platform/qt/x11_watch.h"

namespace orvane {

namespace {

int screenCount() { return static_cast<int>(QGuiApplication::screens().size()); }

}  // namespace

QImage QtShow::desktopPictureOf(QScreen& screen) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return {};
    }
    return screen.grabWindow(0).toImage();
}

QtShow::QtShow(const Settings& settings, GlyphPicture picture)
    : PlatformShow(settings, std::move(picture)), rules_(settings_, control_, screenCount()) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    // The desktop is taken before any window of ours can cover it: the opening wipe eats it.
    std::vector<QImage> desktops;
    for (QScreen* screen : screens) {
        desktops.push_back(desktopPictureOf(*screen));
    }
    for (int i = 0; i < static_cast<int>(screens.size()); ++i) {
        auto window = std::make_unique<QtSaverWindow>(i, *screens[i], rules_, control_);
        window->picture().setContent(fromQImage(desktops[static_cast<std::size_t>(i)]));
        window->onClosed = [] { QCoreApplication::exit(0); };
        platform_.addPicture(window->picture());
        windows_.push_back(std::move(window));
    }
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        mask_ = std::make_unique<MaskWindow>(*primary);
    }
    armStartTimer();
}

QtShow::QtShow(const Settings& settings, GlyphPicture picture, const HostWindow& host)
    : PlatformShow(settings, std::move(picture)), rules_(settings_, control_, 1) {
    host_.reset(QWindow::fromWinId(static_cast<WId>(host.id)));
    auto window = std::make_unique<QtSaverWindow>(*host_, QSize(host.width, host.height), rules_,
                                                  control_);
    // The host's window starts black: the wipe draws black on black.
    window->onClosed = [] { QCoreApplication::exit(0); };
    platform_.addPicture(window->picture());
    windows_.push_back(std::move(window));
    armStartTimer();
}

void QtShow::armStartTimer() {
    startTimer_.setSingleShot(true);
    startTimer_.setInterval(kStartDelayMs);
    QObject::connect(&startTimer_, &QTimer::timeout, [this] { play(); });
}

QtShow::~QtShow() {
    if (watcher_ != nullptr) {
        for (auto& input : watched_) {
            watcher_->unwatch(*input);
        }
        watcher_->detach();
    }
    startTimer_.stop();
    mask_.reset();
    windows_.clear();  // before the host window they may be in
}

void QtShow::attachTo(StopWatcher& watcher) {
    watcher_ = &watcher;
    watcher.attach({.stop = queuedOn(watcherContext_, [this] { stopFromOutside(); }),
                    .activity = queuedOn(watcherContext_, [this] { control_.userActivity = true; }),
                    .forcedExitAfter = StopWatcher::kForcedExitAfter});
    if (host_) {
        // A host that destroys its window ends the show.
        watch(watchX11WindowLife(static_cast<std::uint32_t>(host_->winId())));
    }
}

bool QtShow::watch(std::unique_ptr<WatchedInput> input) {
    if (!input || !watcher_->watch(*input)) {
        return false;
    }
    watched_.push_back(std::move(input));
    return true;
}

void QtShow::stopFromOutside() {
    if (control_.current != nullptr) {
        control_.requestStop();
        return;
    }
    startTimer_.stop();
    closeFirstWindow();
}

// A child window cannot be closed (Qt refuses), so in a host's window the show just ends.
void QtShow::closeFirstWindow() {
    if (host_) {
        windows_[0]->hide();
        QCoreApplication::exit(0);
        return;
    }
    windows_[0]->close();
}

void QtShow::open() {
    if (mask_) {
        mask_->show();
    }
    if (host_) {
        windows_[0]->show();
        startTimer_.start();
        return;
    }
    for (std::size_t i = 1; i < windows_.size(); ++i) {
        windows_[i]->showFullScreen();
    }
    if (!windows_.empty()) {
        windows_[0]->showFullScreen();
        windows_[0]->requestActivate();
        startTimer_.start();
    }
}

void QtShow::play() {
    // The show pumps messages; a stopped single-shot timer cannot start it a second time.
    startTimer_.stop();
    takeInput();
    playOn(platform_);
    closeFirstWindow();
}

// Input must reach the show whichever window has the focus or the pointer (the mask strip,
// another program's window): the first window takes the keyboard and the pointer, and the
// pointer then wears its blank cursor on every monitor. The watcher takes them where it can, so
// that input is seen even when this thread gets no processor time.
void QtShow::takeInput() {
    if (host_) {
        return;  // the host owns input
    }
    if (watcher_ != nullptr && QGuiApplication::platformName() == QLatin1String("xcb")) {
        InputWatch watch{.grabWindow = static_cast<std::uint32_t>(windows_[0]->winId()),
                         .hideOnStop = {},
                         .settings = settings_,
                         .pointerAtShow = rules_.lastPointer(0)};
        for (auto& window : windows_) {
            watch.hideOnStop.push_back(static_cast<std::uint32_t>(window->winId()));
        }
        if (mask_) {
            watch.hideOnStop.push_back(static_cast<std::uint32_t>(mask_->winId()));
        }
        if (this->watch(grabX11Input(std::move(watch)))) {
            return;
        }
    }
    windows_[0]->setKeyboardGrabEnabled(true);
    windows_[0]->setMouseGrabEnabled(true);
}

}  // namespace orvane
