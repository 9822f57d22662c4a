#pragma once
// What the runtime needs from its surroundings: a clock, and a host that owns
// the native windows (the Qt binding) or stands in for them (the test driver).

#include "runtime/external.h"
#include "runtime/picture.h"

#include <QPoint>
#include <QRect>
#include <cstdint>
#include <functional>
#include <vector>

namespace rt {

class RuntimeError;
class Screen;

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;
};

class Host {
public:
    virtual ~Host() = default;
    // Make the screen's window visible (building it on the first call after a
    // load) and give it the focus.
    virtual void showWindow(Screen& screen) = 0;
    // The screen was unloaded: its window goes. The host must not delete an
    // object it is still delivering an event from; defer that.
    virtual void destroyWindow(Screen& screen) = 0;
    virtual void invalidate(Screen& screen, const QRect& pixels) = 0;
    // The pointer picture over the screen now; nullptr means the default arrow.
    virtual void setCursor(Screen& screen, const PictureRef& cursor) = 0;
    // Tell the user about a runtime error; returns once it is dismissed.
    virtual void showError(const RuntimeError& error) = 0;
    // The set of timers or their due times changed: ask nextTimerDue() again.
    virtual void timersChanged() = 0;
    // The program has ended: leave the event loop.
    virtual void quit() = 0;
    // Show a context menu at a client position; call `chosen` with the picked
    // index from the event loop, or never if it is dismissed.
    virtual void popupMenu(Screen& screen, QPoint clientPos, std::vector<MenuItem> items,
                           std::function<void(int)> chosen) = 0;
};

}  // namespace rt
