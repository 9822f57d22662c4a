#pragma once
// The screen runtime: the 27 screen slots, the navigation steps, event
// dispatch with the error policy and the end-of-program rule, and the timers.
// It knows no window, widget or event loop: a Host and a Clock are injected.

#include "runtime/errors.h"
#include "runtime/external.h"
#include "runtime/host.h"
#include "runtime/palette.h"
#include "runtime/screen.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace rt {

// The project's description, handed over by the process entry.
struct Project {
    using ScreenFactory = std::function<std::unique_ptr<Screen>(Runtime&)>;
    std::vector<std::pair<QString, ScreenFactory>> screens;  // by screen name
    QString startup;                                         // the screen shown at start
    ExternalFactory external;                                // the one outside control
};

class Runtime {
public:
    Runtime(Project project, Host& host, Clock& clock);
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Reference by name: the slot's instance, created on first reference.
    // An unknown name raises the runtime error.
    Screen& screen(const QString& name);
    bool hasInstance(const QString& name) const;
    QStringList screenNames() const;

    // Screen operations as handlers call them.
    void show(const QString& name);
    void unload(Screen& screen);
    void end();

    // Start-up: show the start-up screen, as the first event of the program.
    void start();
    bool ended() const { return ended_; }
    QStringList loadedScreens() const;
    QStringList shownScreens() const;

    // Input from the host, in client pixels of the screen's window. Buttons is
    // a mask of MouseButton values held, shift a mask of 1 shift, 2 ctrl, 4 alt.
    void mouseMove(Screen& screen, QPoint pixel, int buttons, int shift);
    void mousePress(Screen& screen, QPoint pixel, MouseButton button, int shift);
    void mouseRelease(Screen& screen, QPoint pixel, MouseButton button, int shift);
    // The window's close box: unloads the screen like a close step.
    void closeRequested(Screen& screen);

    // Timers on the injected clock.
    std::optional<std::int64_t> nextTimerDue() const;
    void runDueTimers();
    int addTimer(Screen& screen, int intervalMs, std::function<void()> tick);
    void removeTimer(int id);
    void removeTimers(const Screen& screen);

    // Runs one event: a runtime error thrown inside is shown and ends the
    // program; after it, the program ends if no screen is loaded any more.
    void dispatch(const std::function<void()>& event);

    // The pointer picture at a client pixel of a screen (nullptr: default arrow).
    PictureRef cursorAt(const Screen& screen, QPoint pixel) const;

    Host& host() const { return host_; }
    const Clock& clock() const { return clock_; }
    const ExternalFactory& externalFactory() const { return project_.external; }
    const SystemColors& systemColors() const { return colors_; }
    void setSystemColors(const SystemColors& colors) { colors_ = colors; }

private:
    struct TimerEntry {
        int id;
        Screen* screen;
        int interval;
        std::int64_t due;
        std::function<void()> tick;
    };
    struct Target {
        Screen* screen = nullptr;
        QString control;  // empty: the screen itself
        short index = -1;
        bool operator==(const Target&) const = default;
    };
    Target targetAt(Screen& screen, QPoint pixel) const;
    void updateCursor(Screen& screen, QPoint pixel);

    Project project_;
    Host& host_;
    Clock& clock_;
    SystemColors colors_;
    std::map<QString, std::unique_ptr<Screen>> slots_;
    std::vector<TimerEntry> timers_;
    int nextTimerId_ = 1;
    int depth_ = 0;
    bool ended_ = false;
    bool reporting_ = false;
    std::optional<Target> pressed_;
};

}  // namespace rt
