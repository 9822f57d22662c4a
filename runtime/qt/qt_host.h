#pragma once
// The Qt binding: one native window per shown screen, painting, pointer
// input, cursors, timers on a monotonic clock, the error message box and the
// event loop's end. It adds no behaviour of its own: every rule lives in the
// runtime.

#include "runtime/host.h"
#include "runtime/palette.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <map>

class QWidget;

namespace rt {
class Runtime;
}

namespace rtqt {

class ScreenWindow;

class MonotonicClock : public rt::Clock {
public:
    MonotonicClock() { timer_.start(); }
    std::int64_t nowMs() const override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

// The user's colour scheme as the platform's palette gives it.
rt::SystemColors systemColorsFromPalette();

class QtHost : public rt::Host {
public:
    QtHost();
    ~QtHost() override;
    void attach(rt::Runtime& runtime);

    void showWindow(rt::Screen& screen) override;
    void destroyWindow(rt::Screen& screen) override;
    void invalidate(rt::Screen& screen, const QRect& pixels) override;
    void setCursor(rt::Screen& screen, const rt::PictureRef& cursor) override;
    void showError(const rt::RuntimeError& error) override;
    void timersChanged() override;
    void quit() override;
    void popupMenu(rt::Screen& screen, QPoint clientPos, std::vector<rt::MenuItem> items,
                   std::function<void(int)> chosen) override;

    // The window of a shown screen, or nullptr.
    QWidget* window(const QString& screen) const;

private:
    rt::Runtime* runtime_ = nullptr;
    QTimer timer_;
    std::map<QString, QPointer<ScreenWindow>> windows_;
};

}  // namespace rtqt
