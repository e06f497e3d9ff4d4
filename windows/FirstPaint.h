#pragma once
// Whoever waits for a window's first picture (the tray icon for the calculator's and the
// splash's) hears of it once, from the event loop, after the paint is done.

#include <QObject>

#include <functional>

namespace quorva {

inline void TellFirstPaint(QObject* window, std::function<void()>& waiting) {
    if (!waiting) return;
    QMetaObject::invokeMethod(
        window,
        [&waiting] {
            if (auto next = std::move(waiting)) {
                waiting = nullptr;
                next();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace quorva
