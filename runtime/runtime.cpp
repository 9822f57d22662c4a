#include "runtime/runtime.h"

#include <algorithm>

namespace rt {

Runtime::Runtime(Project project, Host& host, Clock& clock)
    : project_(std::move(project)), host_(host), clock_(clock) {}

Runtime::~Runtime() {
    // Controls go before the slots so that an external control never outlives
    // the timers and host it uses.
    for (auto& [name, screen] : slots_) screen->discard();
}

Screen& Runtime::screen(const QString& name) {
    auto it = slots_.find(name);
    if (it != slots_.end()) return *it->second;
    for (const auto& [n, factory] : project_.screens) {
        if (n == name) return *slots_.emplace(name, factory(*this)).first->second;
    }
    throw objectRequired(name);
}

bool Runtime::hasInstance(const QString& name) const { return slots_.count(name) != 0; }

QStringList Runtime::screenNames() const {
    QStringList names;
    for (const auto& [n, factory] : project_.screens) names << n;
    return names;
}

void Runtime::show(const QString& name) {
    if (ended_) return;
    screen(name).show();
}

void Runtime::unload(Screen& screen) {
    screen.unload();
    if (pressed_ && pressed_->screen == &screen) pressed_.reset();
}

void Runtime::end() {
    if (ended_) return;
    ended_ = true;
    // Every screen still loaded goes without raising any further event.
    for (auto& [name, screen] : slots_) screen->discard();
    timers_.clear();
    pressed_.reset();
    host_.timersChanged();
    host_.quit();
}

void Runtime::start() {
    dispatch([this] { show(project_.startup); });
}

QStringList Runtime::loadedScreens() const {
    QStringList names;
    for (const auto& [name, screen] : slots_)
        if (screen->isLoaded()) names << name;
    return names;
}

QStringList Runtime::shownScreens() const {
    QStringList names;
    for (const auto& [name, screen] : slots_)
        if (screen->isShown()) names << name;
    return names;
}

void Runtime::dispatch(const std::function<void()>& event) {
    // While the error box is up nothing else runs: the program ends right after.
    if (ended_ || reporting_) return;
    ++depth_;
    try {
        event();
    } catch (const RuntimeError& error) {
        --depth_;
        reporting_ = true;
        host_.showError(error);
        reporting_ = false;
        end();
        return;
    }
    --depth_;
    // The end test is made only once the outermost handler has returned, so a
    // go-to step (unload, then show) never ends the program.
    if (depth_ == 0 && !ended_ && loadedScreens().isEmpty()) end();
    if (!ended_) host_.timersChanged();
}

Runtime::Target Runtime::targetAt(Screen& screen, QPoint pixel) const {
    Target t{&screen, {}, -1};
    if (Control* c = screen.hitTest(pixel)) {
        t.control = c->name();
        t.index = c->index();
    }
    return t;
}

PictureRef Runtime::cursorAt(const Screen& screen, QPoint pixel) const {
    const Control* c = screen.hitTest(pixel);
    if (!c) return nullptr;
    // The movie player decides its own pointer (the hand over a movie's button).
    if (c->kind() == ControlKind::External)
        return static_cast<const ExternalHost*>(c)->object().pointerAt(pixel - c->pixelRect().topLeft());
    if (c->mousePointer() == kCustomPointer) return c->mouseIcon();
    return nullptr;
}

void Runtime::updateCursor(Screen& screen, QPoint pixel) {
    if (screen.isShown()) host_.setCursor(screen, cursorAt(screen, pixel));
}

namespace {
float twips(int pixels) { return static_cast<float>(pixels * kTwipsPerPixel); }
}  // namespace

void Runtime::mouseMove(Screen& screen, QPoint pixel, int buttons, int shift) {
    dispatch([&] {
        if (!screen.isShown()) return;
        Control* c = screen.hitTest(pixel);
        if (c && c->kind() == ControlKind::External) {
            static_cast<ExternalHost*>(c)->object().mouseMove(pixel - c->pixelRect().topLeft(), buttons);
        } else {
            const QPoint at = c ? pixel - c->pixelRect().topLeft() : pixel;
            screen.raiseMouseMove(c, static_cast<short>(buttons), static_cast<short>(shift), twips(at.x()),
                                  twips(at.y()));
        }
        updateCursor(screen, pixel);
    });
}

void Runtime::mousePress(Screen& screen, QPoint pixel, MouseButton button, int shift) {
    dispatch([&] {
        if (!screen.isShown()) return;
        Control* c = screen.hitTest(pixel);
        pressed_ = targetAt(screen, pixel);
        if (c && c->kind() == ControlKind::External)
            static_cast<ExternalHost*>(c)->object().mousePress(pixel - c->pixelRect().topLeft(), button);
    });
}

void Runtime::mouseRelease(Screen& screen, QPoint pixel, MouseButton button, int shift) {
    dispatch([&] {
        if (!screen.isShown()) return;
        const std::optional<Target> pressed = std::exchange(pressed_, std::nullopt);
        Control* c = screen.hitTest(pixel);
        if (c && c->kind() == ControlKind::External) {
            static_cast<ExternalHost*>(c)->object().mouseRelease(pixel - c->pixelRect().topLeft(), button);
            return;
        }
        // A click is a left press and release over the same receiver.
        if (button == MouseButton::Left && pressed && *pressed == targetAt(screen, pixel)) screen.raiseClick(c);
        if (screen.isShown()) updateCursor(screen, pixel);
    });
}

void Runtime::closeRequested(Screen& screen) {
    dispatch([&] { unload(screen); });
}

std::optional<std::int64_t> Runtime::nextTimerDue() const {
    std::optional<std::int64_t> due;
    for (const auto& t : timers_)
        if (!due || t.due < *due) due = t.due;
    return due;
}

void Runtime::runDueTimers() {
    const std::int64_t now = clock_.nowMs();
    // Bounded, so a stalled clock can never keep the loop here.
    for (int guard = 0; guard < 1000 && !ended_; ++guard) {
        auto it = std::min_element(timers_.begin(), timers_.end(), [](const TimerEntry& a, const TimerEntry& b) {
            return a.due != b.due ? a.due < b.due : a.id < b.id;
        });
        if (it == timers_.end() || it->due > now) break;
        // A late tick does not come in a burst: the next one is one interval
        // after this one, or after now when the clock has run far ahead.
        std::int64_t next = it->due + it->interval;
        if (next <= now) next = now + it->interval;
        it->due = next;
        auto tick = it->tick;  // the entry may go while it runs
        dispatch(tick);
    }
    host_.timersChanged();
}

int Runtime::addTimer(Screen& screen, int intervalMs, std::function<void()> tick) {
    const int id = nextTimerId_++;
    const int interval = std::max(1, intervalMs);
    timers_.push_back({id, &screen, interval, clock_.nowMs() + interval, std::move(tick)});
    host_.timersChanged();
    return id;
}

void Runtime::removeTimer(int id) {
    std::erase_if(timers_, [id](const TimerEntry& t) { return t.id == id; });
}

void Runtime::removeTimers(const Screen& screen) {
    std::erase_if(timers_, [&](const TimerEntry& t) { return t.screen == &screen; });
}

}  // namespace rt
