// Mouse: showing and hiding the pointer. Mouse is also a broadcaster
// (onMouseDown, onMouseMove, onMouseUp, onMouseWheel), made in
// builtins/broadcaster.cpp; the stage sends the events. And the clips'
// startDrag and stopDrag, the pointer dragging a clip.
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"
#include "swf/script/stage.h"

namespace swf::script {

namespace {

// Both return 1 when the pointer was shown before the call, 0 when it was hidden.
Value show(Machine& m, Value, std::span<const Value>) { return Value::number(m.host().setPointerShown(true) ? 1 : 0); }
Value hide(Machine& m, Value, std::span<const Value>) { return Value::number(m.host().setPointerShown(false) ? 1 : 0); }

// clip.startDrag(lockCenter, left, top, right, bottom): the bounds only when all four are given.
Value startDrag(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || self.o->kind() != Object::Kind::Stage) return Value();
    ClipHandle clip = static_cast<StageObject*>(self.o)->clip();
    if (!clip) return Value();
    bool lock = !args.empty() && m.toBoolean(args[0]);
    std::optional<DragBounds> bounds;
    if (args.size() >= 5)
        bounds = DragBounds{m.toNumber(args[1]), m.toNumber(args[2]), m.toNumber(args[3]), m.toNumber(args[4])};
    m.host().startDrag(clip, lock, bounds);
    return Value();
}

Value stopDrag(Machine& m, Value, std::span<const Value>) {
    m.host().stopDrag();
    return Value();
}

}  // namespace

void installMouse(Realm& realm) {
    Machine& m = realm.machine;
    Property* p = realm.global->findOwn("Mouse", m.caseSensitive());
    if (!p || !p->value.isObject()) return;
    static constexpr Realm::Method methods[] = {{"show", show}, {"hide", hide}};
    realm.defineMethods(p->value.o, methods);
    // The clips' own, unless the clip methods already have them.
    Object* clip = realm.movieClipProto;
    if (!clip) return;
    if (!clip->findOwn("startDrag", m.caseSensitive())) realm.defineMethod(clip, "startDrag", startDrag);
    if (!clip->findOwn("stopDrag", m.caseSensitive())) realm.defineMethod(clip, "stopDrag", stopDrag);
}

}  // namespace swf::script
