// One saver window. Of the show's own windows, one borderless window covers each monitor: it
// shows its retained picture (never an erased background), hides the pointer while shown, and
// hands every input to the input rules in screen coordinates. In module mode the one saver
// window fills a window a host made (the screen saver daemon's, a preview pane): it is the
// host's child, input passes through it to the host, and the pointer is left alone.
#pragma once

#include <QWindow>

#include <functional>
#include <memory>

#include "platform/common/input_rules.h"
#include "platform/common/picture_window.h"
#include "platform/qt/screen_picture.h"

class QScreen;

namespace orvane {

class ShowControl;

class QtSaverWindow final : public QWindow, public PictureWindow {
public:
    // Placed on the monitor's rectangle and captioned "Win<index>"; not shown yet.
    QtSaverWindow(int index, QScreen& screen, InputRules& rules, ShowControl& control);
    // The only saver window, filling the host's window of the given size.
    QtSaverWindow(QWindow& host, QSize size, InputRules& rules, ShowControl& control);

    ScreenPicture& picture() { return *picture_; }

    // Runs once, when the window is closed (after the show was asked to stop).
    std::function<void()> onClosed;

protected:
    void exposeEvent(QExposeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int index_;
    bool inHost_ = false;
    InputRules& rules_;
    ShowControl& control_;
    std::unique_ptr<ScreenPicture> picture_;
    bool closed_ = false;
};

// The virtual key of a Qt key as the input rules know keys: Escape is 27, letters and digits
// their upper-case character code, anything else 0.
int virtualKeyOf(int qtKey);

}  // namespace orvane
