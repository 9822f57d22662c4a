#include "runtime/screen.h"

#include "runtime/errors.h"
#include "runtime/runtime.h"

namespace rt {

Screen::Screen(Runtime& runtime, const ScreenLayout& layout)
    : runtime_(runtime), layout_(layout), name_(QString::fromUtf8(layout.window.name)) {}

Screen::~Screen() = default;

Control* Screen::hitTest(QPoint pixel) const {
    for (const auto& c : controls_) {
        if (c->takesMouse() && c->pixelRect().contains(pixel)) return c.get();
    }
    return nullptr;
}

Control* Screen::find(std::string_view name, short index) const {
    const QString n = QString::fromUtf8(name.data(), qsizetype(name.size()));
    for (const auto& c : controls_) {
        if (c->name() == n && c->index() == index) return c.get();
    }
    return nullptr;
}

void Screen::ensureLoaded() {
    if (!isLoaded()) load();
}

Control& Screen::control(std::string_view name) {
    ensureLoaded();
    if (Control* c = find(name, -1)) return *c;
    const QString n = QString::fromUtf8(name.data(), qsizetype(name.size()));
    for (const auto& c : controls_) {
        // A control array named without an index.
        if (c->name() == n) throw invalidCall(QStringLiteral("« %1 » est un groupe de contrôles").arg(n));
    }
    throw objectRequired(n);
}

Control& Screen::control(std::string_view name, short index) {
    ensureLoaded();
    if (Control* c = find(name, index)) return *c;
    const QString n = QString::fromUtf8(name.data(), qsizetype(name.size()));
    for (const auto& c : controls_) {
        if (c->name() == n) throw noSuchArrayElement(n, index);
    }
    throw objectRequired(n);
}

void Screen::buildControls() {
    controls_.reserve(layout_.controls.size());
    for (const ControlDef& def : layout_.controls) {
        switch (def.kind) {
        case ControlKind::Label: controls_.push_back(std::make_unique<Label>(*this, def)); break;
        case ControlKind::Image: controls_.push_back(std::make_unique<Image>(*this, def)); break;
        case ControlKind::Timer: controls_.push_back(std::make_unique<Timer>(*this, def)); break;
        case ControlKind::Shape: controls_.push_back(std::make_unique<Shape>(*this, def)); break;
        case ControlKind::External:
            controls_.push_back(std::make_unique<ExternalHost>(*this, def, runtime_.externalFactory()));
            break;
        }
    }
}

void Screen::load() {
    if (isLoaded()) return;
    // The state changes first, so that a handler touching a property during
    // the load does not load the screen a second time.
    state_ = State::Loaded;
    picture_ = loadPicture(layout_.window.picture);
    icon_ = loadPicture(layout_.window.icon);
    try {
        buildControls();
    } catch (...) {
        runtime_.removeTimers(*this);
        controls_.clear();
        releasePictures();
        state_ = State::Created;
        throw;
    }
    for (const auto& c : controls_) {
        if (auto* t = dynamic_cast<Timer*>(c.get()); t && t->enabled() && t->interval() > 0) {
            const QString name = t->name();
            const short index = t->index();
            runtime_.addTimer(*this, t->interval(), [this, name, index] { raiseTimer(name, index); });
        }
    }
    if (load_) load_();
}

void Screen::show() {
    load();
    if (!isLoaded() || runtime_.ended()) return;  // the Load handler may have unloaded it or ended
    state_ = State::Shown;
    runtime_.host().showWindow(*this);
}

void Screen::unload() {
    if (!isLoaded()) return;
    runtime_.host().destroyWindow(*this);
    runtime_.removeTimers(*this);
    state_ = State::Created;
    // Destroying the controls releases the movie player, which stops it.
    auto controls = std::move(controls_);
    controls_.clear();
    controls.clear();
    releasePictures();
}

void Screen::releasePictures() {
    // An unloaded screen holds no decoded picture; loading it again decodes
    // what no other screen shows at the time.
    picture_.reset();
    icon_.reset();
}

void Screen::discard() {
    if (!isLoaded()) return;
    runtime_.host().destroyWindow(*this);
    runtime_.removeTimers(*this);
    state_ = State::Created;
    controls_.clear();
    releasePictures();
}

void Screen::raiseMouseMove(Control* target, short button, short shift, float x, float y) {
    if (!target) {
        if (formMove_) formMove_(button, shift, x, y);
        return;
    }
    auto it = handlers_.find(target->name());
    if (it != handlers_.end() && it->second.move) it->second.move(target->index(), button, shift, x, y);
}

void Screen::raiseClick(Control* target) {
    if (!target) return;  // no screen here handles its own click
    auto it = handlers_.find(target->name());
    if (it != handlers_.end() && it->second.click) it->second.click(target->index());
}

void Screen::raiseTimer(const QString& control, short index) {
    if (!isLoaded()) return;
    auto it = handlers_.find(control);
    if (it != handlers_.end() && it->second.timer) it->second.timer();
}

void Screen::invalidate(const QRect& pixels) {
    if (isShown()) runtime_.host().invalidate(*this, pixels);
}

void Screen::goTo(const char* target) {
    runtime_.unload(*this);
    runtime_.show(QString::fromUtf8(target));
}

void Screen::close() { runtime_.unload(*this); }

void Screen::quit() {
    runtime_.unload(*this);
    runtime_.end();
}

}  // namespace rt
