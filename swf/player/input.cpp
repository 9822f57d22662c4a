// The pointer and the keyboard sent to the stage: clip events (mouseDown,
// keyDown...) and the clips' own methods to every clip, the topmost first;
// then the Mouse or Key listeners; then the object under the pointer (a
// button's transitions, a clip's onPress, onRelease, onRollOver...) or the
// buttons answering a key.
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "swf/player/display_properties.h"
#include "swf/player/input_dispatch.h"
#include "swf/player/player.h"
#include "swf/player/shape_tessellator.h"
#include "swf/player/timeline_scripts.h"

namespace swf {

namespace {

// onClipEvent flags, as PlaceObject's clip actions carry them.
namespace clipevent {
enum : std::uint32_t {
    MouseMove = 0x8,
    MouseDown = 0x10,
    MouseUp = 0x20,
    KeyDown = 0x40,
    KeyUp = 0x80,
    Press = 0x400,
    Release = 0x800,
    ReleaseOutside = 0x1000,
    RollOver = 0x2000,
    RollOut = 0x4000,
    DragOver = 0x8000,
    DragOut = 0x10000,
    KeyPress = 0x20000,
    PointerEvents = Press | Release | ReleaseOutside | RollOver | RollOut | DragOver | DragOut,
};
}

constexpr const char* kPointerMethods[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                           "onRollOut", "onDragOver", "onDragOut"};

const DisplayObject* entryOf(const Timeline* t) {
    Timeline* parent = t ? t->parent() : nullptr;
    return parent ? parent->objectOf(t) : nullptr;
}

// Every timeline alive, in the order clip events reach them: the topmost
// first, each one's children before it, each level's movie last (the highest level first).
void collect(const PlayerContext& ctx, Timeline& t, int nesting, std::vector<Timeline*>& out) {
    if (nesting > ctx.maxNesting) return;
    const DisplayList& list = t.displayList();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const DisplayObject& obj = it->second;
        if (obj.sprite) collect(ctx, *obj.sprite, nesting + 1, out);
    }
    out.push_back(&t);
}

std::vector<Timeline*> clipsInEventOrder(const PlayerContext& ctx) {
    std::vector<Timeline*> out;
    for (auto it = ctx.levels.rbegin(); it != ctx.levels.rend(); ++it)
        if (it->second) collect(ctx, *it->second, 0, out);
    if (ctx.root) collect(ctx, *ctx.root, 0, out);
    return out;
}

// The clip event to every clip with its method (version 6 on), then the
// broadcaster's listeners ("Mouse", "Key") with the same message.
void broadcast(PlayerContext& ctx, std::uint32_t event, const char* method, const char* broadcaster,
               std::span<const script::Value> args = {}) {
    if (!ctx.machine) return;
    for (Timeline* t : clipsInEventOrder(ctx)) {
        if (!ctx.alive(t)) continue;
        fireClipEvent(ctx, t, event);
        // A clip's own onKeyDown and onKeyUp wait for it to have the focus.
        const bool keyEvent = event == clipevent::KeyDown || event == clipevent::KeyUp;
        if (ctx.version >= 6 && !keyEvent) callClipMethod(ctx, t, method, args);
    }
    script::Machine& m = *ctx.machine;
    script::Property* p = m.realm().global->findOwn(broadcaster, m.caseSensitive());
    if (!p || !p->value.isObject()) return;
    std::vector<script::Value> message{m.str(method)};
    message.insert(message.end(), args.begin(), args.end());
    m.callMethodIfPresent(p->value.o, "broadcastMessage", message);
}

// A clip takes the pointer when it has a pointer handler and is not disabled.
bool takesPointer(PlayerContext& ctx, Timeline* t) {
    if (!ctx.machine || !t->parent()) return false;
    const DisplayObject* obj = entryOf(t);
    bool handler = obj && obj->clipActions &&
                   std::any_of(obj->clipActions->begin(), obj->clipActions->end(),
                               [](const ClipAction& a) { return a.events & clipevent::PointerEvents; });
    script::Machine& m = *ctx.machine;
    script::Object* o = m.clipObject(scriptHandle(t));
    if (!o) return false;
    for (const char* name : kPointerMethods) {
        if (handler) break;
        const script::Property* p = m.lookup(o, name);
        handler = p && p->value.isObject() && p->value.o->kind() == script::Object::Kind::Function;
    }
    if (!handler) return false;
    const script::Property* enabled = m.lookup(o, "enabled");
    return !enabled || enabled->value.isObject() || m.toBoolean(enabled->value);
}

PointerTarget targetIn(PlayerContext& ctx, Timeline& t, QPointF local, int nesting) {
    if (nesting > ctx.maxNesting) return {};
    const DisplayList& list = t.displayList();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const DisplayObject& obj = it->second;
        if (!obj.visible || obj.clipDepth) continue;
        bool ok = false;
        QPointF p = toTransform(obj.matrix).inverted(&ok).map(local);
        if (!ok) continue;
        if (obj.sprite) {
            if (takesPointer(ctx, obj.sprite.get())) {
                if (timelineHits(ctx, *obj.sprite, p, nesting + 1)) return {obj.sprite.get(), nullptr, 0};
                continue;
            }
            PointerTarget inner = targetIn(ctx, *obj.sprite, p, nesting + 1);
            if (!inner.empty()) return inner;
        } else if (obj.button) {
            const DefineButton* def = t.dictionary().button(obj.characterId);
            if (def && hitTest(*def, p, [&](std::uint16_t id, QPointF q) { return t.dictionary().hits(id, q); }))
                return {nullptr, &t, it->first};
        }
    }
    return {};
}

