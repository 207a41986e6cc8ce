// A call made on another thread (the stop watcher's) that runs on the context's thread, from its
// Qt event loop; calls still queued when the context goes are dropped.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>

namespace orvane {

inline std::function<void()> queuedOn(QObject& context, std::function<void()> call) {
    return [&context, call = std::move(call)] {
        QMetaObject::invokeMethod(&context, call, Qt::QueuedConnection);
    };
}

}  // namespace orvane
