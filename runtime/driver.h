#pragma once
// Drives the runtime without a display: synthetic moves and clicks at client
// pixel coordinates, a virtual clock, and offscreen pictures of the screens.
// Used by the tests and by in-process soak and benchmark runs.

#include "runtime/host.h"
#include "runtime/runtime.h"

#include <QImage>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace rt {

class VirtualClock : public Clock {
public:
    std::int64_t nowMs() const override { return now_; }
    void set(std::int64_t ms) { now_ = ms; }

private:
    std::int64_t now_ = 0;
};

// Records what a real window host would have done.
class HeadlessHost : public Host {
public:
    struct Menu {
        QString screen;
        QPoint at;
        std::vector<MenuItem> items;
        std::function<void(int)> chosen;
    };

    void showWindow(Screen& screen) override;
    void destroyWindow(Screen& screen) override;
    void invalidate(Screen& screen, const QRect& pixels) override;
    void setCursor(Screen& screen, const PictureRef& cursor) override;
    void showError(const RuntimeError& error) override;
    void timersChanged() override {}
    void quit() override { quit_ = true; }
    void popupMenu(Screen& screen, QPoint clientPos, std::vector<MenuItem> items,
                   std::function<void(int)> chosen) override;

    bool quitCalled() const { return quit_; }
    const std::vector<QString>& errors() const { return errors_; }  // message texts, in order
    const std::vector<int>& errorNumbers() const { return numbers_; }
    // The last window operations, oldest first ("show Form2", "destroy Form2"):
    // kept short so long in-process runs do not grow.
    const QStringList& windowLog() const { return log_; }
    static constexpr qsizetype kLogLimit = 64;
    const PictureRef& cursor(const QString& screen) const;
    int repaints() const { return repaints_; }
    std::optional<Menu>& menu() { return menu_; }

private:
    void record(const QString& entry);
    bool quit_ = false;
    std::vector<QString> errors_;
    std::vector<int> numbers_;
    QStringList log_;
    std::map<QString, PictureRef> cursors_;
    int repaints_ = 0;
    std::optional<Menu> menu_;
};

class Driver {
public:
    explicit Driver(Project project);

    Runtime& runtime() { return runtime_; }
    HeadlessHost& host() { return host_; }
    VirtualClock& clock() { return clock_; }

    void start() { runtime_.start(); }
    // Shows a screen by name as one event, as a handler would.
    void show(const QString& name);

    // Input on the one shown screen (or a named one), in client pixels.
    void move(int x, int y, int buttons = 0);
    void move(const QString& screen, int x, int y, int buttons = 0);
    void click(int x, int y);
    void click(const QString& screen, int x, int y);
    void rightClick(int x, int y);
    void closeWindow(const QString& screen);
    // Picks an item of the context menu that is open; false if none is.
    bool chooseMenuItem(int index);

    // Advances the virtual clock, delivering every timer tick on its due time.
    void advance(std::int64_t ms);

    bool ended() const { return runtime_.ended(); }
    QStringList loaded() const { return runtime_.loadedScreens(); }
    QStringList shown() const { return runtime_.shownScreens(); }
    QString current() const;  // the shown screen, or empty
    Screen& screen(const QString& name) { return runtime_.screen(name); }
    PictureRef cursor() const;  // the pointer picture over the current screen
    QImage grab(const QString& screen, qreal dpr = 1.0);

private:
    Screen& currentScreen();
    HeadlessHost host_;
    VirtualClock clock_;
    Runtime runtime_;
};

}  // namespace rt