// The pointer event of a clip: its onClipEvent handler, then its method.
void clipPointerEvent(PlayerContext& ctx, Timeline* t, std::uint32_t event, const char* method) {
    if (!t || !ctx.alive(t)) return;
    fireClipEvent(ctx, t, event);
    callClipMethod(ctx, t, method);
}

struct ButtonSeen {
    Timeline* owner;
    std::uint16_t depth;
};

void collectButtons(const PlayerContext& ctx, Timeline& t, int nesting, std::vector<ButtonSeen>& out) {
    if (nesting > ctx.maxNesting) return;
    for (const auto& [depth, obj] : t.displayList()) {
        if (obj.sprite) collectButtons(ctx, *obj.sprite, nesting + 1, out);
        if (obj.button) out.push_back({&t, depth});
    }
}

std::vector<ButtonSeen> allButtons(const PlayerContext& ctx) {
    std::vector<ButtonSeen> out;
    if (ctx.root) collectButtons(ctx, *ctx.root, 0, out);
    for (const auto& [n, t] : ctx.levels)
        if (t) collectButtons(ctx, *t, 0, out);
    return out;
}

// The button still at that place of its owner's list, or null.
const DisplayObject* buttonAt(const PlayerContext& ctx, const ButtonSeen& b) {
    if (!ctx.alive(b.owner)) return nullptr;
    auto it = b.owner->displayList().find(b.depth);
    return it != b.owner->displayList().end() && it->second.button ? &it->second : nullptr;
}

// Runs what a button transition does: its sound, then its action lists.
void runButtonTransition(PlayerContext& ctx, const ButtonSeen& b, const DefineButton& def, std::uint16_t transition) {
    int sound = ButtonStateMachine::soundIndex(transition);
    if (sound >= 0)
        if (const DefineButtonSound* bs = b.owner->dictionary().buttonSound(def.id))
            if (std::uint16_t id = bs->soundId[sound]) ctx.startSound(id, bs->info[sound], &b.owner->dictionary());
    for (const ButtonCondAction* a : actionsFor(def, transition)) {
        if (!ctx.alive(b.owner)) break;
        runScriptOn(ctx, a->actions, b.owner);
    }
}

// Feeds every button the pointer: the hovered one is over, the others are not.
bool updateButtons(PlayerContext& ctx) {
    struct Pending {
        ButtonSeen button;
        const DefineButton* def;
        std::uint16_t transition;
    };
    std::vector<Pending> pending;
    const InputState& in = ctx.input;
    for (const ButtonSeen& b : allButtons(ctx)) {
        const DisplayObject* obj = buttonAt(ctx, b);
        const DefineButton* def = obj ? b.owner->dictionary().button(obj->characterId) : nullptr;
        if (!def) continue;
        bool over = in.hovered.buttonOwner == b.owner && in.hovered.buttonDepth == b.depth;
        for (std::uint16_t tr : obj->button->machine.pointer(over, in.pressed)) pending.push_back({b, def, tr});
    }
    // State changes first; scripts may change the display lists, so they run
    // afterwards on what was collected.
    for (const Pending& p : pending) runButtonTransition(ctx, p.button, *p.def, p.transition);
    return !pending.empty();
}

