// The show on the real screens: the desktop under each monitor taken before anything appears,
// the mask strip, one saver window per monitor in the system's order, and the first window's
// start timer whose tick plays the whole show and then closes that window. In module mode the
// one saver window fills a window a host made, and there is no mask strip.
#pragma once

#include <QMetaObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "platform/common/input_rules.h"
#include "platform/common/platform_show.h"
#include "platform/qt/mask_window.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_saver_window.h"

class QImage;
class QScreen;

namespace orvane {

class StopWatcher;
class WatchedInput;

// A window made by a host for the show to draw in (an X11 window id and its size).
struct HostWindow {
    std::uint32_t id = 0;
    int width = 0;
    int height = 0;
};

// A call made on another thread (the stop watcher's) that runs on the context's thread, from its
// Qt event loop; calls still queued when the context goes are dropped.
inline std::function<void()> queuedOn(QObject& context, std::function<void()> call) {
    return [&context, call = std::move(call)] {
        QMetaObject::invokeMethod(&context, call, Qt::QueuedConnection);
    };
}

class QtShow final : public PlatformShow<QtSaverWindow> {
public:
    QtShow(const Settings& settings, GlyphPicture picture);
    QtShow(const Settings& settings, GlyphPicture picture, const HostWindow& host);
    ~QtShow();

    QtShow(const QtShow&) = delete;
    QtShow& operator=(const QtShow&) = delete;

    // Stop signals, and on X11 the show's input, reach the show through the watcher, which
    // also takes the windows off the screen at once when the show ends by either.
    void attachTo(StopWatcher& watcher);

    // Shows the mask and the saver windows, the first one last so that it ends on top, and
    // arms the start timer. Closing the first window after the show asks the application to
    // quit with code 0.
    void open();

    MaskWindow* mask() { return mask_.get(); }
    QtPlatform& platform() { return platform_; }
    QTimer& startTimer() { return startTimer_; }

    // What the screen shows under the monitor now, or a null image where the platform cannot
    // tell (a headless platform's grab is not the screen).
    static QImage desktopPictureOf(QScreen& screen);

private:
    void armStartTimer();
    void play();
    void takeInput();
    // Has the watcher read the input (where there is one) until the show goes.
    bool watch(std::unique_ptr<WatchedInput> input);
    // A stop from outside the input handlers: a running show unwinds; before it runs, the
    // program just ends.
    void stopFromOutside();
    // Ends the program's loop with code 0 once the show is over.
    void closeFirstWindow();

    QtPlatform platform_;
    InputRules rules_;
    std::unique_ptr<QWindow> host_;  // its child, the saver window, goes before it
    std::unique_ptr<MaskWindow> mask_;
    QTimer startTimer_;
    StopWatcher* watcher_ = nullptr;
    QObject watcherContext_;  // what the watcher's calls run on; gone with the show
    std::vector<std::unique_ptr<WatchedInput>> watched_;  // read by the watcher until the show goes
};

}  // namespace orvane
