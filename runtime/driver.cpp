#include "runtime/driver.h"

#include "runtime/paint.h"

namespace rt {

void HeadlessHost::record(const QString& entry) {
    if (log_.size() == kLogLimit) log_.removeFirst();
    log_ << entry;
}

void HeadlessHost::showWindow(Screen& screen) { record(QStringLiteral("show ") + screen.name()); }

void HeadlessHost::destroyWindow(Screen& screen) {
    record(QStringLiteral("destroy ") + screen.name());
    cursors_.erase(screen.name());
    if (menu_ && menu_->screen == screen.name()) menu_.reset();
}

void HeadlessHost::invalidate(Screen&, const QRect&) { ++repaints_; }

void HeadlessHost::setCursor(Screen& screen, const PictureRef& cursor) { cursors_[screen.name()] = cursor; }

void HeadlessHost::showError(const RuntimeError& error) {
    errors_.push_back(error.message());
    numbers_.push_back(error.number());
}

void HeadlessHost::popupMenu(Screen& screen, QPoint clientPos, std::vector<MenuItem> items,
                             std::function<void(int)> chosen) {
    menu_ = Menu{screen.name(), clientPos, std::move(items), std::move(chosen)};
}

const PictureRef& HeadlessHost::cursor(const QString& screen) const {
    static const PictureRef none;
    auto it = cursors_.find(screen);
    return it == cursors_.end() ? none : it->second;
}

Driver::Driver(Project project) : runtime_(std::move(project), host_, clock_) {}

void Driver::show(const QString& name) {
    runtime_.dispatch([&] { runtime_.show(name); });
}

QString Driver::current() const {
    const QStringList s = runtime_.shownScreens();
    return s.isEmpty() ? QString() : s.first();
}

Screen& Driver::currentScreen() {
    const QString name = current();
    if (name.isEmpty()) throw RuntimeError(err::InvalidCall, QStringLiteral("aucun écran n'est affiché"));
    return runtime_.screen(name);
}

void Driver::move(int x, int y, int buttons) { runtime_.mouseMove(currentScreen(), {x, y}, buttons, 0); }

void Driver::move(const QString& screen, int x, int y, int buttons) {
    runtime_.mouseMove(runtime_.screen(screen), {x, y}, buttons, 0);
}

void Driver::click(int x, int y) { click(current(), x, y); }

void Driver::click(const QString& name, int x, int y) {
    Screen& s = runtime_.screen(name);
    // A real pointer moves onto the spot before it presses there.
    runtime_.mouseMove(s, {x, y}, 0, 0);
    runtime_.mousePress(s, {x, y}, MouseButton::Left, 0);
    runtime_.mouseRelease(s, {x, y}, MouseButton::Left, 0);
}

void Driver::rightClick(int x, int y) {
    Screen& s = currentScreen();
    runtime_.mousePress(s, {x, y}, MouseButton::Right, 0);
    runtime_.mouseRelease(s, {x, y}, MouseButton::Right, 0);
}

void Driver::closeWindow(const QString& screen) { runtime_.closeRequested(runtime_.screen(screen)); }

bool Driver::chooseMenuItem(int index) {
    auto& menu = host_.menu();
    if (!menu) return false;
    auto chosen = std::move(menu->chosen);
    menu.reset();
    chosen(index);
    return true;
}

void Driver::advance(std::int64_t ms) {
    const std::int64_t target = clock_.nowMs() + ms;
    while (!runtime_.ended()) {
        const auto due = runtime_.nextTimerDue();
        if (!due || *due > target) break;
        clock_.set(std::max(*due, clock_.nowMs()));
        runtime_.runDueTimers();
    }
    clock_.set(target);
}

PictureRef Driver::cursor() const { return host_.cursor(current()); }

QImage Driver::grab(const QString& screen, qreal dpr) { return renderScreen(runtime_.screen(screen), dpr); }

}  // namespace rt