// The button key code (BUTTONCONDACTION, onClipEvent(keyPress)) of a key.
int buttonKeyCode(int code, std::uint32_t ascii) {
    switch (code) {
    case 37: return 1;   // left
    case 39: return 2;   // right
    case 36: return 3;   // home
    case 35: return 4;   // end
    case 45: return 5;   // insert
    case 46: return 6;   // delete
    case 8: return 8;    // backspace
    case 13: return 13;  // enter
    case 38: return 14;  // up
    case 40: return 15;  // down
    case 33: return 16;  // page up
    case 34: return 17;  // page down
    case 9: return 18;   // tab
    case 27: return 19;  // escape
    default: break;
    }
    return ascii >= 32 && ascii <= 126 ? int(ascii) : 0;
}

void holdKey(InputState& in, int code, bool down) {
    if (code < 0 || code >= int(in.keysDown.size())) return;
    auto k = std::size_t(code);
    if (down && !in.keysDown[k]) in.keysToggled.flip(k);
    in.keysDown[k] = down;
}

void moveDragged(PlayerContext& ctx) {
    InputState& in = ctx.input;
    if (!in.dragged) return;
    if (!ctx.alive(in.dragged) || !in.dragged->parent()) {
        in.dragged = nullptr;
        return;
    }
    Timeline* parent = in.dragged->parent();
    DisplayObject* obj = parent->objectOf(in.dragged);
    if (!obj) return;
    bool ok = false;
    QPointF p = worldTransform(parent).inverted(&ok).map(in.pointer) / 20.0;
    if (!ok) return;
    p += in.dragOffset;
    if (in.dragBounds) {
        const QRectF& r = *in.dragBounds;
        p.setX(std::clamp(p.x(), std::min(r.left(), r.right()), std::max(r.left(), r.right())));
        p.setY(std::clamp(p.y(), std::min(r.top(), r.bottom()), std::max(r.top(), r.bottom())));
    }
    setDisplayX(*obj, p.x());
    setDisplayY(*obj, p.y());
}

}  // namespace

QTransform worldTransform(const Timeline* t) {
    QTransform m;
    for (int guard = 0; t && t->parent() && guard < 256; ++guard) {
        if (const DisplayObject* obj = entryOf(t)) m = m * toTransform(obj->matrix);
        t = t->parent();
    }
    return m;
}

bool timelineHits(const PlayerContext& ctx, const Timeline& t, QPointF local, int nesting) {
    if (nesting > ctx.maxNesting) return false;
    const Dictionary& dict = t.dictionary();
    for (const auto& [depth, obj] : t.displayList()) {
        if (!obj.visible || obj.clipDepth) continue;
        bool ok = false;
        QPointF p = toTransform(obj.matrix).inverted(&ok).map(local);
        if (!ok) continue;
        if (obj.sprite) {
            if (timelineHits(ctx, *obj.sprite, p, nesting + 1)) return true;
        } else if (obj.button) {
            const DefineButton* def = dict.button(obj.characterId);
            if (def && hitTest(*def, p, [&](std::uint16_t id, QPointF q) { return dict.hits(id, q); })) return true;
        } else if (dict.hits(obj.characterId, p)) {
            return true;
        }
    }
    return false;
}

PointerTarget pointerTargetAt(PlayerContext& ctx, QPointF stage) {
    for (auto it = ctx.levels.rbegin(); it != ctx.levels.rend(); ++it)
        if (it->second) {
            PointerTarget t = targetIn(ctx, *it->second, stage, 0);
            if (!t.empty()) return t;
        }
    return ctx.root ? targetIn(ctx, *ctx.root, stage, 0) : PointerTarget{};
}

