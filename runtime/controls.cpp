#include "runtime/controls.h"

#include "runtime/errors.h"
#include "runtime/fonts.h"
#include "runtime/runtime.h"
#include "runtime/screen.h"

namespace rt {

Control::Control(Screen& screen, const ControlDef& def)
    : screen_(screen),
      def_(def),
      name_(QString::fromUtf8(def.name)),
      rect_(def.rect.toPixels()),
      visible_(def.visible),
      mousePointer_(def.mousePointer),
      mouseIcon_(loadPicture(def.mouseIcon)) {}

void Control::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    repaint();
}

void Control::setMousePointer(short pointer) { mousePointer_ = pointer; }

void Control::repaint() { screen_.invalidate(rect_); }

Label::Label(Screen& screen, const ControlDef& def)
    : Control(screen, def),
      caption_(QString::fromUtf8(def.caption)),
      foreColor_(def.foreColor.resolve(screen.runtime().systemColors())) {}

const QFont& Label::font() const {
    if (!font_) font_ = labelFont(def().font);
    return *font_;
}

void Label::setCaption(const QString& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    repaint();
}

void Label::setForeColor(QRgb color) {
    if (foreColor_ == color) return;
    foreColor_ = color;
    repaint();
}

Image::Image(Screen& screen, const ControlDef& def) : Control(screen, def), picture_(loadPicture(def.picture)) {}

ExternalHost::ExternalHost(Screen& screen, const ControlDef& def, const ExternalFactory& factory)
    : Control(screen, def) {
    QString reason;
    if (factory)
        object_ = factory(def, *this, reason);
    else
        reason = QStringLiteral("aucun composant n'est disponible");
    if (!object_) {
        for (int id : timers_) screen_.runtime().removeTimer(id);
        throw cannotCreateObject(name(), reason);
    }
}

ExternalHost::~ExternalHost() {
    // The control goes first so that it never ticks or paints half-destroyed.
    object_.reset();
    for (int id : timers_) screen_.runtime().removeTimer(id);
}

void ExternalHost::setProperty(int dispid, const QString& member, Variant value) {
    const Status status =
        object_->invoke(dispid, InvokeKind::PropertyPut, std::span<const Variant>(&value, 1), nullptr);
    if (status != kOk) throw automationFailed(member, status);
}

Variant ExternalHost::getProperty(int dispid, const QString& member) {
    Variant result;
    const Status status = object_->invoke(dispid, InvokeKind::PropertyGet, {}, &result);
    if (status != kOk) throw automationFailed(member, status);
    return result;
}

void ExternalHost::call(int dispid, const QString& member) {
    const Status status = object_->invoke(dispid, InvokeKind::Method, {}, nullptr);
    if (status != kOk) throw automationFailed(member, status);
}

std::int64_t ExternalHost::nowMs() const { return screen_.runtime().clock().nowMs(); }

int ExternalHost::startTimer(int intervalMs, std::function<void()> tick) {
    const int id = screen_.runtime().addTimer(screen_, intervalMs, std::move(tick));
    timers_.push_back(id);
    return id;
}

void ExternalHost::stopTimer(int id) {
    std::erase(timers_, id);
    screen_.runtime().removeTimer(id);
}

void ExternalHost::invalidate() { repaint(); }

void ExternalHost::popupMenu(QPoint local, std::vector<MenuItem> items, std::function<void(int)> chosen) {
    // The choice arrives later from the event loop; by then the screen may have
    // been unloaded and this control destroyed, so the callback holds only a
    // weak token of its life.
    std::weak_ptr<bool> alive = alive_;
    Runtime* runtime = &screen_.runtime();
    auto deliver = [runtime, alive, chosen = std::move(chosen)](int item) {
        runtime->dispatch([&] {
            if (!alive.expired()) chosen(item);
        });
    };
    screen_.runtime().host().popupMenu(screen_, pixelRect().topLeft() + local, std::move(items), std::move(deliver));
}

}  // namespace rt
