// flash.geom.ColorTransform: four multipliers and four offsets kept as
// numbers in a cell of the instance, read and written through accessors on
// the prototype (so a script subclass that calls super() gets them too).
// Nothing is clamped: a colour applied later clamps, the object keeps what
// it was given.
#include <array>
#include <cmath>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {

namespace {

enum Field { RedMul, GreenMul, BlueMul, AlphaMul, RedOff, GreenOff, BlueOff, AlphaOff, FieldCount };

constexpr const char* kFieldNames[FieldCount] = {"redMultiplier",   "greenMultiplier", "blueMultiplier",
                                                 "alphaMultiplier", "redOffset",       "greenOffset",
                                                 "blueOffset",      "alphaOffset"};

class ColorCell final : public Cell {
public:
    std::array<double, FieldCount> v{1, 1, 1, 1, 0, 0, 0, 0};
};

ColorCell* cellOf(Value self) { return self.isObject() ? dynamic_cast<ColorCell*>(self.o->nativeData()) : nullptr; }

// The script's ToInt32 (wrapping modulo 2^32), for rgb.
std::int32_t toInt32(double d) {
    if (!std::isfinite(d)) return 0;
    double t = std::fmod(std::trunc(d), 4294967296.0);
    if (t < 0) t += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(t));
}

Value construct(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || self.o == m.realm().global) return Value();
    auto* cell = m.heap().make<ColorCell>();
    for (std::size_t i = 0; i < FieldCount && i < args.size(); ++i) cell->v[i] = m.toNumber(args[i]);
    self.o->setNativeData(cell);
    return Value();
}

template <Field F>
Value getField(Machine&, Value self, std::span<const Value>) {
    ColorCell* c = cellOf(self);
    return c ? Value::number(c->v[F]) : Value();
}

template <Field F>
Value setField(Machine& m, Value self, std::span<const Value> args) {
    if (ColorCell* c = cellOf(self); c && !args.empty()) c->v[F] = m.toNumber(args[0]);
    return Value();
}

// rgb reads the three colour offsets as one 0xRRGGBB number; writing it sets
// those offsets and zeroes the colour multipliers (alpha is left alone).
Value getRgb(Machine&, Value self, std::span<const Value>) {
    ColorCell* c = cellOf(self);
    if (!c) return Value();
    std::int32_t rgb = (toInt32(c->v[RedOff]) << 16) | (toInt32(c->v[GreenOff]) << 8) | toInt32(c->v[BlueOff]);
    return Value::number(rgb);
}

Value setRgb(Machine& m, Value self, std::span<const Value> args) {
    ColorCell* c = cellOf(self);
    if (!c || args.empty()) return Value();
    std::int32_t rgb = toInt32(m.toNumber(args[0]));
    c->v[RedMul] = c->v[GreenMul] = c->v[BlueMul] = 0;
    c->v[RedOff] = (rgb >> 16) & 0xFF;
    c->v[GreenOff] = (rgb >> 8) & 0xFF;
    c->v[BlueOff] = rgb & 0xFF;
    return Value();
}

// a.concat(b): b applied first, then a: a's multipliers scale b's offsets.
Value concat(Machine&, Value self, std::span<const Value> args) {
    ColorCell* a = cellOf(self);
    ColorCell* b = args.empty() ? nullptr : cellOf(args[0]);
    if (!a || !b) return Value();
    for (int i = 0; i < 4; ++i) {
        a->v[RedOff + i] += a->v[RedMul + i] * b->v[RedOff + i];
        a->v[RedMul + i] *= b->v[RedMul + i];
    }
    return Value();
}

Value toStringFn(Machine& m, Value self, std::span<const Value>) {
    ColorCell* c = cellOf(self);
    if (!c) return Value();
    std::string out = "(";
    for (int i = 0; i < FieldCount; ++i) {
        if (i) out += ", ";
        out += kFieldNames[i];
        out += '=';
        out += m.toString(Value::number(c->v[i]));
    }
    out += ')';
    return m.str(out);
}

}  // namespace

void installColorTransform(Realm& realm) {
    const bool cs = realm.machine.caseSensitive();
    const Property* flash = realm.global->findOwn("flash", cs);
    const Property* geom = flash && flash->value.isObject() ? flash->value.o->findOwn("geom", cs) : nullptr;
    if (!geom || !geom->value.isObject()) return;
    FunctionObject* ctor = realm.defineClass({}, construct, nullptr, nullptr);
    geom->value.o->define(realm.heap, "ColorTransform", Value::object(ctor), DontEnum, cs);
    Object* proto = ctor->findOwn("prototype", true)->value.o;
    // Every member shows in for..in; they are added in the reverse of the
    // order the reference player lists them in.
    realm.defineAccessor(proto, "alphaMultiplier", getField<AlphaMul>, setField<AlphaMul>, 0);
    realm.defineAccessor(proto, "redMultiplier", getField<RedMul>, setField<RedMul>, 0);
    realm.defineAccessor(proto, "greenMultiplier", getField<GreenMul>, setField<GreenMul>, 0);
    realm.defineAccessor(proto, "blueMultiplier", getField<BlueMul>, setField<BlueMul>, 0);
    realm.defineAccessor(proto, "alphaOffset", getField<AlphaOff>, setField<AlphaOff>, 0);
    realm.defineAccessor(proto, "redOffset", getField<RedOff>, setField<RedOff>, 0);
    realm.defineAccessor(proto, "greenOffset", getField<GreenOff>, setField<GreenOff>, 0);
    realm.defineAccessor(proto, "blueOffset", getField<BlueOff>, setField<BlueOff>, 0);
    realm.defineAccessor(proto, "rgb", getRgb, setRgb, 0);
    realm.defineMethod(proto, "concat", concat, 0);
    realm.defineMethod(proto, "toString", toStringFn, 0);
}

}  // namespace swf::script