void dispatchMouseMove(PlayerContext& ctx, QPointF stage) {
    InputState& in = ctx.input;
    // The binding may report the same place again: only a real move is an event.
    const bool moved = stage != in.pointer || !in.pointerKnown;
    in.pointer = stage;
    in.pointerKnown = true;
    moveDragged(ctx);
    if (moved) broadcast(ctx, clipevent::MouseMove, "onMouseMove", "Mouse");
    PointerTarget now = pointerTargetAt(ctx, in.pointer);
    PointerTarget was = in.hovered;
    in.hovered = now;
    if (in.pressed) {
        // While held, only the object pressed hears of the pointer leaving and coming back.
        if (in.pressedOn.clip) {
            bool wasOver = was == in.pressedOn, isOver = now == in.pressedOn;
            if (wasOver && !isOver) clipPointerEvent(ctx, in.pressedOn.clip, clipevent::DragOut, "onDragOut");
            if (!wasOver && isOver) clipPointerEvent(ctx, in.pressedOn.clip, clipevent::DragOver, "onDragOver");
        }
    } else if (!(now == was)) {
        clipPointerEvent(ctx, was.clip, clipevent::RollOut, "onRollOut");
        clipPointerEvent(ctx, now.clip, clipevent::RollOver, "onRollOver");
    }
    updateButtons(ctx);
}

void refreshPointer(PlayerContext& ctx) {
    InputState& in = ctx.input;
    if (!in.pointerKnown) return;
    moveDragged(ctx);
    PointerTarget now = pointerTargetAt(ctx, in.pointer);
    PointerTarget was = in.hovered;
    in.hovered = now;
    if (!in.pressed && !(now == was)) {
        clipPointerEvent(ctx, was.clip, clipevent::RollOut, "onRollOut");
        clipPointerEvent(ctx, now.clip, clipevent::RollOver, "onRollOver");
    }
    // Buttons change state on the pointer's own events only: a lesson's
    // key that a click replaces keeps showing what it showed until the
    // pointer moves again.
}

void dispatchMouseButton(PlayerContext& ctx, QPointF stage, bool down) {
    InputState& in = ctx.input;
    if (stage != in.pointer || !in.pointerKnown) dispatchMouseMove(ctx, stage);
    if (down == in.pressed) return;
    in.pressed = down;
    holdKey(in, 1, down);
    broadcast(ctx, down ? clipevent::MouseDown : clipevent::MouseUp, down ? "onMouseDown" : "onMouseUp", "Mouse");
    in.hovered = pointerTargetAt(ctx, in.pointer);
    if (down) {
        in.pressedOn = in.hovered;
        clipPointerEvent(ctx, in.pressedOn.clip, clipevent::Press, "onPress");
        updateButtons(ctx);
        return;
    }
    PointerTarget pressed = in.pressedOn;
    in.pressedOn = {};
    if (pressed.clip) {
        if (in.hovered == pressed) {
            clipPointerEvent(ctx, pressed.clip, clipevent::Release, "onRelease");
        } else {
            clipPointerEvent(ctx, pressed.clip, clipevent::ReleaseOutside, "onReleaseOutside");
            clipPointerEvent(ctx, in.hovered.clip, clipevent::RollOver, "onRollOver");
        }
    }
    updateButtons(ctx);
}

void dispatchMouseWheel(PlayerContext& ctx, double lines) {
    if (!ctx.machine || !std::isfinite(lines)) return;
    // Listeners get the lines scrolled, positive away from the user.
    script::Value args[] = {script::Value::number(std::trunc(lines))};
    script::Machine& m = *ctx.machine;
    script::Property* p = m.realm().global->findOwn("Mouse", m.caseSensitive());
    if (!p || !p->value.isObject()) return;
    std::vector<script::Value> message{m.str("onMouseWheel"), args[0]};
    m.callMethodIfPresent(p->value.o, "broadcastMessage", message);
}

void dispatchKey(PlayerContext& ctx, int code, std::uint32_t ascii, bool down) {
    InputState& in = ctx.input;
    in.lastKeyCode = code;
    in.lastKeyAscii = ascii;
    holdKey(in, code, down);
    broadcast(ctx, down ? clipevent::KeyDown : clipevent::KeyUp, down ? "onKeyDown" : "onKeyUp", "Key");
    if (!down) return;
    // Then the buttons and clips that answer this key, in the order of the display lists.
    int key = buttonKeyCode(code, ascii);
    if (key == 0) return;
    for (const ButtonSeen& b : allButtons(ctx)) {
        const DisplayObject* obj = buttonAt(ctx, b);
        const DefineButton* def = obj ? b.owner->dictionary().button(obj->characterId) : nullptr;
        if (!def) continue;
        for (const ButtonCondAction& a : def->actions) {
            if (a.keyCode() != key) continue;
            if (!ctx.alive(b.owner)) break;
            runScriptOn(ctx, a.actions, b.owner);
        }
    }
    for (Timeline* t : clipsInEventOrder(ctx)) {
        if (!ctx.alive(t)) continue;
        const DisplayObject* obj = entryOf(t);
        if (!obj || !obj->clipActions) continue;
        std::shared_ptr<const ClipActions> actions = obj->clipActions;
        for (const ClipAction& a : *actions)
            if ((a.events & clipevent::KeyPress) && a.keyCode == key && ctx.alive(t)) runScriptOn(ctx, a.actions, t);
    }
}

