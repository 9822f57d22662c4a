// Color: a clip's colour transform in the units of version 5 movies
// (multipliers in percent, offsets in 0..255 steps). The object keeps its
// target as given and finds the clip anew at each call, so a Color made
// before its clip exists, or kept after the clip went, does nothing.
#include <optional>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"
#include "swf/script/stage.h"

namespace swf::script {

namespace {

// The clip a target names: a clip object, or a path from the running
// timeline ("mc.inner", "/mc", "_root.mc").
ClipHandle clipOf(Machine& m, Value target) {
    if (target.isObject() && target.o->kind() == Object::Kind::Stage) {
        auto* s = static_cast<StageObject*>(target.o);
        return s->alive() ? s->clip() : 0;
    }
    if (target.isUndefined() || target.isNull()) return 0;
    // Any other value names a path through its text (an object's toString runs).
    std::string path = m.toString(target);
    Host& host = m.host();
    Object* cur = m.clipObject(host.scriptClip() ? host.scriptClip() : host.root());
    std::size_t i = 0;
    if (!path.empty() && path[0] == '/') {
        cur = m.clipObject(host.root());
        i = 1;
    }
    while (cur && i < path.size()) {
        std::size_t j = path.find_first_of("./", i);
        if (j == std::string::npos) j = path.size();
        if (j > i) {
            Value next = m.get(cur, path.substr(i, j - i));
            cur = next.isObject() ? next.o : nullptr;
        }
        i = j + 1;
    }
    if (!cur || cur->kind() != Object::Kind::Stage) return 0;
    auto* s = static_cast<StageObject*>(cur);
    return s->alive() ? s->clip() : 0;
}

ClipHandle targetClip(Machine& m, Value self) { return self.isObject() ? clipOf(m, m.get(self.o, "target")) : 0; }

Value construct(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || self.o == m.realm().global) return Value();
    self.o->define(m.heap(), "target", args.empty() ? Value() : args[0], DontEnum | DontDelete, m.caseSensitive());
    return Value();
}

// getRGB: the colour offsets as one 0xRRGGBB number.
Value getRgb(Machine& m, Value self, std::span<const Value>) {
    ClipHandle clip = targetClip(m, self);
    std::optional<ColorTransformValue> ct = clip ? m.host().colorTransform(clip) : std::nullopt;
    if (!ct) return Value();
    std::int32_t rgb = (toInt32(ct->redAdd) << 16) | (toInt32(ct->greenAdd) << 8) | toInt32(ct->blueAdd);
    return Value::number(rgb);
}

// setRGB: the offsets take the colour, the colour multipliers go to 0; alpha stays.
Value setRgb(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle clip = targetClip(m, self);
    std::optional<ColorTransformValue> ct = clip ? m.host().colorTransform(clip) : std::nullopt;
    if (!ct || args.empty()) return Value();
    std::int32_t rgb = m.toInt32(args[0]);
    ct->redMul = ct->greenMul = ct->blueMul = 0;
    ct->redAdd = (rgb >> 16) & 0xFF;
    ct->greenAdd = (rgb >> 8) & 0xFF;
    ct->blueAdd = rgb & 0xFF;
    m.host().setColorTransform(clip, *ct);
    return Value();
}

struct Term {
    const char* name;
    double ColorTransformValue::*field;
    double scale;  // script units per host unit
};
constexpr Term kTerms[] = {
    {"ra", &ColorTransformValue::redMul, 100},   {"rb", &ColorTransformValue::redAdd, 1},
    {"ga", &ColorTransformValue::greenMul, 100}, {"gb", &ColorTransformValue::greenAdd, 1},
    {"ba", &ColorTransformValue::blueMul, 100},  {"bb", &ColorTransformValue::blueAdd, 1},
    {"aa", &ColorTransformValue::alphaMul, 100}, {"ab", &ColorTransformValue::alphaAdd, 1},
};

Value getTransform(Machine& m, Value self, std::span<const Value>) {
    ClipHandle clip = targetClip(m, self);
    std::optional<ColorTransformValue> ct = clip ? m.host().colorTransform(clip) : std::nullopt;
    if (!ct) return Value();
    Object* out = m.newObject();
    for (const Term& t : kTerms) m.set(out, t.name, Value::number((*ct).*t.field * t.scale));
    return Value::object(out);
}

// setTransform changes only the terms the object has.
Value setTransform(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle clip = targetClip(m, self);
    std::optional<ColorTransformValue> ct = clip ? m.host().colorTransform(clip) : std::nullopt;
    if (!ct || args.empty() || !args[0].isObject()) return Value();
    Object* in = args[0].o;
    for (const Term& t : kTerms) {
        Value v;
        if (m.find(in, t.name, v)) (*ct).*t.field = m.toNumber(v) / t.scale;
    }
    m.host().setColorTransform(clip, *ct);
    return Value();
}

}  // namespace

void installColor(Realm& realm) {
    static constexpr Realm::Method methods[] = {
        {"setRGB", setRgb},
        {"setTransform", setTransform},
        {"getRGB", getRgb},
        {"getTransform", getTransform},
    };
    realm.defineClass("Color", construct, nullptr, nullptr, methods);
}

}  // namespace swf::script