void beginDrag(PlayerContext& ctx, Timeline* clip, bool lockCenter, std::optional<QRectF> bounds) {
    InputState& in = ctx.input;
    if (!clip || !clip->parent() || !ctx.alive(clip)) return;
    const DisplayObject* obj = entryOf(clip);
    if (!obj) return;
    in.dragged = clip;
    in.dragBounds = bounds;
    in.dragOffset = QPointF();
    if (!lockCenter) {
        bool ok = false;
        QPointF p = worldTransform(clip->parent()).inverted(&ok).map(in.pointer) / 20.0;
        if (ok) in.dragOffset = QPointF(displayX(*obj), displayY(*obj)) - p;
    }
    moveDragged(ctx);
}

void endDrag(PlayerContext& ctx) { ctx.input.dragged = nullptr; }

Timeline* dropTarget(PlayerContext& ctx, const Timeline* dragged) {
    // The innermost sprite under the pointer, topmost first, skipping the dragged clip.
    std::vector<Timeline*> order = clipsInEventOrder(ctx);
    for (Timeline* t : order) {
        if (!t->parent() || t == dragged) continue;
        bool inside = false;
        for (const Timeline* p = t; p && !inside; p = p->parent()) inside = p == dragged;
        if (inside) continue;
        const DisplayObject* obj = entryOf(t);
        if (!obj || !obj->visible) continue;
        bool ok = false;
        QPointF local = worldTransform(t).inverted(&ok).map(ctx.input.pointer);
        if (ok && timelineHits(ctx, *t, local)) return t;
    }
    return nullptr;
}

// --- the player's entry points ---------------------------------------------------

void Player::mouseMove(QPointF stageTwips) {
    dispatchMouseMove(ctx_, stageTwips);
    settle();
}

void Player::mouseButton(QPointF stageTwips, bool down) {
    dispatchMouseButton(ctx_, stageTwips, down);
    settle();
}

void Player::otherMouseButton(QPointF stageTwips, int keyCode, bool down) {
    if (stageTwips != ctx_.input.pointer || !ctx_.input.pointerKnown) dispatchMouseMove(ctx_, stageTwips);
    holdKey(ctx_.input, keyCode, down);
    settle();
}

void Player::mouseWheel(double lines) {
    dispatchMouseWheel(ctx_, lines);
    settle();
}

void Player::key(int code, std::uint32_t ascii, bool down) {
    dispatchKey(ctx_, code, ascii, down);
    settle();
}

void Player::textEvent(const InputEvent& e) {
    if (ctx_.input.textHandler) ctx_.input.textHandler(e);
    settle();
}

void Player::setTextHandler(std::function<void(const InputEvent&)> handler) {
    ctx_.input.textHandler = std::move(handler);
}

bool Player::pointerShown() const { return ctx_.input.pointerShown; }

bool Player::pointer(QPointF stage, bool pressed) {
    // The states of every button before and after tell whether to draw again.
    auto phases = [&] {
        std::vector<int> out;
        for (const ButtonSeen& b : allButtons(ctx_))
            if (const DisplayObject* obj = buttonAt(ctx_, b)) out.push_back(int(obj->button->machine.phase()));
        return out;
    };
    std::vector<int> before = phases();
    const Timeline* hoveredClip = ctx_.input.hovered.clip;
    const bool clipPressed = ctx_.input.pressedOn.clip != nullptr;
    const bool press = pressed != ctx_.input.pressed;
    if (press)
        mouseButton(stage, pressed);
    else
        mouseMove(stage);
    // A clip's pointer handlers may have changed what is shown, too.
    const bool clipEvent =
        ctx_.input.hovered.clip != hoveredClip || (press && (hoveredClip || clipPressed || ctx_.input.pressedOn.clip));
    return phases() != before || clipEvent || ctx_.input.dragged;
}

}  // namespace swf
